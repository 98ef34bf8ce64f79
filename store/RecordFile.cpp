#include "RecordFile.h"

#include "FileOps.h"

namespace {

template<class Rec>
RecordFileContents<Rec> readRecords(const std::string &path)
{
    File file = File::openRead(path);
    const std::int64_t length = file.size();
    RecordFileContents<Rec> contents;
    const std::int64_t count = length / Rec::Size;
    contents.trailingBytes = length % Rec::Size;
    contents.records.resize(static_cast<std::size_t>(count));
    // One read for the whole file: the inbox can hold many thousand slots.
    if (count > 0)
        file.readAt(0, contents.records.data()->bytes.data(), static_cast<std::size_t>(count * Rec::Size));
    file.close();
    return contents;
}

static_assert(sizeof(TMessageRecord) == TMessageRecord::Size);
static_assert(sizeof(TAddressRec) == TAddressRec::Size);

} // namespace

MessageFileContents readMessageFile(const std::string &path)
{
    return readRecords<TMessageRecord>(path);
}

AddressFileContents readAddressFile(const std::string &path)
{
    return readRecords<TAddressRec>(path);
}

void writeRecordAt(const std::string &path, std::int64_t index, const char *record, int size)
{
    File file = File::openReadWrite(path);
    file.writeAt(index * size, record, static_cast<std::size_t>(size));
    file.close();
}
