#pragma once

#include "FileOps.h"
#include "MessageRecord.h"
#include "ProfileFile.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

inline const QString DropFileExtension = QStringLiteral(".qdm");
inline const QString AttachIniTitle = QStringLiteral("Attach.ini");
inline const QString AttachmentsSection = QStringLiteral("attachments");

// folder + recipient + n + ".qdm", joined without any separator.
std::string DropFileName(const std::string &folder, const QString &recipient, int n);
// recipient + n + ".qdm": the name in the folder.
std::string dropFileLeaf(const QString &recipient, int n);

// The first n from 1 under whose drop file name nothing stands: whatever someone left there
// (a folder, a link, a pipe) moves the number on, as the collector goes past it.
int NextDropNumber(const Folder &folder, const QString &recipient);
int NextDropNumber(const std::string &folder, const QString &recipient);

// Whether a drop file is flushed to the disk before it gets its numbered name. Without the
// flush a crash of the machine may leave a renamed file without its bytes.
enum class DropFlush { ToDisk, None };

// Writes the record as the next free drop file for recipient in folder and returns its
// number. The record is written and flushed under a temporary name that no collector
// takes, then renamed to the numbered name without ever replacing a file; when another
// sender took the number meanwhile, the next free one is tried. Where the folder offers
// neither a rename that never replaces nor links, the number is claimed by creating an
// empty file exclusively and the complete file is renamed over it, so a reader meets
// either an empty file or the whole record.
// prepare, when given, sees the complete file before it gets its name (to share it with the
// recipient's account). In a folder reached through a Windows path (Folder::windowsNames) a
// number whose name stands there in another letter case is taken too.
int WriteDropFile(const Folder &folder, const QString &recipient, const TMessageRecord &record,
                  DropFlush flush = DropFlush::ToDisk, const std::function<void(File &)> &prepare = {});
int WriteDropFile(const std::string &folder, const QString &recipient, const TMessageRecord &record,
                  DropFlush flush = DropFlush::ToDisk);

// True for our own temporary files (name only, no folder): drop files and attachment copies
// being written, which a crashed sender or collector may leave behind and nobody collects.
bool isTemporaryDropFile(const std::string &fileName);

// An attachment name from a received record that may be joined to a folder: not empty,
// not "." or "..", without '/', '\\', control characters or zero bytes. The same holds for
// a recipient name, which becomes part of a drop file name.
bool isPlainFileName(QStringView name);

// A drop file name for this recipient: the recipient, a number without leading zeros and
// ".qdm", letter case aside. Returns the number, or 0 for any other name.
int dropFileNumber(QStringView fileName, QStringView recipient);
// The drop files of recipient in folder numbered above `above` (0: all), in numeric order,
// letter case aside: the ones a collection meets beyond a gap. A name that another of otherNames could claim as
// well (Ben11.qdm is also Ben1's first) is left out. Files only by name: nothing is opened;
// none where the folder cannot be listed (a drop box one may write into only). afterEach,
// when given, is called after each name of the listing, so that a caller may take events
// while a folder of many thousand names is listed.
struct DropName
{
    int number;
    std::string leaf; // as it stands in the folder, perhaps in another letter case
};
std::vector<DropName> dropFilesAbove(const Folder &folder, const QString &recipient, int above,
                                     const QStringList &otherNames, const std::function<void()> &afterEach = {});
// Whether another name could claim this file name as one of its drop files.
bool claimedByAnother(QStringView fileName, const QString &recipient, const QStringList &otherNames);

// A drop file that is shorter than one record and has not changed for this long was left by
// a sender that died while writing it; collectors go past it.
inline constexpr std::int64_t StaleDropSeconds = 5 * 60;

