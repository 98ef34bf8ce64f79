#include "FileOps.h"
#include "DropFiles.h"
#include "IoError.h"
#include "ProfileFile.h"
#include "helpers/children.h"
#include "tempfolders.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <optional>
#include <vector>

namespace {

// The stored text of a key, or nothing when the key is missing.
std::optional<std::string> storedCount(const std::string &folder, const QString &name)
{
    const QString missing = QStringLiteral("<missing>");
    const QString value = TProfileFile(folder + "Attach.ini").ReadString(u"attachments", name, missing);
    if (value == missing)
        return std::nullopt;
    return value.toStdString();
}

void store(const std::string &folder, const QString &name, const QString &value)
{
    TProfileFile(folder + "Attach.ini").WriteString(u"Attachments", name, value);
}

} // namespace

TEST(AttachmentCounts, CountAddsOneToWhatIsStored)
{
    struct Case
    {
        std::optional<QString> before;
        std::string after;
    };
    const std::vector<Case> cases = {
        {std::nullopt, "1"},
        {QStringLiteral("1"), "2"},
        {QStringLiteral("41"), "42"},
        {QStringLiteral("abc"), "1"},
        {QStringLiteral("0x1A"), "27"},
        {QStringLiteral("-1"), "0"},
    };
    for (const auto &c : cases) {
        TempFolders tree;
        const std::string folder = tree.server1();
        if (c.before)
            store(folder, QStringLiteral("report.doc"), *c.before);
        store(folder, QStringLiteral("other.doc"), QStringLiteral("5"));
        CountAttachment(folder, QStringLiteral("report.doc"));
        EXPECT_EQ(storedCount(folder, QStringLiteral("report.doc")), c.after) << c.before.value_or(QString()).toStdString();
        EXPECT_EQ(storedCount(folder, QStringLiteral("other.doc")), std::string("5"));
    }
}

TEST(AttachmentCounts, SameNameSentTwiceLeavesOneFileWithTheLaterContentAndCountTwo)
{
    TempFolders tree;
    const std::string source = tree.userA() + "report.doc";
    const std::string folder = tree.userB();
    writeAll(source, "first message's report, the longer one");
    CopyAttachment(source, folder, QStringLiteral("report.doc"));
    CountAttachment(folder, QStringLiteral("report.doc"));
    writeAll(source, "second report");
    CopyAttachment(source, folder, QStringLiteral("report.doc"));
    CountAttachment(folder, QStringLiteral("report.doc"));

    EXPECT_EQ(readAll(folder + "report.doc"), "second report");
    EXPECT_EQ(storedCount(folder, QStringLiteral("report.doc")), std::string("2"));
    EXPECT_NE(readAll(folder + "Attach.ini").find("report.doc=2"), std::string::npos);
}

TEST(AttachmentCounts, EmptyAttachmentIsCopiedAndCounted)
{
    TempFolders tree;
    writeAll(tree.userA() + "empty.txt", "");
    CopyAttachment(tree.userA() + "empty.txt", tree.server1(), QStringLiteral("empty.txt"));
    CountAttachment(tree.server1(), QStringLiteral("empty.txt"));
    EXPECT_TRUE(fileExists(tree.server1() + "empty.txt"));
    EXPECT_EQ(readAll(tree.server1() + "empty.txt"), "");
    EXPECT_EQ(storedCount(tree.server1(), QStringLiteral("empty.txt")), std::string("1"));
}

TEST(AttachmentCounts, UncountLowersAndRemovesTheKeyAtZeroOrMinusOne)
{
    struct Case
    {
        std::optional<QString> before;
        int left;
        std::optional<std::string> after;
    };
    const std::vector<Case> cases = {
        {QStringLiteral("2"), 1, "1"},
        {QStringLiteral("1"), 0, std::nullopt},
        {std::nullopt, -1, std::nullopt},
        {QStringLiteral("0"), -1, std::nullopt},
        {QStringLiteral("junk"), -1, std::nullopt},
        {QStringLiteral("-1"), -2, "-2"},
    };
    for (const auto &c : cases) {
        TempFolders tree;
        const std::string folder = tree.server1();
        if (c.before)
            store(folder, QStringLiteral("report.doc"), *c.before);
        store(folder, QStringLiteral("other.doc"), QStringLiteral("3"));
        const QString label = c.before.value_or(QStringLiteral("missing"));
        EXPECT_EQ(UncountAttachment(folder, QStringLiteral("report.doc")), c.left) << label.toStdString();
        EXPECT_EQ(storedCount(folder, QStringLiteral("report.doc")), c.after) << label.toStdString();
        EXPECT_EQ(storedCount(folder, QStringLiteral("other.doc")), std::string("3"));
    }
}

