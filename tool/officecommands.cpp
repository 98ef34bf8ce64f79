#include "commands.h"

#include "FolderCheck.h"
#include "InboxFile.h"
#include "IoError.h"
#include "Office.h"
#include "Paths.h"
#include "RecordFile.h"
#include "Settings.h"

#include <QString>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

namespace {

void say(std::FILE *to, const QString &text)
{
    std::fprintf(to, "%s\n", text.toLocal8Bit().constData());
}

int usage(const char *text)
{
    std::fprintf(stderr, "usage: quindle-tool %s\n", text);
    return 2;
}

int report(const OfficeReport &r)
{
    for (const QString &line : r.lines)
        say(stdout, line);
    return r.ok ? 0 : 1;
}

const char *const OfficeUsage = "office init SHARE --group GROUP [--mount MOUNT]\n"
                                "       quindle-tool office add SHARE --name NAME --user LOGIN [--mount MOUNT]\n"
                                "       quindle-tool office check SHARE";

} // namespace

int runOffice(int argc, char **argv)
{
    if (argc < 2 || argv[1][0] == '-')
        return usage(OfficeUsage);
    const std::string what = argv[0];
    const std::string share = argv[1];
    std::map<std::string, QString> values;
    try {
        if (what == "init") {
            if (!readOptions(argc - 2, argv + 2, {"--group", "--mount"}, {}, values) || values["--group"].isEmpty())
                return usage(OfficeUsage);
            return report(initOffice(share, values["--group"], values["--mount"]));
        }
        if (what == "add") {
            if (!readOptions(argc - 2, argv + 2, {"--name", "--user", "--mount"}, {}, values) || values["--name"].isEmpty()
                || values["--user"].isEmpty())
                return usage(OfficeUsage);
            return report(addPerson(share, values["--name"], values["--user"], values["--mount"]));
        }
        if (what == "check") {
            if (argc != 2)
                return usage(OfficeUsage);
            return report(checkOffice(share));
        }
    } catch (const IoError &error) {
        say(stderr, QString::fromLocal8Bit(error.what()));
        return 1;
    }
    return usage(OfficeUsage);
}

int runRepair(int argc, char **argv)
{
    const char *repairUsage = "repair FOLDER [--dry-run] [--program-folder DIR]";
    if (argc < 1 || argv[0][0] == '-')
        return usage(repairUsage);
    std::string folder = argv[0];
    if (folder.back() != '/')
        folder += '/';
    std::map<std::string, QString> values;
    if (!readOptions(argc - 1, argv + 1, {"--program-folder"}, {"--dry-run"}, values))
        return usage(repairUsage);
    const bool dryRun = values.count("--dry-run") > 0;
    try {
        TInboxData inbox;
        const TInboxData *ownerInbox = nullptr;
        if (values.count("--program-folder")) {
            std::string program = pathFromText(values["--program-folder"]);
            if (program.back() != '/')
                program += '/';
            readMessageFile(inboxFileName(readSettings(program).InboxData), inbox);
            ownerInbox = &inbox;
        }
        const RepairPlan plan = planRepair(folder, ownerInbox);
        const QString will = dryRun ? QStringLiteral("would ") : QString();
        if (!plan.attachIniProblem.isEmpty())
            say(stdout, plan.attachIniProblem);
        if (!plan.rebuildWhy.isEmpty())
            say(stdout, QStringLiteral("Attach.ini: %1rebuild it whole from the drop files present: %2")
                            .arg(will, plan.rebuildWhy));
        for (const AttachmentEntry &e : plan.counts) {
            if (!e.inAttachIni)
                say(stdout, QStringLiteral("Attach.ini: %1%2=%3 (no entry)").arg(will, e.name).arg(e.referenced));
            else if (e.referenced == 0)
                say(stdout, QStringLiteral("Attach.ini: %1remove %2 (was %3; no waiting message names it)")
                                .arg(will, e.name).arg(e.count));
            else if (e.count != e.referenced)
                say(stdout, QStringLiteral("Attach.ini: %1%2=%3 (was %4)").arg(will, e.name).arg(e.referenced).arg(e.count));
        }
        for (const UnusedAttachment &file : plan.remove)
            say(stdout, QStringLiteral("%1remove %2 (%3): no waiting message names it").arg(will, file.name,
                                                                                        sizeText(file.size)));
        for (const UnusedAttachment &file : plan.kept)
            say(stdout, QStringLiteral("keep %1 (%2)").arg(file.name, sizeText(file.size)));
        if (!plan.kept.empty())
            say(stdout, plan.keptWhy);
        if (dryRun)
            return 0;
        const QStringList failed = repairFolder(folder, plan);
        for (const QString &line : failed)
            say(stderr, line);
        std::int64_t bytes = 0;
        for (const UnusedAttachment &file : plan.remove)
            bytes += file.size;
        say(stdout, QStringLiteral("repaired %1: Attach.ini rebuilt from the drop files, %2 removed (%3)")
                        .arg(textFromPath(folder))
                        .arg(plan.remove.size() - std::size_t(failed.size()))
                        .arg(sizeText(bytes)));
        return failed.isEmpty() && plan.attachIniProblem.isEmpty() ? 0 : 1;
    } catch (const IoError &error) {
        say(stderr, QString::fromLocal8Bit(error.what()));
        return 1;
    }
}
