#pragma once

#include "InboxAttachments.h"
#include "MessageRecord.h"

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
    // Why Quindle refuses the folder's Attach.ini (a folder, a link or special file, a file
    // too large), which fails every send with an attachment to the folder; empty when none.
    QString attachIniProblem;
    // Drop files the folder's owner took but could not delete (with the owner's inbox).
    std::vector<QString> takenNotRemoved;

    // A gap, a short, stale, temporary or planted file, an Attach.ini Quindle refuses, a count
    // that differs from the drop files' references, an entry whose file is missing, or mail
    // taken that could not be removed.
    bool needsAttention() const;
};

// folder ends with a separator. Reads only. addressNames, when given, are the names of the
// address book that the collectors of this folder use: a file above a gap that another of
// them could claim is reported as not taken.
// Takes time linear in the size of the folder and its Attach.ini.
FolderCheckReport checkFolder(const std::string &folder, const QStringList &addressNames = {});

// What repair makes of a folder: Attach.ini rebuilt from the drop files present (each
// attachment counted once for every slot of a waiting drop file that names it, as every
// collector lowers it), and the attachment files that no waiting drop file names removed.
// In a folder that belongs to a person (not to root), those files are kept unless the
// person's inbox is given: then the ones it names stay and the others go.
struct RepairPlan
{
    std::vector<AttachmentEntry> counts; // name, count now (0 when none) and the count it gets
    std::vector<UnusedAttachment> remove;
    std::vector<UnusedAttachment> kept;  // unnamed, but kept as the folder is a person's
    QString keptWhy;
    QString attachIniProblem; // Attach.ini cannot be replaced (a folder): left as it is
    // Why Attach.ini is rebuilt whole though its counts cannot be read (its size, or something
    // not a plain file under its name); empty when none.
    QString rebuildWhy;
};
RepairPlan planRepair(const std::string &folder, const TInboxData *ownerInbox);
// Carries the plan out under the folder's Attach.ini lock. Answers the files it could not
// remove.
QStringList repairFolder(const std::string &folder, const RepairPlan &plan);
