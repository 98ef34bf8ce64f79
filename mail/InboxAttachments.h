#pragma once

#include "MessageRecord.h"

#include <QStringList>

#include <cstdint>
#include <string>
#include <vector>

// Attachments stay in the user's own inbox folder after collection, where the Mail Reader
// opens them; no other copy reads them there any more. These are the ones nothing needs.
struct UnusedAttachment
{
    QString name;
    std::int64_t size = 0;
};

// The plain files of the own inbox folder that no message of the inbox names, that no drop
// file waiting there names and whose name holds no count above 0 in the folder's Attach.ini,
// names compared without regard to letter case as every copy's file system does. Quindle's
// own files (drop files, Attach.ini and its lock, the inbox datafile and its companions,
// main.ini, the body file, the address list) and hidden files are never among them. Reads
// only; a folder that cannot be listed has none. By name.
std::vector<UnusedAttachment> unusedAttachments(const std::string &ownFolder, const TInboxData &inbox);
// A name Quindle or the exchange keeps for itself in a folder, or a hidden one.
bool isQuindleFile(const QString &name);

struct AttachmentCleanup
{
    int removed = 0;
    std::int64_t bytes = 0;  // the sizes of the files removed
    QStringList notices;     // one line per file that could not be removed
};

// Removes the unused attachments (after a compaction) while holding the folder's Attach.ini
// lock, under which senders place and count their copies, so none that a waiting message
// is about to name goes. Never throws.
AttachmentCleanup removeUnusedAttachments(const std::string &ownFolder, const TInboxData &inbox);

// "3 attachment files that no message names were removed from FOLDER: 300 MB came free."
QString attachmentCleanupText(const std::string &ownFolder, const AttachmentCleanup &cleanup);
// 300 MB, 12 kB, 512 bytes.
QString sizeText(std::int64_t bytes);