TEST(AttachmentCounts, ForgetRemovesTheKeyWhateverItHolds)
{
    TempFolders tree;
    const std::string folder = tree.userA();
    store(folder, QStringLiteral("x.zip"), QStringLiteral("7"));
    store(folder, QStringLiteral("y.zip"), QStringLiteral("2"));
    ForgetAttachment(Folder::open(folder), QStringLiteral("X.ZIP"));
    ForgetAttachment(Folder::open(folder), QStringLiteral("never.zip"));
    EXPECT_EQ(storedCount(folder, QStringLiteral("x.zip")), std::nullopt);
    EXPECT_EQ(storedCount(folder, QStringLiteral("y.zip")), std::string("2"));
    // Nothing to remove from and nowhere to lock: still no error.
    ForgetAttachment(Folder::openIfFolder(tree.root() + "missing/"), QStringLiteral("x.zip"));
}

TEST(AttachmentCounts, CountThatCannotBeWrittenNamesAttachIni)
{
    TempFolders tree;
    const std::string blocked = tree.folder("blocked");
    std::filesystem::create_directory(blocked + "Attach.ini");
    const std::string missing = tree.root() + "missing/";
    for (const auto &folder : {blocked, missing}) {
        const std::string expected = "Unable to write to " + folder + "Attach.ini";
        EXPECT_EQ(errorOf<IoError>([&] { CountAttachment(folder, QStringLiteral("report.doc")); }), expected);
        EXPECT_EQ(errorOf<IoError>([&] { UncountAttachment(folder, QStringLiteral("report.doc")); }), expected);
    }
}

// Copies of the program on several machines count into one Attach.ini at once.
TEST(AttachmentCounts, ConcurrentCountsAreNeverLost)
{
    TempFolders tree;
    const std::string folder = tree.server1();
    const int processes = 4;
    const int each = 60;
    store(folder, QStringLiteral("other.doc"), QStringLiteral("9"));

    std::vector<std::unique_ptr<QProcess>> children;
    for (int p = 0; p < processes; ++p)
        children.push_back(startChild({QStringLiteral("count"), childArg(folder), QStringLiteral("report.doc"),
                                       QString::number(each)}));
    // This process takes part as well.
    for (int i = 0; i < each; ++i)
        CountAttachment(folder, QStringLiteral("report.doc"));
    for (auto &child : children)
        EXPECT_TRUE(finishedCleanly(*child)) << child->readAllStandardError().toStdString();

    EXPECT_EQ(storedCount(folder, QStringLiteral("report.doc")), std::to_string((processes + 1) * each));
    EXPECT_EQ(storedCount(folder, QStringLiteral("other.doc")), std::string("9"));
}

TEST(AttachmentCounts, CollectorWaitsUntilACopyInProgressIsCounted)
{
    TempFolders tree;
    const std::string folder = tree.server1();
    // An older message's copy, counted once, waiting to be collected.
    writeAll(folder + "report.doc", "old");
    CountAttachment(folder, QStringLiteral("report.doc"));

    std::unique_ptr<QProcess> collector;
    {
        const AttachmentLock sending(folder);
        collector = startChild({QStringLiteral("uncount"), childArg(folder), QStringLiteral("report.doc")});
        ASSERT_TRUE(collector->waitForStarted());
        // The collector must not lower the count to 0 and delete the file between this
        // copy and its count.
        writeAll(folder + "report.doc", "new");
        CountAttachment(sending, QStringLiteral("report.doc"));
    }
    ASSERT_TRUE(finishedCleanly(*collector));
    EXPECT_EQ(collector->readAllStandardOutput().trimmed(), QByteArray("1"));
    EXPECT_EQ(readAll(folder + "report.doc"), "new");
    EXPECT_EQ(storedCount(folder, QStringLiteral("report.doc")), std::optional<std::string>("1"));
}

namespace {

TEST(AttachmentCounts, CountsStopAtTheIntegerLimits)
{
    TempFolders tree;
    const std::string folder = tree.server1();
    store(folder, QStringLiteral("a.doc"), QString::number(INT_MAX));
    store(folder, QStringLiteral("b.doc"), QString::number(INT_MIN));
    CountAttachment(folder, QStringLiteral("a.doc"));
    EXPECT_EQ(UncountAttachment(folder, QStringLiteral("b.doc")), INT_MIN);
    EXPECT_EQ(storedCount(folder, QStringLiteral("a.doc")), std::to_string(INT_MAX));
}

} // namespace
