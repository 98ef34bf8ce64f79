#pragma once

#include "AddressRecord.h"
#include "MessageRecord.h"

#include <cstdint>
#include <functional>
#include "FileOps.h"
#include <string>
#include <vector>

// A file of fixed-size records: no header, record i at i x size. A trailing piece shorter
// than one record is not a record and is never read.
template<class Rec, class Array = std::vector<Rec>>
struct RecordFileContents
{
    Array records;
    std::int64_t trailingBytes = 0;
};

using MessageFileContents = RecordFileContents<TMessageRecord, TInboxData>;
using AddressFileContents = RecordFileContents<TAddressRec>;

// Where a record file lives: the inbox datafile in the user's own data folder, which may be
// a link of the user's choosing, or the address list in a folder other users may share,
// where a link is never followed and nothing but a plain file is opened.
enum class RecordPlace { Own, Shared };

// Reads every whole record of an existing file, in order.
MessageFileContents readMessageFile(const std::string &path);
AddressFileContents readAddressFile(const std::string &path); // a shared file
// The same into an existing array, which takes the file's record count.
void readMessageFile(const std::string &path, TInboxData &into);

// Creates a missing file holding one record of zero bytes; an existing one is left alone.
// mode is the new file's, whatever the umask; 0 leaves it to the umask.
void createRecordFile(const std::string &path, int size, unsigned mode = 0);

// Writes one record at index i of an existing file (not truncated); an index at or past
// the end lengthens the file, and skipped records read back as zero bytes.
void writeRecordAt(const std::string &path, std::int64_t index, const char *record, int size,
                   RecordPlace place = RecordPlace::Own);
template<class Rec>
void writeRecordAt(const std::string &path, std::int64_t index, const Rec &record)
{
    writeRecordAt(path, index, record.bytes.data(), Rec::Size,
                  Rec::Size == TAddressRec::Size ? RecordPlace::Shared : RecordPlace::Own);
}

// Writes a record in place so that a write torn anywhere (a share takes a record in
// pieces, and a copy may die between them) leaves an unused record: everything but the
// first byte, then the first byte, the length of From or Name, which makes it used.
void writeRecordInPlace(File &file, std::int64_t offset, const char *record, int size);

// The file beside a record file into which a compaction writes the new content before
// renaming it over the file.
std::string packingFileName(const std::string &path);

// Compacts a record file: every record whose first byte (the length of From or Name) is
// not 0 is written, in order, to packingFileName(path), which is flushed to the disk and
// renamed over path; the old file is never touched, so a failure at any step leaves it
// complete and removes the new one. When nothing is kept, one zero record takes their
// place so that the file never becomes empty. scratch (size bytes) ends holding the last
// record read from path. Returns the number of records kept.
// A shared file is written under a fresh name created exclusively. The own datafile is
// written under packingFileName in its folder, opened once as a collection opens it: a folder
// that is a link or another account's is refused (IoError saying so); a link of the user's in
// place of the datafile leads to the file it names, whose folder is held to the same rule.
// Before the rename, the file it compacted must still be the one under its name (else
// nothing is replaced: IoError), and beforeRename (the own datafile's) sees the new file.
std::int64_t packRecordFile(const std::string &path, int size, char *scratch, RecordPlace place = RecordPlace::Own,
                            const std::function<void(const File &)> &beforeRename = {});
