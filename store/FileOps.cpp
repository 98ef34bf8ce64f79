#include "FileOps.h"

#include "IoError.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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

int openPlain(const std::string &path, int access, bool followLink = false)
{
    checkName(path);
    int fd;
    do {
        fd = ::open(path.c_str(), access | (followLink ? 0 : O_NOFOLLOW) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        // A link in the last component, or a folder opened for writing.
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
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
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
    // The pid alone is not unique across the machines that share one folder.
    static std::mt19937_64 random{std::random_device{}() ^ (std::uint64_t(::getpid()) << 32)};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char unique[17];
        std::snprintf(unique, sizeof unique, "%016llx", static_cast<unsigned long long>(random()));
        name = folder + std::string(prefix) + unique + std::string(suffix);
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

void replaceFile(const std::string &path, const char *data, std::size_t size, bool keepPermissions)
{
    std::string tempPath;
    File temp = File::createUnique(folderOf(path), ".quindle-", ".tmp", tempPath);
    try {
        struct stat st{};
        if (keepPermissions && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
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