// The name under which an attachment is copied and counted, and which the record carries:
// a plain name that no file system of the office refuses and that stands for nothing else
// in a folder. Every character that is a control character, that Windows cannot hold in a
// name (< > : " / \ | ? *) or that Attach.ini could not hold in a key ('=') becomes '_', as
// do a leading '.', ';' or '[', spaces at either end and a trailing dot; a Windows device
// name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an extension) gets a leading
// '_'; and in a name that Quindle or the exchange uses itself (Attach.ini and its lock, a
// drop file, the inbox datafile and the files beside it, main.ini, the body file, the
// address list) every '.' becomes '_'. A name that needs none of this is kept as it is.
QString plainAttachmentName(const QString &name);
// "report (n).txt" for "report.txt": the n-th name tried when a different file holds it.
QString numberedAttachmentName(const QString &name, int n);

// Reports of one attachment copy.
struct CopyCallbacks
{
    std::function<void(std::int64_t total)> onTotal;   // once, the source size
    std::function<void()> beforeBlock;                  // before every read
    std::function<void(std::int64_t written)> onBlock;  // after every write
};
inline constexpr std::size_t CopyBlockSize = 8048;

// Copies source to folder + attachName in blocks of 8,048 bytes through one reused buffer:
// into a new temporary file in folder that then replaces whatever stood under the name, so
// a reader of the old file keeps reading all of it and a link there is replaced, never
// written through. A source that is the destination file itself is not copied onto itself
// (nothing is reported but the total). Throws IoError on any failure.
void CopyAttachment(const std::string &source, const std::string &folder, const QString &attachName,
                    const CopyCallbacks &callbacks = {});

// A collected attachment in the user's own folder that another account wrote (its sender)
// becomes the user's own file with the same bytes, so its sender can no longer change or
// remove it. Answers whether it did; a file that cannot be taken over stays as it is.
bool adoptFile(const Folder &folder, const std::string &leaf);

// Where the bytes to place come from: the user's own file (links followed) or a file in a
// shared folder (no link followed, nothing but a plain file read).
enum class AttachmentSource { Own, Shared };

// Puts a copy of source into folder under plainAttachmentName(attachName), and returns the
// name it stands under there: when a different file (or anything that is no plain file)
// already holds that name, the copy takes the first free "name (2).ext", "name (3).ext", ...;
// a file with the same bytes is reused. The bytes go to a temporary file first and are
// renamed into place under the folder's lock; with count, the name's count in Attach.ini is
// raised under the same lock. whileWaiting runs while the lock is waited for.
// prepare, when given, sees the copy before it gets its name; a file of another's under the
// name is then never reused, as prepare could not be applied to it. In a folder reached through
// a Windows path (Folder::windowsNames) a name that stands there in another letter case is
// taken too, and the next "name (n).ext" is tried.
QString PlaceAttachment(const std::string &source, AttachmentSource kind, const Folder &folder,
                        const QString &attachName, bool count, const CopyCallbacks &callbacks = {},
                        const std::function<void()> &whileWaiting = {},
                        const std::function<void(File &)> &prepare = {});
QString PlaceAttachment(const std::string &source, AttachmentSource kind, const std::string &folder,
                        const QString &attachName, bool count, const CopyCallbacks &callbacks = {},
                        const std::function<void()> &whileWaiting = {});
// One attachment of several placed into one folder at once.
struct AttachmentCopy
{
    File source;      // open for reading
    QString name;     // the name asked for
    CopyCallbacks callbacks;
    std::function<void()> afterCopy; // after the copy is complete (the window hides its progress)
};
// Places several attachments into one folder as PlaceAttachment does each, holding the folder's
// lock once and reading and writing its Attach.ini once for all of them. Answers the names, in
// order. On failure nothing this call placed stays counted or placed.
std::vector<QString> PlaceAttachments(const Folder &folder, std::vector<AttachmentCopy> &copies, bool count,
                                      const std::function<void()> &whileWaiting = {},
                                      const std::function<void(File &)> &prepare = {});

// The same with a source in another folder held open (a server folder): sourceName there.
QString PlaceAttachment(const Folder &sourceFolder, const std::string &sourceName, const Folder &folder,
                        const QString &attachName, bool count, const CopyCallbacks &callbacks = {},
                        const std::function<void()> &whileWaiting = {});

