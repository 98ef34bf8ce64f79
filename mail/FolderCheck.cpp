#include "FolderCheck.h"

#include "DropFiles.h"
#include "FileOps.h"
#include "InboxFile.h"
#include "IoError.h"
#include "MessageRecord.h"
#include "Paths.h"
#include "ProfileFile.h"


#include <QSet>

#include <algorithm>
#include <pwd.h>
#include <cerrno>
#include <dirent.h>
#include <map>
#include <set>
#include <ctime>
#include <sys/stat.h>

namespace {

struct FolderFile
{
    std::string name;
    std::int64_t size = 0;
    bool plain = true; // a regular file, not a link, folder, pipe or device
    bool stale = false; // unchanged for StaleDropSeconds
};

std::vector<FolderFile> folderEntries(const std::string &folder)
{
    std::vector<FolderFile> files;
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        raiseIoError(errno);
    const std::int64_t now = std::time(nullptr);
    while (dirent *entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        struct stat st{};
        if (name == "." || name == ".." || ::lstat((folder + name).c_str(), &st) != 0)
            continue;
        files.push_back({name, st.st_size, S_ISREG(st.st_mode), now - st.st_mtime >= StaleDropSeconds});
    }
    ::closedir(dir);
    std::sort(files.begin(), files.end(), [](const auto &a, const auto &b) { return a.name < b.name; });
    return files;
}

bool isPlain(const std::string &path)
{
    struct stat st{};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool endsWith(const std::string &text, const std::string &tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Every way a drop file's stem splits into a recipient name and a number written without
// leading zeros: Ben11 is Ben's 11th and Ben1's 1st.
std::vector<std::pair<std::string, int>> splits(const std::string &stem)
{
    std::vector<std::pair<std::string, int>> result;
    std::size_t digits = stem.size();
    while (digits > 0 && stem[digits - 1] >= '0' && stem[digits - 1] <= '9')
        --digits;
    for (std::size_t p = digits; p < stem.size(); ++p) {
        if (p == 0 || stem[p] == '0' || stem.size() - p > 9)
            continue;
        result.emplace_back(stem.substr(0, p), std::stoi(stem.substr(p)));
    }
    return result;
}

// Attach.ini with its lock, and a datafile kept in the inbox folder with its lock.
bool isBookkeeping(const std::string &name)
{
    const QString title = textFromPath(name);
    return title.startsWith(AttachIniTitle, Qt::CaseInsensitive) || title == InboxFileTitle
        || title == InboxFileTitle + QStringLiteral(".lock") || title == InboxFileTitle + QStringLiteral(".taking");
}

// Why Quindle would refuse to read or rewrite Attach.ini: a folder or something not a plain
// file under the name, or more than a profile file may hold.
QString attachIniProblem(const std::string &iniPath)
{
    struct stat st{};
    if (::lstat(iniPath.c_str(), &st) != 0)
        return QString();
    const QString name = textFromPath(iniPath);
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("%1 is a folder: Quindle cannot count attachments here, so every send with an "
                              "attachment to this folder fails. Remove the folder.").arg(name);
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("%1 is not a plain file (a link or special file): Quindle reads it as no counts and "
                              "replaces it at the next send; run repair to rebuild it now.").arg(name);
    if (st.st_size > TProfileFile::MaxBytes)
        return QStringLiteral("%1 is %2, more than the %3 Quindle reads: every send with an attachment to this "
                              "folder fails. Run repair to rebuild it from the drop files present.")
            .arg(name, sizeText(st.st_size), sizeText(TProfileFile::MaxBytes));
    return QString();
}

} // namespace

bool FolderCheckReport::needsAttention() const
{
    if (!shortFiles.empty() || !staleFiles.empty() || !notPlainFiles.empty() || !temporaryFiles.empty()
        || !attachIniProblem.isEmpty() || !takenNotRemoved.empty())
        return true;
    for (const RecipientRun &r : recipients) {
        if (!r.beyondGap.empty())
            return true;
    }
    for (const AttachmentEntry &e : entries) {
        if (e.count != e.referenced || !e.filePresent)
            return true;
    }
    return false;
}

FolderCheckReport checkFolder(const std::string &folder, const QStringList &addressNames)
{
    FolderCheckReport report;
    const std::string extension = pathFromText(DropFileExtension);
    std::map<std::string, std::int64_t> drops; // stem -> size; a stale file is gone past, as is no file
    std::vector<FolderFile> others;
    for (const FolderFile &file : folderEntries(folder)) {
        const bool drop = endsWith(file.name, extension) && file.name.size() > extension.size();
        if (isTemporaryDropFile(file.name) && file.plain)
            report.temporaryFiles.push_back(textFromPath(file.name));
        else if (drop && !file.plain)
            report.notPlainFiles.push_back(textFromPath(file.name));
        else if (drop && file.size < TMessageRecord::Size && file.stale)
            report.staleFiles.push_back(textFromPath(file.name));
        else if (drop)
            drops[file.name.substr(0, file.name.size() - extension.size())] = file.size;
        else if (!isBookkeeping(file.name) && file.plain)
            others.push_back(file);
    }

    // Each candidate recipient's run 1..k.
    std::map<std::string, RecipientRun> runs;
    std::set<std::string> claimed;
    for (const auto &[stem, size] : drops) {
        for (const auto &[recipient, number] : splits(stem)) {
            if (runs.count(recipient))
                continue;
            RecipientRun run;
            run.recipient = textFromPath(recipient);
            for (int n = 1;; ++n) {
                const std::string name = recipient + std::to_string(n);
                const auto it = drops.find(name);
                if (it == drops.end()) {
                    // A collector goes past what it cannot take under a number.
                    if (nameTaken(folder + name + extension)) {
                        run.run = n;
                        continue;
                    }
                    break;
                }
                claimed.insert(it->first);
                run.run = n;
                if (run.stopsAt == 0 && it->second < TMessageRecord::Size)
                    run.stopsAt = n;
            }
            runs.emplace(recipient, run);
        }
    }
    // A file no run takes goes to the recipient that fits it with the longest run, or
    // else with the smallest number.
    for (const auto &[stem, size] : drops) {
        if (size < TMessageRecord::Size)
            report.shortFiles.push_back(textFromPath(stem + extension));
        if (claimed.count(stem))
            continue;
        const auto options = splits(stem);
        if (options.empty())
            continue;
        auto best = options.front();
        for (const auto &option : options) {
            const int have = runs[option.first].run;
            const int bestHave = runs[best.first].run;
            if (have > bestHave || (have == bestHave && option.second < best.second))
                best = option;
        }
        RecipientRun &run = runs[best.first];
        const QString fileName = textFromPath(stem + extension);
        if (claimedByAnother(fileName, textFromPath(best.first), addressNames))
            run.claimed.push_back(best.second);
        else
            run.beyondGap.push_back(best.second);
    }
    for (auto &[recipient, run] : runs) {
        if (run.run == 0 && run.beyondGap.empty() && run.claimed.empty())
            continue;
        if (run.recipient.isEmpty())
            run.recipient = textFromPath(recipient);
        std::sort(run.beyondGap.begin(), run.beyondGap.end());
        std::sort(run.claimed.begin(), run.claimed.end());
        report.recipients.push_back(run);
    }

    // References from every drop file that can be read whole.
    // Attach.ini keys match without regard to case: case-folded name -> (name, slots).
    std::map<QString, std::pair<QString, int>> references;
    for (const auto &[stem, size] : drops) {
        if (size < TMessageRecord::Size)
            continue;
        TMessageRecord record;
        try {
            File::openPlainRead(folder + stem + extension).readAt(0, record.bytes.data(), TMessageRecord::Size);
        } catch (const IoError &) {
            continue;
        }
        for (int k = 1; k <= TMessageRecord::SlotCount; ++k) {
            const QString name = record.AttachName(k);
            if (name.isEmpty())
                continue;
            auto &ref = references[name.toCaseFolded()];
            ref.first = name;
            ++ref.second;
        }
    }

    const std::string iniPath = folder + pathFromText(AttachIniTitle);
    report.attachIniPresent = fileExists(iniPath);
    report.attachIniProblem = attachIniProblem(iniPath);
    const TProfileFile ini(iniPath, ProfileKind::Shared);
    std::set<QString> withEntry;
    for (const TProfileFile::Entry &line : ini.ReadSection(AttachmentsSection)) {
        const QString &key = line.key;
        AttachmentEntry entry;
        entry.name = key;
        entry.count = parseProfileInteger(line.value, 0);
        const auto ref = references.find(key.toCaseFolded());
        entry.referenced = ref == references.end() ? 0 : ref->second.second;
        // The key matches without regard to case, the file as the drop files spell it.
        const QString spelt = ref == references.end() ? key : ref->second.first;
        entry.filePresent = (isPlainFileName(key) && isPlain(folder + pathFromText(key)))
            || (isPlainFileName(spelt) && isPlain(folder + pathFromText(spelt)));
        withEntry.insert(key.toCaseFolded());
        report.entries.push_back(entry);
    }
    for (const auto &[folded, ref] : references) {
        if (withEntry.count(folded))
            continue;
        AttachmentEntry entry;
        entry.name = ref.first;
        entry.referenced = ref.second;
        entry.inAttachIni = false;
        entry.filePresent = isPlainFileName(ref.first) && isPlain(folder + pathFromText(ref.first));
        report.entries.push_back(entry);
    }
    for (const FolderFile &file : others) {
        const QString name = textFromPath(file.name);
        if (!withEntry.count(name.toCaseFolded()))
            report.filesWithoutEntry.push_back({name, file.size});
    }
    return report;
}

namespace {

// A count raised this recently for a file no drop file names yet may belong to a send
// under way, which places its attachments before its drop file.
constexpr std::int64_t SendUnderWaySeconds = StaleDropSeconds;

RepairPlan planIn(const Folder &folder, const TInboxData *ownerInbox)
{
    RepairPlan plan;
    const std::string iniLeaf = pathFromText(AttachIniTitle);
    struct stat ini{};
    if (folder.statName(iniLeaf, ini)) {
        if (S_ISDIR(ini.st_mode))
            plan.attachIniProblem = QStringLiteral("%1 is a folder and is left as it is: remove it, then repair again.")
                                        .arg(textFromPath(folder.pathOf(iniLeaf)));
        else if (!S_ISREG(ini.st_mode))
            plan.rebuildWhy = QStringLiteral("it is not a plain file (a link or special file)");
        else if (ini.st_size > TProfileFile::MaxBytes)
            plan.rebuildWhy = QStringLiteral("it is %1, more than the %2 Quindle reads")
                                  .arg(sizeText(ini.st_size), sizeText(TProfileFile::MaxBytes));
    }

    // What the waiting drop files name, slot by slot, and the other plain files.
    std::map<QString, std::pair<QString, int>> named; // case-folded -> spelling, slots
    std::vector<UnusedAttachment> files;
    std::map<QString, std::int64_t> modified;
    const std::int64_t now = std::time(nullptr);
    for (const std::string &leaf : folder.names()) {
        struct stat st{};
        if (!folder.statName(leaf, st) || !S_ISREG(st.st_mode))
            continue;
        const QString name = textFromPath(leaf);
        if (name.endsWith(DropFileExtension, Qt::CaseInsensitive)) {
            TMessageRecord record;
            try {
                folder.openPlainRead(leaf).readAt(0, record.bytes.data(), TMessageRecord::Size);
            } catch (const IoError &) {
                continue;
            }
            for (int k = 1; k <= TMessageRecord::SlotCount; ++k) {
                const QString attach = record.AttachName(k);
                if (attach.isEmpty())
                    continue;
                auto &slot = named[attach.toCaseFolded()];
                slot.first = attach;
                ++slot.second;
            }
        } else if (!isQuindleFile(name)) {
            files.push_back({name, std::int64_t(st.st_size)});
            modified[name] = now - std::int64_t(st.st_mtime);
        }
    }
    QSet<QString> collected;
    if (ownerInbox) {
        for (const TMessageRecord &record : *ownerInbox) {
            for (int k = 1; k <= TMessageRecord::SlotCount && !record.isEmpty(); ++k)
                if (!record.AttachName(k).isEmpty())
                    collected.insert(record.AttachName(k).toCaseFolded());
        }
    }

    std::map<QString, int> counted; // case-folded -> count in Attach.ini now
    if (plan.attachIniProblem.isEmpty()) {
        for (const TProfileFile::Entry &entry : TProfileFile(folder, iniLeaf).ReadSection(AttachmentsSection)) {
            AttachmentEntry e;
            e.name = entry.key;
            e.count = parseProfileInteger(entry.value, 0);
            counted[entry.key.toCaseFolded()] = e.count;
            const auto ref = named.find(entry.key.toCaseFolded());
            e.referenced = ref == named.end() ? 0 : ref->second.second;
            plan.counts.push_back(e);
        }
    }
    for (const auto &[folded, ref] : named) {
        if (counted.count(folded))
            continue;
        AttachmentEntry e;
        e.name = ref.first;
        e.referenced = ref.second;
        e.inAttachIni = false;
        plan.counts.push_back(e);
    }

    const struct stat self = folder.info();
    const bool persons = self.st_uid != 0 && !ownerInbox;
    if (persons) {
        const struct passwd *owner = ::getpwuid(self.st_uid);
        plan.keptWhy = QStringLiteral("%1 belongs to %2, whose collected mail may name these files: give "
                                      "--program-folder of that person to remove the ones it does not name.")
                           .arg(textFromPath(folder.text()),
                                owner ? QString::fromLocal8Bit(owner->pw_name) : QString::number(self.st_uid));
    }
    for (const UnusedAttachment &file : files) {
        const QString folded = file.name.toCaseFolded();
        if (named.count(folded) || collected.contains(folded))
            continue;
        const auto count = counted.find(folded);
        if (count != counted.end() && count->second > 0 && modified[file.name] < SendUnderWaySeconds) {
            // Counted a moment ago: its message is on its way; the count stays as it is.
            for (AttachmentEntry &e : plan.counts)
                if (e.name.toCaseFolded() == folded)
                    e.referenced = e.count;
            continue;
        }
        (persons ? plan.kept : plan.remove).push_back(file);
    }
    return plan;
}

} // namespace

RepairPlan planRepair(const std::string &folder, const TInboxData *ownerInbox)
{
    return planIn(Folder::open(folder), ownerInbox);
}

QStringList repairFolder(const std::string &folderText, const RepairPlan &asShown)
{
    const Folder folder = Folder::open(folderText);
    QStringList failed;
    const AttachmentLock lock(folder);
    // Planned again under the lock, so nothing a sender did since the plan was shown is undone;
    // only what the plan shown would remove goes.
    const RepairPlan plan = planIn(folder, nullptr);
    if (plan.attachIniProblem.isEmpty()) {
        std::vector<TProfileFile::Entry> entries;
        for (const AttachmentEntry &e : plan.counts) {
            if (e.referenced > 0)
                entries.push_back({e.name, QString::number(e.referenced)});
        }
        attachIni(folder).ReplaceSection(AttachmentsSection, entries);
    }
    for (const UnusedAttachment &file : asShown.remove) {
        const bool stillUnnamed = std::any_of(plan.remove.begin(), plan.remove.end(),
                                              [&](const UnusedAttachment &u) { return u.name == file.name; })
            || std::any_of(plan.kept.begin(), plan.kept.end(),
                           [&](const UnusedAttachment &u) { return u.name == file.name; });
        if (stillUnnamed && !folder.remove(pathFromText(file.name)))
            failed.append(QStringLiteral("%1 could not be removed (%2)")
                              .arg(textFromPath(folder.pathOf(pathFromText(file.name))),
                                   QString::fromStdString(ioErrorMessage(errno))));
    }
    return failed;
}
