#include "AddressFile.h"
#include "FileOps.h"
#include "Settings.h"
#include "tempfolders.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

QString qs(const std::string &text) { return QString::fromStdString(text); }

// The address and settings commands, one after another on one office, through the built tool.
TEST(AdminTool, AddressAndSettingsCommands)
{
    TempFolders t;
    const std::string book = t.folder("book");
    const std::string anna = t.folder("anna");
    const std::string program = t.folder("program");
    // The switches the user set are kept when the administrator rewrites the folders.
    TSettings before;
    before.AutoOptiInbox = true;
    saveSettings(program, before);
    const auto noSlash = [](const std::string &folder) { return folder.substr(0, folder.size() - 1); };

    struct Step
    {
        std::vector<std::string> args;
        int status;
        std::string out, err;
    };
    const std::vector<Step> steps = {
        {{"address", "--book", noSlash(book), "--name", "Anna", "--inbox", noSlash(anna)}, 0, "added Anna\n", ""},
        {{"address", "--book", book, "--name", "Ben", "--inbox", "/office/ben/"}, 0, "added Ben\n", ""},
        {{"address", "--book", book, "--name", "Server", "--inbox", "/office/server", "--server"}, 0,
         "added Server\n", ""},
        {{"address", "--book", book, "--name", "Ben", "--inbox", "/office/ben2", "--comment", "Warehouse"}, 0,
         "updated Ben\n", ""},
        {{"address", "--book", book, "--name", "Carla"}, 2, "",
         "usage: quindle-tool address --book FOLDER --name NAME --inbox FOLDER [--comment TEXT] [--server] "
         "[--program-folder DIR]\n"},
        {{"address", "--book", t.root() + "gone", "--name", "Carla", "--inbox", "/x/"}, 1, "", "File not found\n"},
        {{"settings", "--program-folder", noSlash(program), "--name", "Anna", "--inbox", noSlash(anna), "--addresses",
          book, "--data", noSlash(program)},
         0, "wrote " + program + "main.ini\n", program + " was readable by others: now by you alone\n"},
        {{"settings", "--program-folder", t.root() + "gone/deeper", "--name", "Anna", "--inbox", anna, "--addresses",
          book, "--data", t.root() + "gone"},
         1, "", "Unable to write to " + t.root() + "gone/deeper/main.ini\n"},
        {{"settings", "--program-folder", program, "--name", "Anna"}, 2, "",
         "usage: quindle-tool settings --program-folder DIR --name NAME --inbox FOLDER --addresses FOLDER --data "
         "FOLDER [--map WIN=LOCAL]\n       quindle-tool settings --program-folder DIR --map WINDOWS-FOLDER=LOCAL-FOLDER\n"},
        // A Windows folder of the office and where it is here; an entry made under it is stored
        // as the Windows copies name it.
        {{"settings", "--program-folder", program, "--map", "F:\\QUINDLE\\=" + t.root() + "share"}, 0,
         "F:\\QUINDLE\\ is " + t.root() + "share here\n", ""},
        {{"address", "--book", book, "--name", "Dora", "--inbox", t.root() + "share/inbox/Dora", "--program-folder",
          program},
         0, "added Dora\n", ""},
        // The same Windows folder written in other letter case and separators replaces its entry.
        {{"settings", "--program-folder", program, "--map", "f:/Quindle/=" + t.root() + "share/"}, 0,
         "f:/Quindle/ is " + t.root() + "share/ here\n", ""},
    };
    for (const Step &step : steps) {
        QStringList args;
        for (const std::string &arg : step.args)
            args.append(qs(arg));
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        QProcess process;
        process.start(QStringLiteral(QUINDLE_TOOL), args);
        ASSERT_TRUE(process.waitForFinished(-1));
        EXPECT_EQ(process.exitCode(), step.status);
        EXPECT_EQ(process.readAllStandardOutput().toStdString(), step.out);
        EXPECT_EQ(process.readAllStandardError().toStdString(), step.err);
    }

    const TAddressData addresses = loadAddresses(book + "address list.qda");
    ASSERT_EQ(addresses.size(), 4u);
    EXPECT_EQ(addresses[3].InBox(), qs("F:\\QUINDLE\\inbox\\Dora\\"));
    const auto entry = [&](std::size_t i) {
        return addresses[i].Name() + QLatin1Char('|') + addresses[i].InBox() + QLatin1Char('|') +
               addresses[i].Comment() + QLatin1Char('|') + QString::number(addresses[i].Server());
    };
    EXPECT_EQ(entry(0), qs("Anna|" + anna + "||0"));
    EXPECT_EQ(entry(1), qs("Ben|/office/ben2/|Warehouse|0"));
    EXPECT_EQ(entry(2), qs("Server|/office/server/||1"));

    TSettings expected = before;
    expected.Name = qs("Anna");
    expected.MyDest = qs(anna);
    expected.Addresses = qs(book);
    expected.InboxData = qs(program);
    expected.pathMap = {{qs("f:/Quindle/"), qs(t.root() + "share/")}};
    EXPECT_EQ(readSettings(program), expected);
    // The program folder and main.ini are the user's alone, whatever the umask.
    EXPECT_EQ(std::filesystem::status(program).permissions(), std::filesystem::perms::owner_all);
    EXPECT_EQ(std::filesystem::status(program + "main.ini").permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    // Written even when a folder is not there yet; the tool says what the program will find.
    QProcess incomplete;
    incomplete.start(QStringLiteral(QUINDLE_TOOL),
                     {qs("settings"), qs("--program-folder"), qs(program), qs("--name"), qs("Anna"), qs("--inbox"),
                      qs(t.root() + "later"), qs("--addresses"), qs(book), qs("--data"), qs(program)});
    ASSERT_TRUE(incomplete.waitForFinished(-1));
    EXPECT_EQ(incomplete.exitCode(), 0);
    EXPECT_EQ(incomplete.readAllStandardError().toStdString(),
              "The settings are incomplete: \"Your Inbox\" is not an existing folder\n");
    EXPECT_EQ(readSettings(program).MyDest, qs(t.root() + "later/"));
}

} // namespace
