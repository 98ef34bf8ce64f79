#include "FileOps.h"
#include "casename.h"
#include "InboxFile.h"
#include "IoError.h"
#include "RecordFile.h"

#include "tempfolders.h"

#include <gtest/gtest.h>

#include <QDir>

#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace {

constexpr int Size = TMessageRecord::Size;

QString q(const char *text)
{
    return QString::fromUtf8(text);
}

TMessageRecord message(const QString &from, const QString &subject)
{
    TMessageRecord r;
    r.setFrom(from);
    r.setToName(1, u"Anna");
    r.setToFolder(1, u"/mail/anna/");
    r.setPlaceholder1(u"not yet avalable");
    r.setPlaceholder2(u"not yet avalable");
    r.setSubject(subject);
    const QByteArray body = "{\\rtf1 " + subject.toLatin1() + "}";
    std::memcpy(r.bodyData(), body.constData(), static_cast<std::size_t>(body.size()));
    r.setAttachName(1, u"a.doc");
    r.setAttachName(10, u"j.doc");
    r.bytes[TMessageRecord::SpareOffset + 5] = 7; // bytes a delete must not touch
    return r;
}

std::string bytesOf(const std::vector<TMessageRecord> &records)
{
    std::string bytes;
    for (const TMessageRecord &r : records)
        bytes.append(r.bytes.data(), r.bytes.size());
    return bytes;
}

