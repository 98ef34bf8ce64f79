#include "commands.h"

#include "AddressFile.h"
#include "Build.h"
#include "Collect.h"
#include "DropFiles.h"
#include "FileOps.h"
#include "Destinations.h"
#include "FolderCheck.h"
#include "InboxFile.h"
#include "InboxMarks.h"
#include "IoError.h"
#include "Paths.h"
#include "PrivateFiles.h"
#include "RecordFile.h"
#include "Send.h"
#include "Settings.h"
#include "SettingsCheck.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr int Failed = 1;
constexpr int Usage = 2;

void printLine(std::FILE *to, const QString &text)
{
    std::fprintf(to, "%s\n", text.toLocal8Bit().constData());
}

int fail(const QString &message)
{
    printLine(stderr, message);
    return Failed;
}

int usage(const char *text)
{
    std::fprintf(stderr, "usage: quindle-tool %s\n", text);
    return Usage;
}

std::string asFolder(const char *argument)
{
    std::string folder = argument;
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

QString argText(const char *argument)
{
    return QString::fromLocal8Bit(argument);
}

QString plural(int n, const char *one, const char *many)
{
    return QString::number(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : many);
}

// Says which of the user's own files were readable by others and are now private.
void narrowAndSay(const std::string &programFolder, const TSettings &settings)
{
    const std::string datafile = settings.InboxData.isEmpty() ? std::string() : inboxFileName(settings.InboxData);
    for (const std::string &line : narrowPrivateFiles(programFolder, datafile))
        printLine(stderr, QString::fromLocal8Bit(line.c_str()));
}

// The settings of DIR's "main.ini", which must pass the settings check.
std::optional<TSettings> completeSettings(const std::string &programFolder, QString &problem)
{
    const TSettings settings = readSettings(programFolder);
    narrowAndSay(programFolder, settings);
    const SettingsProblem check = checkSettings(settings);
    if (check != SettingsProblem::None) {
        problem = settingsProblemText(check);
        return std::nullopt;
    }
    return settings;
}

const char *sendUsage = "send --program-folder DIR --to NAME [--to NAME ...] --subject TEXT --body-rtf FILE "
                        "[--attach PATH ...]";

} // namespace

int runSend(int argc, char **argv)
{
    const char *programArg = nullptr;
    const char *bodyArg = nullptr;
    QString subject;
    std::vector<QString> recipients;
    std::vector<QString> attachments;
    for (int i = 0; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!hasValue)
            return usage(sendUsage);
        const char *option = argv[i];
        const char *value = argv[++i];
        if (std::strcmp(option, "--program-folder") == 0)
            programArg = value;
        else if (std::strcmp(option, "--to") == 0)
            recipients.push_back(argText(value));
        else if (std::strcmp(option, "--subject") == 0)
            subject = argText(value);
        else if (std::strcmp(option, "--body-rtf") == 0)
            bodyArg = value;
        else if (std::strcmp(option, "--attach") == 0)
            attachments.push_back(argText(value));
        else
            return usage(sendUsage);
    }
    if (!programArg || !bodyArg || recipients.empty())
        return usage(sendUsage);
    if (recipients.size() > TMessageRecord::SlotCount || attachments.size() > TMessageRecord::SlotCount)
        return fail(QStringLiteral("At most 10 recipients and 10 attachments"));

    const std::string programFolder = asFolder(programArg);
    try {
        QString problem;
        const std::optional<TSettings> settings = completeSettings(programFolder, problem);
        if (!settings)
            return fail(problem);
        const TAddressData addresses = loadAddresses(addressFileName(settings->Addresses));

        TNewView view;
        TSlotTexts attachPaths;
        {
            File body = File::openRead(bodyArg);
            view.bodyRtf.resize(qsizetype(body.size()));
            body.readAt(0, view.bodyRtf.data(), std::size_t(view.bodyRtf.size()));
            body.close();
        }
        bool unreached = false;
        for (std::size_t k = 0; k < recipients.size(); ++k) {
            view.toCaptions[k] = recipients[k];
            if (findAddressByName(addresses, recipients[k]) < 0) {
                printLine(stderr, QStringLiteral("not reached: %1: not in the address list").arg(recipients[k]));
                unreached = true;
            }
        }
        for (std::size_t j = 0; j < attachments.size(); ++j) {
            attachPaths[j] = attachments[j];
            view.attachCaptions[j] = attachmentCaption(attachments[j]);
        }
        view.yourName = settings->Name;
        view.addressFolder = settings->Addresses;
        view.pathMap = settings->pathMap;
        view.subject = subject;

        TMessageRecord outgoing;
        int messageReady = 0;
        const SendCommandReport report =
            sendCommand(programFolder, view, attachPaths, addresses, outgoing, messageReady);
        for (const QString &notice : report.sent.notices)
            printLine(stderr, notice);
        if (report.message != MessagesSentMessage)
            return fail(report.message);
        // Each recipient: where the message went, or why nowhere.
        for (const RecipientResult &r : report.sent.recipients) {
            if (r.reached.isEmpty()) {
                unreached = true;
                const QString text = unreachedText(r, report.sent.notices);
                if (!text.isEmpty())
                    printLine(stderr, text);
            } else if (r.problem.isEmpty()) {
                printLine(stdout, QStringLiteral("sent to %1: %2").arg(r.name, r.reached.join(QStringLiteral(", "))));
            } else {
                printLine(stdout, QStringLiteral("sent to %1 through the server folder%2 %3 (%4)")
                                      .arg(r.name, r.reached.size() == 1 ? QString() : QStringLiteral("s"),
                                           r.reached.join(QStringLiteral(", ")), r.problem));
            }
        }
        // A message that went without an attachment was not sent whole.
        return unreached || report.sent.attachmentsLeftOut > 0 ? Failed : 0;
    } catch (const IoError &error) {
        return fail(QString::fromLocal8Bit(error.what()));
    }
}

