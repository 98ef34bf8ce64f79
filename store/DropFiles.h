#pragma once

#include "MessageRecord.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

inline const QString DropFileExtension = QStringLiteral(".qdm");
inline const QString AttachIniTitle = QStringLiteral("Attach.ini");
inline const QString AttachmentsSection = QStringLiteral("attachments");

// folder + recipient + n + ".qdm", joined without any separator.
std::string DropFileName(const std::string &folder, const QString &recipient, int n);

// The first n from 1 whose drop file name is not an existing file.
int NextDropNumber(const std::string &folder, const QString &recipient);

// Whether a drop file is flushed to the disk before it gets its numbered name. Without the
// flush a crash of the machine may leave a renamed file without its bytes.
enum class DropFlush { ToDisk, None };

// Writes the record as the next free drop file for recipient in folder and returns its
// number. The record is written and flushed under a temporary name that no collector
// takes, then renamed to the numbered name without ever replacing a file; when another
// sender took the number meanwhile, the next free one is tried.
int WriteDropFile(const std::string &folder, const QString &recipient, const TMessageRecord &record,
                  DropFlush flush = DropFlush::ToDisk);

// True for our own temporary drop files (name only, no folder), which a crashed sender
// may leave behind and which nobody collects.
bool isTemporaryDropFile(const std::string &fileName);

// An attachment name from a received record that may be joined to a folder: not empty,
// not "." or "..", without '/', '\\', control characters or zero bytes.
bool isPlainFileName(QStringView name);

// Reports of one attachment copy.
struct CopyCallbacks
{
    std::function<void(std::int64_t total)> onTotal;   // once, the source size
    std::function<void()> beforeBlock;                  // before every read
    std::function<void(std::int64_t written)> onBlock;  // after every write
};

// Copies source to folder + attachName in blocks of 8,048 bytes through one reused buffer.
// A source that is the destination file itself is not copied onto itself (nothing is
// reported but the total). Throws IoError on any failure.
void CopyAttachment(const std::string &source, const std::string &folder, const QString &attachName,
                    const CopyCallbacks &callbacks = {});
inline constexpr std::size_t CopyBlockSize = 8048;

// Attach.ini of a folder: section "attachments", one key per attachment name with its
// count. Copies of the program on several machines update it; every read-modify-write is
// serialised among them by a lock file beside it ("Attach.ini.lock").
class AttachmentLock
{
public:
    // Waits for the folder's lock; a lock that cannot be made throws "Unable to write to
    // <folder>Attach.ini", as the count could not be written either.
    explicit AttachmentLock(const std::string &folder);
    ~AttachmentLock();
    AttachmentLock(const AttachmentLock &) = delete;
    AttachmentLock &operator=(const AttachmentLock &) = delete;

    const std::string &folder() const { return m_folder; }

private:
    std::string m_folder;
    int m_fd = -1;
};

// Adds 1 to the count (missing counts as 0).
void CountAttachment(const std::string &folder, const QString &attachName);
// The same while the caller holds the folder's lock, so that copying the file and counting
// it are one step for every other copy of the program: a collector that lowers the count
// to 0 can then never delete a copy whose count is still to come.
void CountAttachment(const AttachmentLock &held, const QString &attachName);
// The collector's step in a server folder: writes count - 1, reads it back as m; at 0 or
// -1 the key is removed. Returns m; the caller deletes the file when m is 0, while it still
// holds the lock in the second form.
int UncountAttachment(const std::string &folder, const QString &attachName);
int UncountAttachment(const AttachmentLock &held, const QString &attachName);
// Removes the key, whatever count it holds (the collector in its own folder).
void ForgetAttachment(const std::string &folder, const QString &attachName);

// Only one process works on an inbox datafile at a time: the lock is held by an open
// lock file beside the datafile for as long as the object lives.
class InboxLock
{
public:
    // Returns nullptr when another process holds the lock.
    static std::unique_ptr<InboxLock> tryAcquire(const std::string &datafileName);
    ~InboxLock();
    InboxLock(const InboxLock &) = delete;
    InboxLock &operator=(const InboxLock &) = delete;

private:
    explicit InboxLock(int fd);
    int m_fd;
};
// What the window and the tool say when another copy holds the lock of datafileName.
QString inboxInUseMessage(const std::string &datafileName);
