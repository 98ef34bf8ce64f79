#include "FileOps.h"

#include "IoError.h"

#include <QScopeGuard>
#include <QString>

#include <algorithm>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <pwd.h>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void checkName(const std::string &path)
{
    if (path.empty() || path.find('\0') != std::string::npos)
        raiseInvalidFilename();
}

int openChecked(const std::string &path, int flags)
{
    checkName(path);
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        raiseNameError(errno);
    return fd;
}

// Opens a name that a colleague may have planted anything under: a link in the last
// component is never followed and a pipe or device never waited on (O_NONBLOCK, which a
// plain file ignores). Whatever is not a plain file throws NotPlainFile.
int openPlainAt(int dirfd, const std::string &name, const std::string &path, int access, bool followLink = false,
                struct stat *found = nullptr)
{
    int fd;
    do {
        fd = ::openat(dirfd, name.c_str(), access | (followLink ? 0 : O_NOFOLLOW) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno == ELOOP)
            raiseNotPlainFile(path);
        if (errno == EISDIR)
            raiseNotPlainFile(path, true);
        raiseNameError(errno);
    }
    struct stat st{};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        raiseIoError(error);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        raiseNotPlainFile(path, S_ISDIR(st.st_mode));
    }
    if (found)
        *found = st;
    return fd;
}

std::string uniqueDigits()
{
    // The pid alone is not unique across the machines that share one folder.
    static std::mt19937_64 random{std::random_device{}() ^ (std::uint64_t(::getpid()) << 32)};
    char unique[17];
    std::snprintf(unique, sizeof unique, "%016llx", static_cast<unsigned long long>(random()));
    return unique;
}

int openPlain(const std::string &path, int access, bool followLink = false)
{
    checkName(path);
    return openPlainAt(AT_FDCWD, path, path, access, followLink);
}

} // namespace

bool fileExists(const std::string &path)
{
    struct stat st{};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool folderExists(const std::string &path)
{
    struct stat st{};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool nameTaken(const std::string &path)
{
    struct stat st{};
    return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

void removeFile(const std::string &path)
{
    if (!path.empty())
        ::unlink(path.c_str());
}

File::File(int fd, std::string path)
    : m_fd(fd)
    , m_path(std::move(path))
{
}

File::File(File &&other) noexcept
    : m_fd(other.m_fd)
    , m_path(std::move(other.m_path))
{
    other.m_fd = -1;
}

File &File::operator=(File &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.m_fd;
        m_path = std::move(other.m_path);
        other.m_fd = -1;
    }
    return *this;
}

File::~File()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

File File::openRead(const std::string &path)
{
    return File(openChecked(path, O_RDONLY), path);
}

File File::openReadWrite(const std::string &path)
{
    return File(openChecked(path, O_RDWR), path);
}

File File::create(const std::string &path)
{
    return File(openChecked(path, O_RDWR | O_CREAT | O_TRUNC), path);
}

File File::createExclusive(const std::string &path)
{
    checkName(path);
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno == EEXIST)
            return File();
        raiseNameError(errno);
    }
    return File(fd, path);
}

File File::openPlainRead(const std::string &path, struct stat &st)
{
    checkName(path);
    return File(openPlainAt(AT_FDCWD, path, path, O_RDONLY, false, &st), path);
}

File File::openRegularRead(const std::string &path, struct stat &st)
{
    checkName(path);
    return File(openPlainAt(AT_FDCWD, path, path, O_RDONLY, true, &st), path);
}

File File::openPlainRead(const std::string &path)
{
    return File(openPlain(path, O_RDONLY), path);
}

File File::openPlainReadWrite(const std::string &path)
{
    return File(openPlain(path, O_RDWR), path);
}

File File::openRegularRead(const std::string &path)
{
    return File(openPlain(path, O_RDONLY, true), path);
}

File File::createUnique(const std::string &folder, std::string_view prefix, std::string_view suffix,
                        std::string &name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder + std::string(prefix) + uniqueDigits() + std::string(suffix);
        File file = createExclusive(name);
        if (file.isOpen())
            return file;
    }
    raiseIoError(EEXIST);
}

File File::openOrCreate(const std::string &path)
{
    return File(openChecked(path, O_RDWR | O_CREAT), path);
}

std::int64_t File::size() const
{
    struct stat st{};
    if (::fstat(m_fd, &st) != 0)
        raiseIoError(errno);
    return st.st_size;
}

