#include "InboxFile.h"

#include "IoError.h"
#include "PrivateFiles.h"
#include "Paths.h"
#include "DropFiles.h"
#include "RecordFile.h"

#include <cerrno>
#include <cstring>

std::string inboxFileName(const QString &inboxDataFolder)
{
    return pathFromText(inboxDataFolder + InboxFileTitle);
}

TInboxData loadInbox(const std::string &fileName)
{
    createRecordFile(fileName, TMessageRecord::Size, PrivateFileMode);
    return readMessageFile(fileName).records;
}

void writeInboxSlot(const std::string &fileName, int i, const TMessageRecord &record)
{
    if (i < 0)
        raiseIoError(EINVAL);
    writeRecordAt(fileName, i, record);
}

void clearInboxMessage(TMessageRecord &record)
{
    for (int offset : {TMessageRecord::FromOffset, TMessageRecord::Placeholder1Offset,
                       TMessageRecord::Placeholder2Offset, TMessageRecord::SubjectOffset})
        *record.field(offset) = 0;
    std::memset(record.bodyData(), 0, TMessageRecord::BodySize);
    for (int k = 1; k <= TMessageRecord::SlotCount; ++k)
        *record.field(TMessageRecord::attachNameOffset(k)) = 0;
}

void deleteInboxMessage(TInboxData &inbox, int i, TMessageRecord &scratch, const std::string &fileName)
{
    if (i < 0 || i >= static_cast<int>(inbox.size()))
        return;
    clearInboxMessage(inbox[static_cast<std::size_t>(i)]);
    scratch = inbox[static_cast<std::size_t>(i)];
    writeInboxSlot(fileName, i, inbox[static_cast<std::size_t>(i)]);
}

void packInbox(const std::string &fileName, TInboxData &inbox, TMessageRecord &scratch, InboxLock *lock)
{
    try {
        packRecordFile(fileName, TMessageRecord::Size, scratch.bytes.data(), RecordPlace::Own,
                       [lock](const File &packing) {
                           if (lock)
                               lock->moveTo(packing);
                       });
    } catch (...) {
        if (lock)
            lock->finishMove(false);
        throw;
    }
    if (lock)
        lock->finishMove(true);
    // Read back into the array it replaces, so that a large inbox is never held twice.
    readMessageFile(fileName, inbox);
}
