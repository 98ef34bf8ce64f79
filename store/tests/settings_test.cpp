#include "IoError.h"
#include "ProfileFile.h"
#include "Settings.h"

#include "tempfolders.h"

#include <gtest/gtest.h>

namespace {

QString q(const char *text)
{
    return QString::fromUtf8(text);
}

TSettings anna()
{
    TSettings s;
    s.Name = q("Anna");
    s.MyDest = q("/mail/anna/");
    s.Addresses = q("/mail/book/");
    s.InboxData = q("/home/anna/quindle/");
    s.AutoOptiAddress = true;
    s.AutoOptiInbox = false;
    return s;
}

TEST(Settings, SaveWritesTwoSectionsInOrderAndReadsBack)
{
    TempFolders dirs;
    saveSettings(dirs.program(), anna());
    EXPECT_EQ(readAll(dirs.program() + "main.ini"), "[Destination]\r\n"
                                                     "MyDest=/mail/anna/\r\n"
                                                     "[Settings]\r\n"
                                                     "Name=Anna\r\n"
                                                     "Addresses=/mail/book/\r\n"
                                                     "Inbox Data=/home/anna/quindle/\r\n"
                                                     "Auto Opti Address=1\r\n"
                                                     "Auto Opti Inbox=0\r\n");
    EXPECT_EQ(readSettings(dirs.program()), anna());

    // Saving again rewrites the values in place.
    TSettings changed = anna();
    changed.Name = q("Anna Berg");
    changed.AutoOptiAddress = false;
    changed.AutoOptiInbox = true;
    saveSettings(dirs.program(), changed);
    EXPECT_EQ(readSettings(dirs.program()), changed);
    EXPECT_EQ(readAll(dirs.program() + "main.ini").find("Name=Anna\r\n"), std::string::npos);

    // This program's own keys appear only while they are not the defaults.
    changed.CollectEvery = 5;
    changed.NewMailNotice = false;
    saveSettings(dirs.program(), changed);
    EXPECT_EQ(readSettings(dirs.program()), changed);
    EXPECT_NE(readAll(dirs.program() + "main.ini").find("Collect Every=5\r\nNew Mail Notice=0\r\n"), std::string::npos);
    saveSettings(dirs.program(), anna());
    EXPECT_EQ(readAll(dirs.program() + "main.ini").find("Collect"), std::string::npos);
    EXPECT_EQ(readSettings(dirs.program()), anna());
}

TEST(Settings, MissingFileAndKeysReadAsDefaults)
{
    TempFolders dirs;
    EXPECT_EQ(readSettings(dirs.program()), TSettings());
    writeAll(dirs.program() + "main.ini", "[Settings]\r\nName=Ben\r\n");
    TSettings expected;
    expected.Name = q("Ben");
    EXPECT_EQ(readSettings(dirs.program()), expected);
}

TEST(Settings, HandEditedFileInOtherLetterCaseIsRead)
{
    TempFolders dirs;
    writeAll(dirs.program() + "main.ini", "; edited by hand\n"
                                          "[settings]\n"
                                          "name = Ben\n"
                                          "ADDRESSES=/mail/book/\n"
                                          "inbox data = /data/\n"
                                          "auto opti address = 2\n"
                                          "Auto Opti Inbox = yes\n"
                                          "\n"
                                          "[DESTINATION]\n"
                                          "mydest=/mail/ben/\n");
    const TSettings s = readSettings(dirs.program());
    EXPECT_EQ(s.Name, q("Ben"));
    EXPECT_EQ(s.Addresses, q("/mail/book/"));
    EXPECT_EQ(s.InboxData, q("/data/"));
    EXPECT_EQ(s.MyDest, q("/mail/ben/"));
    EXPECT_TRUE(s.AutoOptiAddress);
    EXPECT_FALSE(s.AutoOptiInbox);

    // Saving keeps the comment and the hand-written key spelling.
    saveSettings(dirs.program(), anna());
    const std::string text = readAll(dirs.program() + "main.ini");
    EXPECT_EQ(text.rfind("; edited by hand\r\n[settings]\r\nname=Anna\r\nADDRESSES=/mail/book/\r\n", 0), 0u) << text;
    EXPECT_EQ(readSettings(dirs.program()), anna());
}

TEST(Settings, FailedSaveReportsTheFileAndKeepsEarlierValues)
{
    TempFolders dirs;
    const std::string missing = dirs.root() + "gone/";
    try {
        saveSettings(missing, anna());
        ADD_FAILURE() << "no error";
    } catch (const IoError &error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + missing + "main.ini");
    }

    // The name cannot be stored on one line: MyDest, written first, stays; the rest does not.
    TSettings broken = anna();
    broken.Name = q("An\nna");
    EXPECT_THROW(saveSettings(dirs.program(), broken), IoError);
    TSettings expected;
    expected.MyDest = anna().MyDest;
    EXPECT_EQ(readSettings(dirs.program()), expected);
}

} // namespace

namespace {

// main.ini may be edited by hand here in UTF-8; peers elsewhere read Windows-1252.
TEST(Settings, TextOfMainIniInEitherEncoding)
{
    struct Case
    {
        std::string file;
        const char *name;
    };
    const std::vector<Case> cases = {
        {"[Settings]\nName=Zo\xc3\xab \xc5\x81uk\n", "Zo\u00eb \u0141uk"}, // UTF-8, as edited here
        {"[Settings]\r\nName=Zo\xeb\r\n", "Zo\u00eb"},                     // Windows-1252
        {"[Settings] ; mine\r\nName=Ann\r\n", "Ann"},                       // a comment after the section
    };
    for (const Case &c : cases) {
        TempFolders dirs;
        writeAll(dirs.program() + "main.ini", c.file);
        EXPECT_EQ(readSettings(dirs.program()).Name, q(c.name)) << c.file;
    }
    // Written in Windows-1252 while every character fits, else in UTF-8.
    for (const auto &[name, bytes] : {std::pair{"Zo\u00eb \u20ac", std::string("Name=Zo\xeb \x80\r\n")},
                                      std::pair{"\u0141uk", std::string("Name=\xc5\x81uk\r\n")}}) {
        TempFolders dirs;
        TSettings s = anna();
        s.Name = q(name);
        saveSettings(dirs.program(), s);
        EXPECT_NE(readAll(dirs.program() + "main.ini").find(bytes), std::string::npos) << name;
        EXPECT_EQ(readSettings(dirs.program()).Name, q(name));
    }
}

TEST(Settings, SaveIsRefusedForANameNoPeerCouldSendTo)
{
    for (const auto &[name, refusal] :
         {std::pair{"Anna", ""}, std::pair{"Zo\u00eb", ""}, std::pair{"", ""},
          std::pair{"\u0141ukasz", "\"Your Name\" holds the character \"\u0141\" (U+0141)"},
          std::pair{"a/b", "\"Your Name\" cannot be part of a drop file name"}}) {
        TSettings s = anna();
        s.Name = q(name);
        const QString problem = settingsTextProblem(s);
        EXPECT_EQ(problem.isEmpty(), !*refusal) << name;
        if (*refusal) {
            EXPECT_TRUE(problem.startsWith(q(refusal))) << problem.toStdString();
        }
    }
}

} // namespace
