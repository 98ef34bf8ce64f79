#include "RecordFile.h"

#include "FileOps.h"
#include "IoError.h"
#include "PrivateFiles.h"

#include <cerrno>
#include <sys/stat.h>
#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Returns the number of bytes after the last whole record.
template<class Rec, class Array>
std::int64_t readRecords(const std::string &path, Array &records, RecordPlace place)
{
    // The open refuses a folder, which would pass for a file without records, and tells the
    // size: an address book on a share costs four calls.
    struct stat st{};
    File file;
    try {
        file = place == RecordPlace::Shared ? File::openPlainRead(path, st) : File::openRegularRead(path, st);
    } catch (const IoError &error) {
        if (error.code() == IoError::NotPlainFile && folderExists(path))
            raiseIoError(EISDIR);
        throw;
    }
    const std::int64_t length = st.st_size;
    const std::int64_t count = length / Rec::Size;
    records.resize(static_cast<std::size_t>(count));
    // One read for the whole file: the inbox can hold many thousand slots.
    if (count > 0)
        file.readAt(0, records.data()->bytes.data(), static_cast<std::size_t>(count * Rec::Size));
    file.close();
    return length % Rec::Size;
}

static_assert(sizeof(TMessageRecord) == TMessageRecord::Size);
static_assert(sizeof(TAddressRec) == TAddressRec::Size);

} // namespace

MessageFileContents readMessageFile(const std::string &path)
{
    MessageFileContents contents;
    contents.trailingBytes = readRecords<TMessageRecord>(path, contents.records, RecordPlace::Own);
    return contents;
}

void readMessageFile(const std::string &path, TInboxData &into)
{
    readRecords<TMessageRecord>(path, into, RecordPlace::Own);
}

AddressFileContents readAddressFile(const std::string &path)
{
    AddressFileContents contents;
    contents.trailingBytes = readRecords<TAddressRec>(path, contents.records, RecordPlace::Shared);
    return contents;
}

void writeRecordInPlace(File &file, std::int64_t offset, const char *record, int size)
{
    file.writeAt(offset + 1, record + 1, static_cast<std::size_t>(size - 1));
    file.writeAt(offset, record, 1);
}

void writeRecordAt(const std::string &path, std::int64_t index, const char *record, int size, RecordPlace place)
{
    File file = place == RecordPlace::Shared ? File::openPlainReadWrite(path) : File::openReadWrite(path);
    writeRecordInPlace(file, index * size, record, size);
    file.close();
}

void createRecordFile(const std::string &path, int size, unsigned mode)
{
    if (fileExists(path))
        return;
    if (folderExists(path))
        raiseIoError(EISDIR);
    // Exclusive, so a file that appears meanwhile is never truncated.
    File file = File::createExclusive(path);
    if (!file.isOpen())
        return;
    if (mode != 0)
        file.setPermissions(mode);
    const std::vector<char> empty(static_cast<std::size_t>(size), 0);
    file.writeAt(0, empty.data(), empty.size());
    file.close();
}

std::string packingFileName(const std::string &path)
{
    return path + ".new";
}

namespace {

// The records of source whose first byte is not 0, in order, written to packing; one zero
// record when none is. scratch ends holding the last record read. Answers the count kept.
std::int64_t copyKept(const File &source, File &packing, int size, char *scratch)
{
    // Blocks of records are read at once and their kept records written at once.
    constexpr std::int64_t blockRecords = 64;
    const std::int64_t count = source.size() / size;
    std::vector<char> block(static_cast<std::size_t>(std::min(blockRecords, std::max<std::int64_t>(count, 1)) * size));
    std::int64_t kept = 0;
    for (std::int64_t first = 0; first < count; first += blockRecords) {
        const std::int64_t records = std::min(blockRecords, count - first);
        source.readAt(first * size, block.data(), static_cast<std::size_t>(records * size));
        if (first + records == count)
            std::memcpy(scratch, block.data() + (records - 1) * size, static_cast<std::size_t>(size));
        std::int64_t keptHere = 0;
        for (std::int64_t i = 0; i < records; ++i) {
            const char *record = block.data() + i * size;
            if (record[0] == 0)
                continue;
            if (i != keptHere)
                std::memmove(block.data() + keptHere * size, record, static_cast<std::size_t>(size));
            ++keptHere;
        }
        if (keptHere > 0)
            packing.writeAt(kept * size, block.data(), static_cast<std::size_t>(keptHere * size));
        kept += keptHere;
    }
    if (kept == 0) {
        const std::vector<char> empty(static_cast<std::size_t>(size), 0);
        packing.writeAt(0, empty.data(), empty.size());
    }
    // The old file stays untouched until the new one is complete on the disk.
    packing.sync();
    return kept;
}

[[noreturn]] void raiseReplaced(const std::string &path)
{
    throw IoError(IoError::FileNotFound, path + " was replaced or moved while it was compacted: it was left as it is");
}

// The folder of the datafile, opened once as a collection opens it: refused when it is a link
// or another account's. A link of the user's in place of the datafile leads to the file it
// names, in a folder that must be the user's as well. leaf receives the datafile's name there.
Folder datafileFolder(const std::string &linkOrPath, std::string &leaf)
{
    const std::string role = "the folder of your inbox datafile";
    std::string path = linkOrPath;
    Folder folder = Folder::openOwn(folderOf(path), role);
    struct stat st{};
    if (folder.statName(path.substr(folderOf(path).size()), st) && S_ISLNK(st.st_mode)) {
        path = followLink(linkOrPath);
        folder = Folder::openOwn(folderOf(path), role);
    }
    leaf = path.substr(folderOf(path).size());
    return folder;
}

std::int64_t packSharedFile(const std::string &path, int size, char *scratch)
{
    std::string packingPath;
    File source = File::openPlainRead(path);
    File packing;
    try {
        packing = File::createUnique(folderOf(path), ".quindle-list-", ".tmp", packingPath);
        packing.copyPermissionsFrom(source);
        const std::int64_t kept = copyKept(source, packing, size, scratch);
        // A file that was replaced or moved meanwhile is not the one read: replacing its
        // successor would lose what that one holds.
        if (!source.isFileNamed(path))
            raiseReplaced(path);
        packing.close();
        source.close();
        renameReplace(packingPath, path);
        syncFolder(folderOf(path));
        return kept;
    } catch (...) {
        source = File();
        packing = File();
        removeFile(packingPath);
        throw;
    }
}

} // namespace

std::int64_t packRecordFile(const std::string &linkOrPath, int size, char *scratch, RecordPlace place,
                            const std::function<void(const File &)> &beforeRename)
{
    if (place == RecordPlace::Shared)
        return packSharedFile(linkOrPath, size, scratch);
    std::string leaf;
    const Folder folder = datafileFolder(linkOrPath, leaf);
    const std::string packingLeaf = packingFileName(leaf);
    File source = folder.openPlainRead(leaf);
    File packing;
    try {
        // The datafile is the user's alone.
        packing = folder.createOwn(packingLeaf, PrivateFileMode);
        const std::int64_t kept = copyKept(source, packing, size, scratch);
        // A file that was replaced or moved meanwhile (another program's collection) is not
        // the one read: replacing its successor would lose what that one holds.
        if (!source.isFileNamed(folder, leaf))
            raiseReplaced(folder.pathOf(leaf));
        if (beforeRename)
            beforeRename(packing);
        packing.close();
        source.close();
        folder.renameReplace(packingLeaf, leaf);
        folder.sync();
        return kept;
    } catch (...) {
        source = File();
        packing = File();
        folder.remove(packingLeaf);
        throw;
    }
}
