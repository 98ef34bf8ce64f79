#include "mailfixture.h"
#include "casename.h"
#include "office.h"

#include "AddressFile.h"
#include "DropFiles.h"
#include "IoError.h"
#include "ProfileFile.h"
#include "RecordFile.h"

#include <QProcess>

#include <grp.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// What a colleague can plant in a folder every user writes into, planted as root and as
// another user id (Cara), and what Ann's send or Ben's collection must make of it.
struct Tree
{
    TempFolders t;
    std::string addr = groupFolder(t, "addr");
    std::string server = groupFolder(t, "server");
    std::string annInbox = groupFolder(t, "inbox-Ann");
    std::string benInbox = groupFolder(t, "inbox-Ben");
    std::string elsewhere = groupFolder(t, "elsewhere");
    uid_t ann, ben;
    std::string annProgram, benProgram;
    std::string annPrivate, benPrivate; // files of each user's own, outside the shared folders

    explicit Tree(bool users)
        : ann(users ? Ann : 0)
        , ben(users ? Ben : 0)
        , annProgram(programFolder(t, "Ann", ann, annInbox, addr))
        , benProgram(programFolder(t, "Ben", ben, benInbox, addr))
        , annPrivate(privateFile("Ann", ann))
        , benPrivate(privateFile("Ben", ben))
    {
        writeAddressList(addr, {{"Ann", annInbox}, {"Ben", benInbox}, {"Dan", t.root() + "offline/"},
                                {"../elsewhere/x", benInbox}, {"Server", server, true}});
    }

    std::string privateFile(const std::string &user, uid_t uid)
    {
        const std::string path = folderOf(t, "home-" + user, uid) + "secret";
        writeAll(path, "secret of " + user);
        ::chown(path.c_str(), uid, OfficeGroup);
        ::chmod(path.c_str(), 0600);
        return path;
    }

    ProcessRun send(const std::vector<std::string> &to, const std::string &attachment)
    {
        writeAll(t.root() + "body.rtf", "{\\rtf1 hi}");
        QStringList a{qs("send"), qs("--program-folder"), qs(annProgram), qs("--subject"), qs("s"), qs("--body-rtf"),
                      qs(t.root() + "body.rtf"), qs("--attach"), qs(attachment)};
        for (const std::string &name : to)
            a << qs("--to") << qs(name);
        return toolAs(ann, a);
    }

    ProcessRun collect() { return toolAs(ben, {qs("collect"), qs("--program-folder"), qs(benProgram)}); }

    TInboxData benInboxData() { return readMessageFile(t.folder("data-Ben") + "InBox.qdi").records; }
};

