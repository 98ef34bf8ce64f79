#include "CommandLine.h"

#include "FileOps.h"
#include "IoError.h"
#include "Settings.h"
#include "tempfolders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QStringList args(std::initializer_list<const char *> texts)
{
    QStringList list;
    for (const char *text : texts)
        list.append(QString::fromUtf8(text));
    return list;
}

// Runs work in a forked child under another user id when we are root (root ignores
// permission bits), as ourselves otherwise; returns what work returned or the error it threw.
std::string asAnotherUser(const std::function<std::string()> &work)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return "no pipe";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::string out;
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            out = "cannot change user";
        else {
            try {
                out = work();
            } catch (const std::exception &error) {
                out = std::string("error: ") + error.what();
            }
        }
        const ssize_t written = ::write(fds[1], out.data(), out.size());
        ::_exit(written == ssize_t(out.size()) ? 0 : 1);
    }
    ::close(fds[1]);
    std::string out;
    char buffer[512];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        out.append(buffer, std::size_t(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return out;
}

TEST(CommandLine, OptionsAndRefusals)
{
    struct Case
    {
        QStringList arguments;
        std::optional<std::string> folder;
        bool help, version;
        const char *problem;
    };
    const Case cases[] = {
        {args({}), std::nullopt, false, false, ""},
        {args({"--program-folder", "/office/Anna"}), "/office/Anna/", false, false, ""},
        {args({"--program-folder=/office/Anna/"}), "/office/Anna/", false, false, ""},
        {args({"--program-folder", "rel"}), "rel/", false, false, ""},
        {args({"--help"}), std::nullopt, true, false, ""},
        {args({"-h", "--version"}), std::nullopt, true, true, ""},
        {args({"--program-folder"}), std::nullopt, false, false, "option --program-folder needs a folder"},
        {args({"--program-folder="}), std::nullopt, false, false, "option --program-folder needs a folder"},
        {args({"--colour", "--help"}), std::nullopt, true, false, "unknown option --colour"},
        {args({"letter.qdm"}), std::nullopt, false, false, "unexpected argument letter.qdm"},
        // The toolkit's own options are its to take, ours stay ours.
        {args({"-platform", "offscreen", "--style=Fusion", "--reverse", "-qwindowgeometry", "9x9", "--program-folder",
               "x"}),
         "x/", false, false, ""},
        {args({"--platform", "xcb", "--bogus"}), std::nullopt, false, false, "unknown option --bogus"},
    };
    for (const Case &c : cases) {
        const CommandLine parsed = parseCommandLine(withoutToolkitOptions(c.arguments));
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        EXPECT_EQ(parsed.programFolder, c.folder);
        EXPECT_EQ(parsed.help, c.help);
        EXPECT_EQ(parsed.version, c.version);
        EXPECT_EQ(parsed.problem.toStdString(), c.problem);
    }
}

TEST(ProgramFolder, NamedThenPortableCopyThenUserFolder)
{
    TempFolders t;
    const std::string bin = t.folder("bin");
    const std::string named = t.folder("named");
    const std::string config = t.root() + "home/.config/Quindle/";
    const CommandLine none;
    CommandLine naming;
    naming.programFolder = named;

    EXPECT_EQ(chooseProgramFolder(bin, config, none), config);
    EXPECT_EQ(chooseProgramFolder(bin, config, naming), named);
    // A folder of that name is no settings file.
    std::filesystem::create_directory(bin + "main.ini");
    EXPECT_EQ(chooseProgramFolder(bin, config, none), config);
    std::filesystem::remove(bin + "main.ini");
    writeAll(bin + "main.ini", "");
    EXPECT_EQ(chooseProgramFolder(bin, config, none), bin);
    EXPECT_EQ(chooseProgramFolder(bin, config, naming), named);

    // The user's folder is made with its parents; a named folder must be there already.
    prepareProgramFolder(config, config);
    EXPECT_TRUE(folderExists(config));
    prepareProgramFolder(config, config);
    prepareProgramFolder(named, config);
    EXPECT_EQ(errorOf<IoError>([&] { prepareProgramFolder(t.root() + "gone/", config); }), "File not found");
    EXPECT_EQ(errorOf<IoError>([&] { prepareProgramFolder(bin + "main.ini/", config); }), "Invalid filename");
    writeAll(t.root() + "home/plain", "");
    EXPECT_EQ(errorOf<IoError>([&] { prepareProgramFolder(t.root() + "home/plain/Quindle/", t.root() + "home/plain/Quindle/"); }),
              "Invalid filename");
}

// An installed program's folder belongs to root: another user's copy keeps its settings in
// its own configuration folder, and a portable copy there cannot save.
TEST(ProgramFolder, ReadOnlyProgramFolderOfAnotherUser)
{
    TempFolders t;
    namespace fs = std::filesystem;
    fs::permissions(t.root(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
    const std::string bin = t.folder("bin");
    const std::string home = t.folder("home");
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(home.c_str(), 65534, 65534), 0);
    }
    const std::string config = home + ".config/Quindle/";
    TSettings settings;
    settings.Name = QStringLiteral("Anna");

    const auto startAndSave = [&] {
        const std::string folder = chooseProgramFolder(bin, config, CommandLine{});
        prepareProgramFolder(folder, config);
        saveSettings(folder, settings);
        return folder;
    };
    ::chmod(bin.c_str(), 0555);
    EXPECT_EQ(asAnotherUser(startAndSave), config);
    EXPECT_EQ(readSettings(config), settings);
    EXPECT_FALSE(fileExists(bin + "main.ini"));

    ::chmod(bin.c_str(), 0755);
    writeAll(bin + "main.ini", "[Settings]\r\nName=Ben\r\n");
    ::chmod((bin + "main.ini").c_str(), 0444);
    ::chmod(bin.c_str(), 0555);
    EXPECT_EQ(asAnotherUser(startAndSave), "error: Unable to write to " + bin + "main.ini");
    EXPECT_EQ(readSettings(bin).Name, QStringLiteral("Ben"));
    ::chmod(bin.c_str(), 0755);
}

} // namespace
