#include "DropFiles.h"
#include "FileOps.h"
#include "IoError.h"
#include "MessageRecord.h"
#include "helpers/children.h"
#include "tempfolders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <vector>

namespace {

TMessageRecord message(const QString &from, const QString &subject)
{
    TMessageRecord record;
    record.setFrom(from);
    record.setSubject(subject);
    record.setToName(1, QStringLiteral("Anna"));
    for (int i = 0; i < TMessageRecord::BodySize; ++i)
        record.bodyData()[i] = static_cast<char>('a' + i % 26);
    return record;
}

std::string bytesOf(const TMessageRecord &record)
{
    return std::string(record.bytes.data(), record.bytes.size());
}

std::set<std::string> namesIn(const std::string &folder)
{
    std::set<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

} // namespace

TEST(DropFiles, NamesJoinFolderRecipientAndNumberWithoutSeparator)
{
    EXPECT_EQ(DropFileName("/mail/", QStringLiteral("Anna"), 1), "/mail/Anna1.qdm");
    EXPECT_EQ(DropFileName("/mail/", QStringLiteral("Anna"), 10), "/mail/Anna10.qdm");
    EXPECT_EQ(DropFileName("/mail/", QStringLiteral("Ben1"), 1), DropFileName("/mail/", QStringLiteral("Ben"), 11));
    EXPECT_EQ(DropFileName("/mail/Anna", QStringLiteral("Anna"), 1), "/mail/AnnaAnna1.qdm");
    EXPECT_EQ(DropFileName("/mail/", QStringLiteral(" anna "), 2), "/mail/ anna 2.qdm");
    EXPECT_EQ(DropFileName("/mail/", QStringLiteral("Zoë"), 3), "/mail/Zo\xc3\xab" "3.qdm");
}

TEST(DropFiles, NextNumberIsTheFirstMissingFile)
{
    struct Case
    {
        std::vector<std::string> files;
        std::vector<std::string> folders;
        const char *recipient;
        int expected;
    };
    const std::vector<Case> cases = {
        {{}, {}, "Anna", 1},
        {{"Anna1.qdm", "Anna2.qdm"}, {}, "Anna", 3},
        {{"Anna1.qdm", "Anna3.qdm"}, {}, "Anna", 2},
        {{"Anna2.qdm"}, {}, "Anna", 1},
        {{"Anna1.qdm", "Ben1.qdm", "Ben2.qdm"}, {}, "Ben", 3},
        {{"Anna1.qdm", "Ben1.qdm", "Ben2.qdm"}, {}, "Anna", 2},
        {{"anna1.qdm"}, {}, "Anna", 1},
        {{"Anna1.QDM", "Anna1.tmp", "Anna01.qdm"}, {}, "Anna", 1},
        // Whatever stands under the name moves the number on, as the collector goes past it.
        {{}, {"Anna1.qdm"}, "Anna", 2},
        {{"Anna2.qdm"}, {"Anna1.qdm"}, "Anna", 3},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        TempFolders tree;
        const std::string folder = tree.folder("case" + std::to_string(i));
        for (const auto &name : cases[i].files)
            writeAll(folder + name, "x");
        for (const auto &name : cases[i].folders)
            std::filesystem::create_directory(folder + name);
        EXPECT_EQ(NextDropNumber(folder, QString::fromUtf8(cases[i].recipient)), cases[i].expected) << "case " << i;
    }
}

TEST(DropFiles, WritesOneWholeRecordUnderTheNextNumber)
{
    TempFolders tree;
    const std::string folder = tree.userA();
    const TMessageRecord first = message(QStringLiteral("Carla"), QStringLiteral("one"));
    const TMessageRecord second = message(QStringLiteral("Carla"), QStringLiteral("two"));

    EXPECT_EQ(WriteDropFile(folder, QStringLiteral("Anna"), first), 1);
    EXPECT_EQ(WriteDropFile(folder, QStringLiteral("Anna"), second), 2);
    EXPECT_EQ(WriteDropFile(folder, QStringLiteral("Ben"), second, DropFlush::None), 1);

    const std::string stored = readAll(folder + "Anna1.qdm");
    EXPECT_EQ(stored.size(), 19100u);
    EXPECT_EQ(stored, bytesOf(first));
    EXPECT_EQ(readAll(folder + "Anna2.qdm"), bytesOf(second));
    EXPECT_EQ(readAll(folder + "Ben1.qdm"), bytesOf(second));
    // Nothing but the drop files is left behind.
    EXPECT_EQ(namesIn(folder), (std::set<std::string>{"Anna1.qdm", "Anna2.qdm", "Ben1.qdm"}));

    // A gap is filled first, and the file after it is never overwritten.
    std::filesystem::remove(folder + "Anna1.qdm");
    EXPECT_EQ(WriteDropFile(folder, QStringLiteral("Anna"), second), 1);
    EXPECT_EQ(readAll(folder + "Anna2.qdm"), bytesOf(second));
    EXPECT_EQ(WriteDropFile(folder, QStringLiteral("Anna"), first), 3);
}

TEST(DropFiles, NumbersOfNamesThatRunIntoEachOtherNeverCollide)
{
    TempFolders tree;
    const std::string folder = tree.server1();
    const TMessageRecord forBen = message(QStringLiteral("Carla"), QStringLiteral("for Ben"));
    const TMessageRecord forBen1 = message(QStringLiteral("Carla"), QStringLiteral("for Ben1"));

    for (int i = 1; i <= 10; ++i)
        EXPECT_EQ(WriteDropFile(folder, QStringLiteral("Ben"), forBen), i);
    EXPECT_TRUE(fileExists(folder + "Ben10.qdm"));
    EXPECT_FALSE(fileExists(folder + "Ben010.qdm"));

    // Ben1's first and Ben's eleventh share the name Ben11.qdm: whoever comes second
    // moves on, and both messages are kept.
    EXPECT_EQ(WriteDropFile(folder, QStringLiteral("Ben1"), forBen1), 1);
    EXPECT_EQ(readAll(folder + "Ben11.qdm"), bytesOf(forBen1));
    EXPECT_EQ(WriteDropFile(folder, QStringLiteral("Ben"), forBen), 12);
    EXPECT_EQ(readAll(folder + "Ben11.qdm"), bytesOf(forBen1));
    EXPECT_EQ(readAll(folder + "Ben12.qdm"), bytesOf(forBen));
}

TEST(DropFiles, FolderWithoutFinalSeparatorIsJoinedUnchanged)
{
    TempFolders tree;
    const std::string parent = tree.folder("mail");
    const std::string typed = parent + "Anna"; // as typed by hand, no final separator
    std::filesystem::create_directory(typed);

    EXPECT_EQ(WriteDropFile(typed, QStringLiteral("Anna"), message(QStringLiteral("Carla"), {})), 1);
    EXPECT_EQ(readAll(parent + "AnnaAnna1.qdm").size(), 19100u);
    EXPECT_TRUE(namesIn(typed).empty());
    EXPECT_EQ(namesIn(parent), (std::set<std::string>{"Anna", "AnnaAnna1.qdm"}));
}

TEST(DropFiles, FailuresRaiseTheirErrorAndLeaveNoTemporaryFile)
{
    TempFolders tree;
    const std::string folder = tree.userA();
    const TMessageRecord record = message(QStringLiteral("Carla"), {});
    writeAll(folder + "plain", "not a folder");
    std::filesystem::create_directory(folder + "Anna1.qdm");
    std::filesystem::create_symlink(folder + "nowhere", folder + "Ben1.qdm");

    struct Case
    {
        std::string folder;
        const char *message;
    };
    const std::vector<Case> cases = {
        {tree.root() + "missing/", "File not found"},
        {folder + "plain/", "Invalid filename"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(errorOf<IoError>([&] { WriteDropFile(c.folder, QStringLiteral("Anna"), record); }), c.message) << c.folder;
    // A folder or a link under the name is gone past, as the collector goes past it.
    EXPECT_EQ(WriteDropFile(folder, QStringLiteral("Anna"), record), 2);
    EXPECT_EQ(WriteDropFile(folder, QStringLiteral("Ben"), record), 2);
    EXPECT_EQ(namesIn(folder), (std::set<std::string>{"plain", "Anna1.qdm", "Anna2.qdm", "Ben1.qdm", "Ben2.qdm"}));
}

TEST(DropFiles, TemporaryNamesAreRecognisedAndNeverCollected)
{
    EXPECT_TRUE(isTemporaryDropFile(".quindle-drop-0123456789abcdef.tmp"));
    EXPECT_TRUE(isTemporaryDropFile(".quindle-attach-0123456789abcdef.tmp"));
    for (const char *name : {"Anna1.qdm", ".quindle-.tmp", "quindle-drop-01.tmp", ".quindle-drop-01.qdm",
                             "x/.quindle-drop-01.tmp", ""})
        EXPECT_FALSE(isTemporaryDropFile(name)) << name;
}

TEST(DropFiles, PlainFileNames)
{
    for (const QString &name : {QStringLiteral("report.doc"), QStringLiteral("a"), QStringLiteral("..."),
                                QStringLiteral(".hidden"), QStringLiteral("Zoë's plan.txt")})
        EXPECT_TRUE(isPlainFileName(name)) << name.toStdString();
    for (const QString &name : {QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("../x"),
                                QStringLiteral("a/b"), QStringLiteral("a\\b"), QStringLiteral("a\tb"),
                                QString(QChar(0)) + QStringLiteral("x"), QStringLiteral("a") + QChar(0x7f),
                                QStringLiteral("a") + QChar(0x85)})
        EXPECT_FALSE(isPlainFileName(name)) << name.toStdString();
}

// Senders in several processes drop mail for one recipient into one folder while another
// process keeps opening every drop file it finds.
TEST(DropFiles, ConcurrentSendersKeepEveryMessageAndNoReaderSeesAPartialFile)
{
    TempFolders tree;
    const std::string folder = tree.server1();
    const std::string stop = tree.root() + "stop";
    const int senders = 4;
    const int each = 100;

    auto watcher = startChild({QStringLiteral("watch"), childArg(folder), childArg(stop)});
    ASSERT_TRUE(watcher->waitForStarted());
    std::vector<std::unique_ptr<QProcess>> children;
    for (int s = 0; s < senders; ++s)
        children.push_back(startChild({QStringLiteral("drop"), childArg(folder), QStringLiteral("Anna"),
                                       QString::number(each), QStringLiteral("sender%1").arg(s)}));
    for (auto &child : children)
        EXPECT_TRUE(finishedCleanly(*child)) << child->readAllStandardError().toStdString();
    writeAll(stop, "");
    EXPECT_TRUE(finishedCleanly(*watcher));
    long seen = 0;
    long shortFiles = -1;
    std::sscanf(watcher->readAllStandardOutput().constData(), "%ld %ld", &seen, &shortFiles);
    EXPECT_GE(seen, senders * each);
    EXPECT_EQ(shortFiles, 0);

    // Every message is there exactly once, numbered 1..N without a gap.
    std::set<std::pair<QString, QString>> messages;
    const int total = senders * each;
    for (int n = 1; n <= total; ++n) {
        const std::string name = DropFileName(folder, QStringLiteral("Anna"), n);
        ASSERT_TRUE(fileExists(name)) << name;
        const std::string bytes = readAll(name);
        ASSERT_EQ(bytes.size(), 19100u);
        TMessageRecord record;
        std::copy(bytes.begin(), bytes.end(), record.bytes.begin());
        messages.insert({record.From(), record.Subject()});
    }
    EXPECT_EQ(messages.size(), static_cast<std::size_t>(total));
    EXPECT_EQ(namesIn(folder).size(), static_cast<std::size_t>(total));
}