bool isPlain(const std::string &path)
{
    struct stat st{};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

TMessageRecord recordOf(const std::string &path)
{
    TMessageRecord record;
    const std::string bytes = readAll(path);
    std::copy(bytes.begin(), bytes.begin() + TMessageRecord::Size, record.bytes.begin());
    return record;
}

struct Trap
{
    const char *name;
    std::function<std::string(Tree &)> plant; // a shell command
    std::function<void(Tree &, const ProcessRun &)> check;
};

class Traps : public ::testing::TestWithParam<bool>
{
protected:
    void SetUp() override
    {
        if (GetParam() && !canSwitchUsers())
            GTEST_SKIP() << "planting as another user id needs root";
    }
    uid_t planter() const { return GetParam() ? Cara : 0; }
};

TEST_P(Traps, SendWritesNothingThroughALinkAndNothingOutsideItsFolder)
{
    const std::vector<Trap> traps = {
        {"link as Attach.ini",
         [](Tree &t) { return "ln -s '" + t.annPrivate + "' '" + t.benInbox + "Attach.ini'"; },
         [](Tree &t, const ProcessRun &) {
             EXPECT_TRUE(isPlain(t.benInbox + "Attach.ini"));
             EXPECT_EQ(attachCount(t.benInbox, "x.txt"), "1");
         }},
        {"pipe as Attach.ini", [](Tree &t) { return "mkfifo '" + t.benInbox + "Attach.ini'"; },
         [](Tree &t, const ProcessRun &) { EXPECT_EQ(attachCount(t.benInbox, "x.txt"), "1"); }},
        {"pipe as its lock", [](Tree &t) { return "mkfifo '" + t.benInbox + "Attach.ini.lock'"; },
         [](Tree &t, const ProcessRun &) { EXPECT_EQ(attachCount(t.benInbox, "x.txt"), "1"); }},
        {"link as the attachment",
         [](Tree &t) { return "ln -s '" + t.annPrivate + "' '" + t.benInbox + "x.txt'"; },
         [](Tree &t, const ProcessRun &) {
             EXPECT_EQ(recordOf(t.benInbox + "Ben1.qdm").AttachName(1), qs("x (2).txt"));
             EXPECT_EQ(readAll(t.benInbox + "x (2).txt"), "attached");
         }},
        {"pipe as the attachment in the server", [](Tree &t) { return "mkfifo '" + t.server + "x.txt'"; },
         [](Tree &t, const ProcessRun &) {
             EXPECT_EQ(recordOf(t.server + "Dan1.qdm").AttachName(1), qs("x (2).txt"));
             EXPECT_EQ(readAll(t.server + "x (2).txt"), "attached");
         }},
        {"link as the drop file", [](Tree &t) { return "ln -s '" + t.annPrivate + "' '" + t.benInbox + "Ben1.qdm'"; },
         [](Tree &t, const ProcessRun &) { EXPECT_EQ(recordOf(t.benInbox + "Ben2.qdm").From(), qs("Ann")); }},
    };
    for (const Trap &trap : traps) {
        SCOPED_TRACE(trap.name);
        Tree tree(GetParam());
        ASSERT_EQ(shellAs(planter(), trap.plant(tree)).status, 0);
        const std::string attachment = folderOf(tree.t, "docs", tree.ann) + "x.txt";
        writeAll(attachment, "attached");
        // The name "../elsewhere/x" would put a drop file into another folder: not reached.
        const ProcessRun sent = tree.send({"Ben", "Dan", "../elsewhere/x"}, attachment);
        EXPECT_EQ(sent.status, 1) << sent.err;
        EXPECT_NE(sent.err.find("\"../elsewhere/x\" cannot be part of a drop file name"), std::string::npos) << sent.err;
        EXPECT_EQ(readAll(tree.annPrivate), "secret of Ann");
        EXPECT_TRUE(listFolder(tree.elsewhere).empty());
        trap.check(tree, sent);
    }
}

TEST_P(Traps, CollectionGoesPastWhatWasPlantedAndCopiesNothingFromBehindALink)
{
    const auto drop = [](const std::string &path, const std::vector<std::string> &attachments) {
        writeAll(path, recordBytes(makeRecord("Ann", "real", attachments)));
    };
    const std::vector<Trap> traps = {
        {"pipe as a drop file", [](Tree &t) { return "mkfifo '" + t.benInbox + "Ben1.qdm'"; },
         [](Tree &t, const ProcessRun &run) {
             EXPECT_NE(run.err.find(t.benInbox + "Ben1.qdm is not a plain file"), std::string::npos) << run.err;
         }},
        {"link as a drop file",
         [](Tree &t) { return "ln -s '" + t.benPrivate + "' '" + t.benInbox + "Ben1.qdm'"; },
         [](Tree &t, const ProcessRun &) { EXPECT_TRUE(std::filesystem::is_symlink(t.benInbox + "Ben1.qdm")); }},
        {"link in the server as the attachment",
         [](Tree &t) { return "ln -s '" + t.benPrivate + "' '" + t.server + "k.txt'"; },
         [](Tree &t, const ProcessRun &run) {
             EXPECT_FALSE(fileExists(t.benInbox + "k.txt"));
             EXPECT_NE(run.err.find(t.server + "k.txt is not a plain file"), std::string::npos) << run.err;
         }},
        {"link in the own folder under the attachment's name",
         [](Tree &t) { return "ln -s '" + t.benPrivate + "' '" + t.benInbox + "k.txt'"; },
         [](Tree &t, const ProcessRun &) {
             EXPECT_EQ(readAll(t.benInbox + "k (2).txt"), "from the server");
             EXPECT_EQ(t.benInboxData()[1].AttachName(1), qs("k (2).txt"));
         }},
        {"pipe in the server as the attachment", [](Tree &t) { return "mkfifo '" + t.server + "k.txt'"; },
         [](Tree &t, const ProcessRun &) { EXPECT_FALSE(fileExists(t.benInbox + "k.txt")); }},
        {"pipe in the server as Attach.ini", [](Tree &t) { return "mkfifo '" + t.server + "Attach.ini'"; },
         [](Tree &t, const ProcessRun &) { EXPECT_EQ(readAll(t.benInbox + "k.txt"), "from the server"); }},
    };
    for (const Trap &trap : traps) {
        SCOPED_TRACE(trap.name);
        Tree tree(GetParam());
        // Ben2.qdm in his own folder and Ben1.qdm in the server, with an attachment k.txt.
        drop(tree.benInbox + "Ben2.qdm", {});
        drop(tree.server + "Ben1.qdm", {"k.txt"});
        ASSERT_EQ(shellAs(planter(), trap.plant(tree)).status, 0);
        if (!fileExists(tree.server + "k.txt") && !std::filesystem::is_symlink(tree.server + "k.txt"))
            writeAll(tree.server + "k.txt", "from the server");
        const ProcessRun collected = tree.collect();
        EXPECT_EQ(collected.status, 0) << collected.err;
        EXPECT_EQ(collected.out, "collected 2 messages\n") << collected.err;
        EXPECT_EQ(readAll(tree.benPrivate), "secret of Ben");
        EXPECT_FALSE(fileExists(tree.benInbox + "Ben2.qdm"));
        trap.check(tree, collected);
    }
}

INSTANTIATE_TEST_SUITE_P(PlantedBy, Traps, ::testing::Values(false, true),
                         [](const auto &info) { return caseTestName(info.param ? "AnotherUser" : "Root"); });

} // namespace