int runCollect(int argc, char **argv)
{
    const char *collectUsage = "collect --program-folder DIR";
    if (argc != 2 || std::strcmp(argv[0], "--program-folder") != 0)
        return usage(collectUsage);
    const std::string programFolder = asFolder(argv[1]);
    try {
        QString problem;
        const std::optional<TSettings> settings = completeSettings(programFolder, problem);
        if (!settings)
            return fail(problem);
        const std::string datafile = inboxFileName(settings->InboxData);
        // Another process working on this inbox would overwrite our slots, and we theirs.
        const std::unique_ptr<InboxLock> lock = InboxLock::tryAcquire(datafile);
        if (!lock)
            return fail(inboxInUseMessage(datafile));
        TInboxData inbox = loadInbox(datafile);
        const TAddressData addresses = loadAddresses(addressFileName(settings->Addresses));
        TMessageRecord incoming;
        TInboxMarks marks;
        marks.load(datafile);
        // The marks learn when each message came and which account delivered it, as the
        // window's do; an addition of ours, so marks that cannot be written only stay behind.
        const auto keepMarks = [&](const CollectReport &report) {
            marks.update(inbox, QDateTime::currentMSecsSinceEpoch());
            marks.setAccounts(report.accounts);
            try {
                marks.save();
            } catch (const IoError &) {
            }
        };
        CollectReport report;
        try {
            report = collectMail(*settings, datafile, inbox, incoming, addresses);
        } catch (const CollectError &error) {
            keepMarks(error.report());
            throw;
        }
        keepMarks(report);
        for (const QString &notice : report.notices)
            printLine(stderr, notice);
        printLine(stdout, QStringLiteral("collected ") + plural(report.collected, "message", "messages"));
        return 0;
    } catch (const CollectError &error) {
        for (const QString &notice : error.report().notices)
            printLine(stderr, notice);
        printLine(stdout, QStringLiteral("collected ") + plural(error.report().collected, "message", "messages")
                              + QStringLiteral(" before an error"));
        return fail(QString::fromLocal8Bit(error.what()));
    } catch (const IoError &error) {
        return fail(QString::fromLocal8Bit(error.what()));
    }
}

