#include "mailfixture.h"

#include "FileOps.h"
#include "FolderCheck.h"
#include "InboxAttachments.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace {

struct ToolRun
{
    int status = -1;
    QString out;
    QString err;
};

ToolRun runTool(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral(QUINDLE_TOOL), args);
    process.waitForFinished(-1);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

QJsonObject findByName(const QJsonArray &array, const QString &name)
{
    for (const QJsonValue &value : array) {
        if (value.toObject().value(QStringLiteral("name")).toString() == name)
            return value.toObject();
    }
    return {};
}

TEST(FolderCheck, FindsGapShortFileCountMismatchAndLeftovers)
{
    TempFolders t;
    const std::string f = t.server1();
    writeAll(f + "Ann1.qdm", recordBytes(makeRecord("Carl", "a", {"report.doc"})));
    writeAll(f + "Ann2.qdm", recordBytes(makeRecord("Carl", "b", {"x.zip"})));
    writeAll(f + "Ann4.qdm", recordBytes(makeRecord("Carl", "d")));
    writeAll(f + "Bob1.qdm", recordBytes(makeRecord("Carl", "e")));
    writeAll(f + "Bob2.qdm", std::string(100, 'x'));
    writeAll(f + "Bob3.qdm", recordBytes(makeRecord("Carl", "g", {"report.doc"})));
    writeAll(f + ".quindle-drop-0123456789abcdef.tmp", "partial");
    writeAll(f + "report.doc", "r");
    writeAll(f + "stray.bin", "s");
    writeAll(f + "Attach.ini", "[attachments]\r\nreport.doc=3\r\nx.zip=1\r\n");
    const std::string before = readAll(f + "Attach.ini");
    // Planted, and left by a sender that died while writing in place minutes ago.
    std::filesystem::create_symlink(f + "report.doc", f + "Cid1.qdm");
    writeAll(f + "Cid2.qdm", "");
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::minutes(6);
    std::filesystem::last_write_time(f + "Cid2.qdm", old);

    const ToolRun run = runTool({QStringLiteral("check"), QStringLiteral("--json"), qs(f)});
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_TRUE(json.value(QStringLiteral("needsAttention")).toBool());

    const QJsonArray recipients = json.value(QStringLiteral("recipients")).toArray();
    const QJsonObject ann = findByName(recipients, qs("Ann"));
    EXPECT_EQ(ann.value(QStringLiteral("run")).toInt(), 2);
    EXPECT_EQ(ann.value(QStringLiteral("stopsAt")).toInt(), 0);
    EXPECT_EQ(ann.value(QStringLiteral("beyondGap")).toArray(), QJsonArray{4});
    const QJsonObject bob = findByName(recipients, qs("Bob"));
    EXPECT_EQ(bob.value(QStringLiteral("run")).toInt(), 3);
    EXPECT_EQ(bob.value(QStringLiteral("stopsAt")).toInt(), 2);
    EXPECT_EQ(json.value(QStringLiteral("shortFiles")).toArray(), QJsonArray{qs("Bob2.qdm")});
    EXPECT_EQ(json.value(QStringLiteral("staleFiles")).toArray(), QJsonArray{qs("Cid2.qdm")});
    EXPECT_EQ(json.value(QStringLiteral("notPlainFiles")).toArray(), QJsonArray{qs("Cid1.qdm")});
    EXPECT_EQ(json.value(QStringLiteral("temporaryFiles")).toArray(),
              QJsonArray{qs(".quindle-drop-0123456789abcdef.tmp")});

    const QJsonArray entries = json.value(QStringLiteral("attachments")).toArray();
    const QJsonObject report = findByName(entries, qs("report.doc"));
    EXPECT_EQ(report.value(QStringLiteral("count")).toInt(), 3);
    EXPECT_EQ(report.value(QStringLiteral("referenced")).toInt(), 2);
    EXPECT_TRUE(report.value(QStringLiteral("filePresent")).toBool());
    const QJsonObject zip = findByName(entries, qs("x.zip"));
    EXPECT_EQ(zip.value(QStringLiteral("count")).toInt(), 1);
    EXPECT_EQ(zip.value(QStringLiteral("referenced")).toInt(), 1);
    EXPECT_FALSE(zip.value(QStringLiteral("filePresent")).toBool());
    EXPECT_EQ(json.value(QStringLiteral("filesWithoutEntry")).toArray(),
              (QJsonArray{QJsonObject{{qs("name"), qs("stray.bin")}, {qs("size"), 1}}}));

    // The plain text names the same findings; the folder is only read.
    const ToolRun text = runTool({QStringLiteral("check"), qs(f)});
    EXPECT_EQ(text.status, 1);
    for (const char *line : {"Ann: collects Ann1.qdm to Ann2.qdm", "beyond a gap, collected after the run: Ann4.qdm",
                             "then stops at Bob2.qdm", "report.doc=3, named by 2 drop file slots",
                             "count does not match", "x.zip=1, named by 1 drop file slot, file missing",
                             "file with no entry: stray.bin (1 byte)", "needs attention"})
        EXPECT_TRUE(text.out.contains(qs(line))) << line << "\n" << text.out.toStdString();
    EXPECT_EQ(readAll(f + "Attach.ini"), before);
    EXPECT_EQ(listFolder(f).size(), 12u);
}