void File::readAt(std::int64_t offset, void *data, std::size_t n) const
{
    auto *p = static_cast<char *>(data);
    while (n > 0) {
        const ssize_t got = ::pread(m_fd, p, n, offset);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            raiseIoError(errno);
        }
        if (got == 0)
            raiseReadBeyondEnd();
        p += got;
        offset += got;
        n -= static_cast<std::size_t>(got);
    }
}

std::size_t File::readSomeAt(std::int64_t offset, void *data, std::size_t n) const
{
    // A plain file reads whole unless it ends: no second call to find its end.
    for (;;) {
        const ssize_t got = ::pread(m_fd, data, n, offset);
        if (got >= 0)
            return std::size_t(got);
        if (errno != EINTR)
            raiseIoError(errno);
    }
}

std::size_t File::readSome(void *data, std::size_t n)
{
    for (;;) {
        const ssize_t got = ::read(m_fd, data, n);
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            raiseIoError(errno);
    }
}

void File::writeAt(std::int64_t offset, const void *data, std::size_t n)
{
    const auto *p = static_cast<const char *>(data);
    while (n > 0) {
        const ssize_t put = ::pwrite(m_fd, p, n, offset);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            raiseIoError(errno);
        }
        if (put == 0)
            raiseIoError(ENOSPC);
        p += put;
        offset += put;
        n -= static_cast<std::size_t>(put);
    }
}

std::size_t File::write(const void *data, std::size_t n)
{
    const auto *p = static_cast<const char *>(data);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t put = ::write(m_fd, p + done, n - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            raiseIoError(errno);
        }
        if (put == 0)
            raiseIoError(ENOSPC);
        done += static_cast<std::size_t>(put);
    }
    return done;
}

void File::truncate(std::int64_t length)
{
    if (::ftruncate(m_fd, length) != 0)
        raiseIoError(errno);
}

void File::sync()
{
    if (::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS)
        raiseIoError(errno);
}

void File::close()
{
    if (m_fd < 0)
        return;
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR)
        raiseIoError(errno);
}

bool File::isSameFileAs(const File &other) const
{
    struct stat mine{};
    struct stat theirs{};
    if (::fstat(m_fd, &mine) != 0 || ::fstat(other.m_fd, &theirs) != 0)
        raiseIoError(errno);
    return mine.st_dev == theirs.st_dev && mine.st_ino == theirs.st_ino;
}

bool File::isFileNamed(const std::string &path) const
{
    struct stat mine{};
    struct stat named{};
    if (::fstat(m_fd, &mine) != 0)
        raiseIoError(errno);
    return ::stat(path.c_str(), &named) == 0 && mine.st_dev == named.st_dev && mine.st_ino == named.st_ino;
}

bool File::isFileNamed(const Folder &folder, std::string_view leaf) const
{
    struct stat mine{};
    struct stat named{};
    if (::fstat(m_fd, &mine) != 0)
        raiseIoError(errno);
    return folder.statName(leaf, named) && mine.st_dev == named.st_dev && mine.st_ino == named.st_ino;
}

void File::copyPermissionsFrom(const File &other)
{
    struct stat st{};
    struct stat mine{};
    if (::fstat(other.m_fd, &st) == 0 && ::fstat(m_fd, &mine) == 0 && S_ISREG(st.st_mode) && S_ISREG(mine.st_mode))
        ::fchmod(m_fd, st.st_mode & 07777);
}

void File::setPermissions(unsigned mode)
{
    ::fchmod(m_fd, mode_t(mode));
}

std::int64_t File::modifiedSecondsAgo() const
{
    struct stat st{};
    if (::fstat(m_fd, &st) != 0)
        raiseIoError(errno);
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::seconds>(now).count() - st.st_mtime;
}

File::Lock File::tryLock()
{
    // A whole-file lock rather than a record lock, because a record lock for writing needs
    // a descriptor open for writing, which a lock file made by another user may not give.
    for (;;) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
            return Lock::Taken;
        if (errno == EINTR)
            continue;
        if (errno == EWOULDBLOCK)
            return Lock::Busy;
        // No locks on this file system (ENOLCK, EOPNOTSUPP), or a lock it maps onto a record
        // lock that this open cannot take (EBADF).
        return Lock::Unavailable;
    }
}

int File::release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

RenameResult tryRenameNoReplace(const std::string &from, const std::string &to)
{
    checkName(from);
    checkName(to);
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return RenameResult::Renamed;
    if (errno == EEXIST)
        return RenameResult::Taken;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        raiseNameError(errno);
#endif
    // A hard link fails when the name is taken, which makes it a rename that never replaces.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return RenameResult::Renamed;
    }
    if (errno == EEXIST)
        return RenameResult::Taken;
    // File systems without hard links (FAT, some shares) say so in several ways.
    if (errno == EPERM || errno == ENOTSUP || errno == EOPNOTSUPP || errno == ENOSYS || errno == EMLINK)
        return RenameResult::Unsupported;
    raiseNameError(errno);
}