namespace {

QJsonArray jsonStrings(const std::vector<QString> &texts)
{
    QJsonArray array;
    for (const QString &text : texts)
        array.append(text);
    return array;
}

QJsonArray jsonFiles(const std::vector<UnusedAttachment> &files)
{
    QJsonArray array;
    for (const UnusedAttachment &file : files)
        array.append(QJsonObject{{QStringLiteral("name"), file.name}, {QStringLiteral("size"), qint64(file.size)}});
    return array;
}

QJsonObject toJson(const std::string &folder, const FolderCheckReport &report)
{
    QJsonArray recipients;
    for (const RecipientRun &run : report.recipients) {
        QJsonArray beyond;
        for (int n : run.beyondGap)
            beyond.append(n);
        QJsonArray claimed;
        for (int n : run.claimed)
            claimed.append(n);
        recipients.append(QJsonObject{{QStringLiteral("name"), run.recipient},
                                      {QStringLiteral("run"), run.run},
                                      {QStringLiteral("stopsAt"), run.stopsAt},
                                      {QStringLiteral("beyondGap"), beyond},
                                      {QStringLiteral("claimedByAnother"), claimed}});
    }
    QJsonArray entries;
    for (const AttachmentEntry &entry : report.entries) {
        entries.append(QJsonObject{{QStringLiteral("name"), entry.name},
                                   {QStringLiteral("count"), entry.count},
                                   {QStringLiteral("referenced"), entry.referenced},
                                   {QStringLiteral("filePresent"), entry.filePresent},
                                   {QStringLiteral("inAttachIni"), entry.inAttachIni}});
    }
    return QJsonObject{{QStringLiteral("folder"), textFromPath(folder)},
                       {QStringLiteral("recipients"), recipients},
                       {QStringLiteral("shortFiles"), jsonStrings(report.shortFiles)},
                       {QStringLiteral("staleFiles"), jsonStrings(report.staleFiles)},
                       {QStringLiteral("notPlainFiles"), jsonStrings(report.notPlainFiles)},
                       {QStringLiteral("temporaryFiles"), jsonStrings(report.temporaryFiles)},
                       {QStringLiteral("attachIniPresent"), report.attachIniPresent},
                       {QStringLiteral("attachIniProblem"), report.attachIniProblem},
                       {QStringLiteral("takenNotRemoved"), jsonStrings(report.takenNotRemoved)},
                       {QStringLiteral("attachments"), entries},
                       {QStringLiteral("filesWithoutEntry"), jsonFiles(report.filesWithoutEntry)},
                       {QStringLiteral("unusedAttachments"), jsonFiles(report.unusedAttachments)},
                       {QStringLiteral("needsAttention"), report.needsAttention()}};
}

void printText(const FolderCheckReport &report)
{
    const QString qdm = DropFileExtension;
    if (report.recipients.empty())
        printLine(stdout, QStringLiteral("no drop files"));
    for (const RecipientRun &run : report.recipients) {
        const auto drop = [&](int n) { return run.recipient + QString::number(n) + qdm; };
        const int taken = run.stopsAt ? run.stopsAt - 1 : run.run;
        QString line = run.recipient + QStringLiteral(": ");
        if (taken == 0)
            line += QStringLiteral("collects nothing");
        else if (taken == 1)
            line += QStringLiteral("collects ") + drop(1);
        else
            line += QStringLiteral("collects %1 to %2").arg(drop(1), drop(taken));
        if (run.stopsAt)
            line += QStringLiteral(", then stops at %1 (shorter than one record)").arg(drop(run.stopsAt));
        printLine(stdout, line);
        for (int n : run.beyondGap)
            printLine(stdout, QStringLiteral("  beyond a gap, collected after the run: ") + drop(n));
        for (int n : run.claimed)
            printLine(stdout, QStringLiteral("  beyond a gap, not collected (another address book name could claim "
                                             "it): ") + drop(n));
    }
    for (const QString &name : report.shortFiles)
        printLine(stdout, QStringLiteral("short drop file (stops every collection there until it is complete): ") + name);
    for (const QString &name : report.staleFiles)
        printLine(stdout, QStringLiteral("stale drop file (a sender stopped while writing it; collections go past it): ")
                              + name);
    for (const QString &name : report.notPlainFiles)
        printLine(stdout, QStringLiteral("not a plain file under a drop file name (a link, folder or special file; "
                                         "collections go past it): ") + name);
    for (const QString &name : report.temporaryFiles)
        printLine(stdout, QStringLiteral("temporary file left by a sender: ") + name);
    if (!report.attachIniProblem.isEmpty())
        printLine(stdout, report.attachIniProblem);
    else if (!report.attachIniPresent)
        printLine(stdout, QStringLiteral("no Attach.ini"));
    for (const AttachmentEntry &entry : report.entries) {
        QString line = entry.inAttachIni ? QStringLiteral("%1=%2").arg(entry.name).arg(entry.count)
                                         : QStringLiteral("%1 (no entry)").arg(entry.name);
        line += QStringLiteral(", named by %1, ").arg(plural(entry.referenced, "drop file slot", "drop file slots"));
        line += entry.filePresent ? QStringLiteral("file present") : QStringLiteral("file missing");
        if (entry.count != entry.referenced)
            line += QStringLiteral(" - count does not match");
        printLine(stdout, line);
    }
    for (const UnusedAttachment &file : report.filesWithoutEntry)
        printLine(stdout, QStringLiteral("file with no entry: %1 (%2)").arg(file.name, sizeText(file.size)));
    for (const QString &name : report.takenNotRemoved)
        printLine(stdout, QStringLiteral("taken into the inbox but not removable (collections go past it): ") + name);
    for (const UnusedAttachment &file : report.unusedAttachments)
        printLine(stdout, QStringLiteral("attachment no collected message names (the next compaction removes it): "
                                         "%1 (%2)").arg(file.name, sizeText(file.size)));
    printLine(stdout, report.needsAttention() ? QStringLiteral("needs attention") : QStringLiteral("ok"));
}

} // namespace

