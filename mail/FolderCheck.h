#pragma once

#include "InboxAttachments.h"

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

// What a collection will make of one inbox or server folder, for administrators.
struct RecipientRun
{
    QString recipient;
    int run = 0;     // drop files 1..run exist without a gap
    int stopsAt = 0; // the first of them shorter than one record, which stops every collection; 0 = none
    std::vector<int> beyondGap; // numbers above the run, which a collection takes after it
    std::vector<int> claimed;   // numbers above the run that another address book name could claim: not taken
};

struct AttachmentEntry
{
    QString name;
    int count = 0;      // the value in Attach.ini
    int referenced = 0; // attachment slots of the drop files here that name it
    bool filePresent = false;
    bool inAttachIni = true; // false for a name the drop files use but Attach.ini lacks
};

struct FolderCheckReport
{
    std::vector<RecipientRun> recipients;       // by recipient name
    std::vector<QString> shortFiles;            // drop files shorter than one record, still being written
    std::vector<QString> staleFiles;            // short and unchanged for minutes: collections go past them
    std::vector<QString> notPlainFiles;         // links, folders, pipes under drop file names: gone past
    std::vector<QString> temporaryFiles;        // left behind by a sender that stopped
    std::vector<AttachmentEntry> entries;       // section "attachments", in file order
    std::vector<UnusedAttachment> filesWithoutEntry; // normal in an own folder after collecting
    // With the inbox of the folder's owner: the attachments no message names any more, which
    // the next compaction removes.
    std::vector<UnusedAttachment> unusedAttachments;
    bool attachIniPresent = false;

    // A gap, a short, stale, temporary or planted file, a count that differs from the drop
    // files' references, or an entry whose file is missing.
    bool needsAttention() const;
};

// folder ends with a separator. Reads only. addressNames, when given, are the names of the
// address book that the collectors of this folder use: a file above a gap that another of
// them could claim is reported as not taken.
FolderCheckReport checkFolder(const std::string &folder, const QStringList &addressNames = {});
