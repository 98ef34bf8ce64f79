#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>

// Checked file operations: every failure throws IoError. Names are used exactly as
// given; nothing is ever joined or normalised here.

bool fileExists(const std::string &path);   // a file that is not a directory
bool folderExists(const std::string &path); // a directory; empty text is no folder
// Anything at all stands under the name, a link to nothing included.
bool nameTaken(const std::string &path);
// Deleting a file is not checked: a missing file or a failure is silently ignored.
void removeFile(const std::string &path);

class Folder;

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
    // The same, handing out what the check of the open file found.
    static File openPlainRead(const std::string &path, struct stat &st);
    static File openRegularRead(const std::string &path, struct stat &st);
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
    // Reads up to n bytes at offset; fewer only at the end of the file.
    std::size_t readSomeAt(std::int64_t offset, void *data, std::size_t n) const;
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
    // The same for leaf in folder, a link there not followed.
    bool isFileNamed(const Folder &folder, std::string_view leaf) const;
    // Best effort: gives this file the permission bits of other.
    void copyPermissionsFrom(const File &other);
    void setPermissions(unsigned mode);
    std::int64_t modifiedSecondsAgo() const;

    enum class Lock { Taken, Busy, Unavailable };
    // Tries an exclusive lock on the whole file for this open file, which a read-only open
    // may take too; the kernel drops it when the last descriptor of the open file closes,
    // also when the process dies. Unavailable where the file system offers no locks.
    Lock tryLock();
    int descriptor() const { return m_fd; }
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

// A folder held open for one operation. Every file in it is reached through the handle, so
// a folder that a colleague renames, removes or replaces by a link meanwhile cannot send a
// read or write elsewhere, and no link in the last component of the folder's name is ever
// followed. The handle needs no right to list the folder: a drop box one may only write
// into opens as well.
//
// A folder text that lacks its final separator names files beside the folder, as names are
// joined to it by plain concatenation: "/x/Anna" + "Anna1.qdm" is "/x/AnnaAnna1.qdm". Such a
// Folder holds "/x/" and puts "Anna" before every name it is given.
class Folder
{
public:
    Folder() = default;
    Folder(Folder &&other) noexcept;
    Folder &operator=(Folder &&other) noexcept;
    Folder(const Folder &) = delete;
    Folder &operator=(const Folder &) = delete;
    ~Folder();

    // Opens the folder of text. Throws IoError: FileNotFound for no folder, NotPlainFile
    // (saying so) for a link, and the system's error otherwise (a file: "Invalid filename").
    static Folder open(const std::string &text);
    // The same, but a folder that does not exist, is a link or is no folder gives a Folder
    // that is not open, with why() set.
    static Folder openIfFolder(const std::string &text);
    // A folder the user or the administrator named in their own settings (a path map's local
    // folder, a mount point): text, with its final separator, links followed in every component.
    // Not open, with why() set, when it leads to no folder.
    static Folder openThroughLinks(const std::string &text);
    // A folder of the user's own (the inbox folder, the datafile's folder): refused with a
    // message naming role ("your inbox folder") when it is a link or belongs to another
    // account than the user's or root's, as a colleague could have put it there.
    static Folder openOwn(const std::string &text, const std::string &role);

    bool isOpen() const { return m_fd >= 0; }
    // Why openIfFolder found no folder; empty when it did.
    const std::string &why() const { return m_why; }
    // The folder text as given; pathOf(name) is what the name stands for in messages.
    const std::string &text() const { return m_text; }
    std::string pathOf(std::string_view name) const { return m_text + std::string(name); }

