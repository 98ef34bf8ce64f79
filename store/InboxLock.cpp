#include "DropFiles.h"

#include "FileOps.h"
#include "IoError.h"
#include "LockFile.h"
#include "Paths.h"
#include "PrivateFiles.h"
#include "RecordFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The three ways of reaching a lock file, by path or in a folder held open.
template<class Reach>
int openLockFileWith(const Reach &reach, unsigned mode)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        try {
            return reach.readWrite().release();
        } catch (const IoError &error) {
            if (error.code() == IoError::NotPlainFile)
                return -1;
            if (error.code() != IoError::FileNotFound) {
                try {
                    return reach.read().release();
                } catch (const IoError &) {
                    return -1;
                }
            }
        }
        try {
            File created = reach.create();
            if (!created.isOpen())
                continue; // made by another meanwhile: open theirs
            // Whatever the umask, the mode asked for.
            created.setPermissions(mode);
            return created.release();
        } catch (const IoError &) {
            return -1;
        }
    }
    return -1;
}

} // namespace

int openLockFile(const std::string &path, unsigned mode)
{
    struct ByPath
    {
        const std::string &path;
        File readWrite() const { return File::openPlainReadWrite(path); }
        File read() const { return File::openPlainRead(path); }
        File create() const { return File::createExclusive(path); }
    };
    return openLockFileWith(ByPath{path}, mode);
}

int openLockFile(const Folder &folder, std::string_view name, unsigned mode)
{
    // Whatever stands under the name serves as long as it opens: everyone locks the same
    // thing, and a lock file costs a share no call to look at first.
    struct InFolder
    {
        const Folder &folder;
        std::string_view name;
        // Made when missing in the same call; whoever may only read it still locks it.
        File readWrite() const { return File::adopt(folder.openForUpdate(name, true), folder.pathOf(name)); }
        File read() const { return File::adopt(folder.openForRead(name), folder.pathOf(name)); }
        File create() const { return folder.createExclusive(name); }
    };
    return openLockFileWith(InFolder{folder, name}, mode);
}

std::unique_ptr<InboxLock> InboxLock::tryAcquire(const std::string &datafileName)
{
    // The lock file is left in place after use: deleting it would let two processes hold
    // locks on two different files of one name. It outlives a compaction, which replaces the
    // datafile; the datafile itself is locked as well, which every copy that may work on it
    // can open, also where the lock file cannot be made or opened.
    File lockFile = File::adopt(openLockFile(datafileName + ".lock", 0600), datafileName + ".lock");
    if (lockFile.isOpen()) {
        switch (lockFile.tryLock()) {
        case File::Lock::Taken:
            break;
        case File::Lock::Busy:
            return nullptr;
        case File::Lock::Unavailable:
            lockFile = File();
            break;
        }
    }
    // Start-up would make a missing datafile right after: made now, it is locked from the first.
    try {
        createRecordFile(datafileName, TMessageRecord::Size, PrivateFileMode);
    } catch (const IoError &) {
    }
    File datafile;
    for (int attempt = 0; attempt < 3; ++attempt) {
        try {
            datafile = File::openRegularRead(datafileName);
        } catch (const IoError &) {
            datafile = File(); // none yet: start-up makes it, and the lock file still serves
            break;
        }
        const File::Lock lock = datafile.tryLock();
        if (lock == File::Lock::Busy)
            return nullptr;
        if (lock == File::Lock::Unavailable) {
            datafile = File();
            break;
        }
        // A compaction of the holder may have replaced the datafile we locked meanwhile.
        if (datafile.isFileNamed(datafileName))
            break;
        datafile = File();
    }
    return std::unique_ptr<InboxLock>(new InboxLock(lockFile.release(), datafile.release()));
}

void InboxLock::moveTo(const File &file)
{
    finishMove(false);
    if (m_datafileFd < 0)
        return;
    File replacement = File::adopt(::fcntl(file.descriptor(), F_DUPFD_CLOEXEC, 0), std::string());
    if (replacement.isOpen() && replacement.tryLock() == File::Lock::Taken)
        m_movingFd = replacement.release();
}

void InboxLock::finishMove(bool renamed)
{
    if (m_movingFd < 0)
        return;
    ::close(renamed ? m_datafileFd : m_movingFd);
    if (renamed)
        m_datafileFd = m_movingFd;
    m_movingFd = -1;
}

InboxLock::InboxLock(int lockFileFd, int datafileFd)
    : m_fd(lockFileFd)
    , m_datafileFd(datafileFd)
{
}

InboxLock::~InboxLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_datafileFd >= 0)
        ::close(m_datafileFd);
    if (m_movingFd >= 0)
        ::close(m_movingFd);
}

QString inboxInUseMessage(const std::string &datafileName)
{
    return QStringLiteral("The inbox datafile %1 is open in another copy of Quindle. Close it there and try again.")
        .arg(textFromPath(datafileName));
}
