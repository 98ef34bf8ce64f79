#include "DropFiles.h"

#include "FileOps.h"
#include "Paths.h"

#include <unistd.h>

std::unique_ptr<InboxLock> InboxLock::tryAcquire(const std::string &datafileName)
{
    // The lock file is left in place after use: deleting it would let two processes hold
    // locks on two different files of one name.
    File file = File::openOrCreate(datafileName + ".lock");
    if (!file.lockExclusive(false))
        return nullptr;
    return std::unique_ptr<InboxLock>(new InboxLock(file.release()));
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
