#include "CommandLine.h"

#include "FileOps.h"
#include "IoError.h"
#include "Paths.h"
#include "Settings.h"

#include <cerrno>
#include <sys/stat.h>

namespace {

const QString ProgramFolderOption = QStringLiteral("--program-folder");

std::string asFolder(const QString &text)
{
    std::string folder = pathFromText(text);
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

// mkdir -p: each missing folder on the way is made; one that exists is passed.
void makeFolders(const std::string &folder)
{
    for (std::size_t end = folder.find('/', 1); end != std::string::npos; end = folder.find('/', end + 1)) {
        const std::string part = folder.substr(0, end);
        if (::mkdir(part.c_str(), 0700) != 0 && !(errno == EEXIST && folderExists(part)))
            raiseIoError(errno == EEXIST ? ENOTDIR : errno);
    }
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    CommandLine result;
    const auto refuse = [&result](const QString &problem) {
        if (result.problem.isEmpty())
            result.problem = problem;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            result.help = true;
        else if (argument == QLatin1String("--version"))
            result.version = true;
        else if (argument == ProgramFolderOption) {
            if (i + 1 == arguments.size() || arguments[i + 1].isEmpty())
                refuse(QStringLiteral("option --program-folder needs a folder"));
            else
                result.programFolder = asFolder(arguments[++i]);
        } else if (argument.startsWith(ProgramFolderOption + QLatin1Char('='))) {
            const QString folder = argument.mid(ProgramFolderOption.size() + 1);
            if (folder.isEmpty())
                refuse(QStringLiteral("option --program-folder needs a folder"));
            else
                result.programFolder = asFolder(folder);
        } else if (argument.startsWith(QLatin1Char('-')))
            refuse(QStringLiteral("unknown option %1").arg(argument));
        else
            refuse(QStringLiteral("unexpected argument %1").arg(argument));
    }
    return result;
}

QStringList withoutToolkitOptions(const QStringList &arguments)
{
    static const QStringList withValue = {
        QStringLiteral("platform"), QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
        QStringLiteral("plugin"), QStringLiteral("qwindowgeometry"), QStringLiteral("qwindowicon"),
        QStringLiteral("qwindowtitle"), QStringLiteral("session"), QStringLiteral("display"),
        QStringLiteral("geometry"), QStringLiteral("style"), QStringLiteral("stylesheet"),
        QStringLiteral("title"), QStringLiteral("name"), QStringLiteral("visual"), QStringLiteral("fn"),
        QStringLiteral("font"), QStringLiteral("bg"), QStringLiteral("fg"), QStringLiteral("btn"),
        QStringLiteral("ncols"), QStringLiteral("cmap"),
    };
    static const QStringList alone = {QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                                      QStringLiteral("nograb"), QStringLiteral("dograb"), QStringLiteral("sync")};
    QStringList ours;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        QString option = argument;
        if (option.startsWith(QLatin1String("--")))
            option.remove(0, 1);
        if (option.startsWith(QLatin1Char('-')) && argument != ProgramFolderOption) {
            const QString word = option.mid(1).section(QLatin1Char('='), 0, 0);
            const bool joined = option.contains(QLatin1Char('='));
            if (alone.contains(word) || word == QLatin1String("qmljsdebugger"))
                continue;
            if (withValue.contains(word)) {
                if (!joined)
                    ++i;
                continue;
            }
        }
        ours.append(argument);
    }
    return ours;
}

QString helpText()
{
    return QStringLiteral(
        "Usage: quindle [--program-folder DIR]\n"
        "Mail for a small office over shared folders.\n"
        "\n"
        "  --program-folder DIR  keep the settings (main.ini) and temporary files in DIR\n"
        "  -h, --help            show this help and exit\n"
        "  --version             show the version and exit\n"
        "\n"
        "Without --program-folder the settings live beside the program when a main.ini\n"
        "stands there (a portable copy), else in the user's configuration folder.\n");
}

QString versionText()
{
    return QStringLiteral("quindle " QUINDLE_VERSION "\n");
}

std::string chooseProgramFolder(const std::string &executableFolder, const std::string &configFolder,
                                const CommandLine &commandLine)
{
    if (commandLine.programFolder)
        return *commandLine.programFolder;
    if (fileExists(settingsFileName(executableFolder)))
        return executableFolder;
    return configFolder;
}

void prepareProgramFolder(const std::string &programFolder, const std::string &configFolder)
{
    if (programFolder == configFolder)
        makeFolders(programFolder);
    else if (!folderExists(programFolder))
        raiseIoError(fileExists(programFolder.substr(0, programFolder.size() - 1)) ? ENOTDIR : ENOENT);
}