namespace {

// The entries of an address list whose names could never receive mail.
int checkAddressList(const std::string &file, bool json)
{
    const std::vector<UnusableAddressName> unusable = unusableAddressNames(readAddressFile(file).records);
    if (json) {
        QJsonArray entries;
        for (const UnusableAddressName &u : unusable)
            entries.append(QJsonObject{{QStringLiteral("index"), u.index},
                                       {QStringLiteral("name"), u.name},
                                       {QStringLiteral("problem"), u.problem}});
        const QJsonObject report{{QStringLiteral("addressList"), textFromPath(file)},
                                 {QStringLiteral("unusableNames"), entries},
                                 {QStringLiteral("needsAttention"), !unusable.empty()}};
        std::fputs(QJsonDocument(report).toJson(QJsonDocument::Indented).constData(), stdout);
    } else {
        for (const UnusableAddressName &u : unusable)
            printLine(stdout, QStringLiteral("entry %1: %2 Sends to it are refused.").arg(u.index + 1).arg(u.problem));
        printLine(stdout, unusable.empty() ? QStringLiteral("ok") : QStringLiteral("needs attention"));
    }
    return unusable.empty() ? 0 : Failed;
}

} // namespace

namespace {

// Whether folder is one of the server folders that the collections of the user of settings
// take mail from.
bool isServerFolderOf(const TSettings &settings, const std::string &folder)
{
    for (const TAddressRec &entry : loadAddresses(addressFileName(settings.Addresses))) {
        std::error_code ec;
        const Folder server = entry.Server() == 1 ? openDestination(entry.InBox(), settings.pathMap) : Folder();
        if (server.isOpen() && std::filesystem::equivalent(server.text(), folder, ec))
            return true;
    }
    return false;
}

// The drop files of folder that the user's collections took but could not delete.
std::vector<QString> takenNotRemovedIn(const std::string &folder, const std::string &takenList)
{
    std::vector<QString> names;
    std::string bytes;
    try {
        File file = File::openPlainRead(takenList);
        bytes.resize(std::size_t(std::min<std::int64_t>(file.size(), 4 << 20)));
        if (!bytes.empty())
            file.readAt(0, bytes.data(), bytes.size());
    } catch (const IoError &) {
        return names;
    }
    std::size_t at = 0;
    for (std::size_t end; (end = bytes.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string path = bytes.substr(std::min(at + 17, end), end - std::min(at + 17, end));
        // The collection names the folder as it reached it, which may be spelt otherwise.
        std::error_code ec;
        if (!path.empty() && std::filesystem::equivalent(folderOf(path), folder, ec))
            names.push_back(textFromPath(path.substr(folderOf(path).size())));
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

namespace {

// Where each entry of an address list leads on this machine, with the user's path map.
int checkDestinations(const std::string &programFolder, const std::string &addressList)
{
    const PathMap map = readSettings(programFolder).pathMap;
    bool unreached = false;
    try {
        for (const TAddressRec &entry : readAddressFile(addressList).records) {
            if (entry.isEmpty())
                continue;
            const Folder folder = openDestination(entry.InBox(), map);
            if (folder.isOpen()) {
                printLine(stdout, QStringLiteral("%1: %2 -> %3").arg(entry.Name(), entry.InBox(), textFromPath(folder.text())));
            } else {
                unreached = true;
                printLine(stdout, QStringLiteral("%1: %2 -> not reached: %3")
                                      .arg(entry.Name(), entry.InBox(), QString::fromLocal8Bit(folder.why().c_str())));
            }
        }
    } catch (const IoError &error) {
        return fail(QString::fromLocal8Bit(error.what()));
    }
    return unreached ? Failed : 0;
}

} // namespace

int runCheck(int argc, char **argv)
{
    const char *checkUsage =
        "check [--json] [--addresses ADDRESSLIST] [--program-folder DIR] FOLDER|ADDRESSLIST\n"
        "       quindle-tool check --program-folder DIR --addresses ADDRESSLIST";
    bool json = false;
    const char *folderArg = nullptr;
    const char *addressesArg = nullptr;
    const char *programArg = nullptr;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--json") == 0)
            json = true;
        else if (std::strcmp(argv[i], "--addresses") == 0 && i + 1 < argc)
            addressesArg = argv[++i];
        else if (std::strcmp(argv[i], "--program-folder") == 0 && i + 1 < argc)
            programArg = argv[++i];
        else if (!folderArg && std::strncmp(argv[i], "--", 2) != 0)
            folderArg = argv[i];
        else
            return usage(checkUsage);
    }
    if (!folderArg && addressesArg && programArg)
        return checkDestinations(asFolder(programArg), addressesArg);
    if (!folderArg)
        return usage(checkUsage);
    try {
        if (fileExists(folderArg))
            return checkAddressList(folderArg, json);
        const std::string folder = asFolder(folderArg);
        if (!folderExists(folder))
            return fail(QStringLiteral("Folder not found: ") + textFromPath(folder));
        QStringList names;
        if (addressesArg) {
            for (const TAddressRec &entry : readAddressFile(addressesArg).records)
                if (!entry.isEmpty())
                    names.append(entry.Name());
        }
        FolderCheckReport report = checkFolder(folder, names);
        if (programArg) {
            const TSettings settings = readSettings(asFolder(programArg));
            std::error_code ec;
            const bool own = std::filesystem::equivalent(pathFromText(settings.MyDest), folder, ec);
            if (!own && !isServerFolderOf(settings, folder))
                return fail(QStringLiteral("%1 is neither the inbox folder nor a server folder of the user of %2")
                                .arg(textFromPath(folder), argText(programArg)));
            report.takenNotRemoved = takenNotRemovedIn(folder, takenListName(inboxFileName(settings.InboxData)));
            if (own) {
                // The folder's owner's inbox tells which attachments no message needs any more.
                TInboxData inbox;
                readMessageFile(inboxFileName(settings.InboxData), inbox);
                report.unusedAttachments = unusedAttachments(folder, inbox);
                const auto unused = [&](const UnusedAttachment &file) {
                    return std::any_of(report.unusedAttachments.begin(), report.unusedAttachments.end(),
                                       [&](const UnusedAttachment &u) { return u.name == file.name; });
                };
                std::erase_if(report.filesWithoutEntry, unused);
            }
        }
        if (json)
            std::fputs(QJsonDocument(toJson(folder, report)).toJson(QJsonDocument::Indented).constData(), stdout);
        else
            printText(report);
        return report.needsAttention() ? Failed : 0;
    } catch (const IoError &error) {
        return fail(QString::fromLocal8Bit(error.what()));
    }
}


namespace {

} // namespace

bool readOptions(int argc, char **argv, std::initializer_list<const char *> valueNames,
                 std::initializer_list<const char *> flagNames, std::map<std::string, QString> &values)
{
    for (int i = 0; i < argc; ++i) {
        const std::string option = argv[i];
        const auto named = [&option](const char *name) { return option == name; };
        if (std::any_of(flagNames.begin(), flagNames.end(), named))
            values[option] = QStringLiteral("1");
        else if (std::any_of(valueNames.begin(), valueNames.end(), named) && i + 1 < argc)
            values[option] = argText(argv[++i]);
        else
            return false;
    }
    return true;
}

namespace {

QString folderText(const QString &text)
{
    // A Windows folder keeps its own separator.
    if (isWindowsPath(text))
        return text.endsWith(QLatin1Char('\\')) || text.endsWith(QLatin1Char('/')) ? text : text + QLatin1Char('\\');
    return textFromPath(asFolder(pathFromText(text).c_str()));
}

} // namespace

int runAddress(int argc, char **argv)
{
    const char *addressUsage = "address --book FOLDER --name NAME --inbox FOLDER [--comment TEXT] [--server] "
                               "[--program-folder DIR]";
    std::map<std::string, QString> values;
    if (!readOptions(argc, argv, {"--book", "--name", "--inbox", "--comment", "--program-folder"}, {"--server"},
                     values) || !values.count("--book") || values["--name"].isEmpty() || !values.count("--inbox"))
        return usage(addressUsage);
    AddressFields fields{values["--name"], folderText(values["--inbox"]), values["--comment"],
                         values.count("--server") > 0};
    try {
        // A folder under a mapped one is stored as the office's Windows copies name it.
        if (values.count("--program-folder")) {
            const QString windows = windowsFormOf(
                fields.InBox, readSettings(asFolder(pathFromText(values["--program-folder"]).c_str())).pathMap);
            if (!windows.isEmpty())
                fields.InBox = windows;
        }
        bool updated = false;
        const QString refusal = putAddressEntry(addressFileName(folderText(values["--book"])), fields, updated);
        if (!refusal.isEmpty())
            return fail(refusal);
        printLine(stdout, (updated ? QStringLiteral("updated ") : QStringLiteral("added ")) + fields.Name);
        return 0;
    } catch (const IoError &error) {
        return fail(QString::fromLocal8Bit(error.what()));
    }
}

int runSettings(int argc, char **argv)
{
    const char *settingsUsage =
        "settings --program-folder DIR --name NAME --inbox FOLDER --addresses FOLDER --data FOLDER [--map WIN=LOCAL]\n"
        "       quindle-tool settings --program-folder DIR --map WINDOWS-FOLDER=LOCAL-FOLDER";
    std::map<std::string, QString> values;
    if (!readOptions(argc, argv, {"--program-folder", "--name", "--inbox", "--addresses", "--data", "--map"}, {},
                     values) || !values.count("--program-folder"))
        return usage(settingsUsage);
    const bool map = values.count("--map") > 0;
    const bool folders = values.size() - (map ? 1 : 0) == 5;
    const QString mapping = values["--map"];
    const qsizetype equals = mapping.indexOf(QLatin1Char('='));
    if ((!folders && !(map && values.size() == 2)) || (map && (equals <= 0 || !isWindowsPath(mapping.left(equals)))))
        return usage(settingsUsage);
    const std::string programFolder = asFolder(pathFromText(values["--program-folder"]).c_str());
    try {
        // A missing program folder is made, the user's alone, as the window makes its own; one
        // that cannot be made fails the write below.
        ::mkdir(programFolder.c_str(), PrivateFolderMode);
        if (map) {
            // A Windows folder of the office's address book, and where it is on this machine.
            setPathMapEntry(programFolder, mapping.left(equals), mapping.mid(equals + 1));
            printLine(stdout, QStringLiteral("%1 is %2 here").arg(mapping.left(equals), mapping.mid(equals + 1)));
            if (!folders)
                return 0;
        }
        // The two switches stay as the user set them.
        TSettings settings = readSettings(programFolder);
        settings.Name = values["--name"];
        settings.MyDest = folderText(values["--inbox"]);
        settings.Addresses = folderText(values["--addresses"]);
        settings.InboxData = folderText(values["--data"]);
        narrowAndSay(programFolder, settings);
        saveSettings(programFolder, settings);
        printLine(stdout, QStringLiteral("wrote ") + textFromPath(settingsFileName(programFolder)));
        // Written all the same, as the Settings view saves: the folders may be made later.
        const SettingsProblem check = checkSettings(settings);
        if (check != SettingsProblem::None)
            printLine(stderr, settingsProblemText(check));
        return 0;
    } catch (const IoError &error) {
        return fail(QString::fromLocal8Bit(error.what()));
    }
}
