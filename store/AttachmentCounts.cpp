#include "DropFiles.h"

#include "FileOps.h"
#include "IoError.h"
#include "Paths.h"
#include "ProfileFile.h"

#include <cerrno>

#include <unistd.h>

namespace {

std::string iniPath(const std::string &folder)
{
    return folder + pathFromText(AttachIniTitle);
}

} // namespace

// The lock file stays in the folder: removing it would let a later process lock a fresh
// file while another still holds the old one.
AttachmentLock::AttachmentLock(const std::string &folder)
    : m_folder(folder)
{
    const std::string path = iniPath(folder);
    try {
        File file = File::openOrCreate(path + ".lock");
        file.lockExclusive(true);
        m_fd = file.release();
    } catch (const IoError &error) {
        raiseProfileWriteError(path, error.code());
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
    TProfileFile ini(iniPath(held.folder()));
    const int count = ini.ReadInteger(AttachmentsSection, attachName, 0);
    ini.WriteInteger(AttachmentsSection, attachName, count + 1);
}

int UncountAttachment(const std::string &folder, const QString &attachName)
{
    const AttachmentLock lock(folder);
    return UncountAttachment(lock, attachName);
}

int UncountAttachment(const AttachmentLock &held, const QString &attachName)
{
    TProfileFile ini(iniPath(held.folder()));
    const int count = ini.ReadInteger(AttachmentsSection, attachName, 0);
    ini.WriteInteger(AttachmentsSection, attachName, count - 1);
    // Read back as the collector always has: what was written is what counts.
    const int left = ini.ReadInteger(QStringLiteral("Attachments"), attachName, 0);
    if (left == 0 || left == -1)
        ini.DeleteKey(AttachmentsSection, attachName);
    return left;
}

void ForgetAttachment(const std::string &folder, const QString &attachName)
{
    TProfileFile ini(iniPath(folder));
    try {
        const AttachmentLock lock(folder);
        ini.DeleteKey(AttachmentsSection, attachName);
    } catch (const IoError &) {
        // Removing a key is never reported; without the lock it is still worth trying.
        ini.DeleteKey(AttachmentsSection, attachName);
    }
}
