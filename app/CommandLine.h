#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <string>

// What the command line asks of the program.
struct CommandLine
{
    bool help = false;
    bool version = false;
    // --program-folder DIR, with a final separator added when it lacks one.
    std::optional<std::string> programFolder;
    // The first argument the program cannot take, with why; empty when none.
    QString problem;
};

// arguments: the command line without the program's own name.
CommandLine parseCommandLine(const QStringList &arguments);

// The arguments without the toolkit's own options (-platform NAME, -style NAME, -reverse,
// ...), also written with two dashes, which the toolkit takes before the program sees them.
QStringList withoutToolkitOptions(const QStringList &arguments);

QString helpText();
QString versionText();

// The program folder, which holds "main.ini", "tmprtf.tmp" and "packed.qdi": the folder named
// on the command line; else executableFolder when a "main.ini" stands there (a portable
// copy); else configFolder, the user's own configuration folder. The result ends with a
// separator; so must both folders passed in.
std::string chooseProgramFolder(const std::string &executableFolder, const std::string &configFolder,
                                const CommandLine &commandLine);

// Makes the chosen folder ready: the user's configuration folder is made when missing
// (parents too); a folder named on the command line must exist. Throws IoError.
void prepareProgramFolder(const std::string &programFolder, const std::string &configFolder);
