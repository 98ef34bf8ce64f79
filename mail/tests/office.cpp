#include "office.h"

#include "Settings.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

QString reachableBy(uid_t uid, const QString &program)
{
    if (uid == 0)
        return program;
    // Another account may not enter the build folder (a clone in root's home): it runs a
    // copy in a folder every account reaches, made once a test program.
    static QTemporaryDir folder(QStringLiteral("/tmp/quindle-programs-XXXXXX"));
    static QMap<QString, QString> copies;
    if (!copies.contains(program)) {
        const QString copy = folder.filePath(QFileInfo(program).fileName());
        ::chmod(QFile::encodeName(folder.path()).constData(), 0755);
        if (!QFile::copy(program, copy))
            return program;
        copies.insert(program, copy);
    }
    return copies.value(program);
}

ProcessRun runAs(uid_t uid, const QString &program, const QStringList &args, const QStringList &environment)
{
    QProcess process;
    if (!environment.isEmpty())
        process.setEnvironment(QProcess::systemEnvironment() + environment);
    process.setProgram(reachableBy(uid, program));
    process.setArguments(args);
    process.setChildProcessModifier([uid] {
        ::umask(022);
        if (uid == 0)
            return;
        const gid_t group = OfficeGroup;
        if (::setgroups(1, &group) != 0 || ::setgid(OfficeGroup) != 0 || ::setuid(uid) != 0)
            ::_exit(126);
    });
    process.start();
    process.waitForFinished(-1);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput().toStdString(), process.readAllStandardError().toStdString()};
}

ProcessRun shellAs(uid_t uid, const std::string &command)
{
    return runAs(uid, QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QString::fromStdString(command)});
}

bool canSwitchUsers()
{
    return ::geteuid() == 0;
}

namespace {

std::string made(const TempFolders &t, const std::string &name, uid_t uid, gid_t gid, mode_t mode)
{
    // The temporary root is private to its maker; the office's users must pass through it.
    ::chmod(t.root().c_str(), 0755);
    const std::string path = t.folder(name);
    if (canSwitchUsers())
        ::chown(path.c_str(), uid, gid);
    ::chmod(path.c_str(), mode);
    return path;
}

} // namespace

std::string groupFolder(const TempFolders &t, const std::string &name)
{
    return made(t, name, 0, OfficeGroup, 02775);
}

std::string folderOf(const TempFolders &t, const std::string &name, uid_t uid)
{
    return made(t, name, uid, OfficeGroup, 0755);
}

std::string programFolder(const TempFolders &t, const std::string &name, uid_t uid, const std::string &inbox,
                          const std::string &addressFolder)
{
    const std::string program = folderOf(t, "program-" + name, uid);
    TSettings s;
    s.Name = QString::fromStdString(name);
    s.MyDest = QString::fromStdString(inbox);
    s.Addresses = QString::fromStdString(addressFolder);
    s.InboxData = QString::fromStdString(folderOf(t, "data-" + name, uid));
    saveSettings(program, s);
    if (canSwitchUsers())
        ::chown((program + "main.ini").c_str(), uid, OfficeGroup);
    return program;
}
