#pragma once

#include "tempfolders.h"

#include <QStringList>

#include <string>
#include <sys/types.h>

// Several users of one office: user ids of our own in one group, switched to in the child
// processes (the tests run as root), with the umask 022 that offices run with.
inline constexpr gid_t OfficeGroup = 61000;
inline constexpr uid_t Ann = 61001, Ben = 61002, Cara = 61003, Dan = 61004;

struct ProcessRun
{
    int status = -1; // the exit code; -1 for a crash
    std::string out;
    std::string err;
};

// The program's path, or that of a copy where uid can run it.
QString reachableBy(uid_t uid, const QString &program);
// program with args as uid (in OfficeGroup only, umask 022); as ourselves for uid 0. environment
// holds NAME=VALUE entries added to ours.
ProcessRun runAs(uid_t uid, const QString &program, const QStringList &args, const QStringList &environment = {});
inline ProcessRun toolAs(uid_t uid, const QStringList &args)
{
    return runAs(uid, QStringLiteral(QUINDLE_TOOL), args);
}
// A shell command as uid, to plant things as a colleague would.
ProcessRun shellAs(uid_t uid, const std::string &command);

bool canSwitchUsers();

// An office tree every user can enter: a folder of the group with mode 2775, or one owned
// by uid (its own program and data folders). Paths end with a separator.
std::string groupFolder(const TempFolders &t, const std::string &name);
std::string folderOf(const TempFolders &t, const std::string &name, uid_t uid);
// A program folder of uid whose main.ini names its user, inbox, address list and data folder.
std::string programFolder(const TempFolders &t, const std::string &name, uid_t uid, const std::string &inbox,
                          const std::string &addressFolder);