void renameReplace(const std::string &from, const std::string &to)
{
    checkName(from);
    checkName(to);
    if (::rename(from.c_str(), to.c_str()) != 0)
        raiseNameError(errno);
}

void replaceFile(const std::string &path, const char *data, std::size_t size, bool keepPermissions, unsigned mode)
{
    std::string tempPath;
    File temp = File::createUnique(folderOf(path), ".quindle-", ".tmp", tempPath);
    try {
        struct stat st{};
        if (mode != 0)
            temp.setPermissions(mode);
        else if (keepPermissions && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            temp.setPermissions(st.st_mode & 07777);
        temp.writeAt(0, data, size);
        temp.sync();
        temp.close();
        renameReplace(tempPath, path);
    } catch (...) {
        temp = File();
        removeFile(tempPath);
        throw;
    }
    syncFolder(folderOf(path));
}

void replaceFile(const Folder &folder, std::string_view name, const char *data, std::size_t size, unsigned mode)
{
    std::string tempName;
    File temp = folder.createUnique(".quindle-", ".tmp", tempName);
    try {
        temp.setPermissions(mode);
        temp.writeAt(0, data, size);
        temp.sync();
        temp.close();
        folder.renameReplace(tempName, name);
    } catch (...) {
        temp = File();
        folder.remove(tempName);
        throw;
    }
    folder.sync();
}

void syncFolder(const std::string &folder)
{
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

std::string followLink(const std::string &path)
{
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char *real = ::realpath(path.c_str(), nullptr);
    if (!real)
        return path;
    std::string target(real);
    std::free(real);
    return target;
}

std::string folderOf(const std::string &path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

namespace {

int openDirectoryHandle(const std::string &path)
{
    int fd;
    do {
        fd = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Why a folder text names no folder we may use, and the error that goes with it.
int folderError(const std::string &path, int errnum, std::string &why, bool linksFollowed = false)
{
    struct stat st{};
    if (!linksFollowed && ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        why = path + " is a symbolic link, which is never followed to a folder";
        return IoError::NotPlainFile;
    }
    if (errnum == ENOENT) {
        why = path + " does not exist";
        return IoError::FileNotFound;
    }
    if (errnum == ENOTDIR) {
        why = path + " is not a folder";
        return ENOTDIR;
    }
    why = path + ": " + ioErrorMessage(errnum);
    return errnum;
}

} // namespace

Folder::Folder(Folder &&other) noexcept
    : m_fd(other.m_fd)
    , m_text(std::move(other.m_text))
    , m_prefix(std::move(other.m_prefix))
    , m_why(std::move(other.m_why))
    , m_code(other.m_code)
    , m_windowsNames(other.m_windowsNames)
{
    other.m_fd = -1;
}

Folder &Folder::operator=(Folder &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.m_fd;
        m_text = std::move(other.m_text);
        m_prefix = std::move(other.m_prefix);
        m_why = std::move(other.m_why);
        m_code = other.m_code;
        m_windowsNames = other.m_windowsNames;
        other.m_fd = -1;
    }
    return *this;
}

Folder::~Folder()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

Folder Folder::openIfFolder(const std::string &text)
{
    Folder folder;
    folder.m_text = text;
    if (text.empty() || text.find('\0') != std::string::npos) {
        folder.m_why = "no folder is named";
        folder.m_code = IoError::FileNotFound;
        return folder;
    }
    const std::size_t slash = text.find_last_of('/');
    std::string path; // the folder itself, without a final separator
    if (slash == text.size() - 1) {
        path = text.substr(0, text.find_last_not_of('/') + 1);
        if (path.empty())
            path = "/";
    } else {
        // Names go beside the folder the text names: the folder itself must exist all the
        // same, as a folder and not a link to one.
        struct stat st{};
        const bool there = ::lstat(text.c_str(), &st) == 0;
        if (!there || !S_ISDIR(st.st_mode)) {
            folder.m_code = folderError(text, there ? ENOTDIR : errno, folder.m_why);
            return folder;
        }
        folder.m_prefix = text.substr(slash == std::string::npos ? 0 : slash + 1);
        path = slash == std::string::npos ? "." : slash == 0 ? "/" : text.substr(0, slash);
    }
    folder.m_fd = openDirectoryHandle(path);
    if (folder.m_fd < 0)
        folder.m_code = folderError(path, errno, folder.m_why);
    return folder;
}

Folder Folder::openThroughLinks(const std::string &text)
{
    Folder folder;
    folder.m_text = text;
    if (text.empty() || text.back() != '/' || text.find('\0') != std::string::npos) {
        folder.m_why = "no folder is named";
        folder.m_code = IoError::FileNotFound;
        return folder;
    }
    do {
        folder.m_fd = ::open(text.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    } while (folder.m_fd < 0 && errno == EINTR);
    if (folder.m_fd < 0)
        folder.m_code = folderError(text.substr(0, std::max<std::size_t>(1, text.find_last_not_of('/') + 1)), errno,
                                    folder.m_why, true);
    return folder;
}

Folder Folder::folderIn(std::string_view name) const
{
    Folder folder;
    folder.m_text = m_text + std::string(name) + "/";
    const std::string leaf = full(name);
    do {
        folder.m_fd = ::openat(m_fd, leaf.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    } while (folder.m_fd < 0 && errno == EINTR);
    if (folder.m_fd < 0) {
        const int errnum = errno;
        struct stat st{};
        const std::string path = pathOf(name);
        if (::fstatat(m_fd, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)) {
            folder.m_why = path + " is a symbolic link, which is never followed to a folder";
            folder.m_code = IoError::NotPlainFile;
        } else {
            folder.m_code = folderError(path, errnum, folder.m_why, true);
        }
    }
    return folder;
}

Folder Folder::withPrefix(const std::string &prefix) const
{
    Folder folder;
    folder.m_text = m_text + prefix;
    folder.m_prefix = prefix;
    folder.m_windowsNames = m_windowsNames;
    folder.m_fd = ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
    if (folder.m_fd < 0)
        folder.m_code = folderError(folder.m_text, errno, folder.m_why, true);
    return folder;
}

Folder Folder::open(const std::string &text)
{
    Folder folder = openIfFolder(text);
    if (!folder.isOpen()) {
        if (folder.m_code == IoError::NotPlainFile)
            throw IoError(folder.m_code, folder.m_why);
        raiseIoError(folder.m_code == IoError::FileNotFound ? ENOENT : folder.m_code);
    }
    return folder;
}

Folder Folder::openOwn(const std::string &text, const std::string &role)
{
    Folder folder = openIfFolder(text);
    if (!folder.isOpen()) {
        if (folder.m_code == IoError::NotPlainFile)
            throw IoError(IoError::NotPlainFile, "The folder " + text + ", " + role
                                                     + ", is a symbolic link: Quindle follows none to your own "
                                                       "folders, as anyone who could make it could lead your mail "
                                                       "elsewhere. Name the folder itself.");
        return open(text);
    }
    const struct stat st = folder.info();
    if (st.st_uid != ::geteuid() && st.st_uid != 0) {
        const struct passwd *owner = ::getpwuid(st.st_uid);
        throw IoError(IoError::AccessDenied, "The folder " + text + ", " + role + ", belongs to the account "
                                                 + (owner ? std::string(owner->pw_name) : std::to_string(st.st_uid))
                                                 + ", not to you: Quindle keeps your mail only in folders of your "
                                                   "own.");
    }
    return folder;
}

std::string Folder::full(std::string_view name) const
{
    std::string leaf = m_prefix;
    leaf += name;
    if (leaf.empty() || leaf.find('/') != std::string::npos || leaf.find('\0') != std::string::npos)
        raiseInvalidFilename();
    return leaf;
}

File Folder::openPlainRead(std::string_view name, struct stat &st) const
{
    return File::adopt(openPlainAt(m_fd, full(name), pathOf(name), O_RDONLY, false, &st), pathOf(name));
}

namespace {

int openShared(int dirfd, const std::string &leaf, const std::string &path, int access)
{
    int fd;
    do {
        fd = ::openat(dirfd, leaf.c_str(), access | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno == ELOOP)
            raiseNotPlainFile(path);
        if (errno == EISDIR)
            raiseNotPlainFile(path, true);
        raiseNameError(errno);
    }
    return fd;
}

} // namespace

int Folder::openForRead(std::string_view name) const
{
    return openShared(m_fd, full(name), pathOf(name), O_RDONLY);
}

int Folder::openForUpdate(std::string_view name, bool create) const
{
    return openShared(m_fd, full(name), pathOf(name), O_RDWR | (create ? O_CREAT : 0));
}

File Folder::openRegularReadWrite(std::string_view name) const
{
    return File::adopt(openPlainAt(m_fd, full(name), pathOf(name), O_RDWR, true), pathOf(name));
}

File Folder::createOwn(std::string_view name, unsigned mode) const
{
    const std::string leaf = full(name);
    int fd;
    do {
        fd = ::openat(m_fd, leaf.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, mode_t(mode));
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        raiseNameError(errno);
    // A device a link leads to keeps its mode.
    struct stat st{};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        ::fchmod(fd, mode_t(mode));
    return File::adopt(fd, pathOf(name));
}

File Folder::openPlainRead(std::string_view name) const
{
    return File::adopt(openPlainAt(m_fd, full(name), pathOf(name), O_RDONLY), pathOf(name));
}

File Folder::openPlainReadWrite(std::string_view name) const
{
    return File::adopt(openPlainAt(m_fd, full(name), pathOf(name), O_RDWR), pathOf(name));
}

File Folder::createExclusive(std::string_view name, unsigned mode) const
{
    const std::string leaf = full(name);
    int fd;
    do {
        fd = ::openat(m_fd, leaf.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode_t(mode));
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno == EEXIST)
            return File();
        raiseNameError(errno);
    }
    return File::adopt(fd, pathOf(name));
}

File Folder::createUnique(std::string_view prefix, std::string_view suffix, std::string &name) const
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = std::string(prefix) + uniqueDigits() + std::string(suffix);
        File file = createExclusive(name);
        if (file.isOpen())
            return file;
    }
    raiseIoError(EEXIST);
}

RenameResult Folder::renameNoReplace(std::string_view from, std::string_view to) const
{
    const std::string source = full(from);
    const std::string target = full(to);
#ifdef RENAME_NOREPLACE
    if (::renameat2(m_fd, source.c_str(), m_fd, target.c_str(), RENAME_NOREPLACE) == 0)
        return RenameResult::Renamed;
    if (errno == EEXIST)
        return RenameResult::Taken;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        raiseNameError(errno);
#endif
    if (::linkat(m_fd, source.c_str(), m_fd, target.c_str(), 0) == 0) {
        ::unlinkat(m_fd, source.c_str(), 0);
        return RenameResult::Renamed;
    }
    if (errno == EEXIST)
        return RenameResult::Taken;
    if (errno == EPERM || errno == ENOTSUP || errno == EOPNOTSUPP || errno == ENOSYS || errno == EMLINK)
        return RenameResult::Unsupported;
    raiseNameError(errno);
}

void Folder::renameReplace(std::string_view from, std::string_view to) const
{
    if (::renameat(m_fd, full(from).c_str(), m_fd, full(to).c_str()) != 0)
        raiseNameError(errno);
}

bool Folder::remove(std::string_view name) const
{
    return ::unlinkat(m_fd, full(name).c_str(), 0) == 0 || errno == ENOENT;
}

bool Folder::statName(std::string_view name, struct stat &st) const
{
    return ::fstatat(m_fd, full(name).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

bool Folder::nameTaken(std::string_view name) const
{
    struct stat st{};
    return statName(name, st);
}

struct stat Folder::info() const
{
    struct stat st{};
    if (::fstat(m_fd, &st) != 0)
        raiseIoError(errno);
    return st;
}

void Folder::sync() const
{
    const int fd = ::openat(m_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

std::vector<std::string> Folder::names() const
{
    std::vector<std::string> found;
    eachName([&found](std::string_view name) { found.emplace_back(name); });
    return found;
}

void Folder::eachName(const std::function<void(std::string_view name)> &take) const
{
    const int fd = ::openat(m_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    DIR *dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    const auto closing = qScopeGuard([dir] { ::closedir(dir); });
    while (const dirent *entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == ".." || !name.starts_with(m_prefix))
            continue;
        take(name.substr(m_prefix.size()));
    }
}

std::vector<std::string> Folder::foldedNames() const
{
    std::vector<std::string> folded;
    for (const std::string &name : names())
        folded.push_back(QString::fromLocal8Bit(name.c_str()).toCaseFolded().toLocal8Bit().toStdString());
    std::sort(folded.begin(), folded.end());
    return folded;
}

Folder Folder::none(const std::string &text, const std::string &why)
{
    Folder folder;
    folder.m_text = text;
    folder.m_why = why;
    folder.m_code = IoError::FileNotFound;
    return folder;
}

bool Folder::stillNamed() const
{
    const std::size_t slash = m_text.find_last_of('/');
    std::string path = slash == std::string::npos ? "." : m_text.substr(0, slash + 1);
    struct stat mine{};
    struct stat named{};
    return ::fstat(m_fd, &mine) == 0 && ::stat(path.c_str(), &named) == 0 && mine.st_dev == named.st_dev
        && mine.st_ino == named.st_ino;
}
