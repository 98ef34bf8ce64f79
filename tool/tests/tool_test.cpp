#include "FileOps.h"
#include "mailfixture.h"

#include "DropFiles.h"
#include "InboxFile.h"
#include "RecordFile.h"
#include "Settings.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

struct ToolRun
{
    int status = -1;
    std::string out;
    std::string err;
};

ToolRun tool(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral(QUINDLE_TOOL), args);
    process.waitForFinished(-1);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput().toStdString(), process.readAllStandardError().toStdString()};
}

class Tool : public ::testing::Test
{
protected:
    TempFolders t;
    std::string addr = t.folder("addr");

    // A program folder whose "main.ini" holds a complete user; returned without its final
    // separator, as a script may pass it.
    QString programFolder(const std::string &name, const std::string &inbox)
    {
        const std::string program = t.folder("program-" + name);
        std::filesystem::permissions(program, std::filesystem::perms::owner_all);
        TSettings s;
        s.Name = qs(name);
        s.MyDest = qs(inbox);
        s.Addresses = qs(addr);
        s.InboxData = qs(t.folder("data-" + name));
        saveSettings(program, s);
        return qs(program.substr(0, program.size() - 1));
    }

    TInboxData datafile(const std::string &name)
    {
        return readMessageFile(t.folder("data-" + name) + "InBox.qdi").records;
    }
};

TEST_F(Tool, SendAndCollectExchangeAMessageWithAnAttachment)
{
    writeAddressList(addr, {{"Ann", t.userA()}, {"Ben", t.userB()}, {"Cara", t.root() + "gone/"},
                            {"Server", t.server1(), true}});
    const QString annProgram = programFolder("Ann", t.userA());
    const QString benProgram = programFolder("Ben", t.userB());
    writeAll(t.folder("docs") + "scan.pdf", std::string(30000, 's'));
    writeAll(t.folder("docs") + "body.rtf", "{\\rtf1 scanned}");

    const ToolRun sent = tool({qs("send"), qs("--program-folder"), annProgram, qs("--to"), qs("Ben"), qs("--to"),
                               qs("Cara"), qs("--subject"), qs("scan"), qs("--body-rtf"),
                               qs(t.folder("docs") + "body.rtf"), qs("--attach"), qs(t.folder("docs") + "scan.pdf")});
    EXPECT_EQ(sent.status, 0) << sent.err;
    // Each recipient, and where it went: Cara's folder is gone, so the server folder took it.
    EXPECT_EQ(sent.out, "sent to Ben: " + t.userB() + "\nsent to Cara through the server folder " + t.server1()
                                          + " (" + t.root() + "gone does not exist)\n");
    EXPECT_EQ(readAll(t.folder("program-Ann") + "tmprtf.tmp"), "{\\rtf1 scanned}");
    EXPECT_EQ(listFolder(t.userB()), (std::vector<std::string>{"Attach.ini", "Ben1.qdm", "scan.pdf"}));
    EXPECT_EQ(listFolder(t.server1()), (std::vector<std::string>{"Attach.ini", "Cara1.qdm", "scan.pdf"}));

    const ToolRun collected = tool({qs("collect"), qs("--program-folder"), benProgram});
    EXPECT_EQ(collected.status, 0) << collected.err;
    EXPECT_EQ(collected.out, "collected 1 message\n");
    const TInboxData inbox = datafile("Ben");
    ASSERT_EQ(inbox.size(), 1u);
    EXPECT_EQ(inbox[0].From(), qs("Ann"));
    EXPECT_EQ(inbox[0].Subject(), qs("scan"));
    EXPECT_EQ(inbox[0].ToName(2), qs("Cara"));
    EXPECT_EQ(inbox[0].AttachName(1), qs("scan.pdf"));
    EXPECT_EQ(inbox[0].bodyText(), QByteArrayView("{\\rtf1 scanned}"));
    EXPECT_EQ(readAll(t.userB() + "scan.pdf"), std::string(30000, 's'));
    EXPECT_EQ(listFolder(t.userB()), (std::vector<std::string>{"Attach.ini", "scan.pdf"}));
}