    // As File's, by name in this folder: never through a link, never waiting on a pipe. The
    // first form hands out what the check of the open file found.
    File openPlainRead(std::string_view name, struct stat &st) const;
    File openPlainRead(std::string_view name) const;
    File openPlainReadWrite(std::string_view name) const;
    // A shared file to read, or to read and change in place: one call, no look at what it is
    // first (a link is refused with NotPlainFile, a folder too; a pipe opens without waiting and
    // reads as nothing). Descriptors, for File::adopt.
    int openForRead(std::string_view name) const;
    // With create, a missing file is made (empty, as the folder's modes and lists give it).
    int openForUpdate(std::string_view name, bool create = false) const;
    // The user's own file in the user's own folder: a link of theirs is followed.
    File openRegularReadWrite(std::string_view name) const;
    // The user's own file made anew in the user's own folder: created (mode, whatever the
    // umask) or emptied, a link of theirs followed.
    File createOwn(std::string_view name, unsigned mode) const;
    // A new file; an invalid File when the name is taken.
    File createExclusive(std::string_view name, unsigned mode = 0666) const;
    // A new file under prefix + 16 hex digits + suffix; name receives that name.
    File createUnique(std::string_view prefix, std::string_view suffix, std::string &name) const;
    RenameResult renameNoReplace(std::string_view from, std::string_view to) const;
    void renameReplace(std::string_view from, std::string_view to) const; // throws IoError
    // Unchecked as deleting always was; answers whether the name is gone, errno set when not.
    bool remove(std::string_view name) const;
    // What stands under the name, links not followed; false when nothing does.
    bool statName(std::string_view name, struct stat &st) const;
    bool nameTaken(std::string_view name) const;
    // The folder itself.
    struct stat info() const;
    // Flushes the folder's entries where the file system allows it.
    void sync() const;
    // The names in the folder that start with its prefix, the prefix taken off; none when it
    // may not be listed.
    std::vector<std::string> names() const;
    // The same names handed to `take` one by one as the listing reads them.
    void eachName(const std::function<void(std::string_view name)> &take) const;
    // The folder name in this one, never through a link: text() + name + "/". Not open, with
    // why() set, when name is missing there, a link or no folder. For a Folder without prefix.
    Folder folderIn(std::string_view name) const;
    // This folder once more, putting prefix before every name (text() + prefix), as a folder text
    // whose last component is prefix does. For a Folder without prefix.
    Folder withPrefix(const std::string &prefix) const;
    // True when the folder text still leads to this very folder.
    bool stillNamed() const;
    int handle() const { return m_fd; }
    // The folder was reached through a Windows path (an address entry in Windows form): the
    // office's Windows copies write into it, where names ignore letter case, so the drop file
    // number search and the placing of attachments count a name as taken when a name differing
    // from it in letter case alone stands there (checked against foldedNames()). Only such
    // folders: every copy names a recipient's folder by the same book entry, so a folder named
    // otherwise is no folder a Windows copy writes into, and listing each one would cost round
    // trips on the share.
    void setWindowsNames(bool on) { m_windowsNames = on; }
    bool windowsNames() const { return m_windowsNames; }
    // The case-folded names in the folder, for that rule; none where it may not be listed.
    std::vector<std::string> foldedNames() const;
    // A folder that names no folder, saying why.
    static Folder none(const std::string &text, const std::string &why);
    // What the folder puts before every name (see above); empty for a text with its separator.
    const std::string &prefix() const { return m_prefix; }

private:
    std::string full(std::string_view name) const;
    int m_fd = -1;
    std::string m_text;
    std::string m_prefix;
    std::string m_why;
    int m_code = 0;
    bool m_windowsNames = false;
};
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
// mode, when not 0, is the new file's whatever the umask (keepPermissions then does nothing).
void replaceFile(const std::string &path, const char *data, std::size_t size, bool keepPermissions = false,
                 unsigned mode = 0);
// The same for a name in a folder held open: the new file gets mode, whatever the umask.
void replaceFile(const Folder &folder, std::string_view name, const char *data, std::size_t size, unsigned mode);
// Flushes a folder's entries (after a rename) where the file system allows it.
void syncFolder(const std::string &folder);
// The file a symbolic link names (the path itself when it is no link or cannot be
// resolved), so that a file replaced by rename stays where the link points.
std::string followLink(const std::string &path);
// The folder part of a path, up to and including its last separator ("" when none).
std::string folderOf(const std::string &path);
