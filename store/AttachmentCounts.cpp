#include "DropFiles.h"

#include "FileOps.h"
#include "IoError.h"
#include "Paths.h"
#include "ProfileFile.h"

#include <cerrno>

namespace {

// Copies of the program on several machines update one Attach.ini; without this lock two
// read-modify-writes at the same moment lose a count. The lock file stays in the folder:
// removing it would let a later process lock a fresh file while another still holds the
// old one.
class CountLock
{
public:
    explicit CountLock(const std::string &iniPath)
    {
        try {
            m_file = File::openOrCreate(iniPath + ".lock");
            m_file.lockExclusive(true);
        } catch (const IoError &error) {
            // The count cannot be written where its lock cannot be made.
            raiseProfileWriteError(iniPath, error.code());
        }
    }

private:
    File m_file;
};

std::string iniPath(const std::string &folder)
{
    return folder + pathFromText(AttachIniTitle);
}

} // namespace

void CountAttachment(const std::string &folder, const QString &attachName)
{
    const std::string path = iniPath(folder);
    CountLock lock(path);
    TProfileFile ini(path);
    const int count = ini.ReadInteger(AttachmentsSection, attachName, 0);
    ini.WriteInteger(AttachmentsSection, attachName, count + 1);
}

int UncountAttachment(const std::string &folder, const QString &attachName)
{
    const std::string path = iniPath(folder);
    CountLock lock(path);
    TProfileFile ini(path);
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
    const std::string path = iniPath(folder);
    TProfileFile ini(path);
    try {
        CountLock lock(path);
        ini.DeleteKey(AttachmentsSection, attachName);
    } catch (const IoError &) {
        // Removing a key is never reported; without the lock it is still worth trying.
        ini.DeleteKey(AttachmentsSection, attachName);
    }
}
