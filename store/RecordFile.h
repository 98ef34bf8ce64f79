#pragma once

#include "AddressRecord.h"
#include "MessageRecord.h"

#include <cstdint>
#include <string>
#include <vector>

// A file of fixed-size records: no header, record i at i x size. A trailing piece shorter
// than one record is not a record and is never read.
template<class Rec>
struct RecordFileContents
{
    std::vector<Rec> records;
    std::int64_t trailingBytes = 0;
};

using MessageFileContents = RecordFileContents<TMessageRecord>;
using AddressFileContents = RecordFileContents<TAddressRec>;

// Reads every whole record of an existing file, in order.
MessageFileContents readMessageFile(const std::string &path);
AddressFileContents readAddressFile(const std::string &path);

// Writes one record at index i of an existing file (not truncated); an index at or past
// the end lengthens the file, and skipped records read back as zero bytes.
void writeRecordAt(const std::string &path, std::int64_t index, const char *record, int size);
template<class Rec>
void writeRecordAt(const std::string &path, std::int64_t index, const Rec &record)
{
    writeRecordAt(path, index, record.bytes.data(), Rec::Size);
}