TEST_F(Tool, SecondCollectIsRefusedWhileTheInboxIsInUse)
{
    writeAddressList(addr, {{"Ben", t.userB()}});
    const QString benProgram = programFolder("Ben", t.userB());
    const std::string datafileName = t.folder("data-Ben") + "InBox.qdi";
    writeAll(t.userB() + "Ben1.qdm", recordBytes(makeRecord("Ann", "waiting")));
    {
        const std::unique_ptr<InboxLock> lock = InboxLock::tryAcquire(datafileName);
        ASSERT_TRUE(lock);
        const ToolRun refused = tool({qs("collect"), qs("--program-folder"), benProgram});
        EXPECT_EQ(refused.status, 1);
        EXPECT_EQ(refused.out, "");
        EXPECT_EQ(refused.err, inboxInUseMessage(datafileName).toStdString() + "\n");
        EXPECT_TRUE(fileExists(t.userB() + "Ben1.qdm"));
        EXPECT_TRUE(readMessageFile(datafileName).records.at(0).isEmpty());
    }
    const ToolRun collected = tool({qs("collect"), qs("--program-folder"), benProgram});
    EXPECT_EQ(collected.status, 0) << collected.err;
    EXPECT_EQ(collected.out, "collected 1 message\n");
    EXPECT_FALSE(fileExists(t.userB() + "Ben1.qdm"));
}

TEST_F(Tool, FailuresReportTheErrorWithStatusOne)
{
    writeAddressList(addr, {{"Ben", t.userB()}});
    // No "main.ini": the settings check fails and nothing is created.
    const std::string empty = t.folder("program-empty");
    std::filesystem::permissions(empty, std::filesystem::perms::owner_all);
    const ToolRun unset = tool({qs("collect"), qs("--program-folder"), qs(empty)});
    EXPECT_EQ(unset.status, 1);
    EXPECT_EQ(unset.err, "The settings are incomplete: \"Your Inbox\" is not an existing folder\n");
    EXPECT_TRUE(listFolder(empty).empty());

    const QString benProgram = programFolder("Ben", t.userB());
    writeAll(t.userB() + "Ben1.qdm", recordBytes(makeRecord("Ann", "first")));
    writeAll(t.userB() + "Ben2.qdm", std::string(50, 'x'));
    const ToolRun shortDrop = tool({qs("collect"), qs("--program-folder"), benProgram});
    EXPECT_EQ(shortDrop.status, 1);
    EXPECT_EQ(shortDrop.out, "collected 1 message before an error\n");
    EXPECT_EQ(shortDrop.err, t.userB() + "Ben2.qdm is shorter than one message (a sender may still be writing it): "
                             "Read beyond end of file\n");
    EXPECT_TRUE(fileExists(t.userB() + "Ben2.qdm"));

    writeAll(t.folder("docs") + "body.rtf", std::string(10002, 'b'));
    const ToolRun tooLong = tool({qs("send"), qs("--program-folder"), benProgram, qs("--to"), qs("Ben"),
                                  qs("--subject"), qs("s"), qs("--body-rtf"), qs(t.folder("docs") + "body.rtf")});
    EXPECT_EQ(tooLong.status, 1);
    EXPECT_EQ(tooLong.err, "Sorry your message body is too long\n");
    EXPECT_EQ(listFolder(t.userB()), (std::vector<std::string>{"Ben2.qdm"}));

    const ToolRun noBody = tool({qs("send"), qs("--program-folder"), benProgram, qs("--to"), qs("Ben"),
                                 qs("--subject"), qs("s"), qs("--body-rtf"), qs(t.root() + "missing.rtf")});
    EXPECT_EQ(noBody.status, 1);
    EXPECT_EQ(noBody.err, "File not found\n");

    // A Windows folder that no key and no mount leads to, and no server folder: said with why.
    const std::string hal = "\\\\nohost\\noshare\\hal\\";
    const std::string why = hal + ": no path map entry holds it and the share \\\\nohost\\noshare is not mounted here";
    writeAddressList(addr, {{"Ben", t.userB()}, {"Hal", hal}});
    writeAll(t.folder("docs") + "body.rtf", "{\\rtf1 hi}");
    const ToolRun unreached = tool({qs("send"), qs("--program-folder"), benProgram, qs("--to"), qs("Hal"),
                                    qs("--subject"), qs("s"), qs("--body-rtf"), qs(t.folder("docs") + "body.rtf")});
    EXPECT_EQ(unreached.status, 1);
    EXPECT_EQ(unreached.out, "");
    EXPECT_EQ(unreached.err, "not reached: Hal: " + why + ", and no server folder took it\n");
    const ToolRun checked = tool({qs("check"), qs("--program-folder"), benProgram, qs("--addresses"),
                                  qs(addr + "address list.qda")});
    EXPECT_EQ(checked.status, 1);
    EXPECT_EQ(checked.out, "Ben: " + t.userB() + " -> " + t.userB() + "\nHal: " + hal + " -> not reached: " + why + "\n");
}

} // namespace