namespace {

// The address list folder may be shared too: the list is never read or written through a
// link, also when one replaces it between a read and a write, a race a colleague can win.
TEST_P(Traps, AddressListIsNeverReadOrWrittenThroughALink)
{
    Tree tree(GetParam());
    const std::string list = tree.addr + "address list.qda";
    const std::string target = tree.benPrivate;
    const std::string before = readAll(target);
    TAddressData addresses = loadAddresses(list);
    int index = 1;
    TAddressRec work;
    const std::vector<std::pair<const char *, std::function<void()>>> writes = {
        {"save", [&] { saveAddressEntry(addresses, 1, {qs("Zed"), qs("/z/"), qs(""), false}, list, work); }},
        {"delete", [&] { deleteAddressEntry(addresses, 1, list); }},
        {"compact", [&] { packAddresses(list, addresses, index); }},
        {"load", [&] { loadAddresses(list); }},
    };
    ASSERT_EQ(shellAs(planter(), "mv '" + list + "' '" + tree.elsewhere + "list' && ln -s '" + target + "' '" + list + "'")
                  .status, 0);
    for (const auto &[what, write] : writes)
        EXPECT_EQ(errorOf<IoError>(write), list + " is not a plain file (a link, a folder or a special file): left alone")
            << what;
    EXPECT_EQ(readAll(target), before);
    // A pipe under the name is refused at once rather than waited on.
    ASSERT_EQ(shellAs(planter(), "rm '" + list + "' && mkfifo '" + list + "'").status, 0);
    EXPECT_THROW(loadAddresses(list), IoError);
    // The compacted list goes under a fresh name: one planted beside it is not written through.
    ASSERT_EQ(shellAs(planter(), "rm '" + list + "' && mv '" + tree.elsewhere + "list' '" + list + "' && ln -s '" +
                                     target + "' '" + list + ".new'")
                  .status, 0);
    packAddresses(list, addresses, index);
    EXPECT_EQ(readAll(target), before);
    EXPECT_EQ(addresses.size(), 5u);
}

// Attach.ini replaced by a link after it was read: the count lands in the folder.
TEST_P(Traps, AttachIniReplacedByALinkBetweenReadAndWrite)
{
    Tree tree(GetParam());
    const std::string ini = tree.benInbox + "Attach.ini";
    writeAll(ini, "[attachments]\r\na.txt=1\r\n");
    TProfileFile file(ini, ProfileKind::Shared);
    const int count = file.ReadInteger(AttachmentsSection, qs("a.txt"), 0);
    ASSERT_EQ(shellAs(planter(), "rm '" + ini + "' && ln -s '" + tree.benPrivate + "' '" + ini + "'").status, 0);
    file.WriteInteger(AttachmentsSection, qs("a.txt"), count + 1);
    EXPECT_EQ(readAll(tree.benPrivate), "secret of Ben");
    EXPECT_TRUE(isPlain(ini));
    EXPECT_EQ(attachCount(tree.benInbox, "a.txt"), "2");
}

ProcessRun storeChildAs(uid_t uid, const QStringList &arguments)
{
    return runAs(uid, QStringLiteral(QUINDLE_STORE_CHILD), arguments);
}

// Locks are ours alone: a lock file another user made (mode 0644 under the usual umask)
// still serialises every count, a lock file another user may not open still refuses a
// second start-up, and a datafile folder the user may not write still loads and locks.
TEST(OfficeLocks, LockFilesOfAnotherUserAndAReadOnlyDatafileFolder)
{
    if (!canSwitchUsers())
        GTEST_SKIP() << "switching user ids needs root";
    TempFolders t;
    const std::string folder = groupFolder(t, "inbox");
    ::umask(022);
    CountAttachment(folder, qs("a.txt"));
    std::vector<std::unique_ptr<QProcess>> counters;
    for (uid_t uid : {uid_t(0), Ann, Ben}) {
        auto child = std::make_unique<QProcess>();
        child->setChildProcessModifier([uid] {
            const gid_t group = OfficeGroup;
            if (uid != 0 && (::setgroups(1, &group) != 0 || ::setgid(OfficeGroup) != 0 || ::setuid(uid) != 0))
                ::_exit(126);
        });
        child->start(reachableBy(uid, QStringLiteral(QUINDLE_STORE_CHILD)), {qs("count"), qs(folder), qs("a.txt"), qs("100")});
        counters.push_back(std::move(child));
    }
    for (auto &child : counters) {
        child->waitForFinished(-1);
        EXPECT_EQ(child->exitCode(), 0) << child->readAllStandardError().toStdString();
    }
    EXPECT_EQ(attachCount(folder, "a.txt"), "301");

    const std::string data = folderOf(t, "data", 0);
    const std::string datafile = data + "InBox.qdi";
    writeAll(datafile, std::string(2 * TMessageRecord::Size, '\0'));
    {
        const auto held = InboxLock::tryAcquire(datafile);
        ASSERT_TRUE(held && held->held());
        EXPECT_EQ(storeChildAs(Ann, {qs("startinbox"), qs(datafile)}).out, "refused\n");
    }
    EXPECT_EQ(storeChildAs(Ann, {qs("startinbox"), qs(datafile)}).out, "held=1 records=2\n");
    // Where the lock file cannot be made, the datafile itself carries the lock.
    std::filesystem::remove(datafile + ".lock");
    EXPECT_EQ(storeChildAs(Ann, {qs("startinbox"), qs(datafile)}).out, "held=1 records=2\n");
    {
        const auto held = InboxLock::tryAcquire(datafile);
        ASSERT_TRUE(held && held->held());
        EXPECT_EQ(storeChildAs(Ann, {qs("startinbox"), qs(datafile)}).out, "refused\n");
    }
}

// Where a sender may not replace another's Attach.ini (a sticky folder), a count that changes
// the file's length is written in place, in front of the section in use or behind it: a
// power cut at any of its writes and flushes leaves the other counts standing.
TEST(OfficeLocks, CountChangedInPlaceSurvivesAPowerCutAtAnyPoint)
{
    if (!canSwitchUsers())
        GTEST_SKIP() << "switching user ids needs root";
    const std::string live = "[Attachments]\r\na.txt=9\r\nkeep.txt=5\r\n";
    std::string dead = ";Attachments]\r\n";
    for (int i = 0; i < 12; ++i)
        dead += "old" + std::to_string(i) + ".txt=1\r\n";
    dead += "[quindle-free]\r\n";
    for (const std::string &before : {live, dead + live}) {
        for (int crashAt = 1;; ++crashAt) {
            SCOPED_TRACE((before == live ? "behind, point " : "in front, point ") + std::to_string(crashAt));
            TempFolders t;
            const std::string folder = groupFolder(t, "inbox");
            ::chmod(folder.c_str(), 03770);
            for (const std::string &file : {folder + "Attach.ini", folder + "Attach.ini.lock"}) {
                writeAll(file, file.ends_with(".ini") ? before : "");
                ::chown(file.c_str(), Ann, OfficeGroup);
                ::chmod(file.c_str(), 0660);
            }
            const ProcessRun run = runAs(Ben, qs(QUINDLE_STORE_CHILD), {qs("count"), qs(folder), qs("a.txt"), qs("1")},
                                         {qs("LD_PRELOAD=") + reachableBy(Ben, qs(QUINDLE_CRASHPOINT)),
                                          qs("QUINDLE_CRASH_AT=") + QString::number(crashAt)});
            EXPECT_EQ(attachCount(folder, "keep.txt"), "5");
            const std::string count = attachCount(folder, "a.txt");
            EXPECT_TRUE(count == "9" || count == "10") << count;
            if (run.status == 0) {
                EXPECT_EQ(count, "10");
                EXPECT_GT(crashAt, 3); // the change took several steps
                break;
            }
            ASSERT_LT(crashAt, 50) << run.err;
        }
    }
}

} // namespace
