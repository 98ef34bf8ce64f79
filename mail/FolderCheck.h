#pragma once

#include <QString>

#include <string>
#include <vector>

// What a collection will make of one inbox or server folder, for administrators.
struct RecipientRun
{
    QString recipient;
    int run = 0;     // drop files 1..run exist without a gap
    int stopsAt = 0; // the first of them shorter than one record, which stops every collection; 0 = none
    std::vector<int> beyondGap; // numbers present that no collection takes
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
    std::vector<QString> shortFiles;            // drop files shorter than one record
    std::vector<QString> temporaryFiles;        // left behind by a sender that stopped
    std::vector<AttachmentEntry> entries;       // section "attachments", in file order
    std::vector<QString> filesWithoutEntry;     // normal in an own folder after collecting
    bool attachIniPresent = false;

    // A gap, a short or temporary file, a count that differs from the drop files' references,
    // or an entry whose file is missing.
    bool needsAttention() const;
};

// folder ends with a separator. Reads only.
FolderCheckReport checkFolder(const std::string &folder);