QStringList entriesOf(const std::string &folder)
{
    return QDir(QString::fromStdString(folder)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

TEST(InboxFile, NameIsTheFolderTextFollowedDirectlyByTheFileName)
{
    EXPECT_EQ(inboxFileName(q("/mail/")), "/mail/InBox.qdi");
    EXPECT_EQ(inboxFileName(q("/mail")), "/mailInBox.qdi");
    EXPECT_EQ(inboxFileName(q("/d\u00e9p/")), "/d\xC3\xA9p/InBox.qdi");
}

TEST(InboxFile, LoadCreatesAMissingFileAndReadsWholeRecordsOnly)
{
    TempFolders dirs;
    const std::string name = inboxFileName(QString::fromStdString(dirs.userA()));
    TInboxData inbox = loadInbox(name);
    ASSERT_EQ(inbox.size(), 1u);
    EXPECT_TRUE(inbox[0].isEmpty());
    EXPECT_EQ(readAll(name), std::string(Size, '\0'));

    // A trailing piece shorter than a record is not a slot.
    const std::vector<TMessageRecord> three = {message(q("A"), q("one")), TMessageRecord(), message(q("C"), q("three"))};
    writeAll(name, bytesOf(three) + std::string(100, 'x'));
    inbox = loadInbox(name);
    EXPECT_EQ(inbox, three);
    EXPECT_EQ(readAll(name).size(), 3u * Size + 100) << "load must not change an existing file";

    EXPECT_EQ(errorOf<IoError>([&] { loadInbox(dirs.root() + "gone/InBox.qdi"); }), "File not found");
    const std::string folder = dirs.folder("dir.qdi");
    EXPECT_EQ(errorOf<IoError>([&] { loadInbox(folder.substr(0, folder.size() - 1)); }), "File access denied");
}

TEST(InboxFile, WriteSlotReplacesOrAppendsInPlace)
{
    TempFolders dirs;
    const std::string name = dirs.userA() + "InBox.qdi";
    TInboxData inbox = loadInbox(name);
    const TMessageRecord a = message(q("A"), q("one"));
    const TMessageRecord b = message(q("B"), q("two"));
    writeInboxSlot(name, 0, a);
    writeInboxSlot(name, 1, b); // the slot count: appends
    EXPECT_EQ(readAll(name), bytesOf({a, b}));
    writeInboxSlot(name, 0, b);
    EXPECT_EQ(readAll(name), bytesOf({b, b}));

    EXPECT_EQ(errorOf<IoError>([&] { writeInboxSlot(dirs.userA() + "missing.qdi", 0, a); }), "File not found");
    EXPECT_FALSE(fileExists(dirs.userA() + "missing.qdi"));
    EXPECT_EQ(errorOf<IoError>([&] { writeInboxSlot("/dev/full", 0, a); }), "Disk full");
}

TEST(InboxFile, DeleteClearsTheMessageInPlaceAndCompactionKeepsTheOthersInOrder)
{
    TempFolders dirs;
    const std::string name = dirs.userA() + "InBox.qdi";
    const std::vector<TMessageRecord> three = {message(q("A"), q("one")), message(q("B"), q("two")),
                                               message(q("C"), q("three"))};
    writeAll(name, bytesOf(three));
    TInboxData inbox = loadInbox(name);
    TMessageRecord scratch = message(q("Outgoing"), q("draft"));

    deleteInboxMessage(inbox, 1, scratch, name);
    TMessageRecord cleared = three[1];
    for (int offset : {0, 5376, 5632, 5888})
        cleared.bytes[static_cast<std::size_t>(offset)] = 0;
    std::memset(cleared.bodyData(), 0, TMessageRecord::BodySize);
    for (int k = 1; k <= 10; ++k)
        cleared.bytes[static_cast<std::size_t>(TMessageRecord::attachNameOffset(k))] = 0;
    EXPECT_TRUE(inbox[1] == cleared);
    EXPECT_TRUE(inbox[1].isEmpty());
    EXPECT_EQ(inbox[1].ToName(1), q("Anna")) << "recipients stay";
    EXPECT_EQ(inbox[1].bytes[5889], 't') << "only the length byte of Subject is cleared";
    EXPECT_TRUE(scratch == cleared);
    EXPECT_EQ(readAll(name), bytesOf({three[0], cleared, three[2]}));

    // Out of range: nothing happens.
    deleteInboxMessage(inbox, -1, scratch, name);
    deleteInboxMessage(inbox, 3, scratch, name);
    EXPECT_EQ(readAll(name), bytesOf({three[0], cleared, three[2]}));

    packInbox(name, inbox, scratch);
    EXPECT_EQ(inbox, (TInboxData{three[0], three[2]}));
    EXPECT_EQ(readAll(name), bytesOf({three[0], three[2]}));
    EXPECT_TRUE(scratch == three[2]) << "the scratch record holds the last record read";
    EXPECT_EQ(entriesOf(dirs.userA()), QStringList{q("InBox.qdi")});
}

TEST(InboxFile, CompactionEdgeCases)
{
    TempFolders dirs;
    const std::string name = dirs.userA() + "InBox.qdi";
    TMessageRecord scratch;

    // Deleting the only message, then compacting: one empty record remains.
    writeAll(name, bytesOf({message(q("A"), q("one"))}));
    TInboxData inbox = loadInbox(name);
    deleteInboxMessage(inbox, 0, scratch, name);
    packInbox(name, inbox, scratch);
    EXPECT_EQ(readAll(name), std::string(Size, '\0'));
    ASSERT_EQ(inbox.size(), 1u);
    EXPECT_TRUE(inbox[0].isEmpty());

    // No free slot: rewritten unchanged; a trailing piece is dropped.
    const std::vector<TMessageRecord> full = {message(q("A"), q("one")), message(q("B"), q("two"))};
    writeAll(name, bytesOf(full));
    packInbox(name, inbox, scratch);
    EXPECT_EQ(readAll(name), bytesOf(full));
    writeAll(name, bytesOf(full) + "partial");
    packInbox(name, inbox, scratch);
    EXPECT_EQ(readAll(name), bytesOf(full));
    EXPECT_EQ(inbox, full);

    // Many blocks of records, free slots across their borders, the last slot free.
    std::vector<TMessageRecord> many;
    std::vector<TMessageRecord> kept;
    for (int i = 0; i < 150; ++i) {
        many.push_back(i % 3 == 2 ? TMessageRecord() : message(q("S"), QString::number(i)));
        if (i % 3 != 2)
            kept.push_back(many.back());
    }
    writeAll(name, bytesOf(many));
    packInbox(name, inbox, scratch);
    EXPECT_EQ(readAll(name), bytesOf(kept));
    EXPECT_EQ(inbox, kept);
    EXPECT_TRUE(scratch == many.back());

    // An empty file (no whole record) becomes one empty record.
    writeAll(name, "short");
    packInbox(name, inbox, scratch);
    EXPECT_EQ(readAll(name), std::string(Size, '\0'));
}

// A fault planted before the compaction runs, and the message it must end with.
struct PackFault
{
    const char *what;
    std::function<void(const TempFolders &)> plant;
    const char *message;
};

class InboxPackFault : public ::testing::TestWithParam<PackFault>
{
};

TEST_P(InboxPackFault, LeavesTheCompleteOldFileAndLosesNothing)
{
    TempFolders dirs;
    const std::string name = dirs.userA() + "InBox.qdi";
    const std::vector<TMessageRecord> records = {TMessageRecord(), message(q("A"), q("one")), TMessageRecord(),
                                                 message(q("B"), q("two"))};
    writeAll(name, bytesOf(records));
    TInboxData inbox = loadInbox(name);
    TMessageRecord scratch;
    GetParam().plant(dirs);

    EXPECT_EQ(errorOf<IoError>([&] { packInbox(name, inbox, scratch); }), GetParam().message);
    EXPECT_EQ(readAll(name), bytesOf(records));
    EXPECT_EQ(inbox, records);
    EXPECT_FALSE(fileExists(packingFileName(name)));

    // Once the fault is gone the compaction completes with every message.
    std::filesystem::remove_all(packingFileName(name));
    packInbox(name, inbox, scratch);
    EXPECT_EQ(readAll(name), bytesOf({records[1], records[3]}));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, InboxPackFault,
    ::testing::Values(
        PackFault{"the new datafile's name is a folder",
                  [](const TempFolders &d) { d.folder("inbox-a/InBox.qdi.new"); }, "File access denied"},
        PackFault{"the new datafile on a full disk",
                  [](const TempFolders &d) { std::filesystem::create_symlink("/dev/full", d.userA() + "InBox.qdi.new"); },
                  "Disk full"}),
    [](const auto &info) { return caseTestName(info.param.what); });

TEST(InboxFile, CompactionThroughALinkReplacesTheFileItNamesWithItsPermissions)
{
    TempFolders dirs;
    const std::string real = dirs.userB() + "InBox.qdi";
    const std::string link = dirs.userA() + "InBox.qdi";
    writeAll(real, bytesOf({TMessageRecord(), message(q("A"), q("one"))}));
    std::filesystem::permissions(real, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    std::filesystem::create_symlink(real, link);
    TInboxData inbox;
    TMessageRecord scratch;
    packInbox(link, inbox, scratch);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readAll(real), bytesOf({message(q("A"), q("one"))}));
    EXPECT_EQ(std::filesystem::status(real).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    // As a collection, it refuses a datafile folder that is a link, or another account's
    // (there the link above leads, too), and changes nothing.
    std::filesystem::create_directory_symlink(dirs.userB(), dirs.root() + "linked");
    EXPECT_NE(errorOf<IoError>([&] { packInbox(dirs.root() + "linked/InBox.qdi", inbox, scratch); })
                  .find("is a symbolic link"),
              std::string::npos);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(dirs.userB().c_str(), 61002, 61002), 0);
        EXPECT_NE(errorOf<IoError>([&] { packInbox(link, inbox, scratch); }).find("belongs to the account"),
                  std::string::npos);
    }
    EXPECT_EQ(entriesOf(dirs.userB()), QStringList{q("InBox.qdi")});
}

TEST(InboxFile, CompactionOfAMissingDatafileChangesNothing)
{
    TempFolders dirs;
    TInboxData inbox(2);
    TMessageRecord scratch;
    EXPECT_EQ(errorOf<IoError>([&] { packInbox(dirs.userA() + "InBox.qdi", inbox, scratch); }), "File not found");
    EXPECT_EQ(inbox.size(), 2u);
    EXPECT_TRUE(entriesOf(dirs.userA()).isEmpty());
}

} // namespace

namespace {

TEST(InboxArray, GrowsAGroupAtATimeKeepingItsRecordsAndGivesMemoryBack)
{
    TInboxData inbox;
    for (int i = 0; i < 200; ++i) {
        inbox.emplace_back().setSubject(QString::number(i));
        EXPECT_LT(inbox.capacity(), inbox.size() + TInboxData::GrowthStep);
    }
    const TInboxData copy = inbox;
    for (std::size_t i = 0; i < inbox.size(); ++i)
        EXPECT_EQ(inbox[i].Subject(), QString::number(i));
    inbox.resize(10);
    EXPECT_EQ(inbox.capacity(), 10u);
    inbox.resize(12);
    EXPECT_TRUE(inbox[11] == TMessageRecord()) << "new slots are free and zero";
    EXPECT_EQ(copy.size(), 200u);
    EXPECT_EQ(copy[199].Subject(), q("199"));
}

} // namespace