// Attach.ini of a folder: section "attachments", one key per attachment name with its
// count. Copies of the program on several machines update it; every read-modify-write is
// serialised among them by a lock file beside it ("Attach.ini.lock"). The lock is our own
// addition, so it never makes an operation fail: any user who may write the folder takes it
// whoever made its file, and where no lock can be had (a read-only folder, a file system
// without locks, a planted link or pipe, a holder that never lets go) the work goes on
// without it.
class AttachmentLock
{
public:
    // Waits at most MaxWaitMs for the lock, running whileWaiting between tries.
    explicit AttachmentLock(const Folder &folder, const std::function<void()> &whileWaiting = {});
    // Opens the folder for the time the lock is held.
    explicit AttachmentLock(const std::string &folder, const std::function<void()> &whileWaiting = {});
    ~AttachmentLock();
    AttachmentLock(const AttachmentLock &) = delete;
    AttachmentLock &operator=(const AttachmentLock &) = delete;

    const Folder &folder() const { return *m_folder; }
    bool held() const { return m_fd >= 0; }

    static constexpr int MaxWaitMs = 20000;

private:
    void take(const std::function<void()> &whileWaiting);
    Folder m_opened; // when the lock opened the folder itself
    const Folder *m_folder;
    int m_fd = -1;
};

// Attach.ini of a folder held open, read and written as every copy of the program does.
TProfileFile attachIni(const Folder &folder);

// Adds 1 to the count (missing counts as 0; the count stops at the integer limit).
void CountAttachment(const std::string &folder, const QString &attachName);
// The same while the caller holds the folder's lock, so that placing the file and counting
// it are one step for every other copy of the program: a collector that lowers the count
// to 0 can then never delete a copy whose count is still to come.
void CountAttachment(const AttachmentLock &held, const QString &attachName);
// The collector's step in a server folder: writes count - 1, reads it back as m; at 0 or
// -1 the key is removed. Returns m; the caller deletes the file when m is 0, while it still
// holds the lock in the second form.
int UncountAttachment(const std::string &folder, const QString &attachName);
int UncountAttachment(const AttachmentLock &held, const QString &attachName);
// Takes back a count a sender raised for a message that never arrived: uncounts under the
// lock and deletes the file at 0. Never fails.
void WithdrawAttachment(const Folder &folder, const QString &attachName);
// Removes the key, whatever count it holds (the collector in its own folder).
void ForgetAttachment(const Folder &folder, const QString &attachName, const std::function<void()> &whileWaiting = {});

// Only one process works on an inbox datafile at a time: the lock is held by an open lock
// file beside the datafile, which outlives a compaction, and by the datafile itself, which
// every copy that may work on it can open, also where no lock file can be had (a read-only
// datafile folder, something planted under its name) or opened (another account's). A file
// that is to replace the datafile is locked first (moveTo), and the old one is let go only
// once the new one has its name (finishMove), so no other copy finds either unlocked.
class InboxLock
{
public:
    // Returns nullptr only when another process holds the lock. Where no lock can be had at
    // all (a file system without locks) the inbox is still ours to load: the object then
    // holds nothing (held() is false).
    static std::unique_ptr<InboxLock> tryAcquire(const std::string &datafileName);
    ~InboxLock();
    InboxLock(const InboxLock &) = delete;
    InboxLock &operator=(const InboxLock &) = delete;

    bool held() const { return m_fd >= 0 || m_datafileFd >= 0; }
    // Before file replaces the datafile by rename: file is locked as well, the old datafile
    // staying locked until finishMove. renamed: file took the name and the old datafile is let
    // go; else (the replacement failed) file is.
    void moveTo(const File &file);
    void finishMove(bool renamed);

private:
    InboxLock(int lockFileFd, int datafileFd);
    int m_fd;
    int m_datafileFd;
    int m_movingFd = -1;
};
// What the window and the tool say when another copy holds the lock of datafileName.
QString inboxInUseMessage(const std::string &datafileName);
