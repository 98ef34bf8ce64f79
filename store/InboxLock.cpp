#include "DropFiles.h"

#include "FileOps.h"
#include "IoError.h"
#include "LockFile.h"
#include "Paths.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

int openLockFile(const std::string &path)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        try {
            return File::openPlainReadWrite(path).release();
        } catch (const IoError &error) {
            if (error.code() == IoError::NotPlainFile)
                return -1;
            if (error.code() != IoError::FileNotFound) {
                try {
                    return File::openPlainRead(path).release();
                } catch (const IoError &) {
                    return -1;
                }
            }
        }
        try {
            File created = File::createExclusive(path);
            if (!created.isOpen())
                continue; // made by another meanwhile: open theirs
            // The umask leaves a new file writable by its owner alone.
            ::fchmod(created.release(), 0664);
            return File::openPlainReadWrite(path).release();
        } catch (const IoError &) {
            return -1;
        }
    }
    return -1;
}

std::unique_ptr<InboxLock> InboxLock::tryAcquire(const std::string &datafileName)
{
    // The lock file is left in place after use: deleting it would let two processes hold
    // locks on two different files of one name.
    File file = File::adopt(openLockFile(datafileName + ".lock"), datafileName + ".lock");
    if (!file.isOpen())
        return std::unique_ptr<InboxLock>(new InboxLock(-1));
    switch (file.tryLock()) {
    case File::Lock::Taken:
        return std::unique_ptr<InboxLock>(new InboxLock(file.release()));
    case File::Lock::Busy:
        return nullptr;
    case File::Lock::Unavailable:
        break;
    }
    return std::unique_ptr<InboxLock>(new InboxLock(-1));
}

InboxLock::InboxLock(int fd)
    : m_fd(fd)
{
}

InboxLock::~InboxLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QString inboxInUseMessage(const std::string &datafileName)
{
    return QStringLiteral("The inbox datafile %1 is open in another copy of Quindle. Close it there and try again.")
        .arg(textFromPath(datafileName));
}