TEST(FolderCheck, AddressListEntriesThatCouldNeverReceiveMail)
{
    TempFolders t;
    writeAddressList(t.folder("addr"), {{"Ann", t.userA()}, {"../elsewhere/x", t.userB()}, {"", ""}});
    const ToolRun run = runTool({QStringLiteral("check"), qs(t.folder("addr") + "address list.qda")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, qs("entry 2: The name \"../elsewhere/x\" cannot be part of a drop file name: it is empty, "
                          "\".\" or \"..\", or holds a folder separator or a control character. Sends to it are "
                          "refused.\nneeds attention\n"));
}

TEST(FolderCheck, HealthyFolderNeedsNoAttention)
{
    TempFolders t;
    const std::string f = t.server1();
    // Ben11.qdm is Ben's eleventh and, as well, the first of a user called Ben1.
    for (int n = 1; n <= 11; ++n)
        writeAll(f + "Ben" + std::to_string(n) + ".qdm", recordBytes(makeRecord("Carl", "m", {"a.txt"})));
    writeAll(f + "a.txt", "a");
    writeAll(f + "kept.txt", "an own folder keeps collected attachments");
    writeAll(f + "Attach.ini", "[Attachments]\r\nA.TXT=11\r\n");

    const FolderCheckReport report = checkFolder(f);
    EXPECT_FALSE(report.needsAttention());
    ASSERT_EQ(report.recipients.size(), 2u);
    EXPECT_EQ(report.recipients[0].recipient, qs("Ben"));
    EXPECT_EQ(report.recipients[0].run, 11);
    EXPECT_EQ(report.recipients[1].recipient, qs("Ben1"));
    EXPECT_EQ(report.recipients[1].run, 1);
    ASSERT_EQ(report.entries.size(), 1u);
    EXPECT_EQ(report.entries[0].referenced, 11);
    ASSERT_EQ(report.filesWithoutEntry.size(), 1u);
    EXPECT_EQ(report.filesWithoutEntry[0].name, qs("kept.txt"));

    const ToolRun run = runTool({QStringLiteral("check"), qs(f)});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.endsWith(qs("ok\n"))) << run.out.toStdString();

    // One drop file more for the folder: the count falls behind.
    writeAll(f + "Ben12.qdm", recordBytes(makeRecord("Carl", "m", {"a.txt"})));
    EXPECT_TRUE(checkFolder(f).needsAttention());
    EXPECT_EQ(runTool({QStringLiteral("check"), qs(f)}).status, 1);

    // In a folder fine but for its Attach.ini, one that Quindle refuses fails every send with an
    // attachment there: too large to read, or a folder.
    const std::string g = t.server2();
    writeAll(g + "Ben1.qdm", recordBytes(makeRecord("Carl", "m")));
    writeAll(g + "Attach.ini", "");
    std::filesystem::resize_file(g + "Attach.ini", 5'000'000);
    const auto reports = [&](const char *said) {
        const ToolRun refused = runTool({QStringLiteral("check"), qs(g)});
        EXPECT_EQ(refused.status, 1);
        EXPECT_TRUE(refused.out.contains(qs(said)) && refused.out.endsWith(qs("needs attention\n")))
            << refused.out.toStdString();
    };
    reports("Attach.ini is 5.0 MB, more than the 4.2 MB Quindle reads");
    std::filesystem::remove(g + "Attach.ini");
    std::filesystem::create_directory(g + "Attach.ini");
    reports("Attach.ini is a folder");
}

} // namespace

