#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Checked file operations: every failure throws IoError. Names are used exactly as
// given; nothing is ever joined or normalised here.

bool fileExists(const std::string &path);   // a file that is not a directory
bool folderExists(const std::string &path); // a directory; empty text is no folder
// Anything at all stands under the name, a link to nothing included.
bool nameTaken(const std::string &path);
// Deleting a file is not checked: a missing file or a failure is silently ignored.
void removeFile(const std::string &path);

class File
{
public:
    File() = default;
    File(File &&other) noexcept;
    File &operator=(File &&other) noexcept;
    File(const File &) = delete;
    File &operator=(const File &) = delete;
    ~File(); // closes without checking; call close() to have the close checked

    static File openRead(const std::string &path);
    static File openReadWrite(const std::string &path); // existing file, not truncated
    static File create(const std::string &path);        // create or truncate, read-write
    // Creates a new file; returns an invalid File when the name is already taken.
    static File createExclusive(const std::string &path);
    // Opens for writing, creating the file when missing but never truncating it.
    static File openOrCreate(const std::string &path);
    // For files in folders every user of the office can write into, where anything found
    // may have been planted: a link in the last component is never followed and a pipe or
    // device is never waited on. Whatever is not a plain file throws NotPlainFile.
    static File openPlainRead(const std::string &path);
    static File openPlainReadWrite(const std::string &path);
    // The user's own file, through links, but never a pipe or device that would block.
    static File openRegularRead(const std::string &path);
    // A new file under a fresh name in folder, created exclusively (so never through a
    // link): folder + prefix + 16 hex digits + suffix. name receives the path.
    static File createUnique(const std::string &folder, std::string_view prefix, std::string_view suffix,
                             std::string &name);

    bool isOpen() const { return m_fd >= 0; }
    const std::string &path() const { return m_path; }

    std::int64_t size() const;
    // Reads exactly n bytes at offset; a short read throws "Read beyond end of file".
    void readAt(std::int64_t offset, void *data, std::size_t n) const;
    // Reads up to n bytes from the current position; 0 at the end of the file.
    std::size_t readSome(void *data, std::size_t n);
    void writeAt(std::int64_t offset, const void *data, std::size_t n);
    // Writes at the current position; returns the number of bytes written (all of them
    // unless an error other than a short write stopped it, which throws).
    std::size_t write(const void *data, std::size_t n);
    void truncate(std::int64_t length);
    void sync();   // flush to the disk
    void close();  // checked close

    // True when both are open on one file, however each was named.
    bool isSameFileAs(const File &other) const;
    // True when path names this very file now (a rename over it makes it another).
    bool isFileNamed(const std::string &path) const;
    // Best effort: gives this file the permission bits of other.
    void copyPermissionsFrom(const File &other);
    void setPermissions(unsigned mode);
    std::int64_t modifiedSecondsAgo() const;

    enum class Lock { Taken, Busy, Unavailable };
    // Tries an exclusive lock on the whole file for this open file, which a read-only open
    // may take too; the kernel drops it when the last descriptor of the open file closes,
    // also when the process dies. Unavailable where the file system offers no locks.
    Lock tryLock();
    // Hands the descriptor over; the File is closed afterwards without closing it.
    int release();
    // Takes a descriptor over (-1 gives a File that is not open).
    static File adopt(int fd, std::string path) { return File(fd, std::move(path)); }

private:
    File(int fd, std::string path);
    int m_fd = -1;
    std::string m_path;
};

enum class RenameResult { Renamed, Taken, Unsupported };
// Renames from -> to without ever replacing an existing "to" (Taken). Falls back to
// link + unlink where the file system cannot rename without replacing, and answers
// Unsupported when it offers neither.
RenameResult tryRenameNoReplace(const std::string &from, const std::string &to);
// Atomically replaces "to" with "from" (same folder). A link at "to" is replaced itself,
// never what it points at.
void renameReplace(const std::string &from, const std::string &to);
// Writes the whole file under a fresh temporary name beside it, flushes it and renames it
// over path, so that a crash leaves the old file or the new one, never a part of either.
// keepPermissions gives the new file those of the regular file it replaces.
void replaceFile(const std::string &path, const char *data, std::size_t size, bool keepPermissions = false);
// Flushes a folder's entries (after a rename) where the file system allows it.
void syncFolder(const std::string &folder);
// The file a symbolic link names (the path itself when it is no link or cannot be
// resolved), so that a file replaced by rename stays where the link points.
std::string followLink(const std::string &path);
// The folder part of a path, up to and including its last separator ("" when none).
std::string folderOf(const std::string &path);
