#include "DropFiles.h"

#include "FileOps.h"
#include "IoError.h"
#include "LockFile.h"
#include "Paths.h"
#include "ProfileFile.h"

#include <chrono>
#include <climits>
#include <thread>

#include <unistd.h>

TProfileFile attachIni(const Folder &folder)
{
    return TProfileFile(folder, pathFromText(AttachIniTitle));
}

// The lock file stays in the folder: removing it would let a later process lock a fresh
// file while another still holds the old one.
AttachmentLock::AttachmentLock(const Folder &folder, const std::function<void()> &whileWaiting)
    : m_folder(&folder)
{
    take(whileWaiting);
}

AttachmentLock::AttachmentLock(const std::string &folder, const std::function<void()> &whileWaiting)
    : m_opened(Folder::openIfFolder(folder))
    , m_folder(&m_opened)
{
    take(whileWaiting);
}

void AttachmentLock::take(const std::function<void()> &whileWaiting)
{
    const std::string name = pathFromText(AttachIniTitle) + ".lock";
    File file = File::adopt(openLockFile(*m_folder, name), m_folder->pathOf(name));
    if (!file.isOpen())
        return;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(MaxWaitMs);
    auto pause = std::chrono::milliseconds(2);
    for (;;) {
        switch (file.tryLock()) {
        case File::Lock::Taken:
            m_fd = file.release();
            return;
        case File::Lock::Unavailable:
            return;
        case File::Lock::Busy:
            break;
        }
        // A holder that never lets go (a copy hung on a dead share) must not stop this one.
        if (Clock::now() >= deadline)
            return;
        if (whileWaiting)
            whileWaiting();
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}

AttachmentLock::~AttachmentLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void CountAttachment(const std::string &folder, const QString &attachName)
{
    const AttachmentLock lock(folder);
    CountAttachment(lock, attachName);
}

void CountAttachment(const AttachmentLock &held, const QString &attachName)
{
    TProfileFile ini = attachIni(held.folder());
    const int count = ini.ReadInteger(AttachmentsSection, attachName, 0);
    ini.WriteInteger(AttachmentsSection, attachName, count == INT_MAX ? count : count + 1);
}

int UncountAttachment(const std::string &folder, const QString &attachName)
{
    const AttachmentLock lock(folder);
    return UncountAttachment(lock, attachName);
}

int UncountAttachment(const AttachmentLock &held, const QString &attachName)
{
    TProfileFile ini = attachIni(held.folder());
    const int count = ini.ReadInteger(AttachmentsSection, attachName, 0);
    ini.WriteInteger(AttachmentsSection, attachName, count == INT_MIN ? count : count - 1);
    // Read back as the collector always has: what was written is what counts.
    const int left = ini.ReadInteger(QStringLiteral("Attachments"), attachName, 0);
    if (left == 0 || left == -1)
        ini.DeleteKey(AttachmentsSection, attachName);
    return left;
}

void WithdrawAttachment(const Folder &folder, const QString &attachName)
{
    try {
        const AttachmentLock lock(folder);
        if (UncountAttachment(lock, attachName) == 0 && isPlainFileName(attachName))
            folder.remove(pathFromText(attachName));
    } catch (const IoError &) {
    }
}

void ForgetAttachment(const Folder &folder, const QString &attachName, const std::function<void()> &whileWaiting)
{
    const AttachmentLock lock(folder, whileWaiting);
    attachIni(folder).DeleteKey(AttachmentsSection, attachName);
}