TEST(InboxAttachments, CompactionRemovesOnlyWhatNothingNamesAndCheckSaysSo)
{
    TempFolders t;
    const std::string own = t.userA();
    // The datafile, the settings and the address list in the inbox folder itself.
    User anna("Anna", own, own, own, own);
    saveSettings(own, anna.settings);
    anna.inbox = {makeRecord("Ben", "kept", {"Kept.doc"}), TMessageRecord{}};
    writeAll(anna.datafile, recordBytes(anna.inbox[0]) + recordBytes(anna.inbox[1]));
    writeAll(own + "Anna1.qdm", recordBytes(makeRecord("Carl", "waiting", {"waiting.doc"})));
    writeAll(own + "Attach.ini", "[attachments]\r\ncounted.doc=1\r\nspent.doc=0\r\n");
    for (const char *name : {"kept.doc", "WAITING.doc", "counted.doc", "spent.doc", "gone.doc", ".hidden",
                             "tmprtf.tmp", "address list.qda", "Attach.ini.lock", "InBox.qdi.taking"})
        writeAll(own + name, std::string(2000, 'x'));
    std::filesystem::create_symlink("/etc/passwd", own + "link.doc");
    std::filesystem::create_directory(own + "folder.doc");

    const std::vector<UnusedAttachment> unused = unusedAttachments(own, anna.inbox);
    ASSERT_EQ(unused.size(), 2u);
    EXPECT_EQ(unused[0].name, qs("gone.doc"));
    EXPECT_EQ(unused[1].name, qs("spent.doc"));
    EXPECT_EQ(unused[1].size, 2000);

    const ToolRun check = runTool({qs("check"), qs("--program-folder"), qs(own), qs(own)});
    EXPECT_TRUE(check.out.contains(qs("attachment no collected message names (the next compaction removes it): "
                                      "gone.doc (2.0 kB)")))
        << check.out.toStdString();
    EXPECT_FALSE(check.out.contains(qs("file with no entry: gone.doc")));
    const ToolRun elsewhere = runTool({qs("check"), qs("--program-folder"), qs(own), qs(t.server1())});
    EXPECT_EQ(elsewhere.status, 1);

    const AttachmentCleanup cleanup = removeUnusedAttachments(own, anna.inbox);
    EXPECT_EQ(cleanup.removed, 2);
    EXPECT_EQ(cleanup.bytes, 4000);
    EXPECT_EQ(attachmentCleanupText(own, cleanup),
              qs("2 attachment files that no message names were removed from " + own + ": 4.0 kB came free."));
    for (const char *name : {"kept.doc", "WAITING.doc", "counted.doc", ".hidden", "tmprtf.tmp", "address list.qda",
                             "Attach.ini.lock", "InBox.qdi.taking", "InBox.qdi", "main.ini", "Anna1.qdm", "folder.doc"})
        EXPECT_TRUE(std::filesystem::exists(own + name)) << name;
    EXPECT_TRUE(std::filesystem::is_symlink(own + "link.doc"));
    EXPECT_FALSE(std::filesystem::exists(own + "gone.doc"));
    EXPECT_FALSE(std::filesystem::exists(own + "spent.doc"));
}
