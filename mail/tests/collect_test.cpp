#include "mailfixture.h"
#include "casename.h"

#include "DropFiles.h"
#include "FileOps.h"
#include "InboxFile.h"
#include "IoError.h"
#include "RecordFile.h"

#include <QLocale>
#include <QScopeGuard>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace {

struct FileSpec
{
    std::string path; // relative to the tree: "own/Ann1.qdm", "s1/report.doc"
    std::string content;
};

std::string drop(const std::string &subject, const std::vector<std::string> &attachments = {})
{
    return recordBytes(makeRecord("Carl", subject, attachments));
}

struct CollectCase
{
    const char *name;
    std::vector<FileSpec> before;
    std::vector<std::string> inboxBefore; // subjects per slot, "" free; empty = a new datafile
    std::vector<std::string> inboxAfter;
    std::vector<std::string> filesAfter; // every file of own, s1, s2, s3 but Attach.ini
    std::vector<FileSpec> contentsAfter{};
    std::vector<std::pair<std::string, std::string>> countsAfter{}; // "s1/report.doc" -> value or "-"
    const char *error = nullptr;
};

// The user Ann collects with her own folder own/ and this address list: s1 and s2 are
// servers (in that order, with a missing server folder between them), s3 is not one.
class CollectScenario : public ::testing::TestWithParam<CollectCase>
{
protected:
    TempFolders t;
    std::string folder(const std::string &name) { return t.folder(name); }

    std::vector<std::string> tree()
    {
        std::vector<std::string> files;
        for (const char *f : {"own", "s1", "s2", "s3"}) {
            for (const std::string &name : listFolder(folder(f))) {
                if (name != "Attach.ini")
                    files.push_back(std::string(f) + "/" + name);
            }
        }
        return files;
    }
};

TEST_P(CollectScenario, LeavesTheTreeAndInboxExpected)
{
    const CollectCase &c = GetParam();
    writeAddressList(folder("addr"), {{"Ann", folder("own")},
                                      {"Ann1", t.root() + "elsewhere/"},
                                      {"S1", folder("s1"), true},
                                      {"Gone", t.root() + "nothere/", true},
                                      {"S3", folder("s3"), false},
                                      {"S2", folder("s2"), true}});
    const std::string datafile = folder("data") + "InBox.qdi";
    if (!c.inboxBefore.empty())
        writeAll(datafile, "");
    for (std::size_t i = 0; i < c.inboxBefore.size(); ++i) {
        const TMessageRecord record = c.inboxBefore[i].empty() ? TMessageRecord{} : makeRecord("Old", c.inboxBefore[i]);
        writeRecordAt(datafile, std::int64_t(i), record);
    }
    for (const FileSpec &f : c.before)
        writeAll(t.root() + f.path, f.content);

    User ann("Ann", folder("program"), folder("own"), folder("data"), folder("addr"));
    std::string error;
    try {
        const CollectReport report = ann.collect();
        EXPECT_EQ(report.outcome, MailOutcome::Done);
        EXPECT_TRUE(report.showInBox);
    } catch (const IoError &e) {
        error = e.what();
        for (std::size_t at; (at = error.find(t.root())) != std::string::npos;)
            error.erase(at, t.root().size());
    }
    // The error names the file it met, then says what it is.
    if (c.error)
        EXPECT_TRUE(error.ends_with(c.error)) << error;
    else
        EXPECT_EQ(error, "");
    EXPECT_EQ(ann.subjects(), c.inboxAfter);
    EXPECT_EQ(ann.datafileSubjects(), c.inboxAfter);
    EXPECT_EQ(tree(), c.filesAfter);
    for (const FileSpec &f : c.contentsAfter)
        EXPECT_EQ(readAll(t.root() + f.path), f.content) << f.path;
    for (const auto &[path, value] : c.countsAfter) {
        const auto slash = path.find('/');
        EXPECT_EQ(attachCount(folder(path.substr(0, slash)), path.substr(slash + 1)), value) << path;
    }
}

const CollectCase collectCases[] = {
    {"NothingToCollect", {{"own/notes.txt", "n"}}, {}, {""}, {"own/notes.txt"}},
    {"TakesTheNumbersBeyondAGapInNumericOrder",
     {{"own/Ann1.qdm", drop("a")}, {"own/Ann2.qdm", drop("b")}, {"own/Ann10.qdm", drop("j")},
      {"own/Ann4.qdm", drop("d")}, {"own/Ann04.qdm", drop("zero")}, {"s1/Ann3.qdm", drop("s")}},
     {}, {"a", "b", "d", "j", "s"}, {"own/Ann04.qdm"}},
    // Ann11.qdm beyond the gap may be the first of Ann1, who is in the address book.
    {"LeavesWhatAnotherNameCouldClaimBeyondAGap",
     {{"own/Ann1.qdm", drop("a")}, {"own/Ann11.qdm", drop("for Ann1")}, {"own/Ann20.qdm", drop("t")}},
     {}, {"a", "t"}, {"own/Ann11.qdm"}},
    {"NumbersStartAtOneInEveryServerFolder",
     {{"s1/Ann1.qdm", drop("a")}, {"s1/Ann2.qdm", drop("b")}, {"s2/Ann1.qdm", drop("c")}},
     {}, {"a", "b", "c"}, {}},
    {"OwnFolderBeforeServersAndOthersLeftAlone",
     {{"s1/Ann1.qdm", drop("server")}, {"own/Ann1.qdm", drop("own")}, {"own/Bob1.qdm", drop("bob")}},
     {}, {"own", "server"}, {"own/Bob1.qdm"}},
    {"FillsFreeSlotsFirst",
     {{"own/Ann1.qdm", drop("a")}, {"own/Ann2.qdm", drop("b")}, {"s1/Ann1.qdm", drop("c")}},
     {"m0", "", "m2", "", "m4"}, {"m0", "a", "m2", "b", "m4", "c"}, {}},
    {"ShortDropFileStopsTheCollectionAndStays",
     {{"own/Ann1.qdm", drop("a")}, {"own/Ann2.qdm", std::string(100, 'x')}, {"own/Ann3.qdm", drop("c")},
      {"s1/Ann1.qdm", drop("d")}},
     {}, {"a"}, {"own/Ann2.qdm", "own/Ann3.qdm", "s1/Ann1.qdm"}, {}, {},
     "own/Ann2.qdm is shorter than one message (a sender may still be writing it): Read beyond end of file"},
    {"LongDropFileGivesItsFirstRecord", {{"own/Ann1.qdm", drop("a") + std::string(100, 'x')}}, {}, {"a"}, {}},
    {"NoServerFlagOrNoFolderIsSkipped", {{"s3/Ann1.qdm", drop("a")}}, {}, {""}, {"s3/Ann1.qdm"}},
    {"OwnFolderAttachmentStaysAndItsKeyGoes",
     {{"own/Ann1.qdm", drop("a", {"x.zip"})}, {"own/x.zip", "X"},
      {"own/Attach.ini", "[Attachments]\r\nx.zip=3\r\nother=1\r\n"}},
     {}, {"a"}, {"own/x.zip"}, {{"own/x.zip", "X"}}, {{"own/x.zip", "-"}, {"own/other", "1"}}},
    {"ServerAttachmentCopiedAndCountLowered",
     {{"s1/Ann1.qdm", drop("a", {"report.doc"})}, {"s1/report.doc", "R"},
      {"s1/Attach.ini", "[attachments]\r\nreport.doc=2\r\n"}},
     {}, {"a"}, {"own/report.doc", "s1/report.doc"}, {{"own/report.doc", "R"}}, {{"s1/report.doc", "1"}}},
    {"ServerAttachmentLastReferenceDeleted",
     {{"s1/Ann1.qdm", drop("a", {"report.doc"})}, {"s1/report.doc", "R"},
      {"s1/Attach.ini", "[attachments]\r\nreport.doc=1\r\n"}},
     {}, {"a"}, {"own/report.doc"}, {{"own/report.doc", "R"}}, {{"s1/report.doc", "-"}}},
    {"ServerAttachmentWithoutKeyCopiedAndKept",
     {{"s1/Ann1.qdm", drop("a", {"report.doc"})}, {"s1/report.doc", "R"}},
     {}, {"a"}, {"own/report.doc", "s1/report.doc"}, {{"own/report.doc", "R"}}, {{"s1/report.doc", "-"}}},
    // Waiting for a file that is not coming would stop every later collection here.
    {"MissingServerAttachmentIsLeftOutAndTheRestCollected",
     {{"s1/Ann1.qdm", drop("a", {"gone.doc", "there.doc"})}, {"s1/there.doc", "T"}, {"s1/Ann2.qdm", drop("b")},
      {"s1/Attach.ini", "[attachments]\r\ngone.doc=1\r\nthere.doc=1\r\n"}},
     {}, {"a", "b"}, {"own/there.doc"}, {{"own/there.doc", "T"}}, {{"s1/gone.doc", "1"}, {"s1/there.doc", "-"}}},
};

INSTANTIATE_TEST_SUITE_P(Cases, CollectScenario, ::testing::ValuesIn(collectCases), ByCaseName());

class Collect : public ::testing::Test
{
protected:
    TempFolders t;
    std::string own = t.userA();
    std::string data = t.folder("data");
    std::string addr = t.folder("addr");
};

// Names in a received record are someone else's input: none may reach outside the folders.
TEST_F(Collect, HostileAttachmentNamesTouchNothingOutside)
{
    const std::string deepOwn = t.folder("deep/inbox");
    const std::string server = t.folder("deep/server");
    writeAddressList(addr, {{"S", server, true}});
    writeAll(t.root() + "deep/x", "outside");
    t.folder("deep/server/a");
    writeAll(server + "a/b", "nested");
    writeAll(server + "ok.txt", "fine");
    writeAll(server + "Attach.ini", "[attachments]\r\n../x=1\r\na/b=1\r\n..=1\r\nok.txt=1\r\n");
    writeAll(server + "Ann1.qdm", recordBytes(makeRecord("Eve", "evil", {"../x", "a/b", "..", "ok.txt"})));
    writeAll(deepOwn + "Ann1.qdm", recordBytes(makeRecord("Eve", "evil own", {"../x", "a/b", ".."})));

    User ann("Ann", t.program(), deepOwn, data, addr);
    const CollectReport report = ann.collect();

    EXPECT_EQ(report.collected, 2);
    EXPECT_EQ(ann.subjects(), (std::vector<std::string>{"evil own", "evil"}));
    EXPECT_EQ(readAll(t.root() + "deep/x"), "outside");
    EXPECT_EQ(readAll(server + "a/b"), "nested");
    EXPECT_EQ(listFolder(deepOwn), (std::vector<std::string>{"ok.txt"}));
    EXPECT_EQ(listFolder(server), (std::vector<std::string>{"Attach.ini", "a/"}));
    EXPECT_EQ(listFolder(t.root() + "deep/"), (std::vector<std::string>{"inbox/", "server/", "x"}));
    EXPECT_EQ(attachCount(server, "../x"), "1");
    EXPECT_EQ(attachCount(server, "a/b"), "1");
    EXPECT_EQ(attachCount(server, ".."), "1");
    EXPECT_EQ(attachCount(server, "ok.txt"), "-");
}

// A server entry naming the own folder by another path: the own folder keeps the file even
// when its count reaches 0. The drop file arrives while events are processed between the
// two phases, as a sender on another machine may deliver it.
TEST_F(Collect, ServerThatIsTheOwnFolderKeepsTheAttachment)
{
    const std::string otherPath = t.root() + "inbox-a/../inbox-a/";
    writeAddressList(addr, {{"Me", otherPath, true}});
    writeAll(own + "report.doc", "R");
    writeAll(own + "Attach.ini", "[attachments]\r\nreport.doc=1\r\n");
    User ann("Ann", t.program(), own, data, addr);
    int pumps = 0;
    MailCallbacks callbacks;
    callbacks.processEvents = [&] {
        if (++pumps == 1)
            writeAll(own + "Ann1.qdm", recordBytes(makeRecord("Carl", "late", {"report.doc"})));
    };
    const CollectReport report = ann.collect(callbacks);
    EXPECT_EQ(report.collected, 1);
    EXPECT_EQ(readAll(own + "report.doc"), "R");
    EXPECT_EQ(attachCount(own, "report.doc"), "-");
    EXPECT_EQ(listFolder(own), (std::vector<std::string>{"Attach.ini", "report.doc"}));
}

TEST_F(Collect, ProgressAndEventsOfOneServerAttachment)
{
    const std::string server = t.server1();
    writeAddressList(addr, {{"S", server, true}});
    writeAll(server + "big.bin", std::string(20000, 'b'));
    writeAll(server + "Ann1.qdm", recordBytes(makeRecord("Carl", "big", {"big.bin"})));
    User ann("Ann", t.program(), own, data, addr);
    CallbackLog log;
    ann.collect(log.callbacks());
    // Between the phases, before the drop file and before the copy (and, on a slow machine,
    // every 50 ms between drop files besides), then after every block and after the final
    // read of 0 bytes.
    const auto show = std::find(log.events.begin(), log.events.end(), "show 20000");
    ASSERT_NE(show, log.events.end());
    EXPECT_GE(show - log.events.begin(), 3);
    EXPECT_TRUE(std::all_of(log.events.begin(), show, [](const std::string &e) { return e == "pump"; }));
    std::vector<std::string> copy(show, log.events.end());
    while (copy.size() > 9 && copy.back() == "pump")
        copy.pop_back();
    EXPECT_EQ(copy, (std::vector<std::string>{"show 20000", "advance 8048", "pump", "advance 8048", "pump",
                                              "advance 3904", "pump", "pump", "hide"}));
    EXPECT_EQ(readAll(own + "big.bin"), std::string(20000, 'b'));
}

// Thousands of drop files, however fast they go: events are taken after at most PumpSteps
// names while the folder is listed to count them and listed again to collect them, and after
// at most PumpSteps messages while they are taken; the count is told once it is known,
// grouped as the window shows it.
TEST_F(Collect, EventsComeWhileThousandsAreListedAndTaken)
{
    constexpr int Files = 2000;
    writeAddressList(addr, {});
    const std::string bytes = recordBytes(makeRecord("Carl", "many"));
    for (int n = 1; n <= Files; ++n)
        writeAll(own + "Ann" + std::to_string(n) + ".qdm", bytes);
    User ann("Ann", t.program(), own, data, addr);
    // Per pump: the messages taken as told just before it, -1 where nothing was told.
    std::vector<int> told;
    int done = -1;
    QString text;
    MailCallbacks callbacks;
    callbacks.countProgress = [&](int taken, int waiting) {
        done = taken;
        text = countText(taken, waiting);
    };
    callbacks.processEvents = [&] { told.push_back(std::exchange(done, -1)); };
    const QLocale locale;
    QLocale::setDefault(QLocale::c());
    const auto restore = qScopeGuard([&] { QLocale::setDefault(locale); });
    ASSERT_EQ(ann.collect(callbacks).collected, Files);

    const auto counted = std::find_if(told.begin(), told.end(), [](int taken) { return taken >= 0; });
    EXPECT_GE(counted - told.begin(), Files / PumpSteps) << "while counting";
    EXPECT_GE(std::count(counted, told.end(), 0), Files / PumpSteps) << "while listing to collect";
    int before = 0;
    for (auto pump = counted; pump != told.end(); ++pump) {
        ASSERT_GE(*pump, before);
        EXPECT_LE(*pump - before, PumpSteps);
        before = *pump;
    }
    EXPECT_EQ(before, Files);
    EXPECT_EQ(text.toStdString(), "2,000 of 2,000");
}

// Whatever is refused changes nothing: a second collection or a send started from the
// window while this one processes events.
TEST_F(Collect, SecondRequestWhileCollectingIsRefused)
{
    writeAddressList(addr, {{"Ben", t.userB()}});
    writeAll(own + "Ann1.qdm", recordBytes(makeRecord("Carl", "one")));
    writeAll(own + "Ann2.qdm", recordBytes(makeRecord("Carl", "two")));
    User ann("Ann", t.program(), own, data, addr);
    std::vector<MailOutcome> inner;
    MailCallbacks callbacks;
    callbacks.processEvents = [&] {
        TInboxData other;
        TMessageRecord incoming;
        inner.push_back(collectMail(ann.settings, ann.datafile, other, incoming, ann.addresses).outcome);
        TMessageRecord record = makeRecord("Ann", "meanwhile");
        record.setToName(1, u"Ben");
        record.setToFolder(1, qs(t.userB()));
        inner.push_back(sendMessage(record, {}, ann.addresses).outcome);
    };
    const CollectReport report = ann.collect(callbacks);
    EXPECT_EQ(report.outcome, MailOutcome::Done);
    EXPECT_EQ(inner, (std::vector<MailOutcome>{MailOutcome::Refused, MailOutcome::Refused}));
    EXPECT_EQ(ann.datafileSubjects(), (std::vector<std::string>{"one", "two"}));
    EXPECT_TRUE(listFolder(t.userB()).empty());
    // Once it has ended, the next one runs.
    TMessageRecord record = makeRecord("Ann", "after");
    record.setToName(1, u"Ben");
    record.setToFolder(1, qs(t.userB()));
    EXPECT_EQ(sendMessage(record, {}, ann.addresses).outcome, MailOutcome::Done);
    EXPECT_EQ(listFolder(t.userB()), (std::vector<std::string>{"Ben1.qdm"}));
}

TEST_F(Collect, DropFileStaysUnlessItsRecordReachedTheDatafile)
{
    writeAddressList(addr, {});
    writeAll(own + "Ann1.qdm", recordBytes(makeRecord("Carl", "one")));
    User ann("Ann", t.program(), own, data, addr);

    // A datafile that takes no more data.
    TInboxData inbox = ann.inbox;
    TMessageRecord incoming;
    std::filesystem::create_symlink("/dev/full", data + "full.qdi");
    EXPECT_THROW(collectMail(ann.settings, data + "full.qdi", inbox, incoming, ann.addresses), IoError);
    EXPECT_TRUE(fileExists(own + "Ann1.qdm"));
    EXPECT_EQ(inbox, ann.inbox);

    // A missing datafile ends the collection before any drop file is read.
    std::filesystem::remove(ann.datafile);
    EXPECT_THROW(ann.collect(), IoError);
    EXPECT_TRUE(fileExists(own + "Ann1.qdm"));
    EXPECT_FALSE(fileExists(ann.datafile));
}

// The window may compact the inbox and change the address list while the collection
// processes events: the collection goes on with the server folders it started with and
// writes into the datafile that now stands under the name.
TEST_F(Collect, WindowCompactingAndEditingMeanwhileLosesNothing)
{
    // Between the phases, before the first server drop file, and inside an attachment copy.
    for (int compactAt : {1, 2, 4}) {
        SCOPED_TRACE("compacted at pump " + std::to_string(compactAt));
        TempFolders tree;
        const std::string own = tree.userA(), server = tree.server1(), data = tree.folder("data");
        writeAddressList(tree.folder("addr"), {{"S", server, true}});
        writeAll(own + "Ann1.qdm", recordBytes(makeRecord("Carl", "own")));
        writeAll(server + "a.txt", std::string(20000, 'a'));
        for (int n = 1; n <= 3; ++n)
            writeAll(server + "Ann" + std::to_string(n) + ".qdm",
                     recordBytes(makeRecord("Carl", "s" + std::to_string(n), {n == 1 ? "a.txt" : ""})));
        writeAll(data + "InBox.qdi", "");
        for (int i = 0; i < 4; ++i)
            writeRecordAt(data + "InBox.qdi", i, i % 2 ? makeRecord("Old", "m" + std::to_string(i)) : TMessageRecord{});
        User ann("Ann", tree.program(), own, data, tree.folder("addr"));
        int pumps = 0;
        MailCallbacks callbacks;
        callbacks.processEvents = [&] {
            if (++pumps != compactAt)
                return;
            TMessageRecord scratch;
            packInbox(ann.datafile, ann.inbox, scratch);
            ann.addresses.clear();
        };
        EXPECT_EQ(ann.collect(callbacks).collected, 4);
        EXPECT_EQ(ann.datafileSubjects(), ann.subjects());
        EXPECT_EQ(ann.subjects().size(), 6u);
        EXPECT_EQ(listFolder(server), (std::vector<std::string>{"Attach.ini", "a.txt"})) << "no drop file left";
        EXPECT_EQ(readAll(own + "a.txt"), std::string(20000, 'a'));
    }
}

// A sender that died while writing a drop file in place minutes ago stops nobody; one still
// being written (changed just now) ends the collection as before.
TEST_F(Collect, StaleShortDropFileIsGonePastWithAWord)
{
    writeAddressList(addr, {});
    writeAll(own + "Ann1.qdm", std::string(100, 'x'));
    std::filesystem::last_write_time(own + "Ann1.qdm",
                                     std::filesystem::file_time_type::clock::now() - std::chrono::minutes(6));
    writeAll(own + "Ann2.qdm", recordBytes(makeRecord("Carl", "after")));
    User ann("Ann", t.program(), own, data, addr);
    const CollectReport report = ann.collect();
    EXPECT_EQ(ann.subjects(), std::vector<std::string>{"after"});
    ASSERT_EQ(report.notices.size(), 1);
    EXPECT_TRUE(report.notices[0].startsWith(qs(own + "Ann1.qdm is shorter than one message")));
    EXPECT_EQ(listFolder(own), std::vector<std::string>{"Ann1.qdm"});
}

TEST_F(Collect, IncompleteSettingsReadNothing)
{
    writeAddressList(addr, {});
    writeAll(own + "Ann1.qdm", recordBytes(makeRecord("Carl", "one")));
    User ann("Ann", t.program(), own, data, addr);
    for (auto change : {+[](TSettings &s) { s.Name.clear(); }, +[](TSettings &s) { s.MyDest += u"missing/"; },
                        +[](TSettings &s) { s.InboxData.clear(); }, +[](TSettings &s) { s.Addresses += u"x"; }}) {
        TSettings view = ann.settings;
        change(view);
        TInboxData inbox = ann.inbox;
        TMessageRecord incoming;
        const CollectReport report = collectMail(view, ann.datafile, inbox, incoming, ann.addresses);
        EXPECT_EQ(report.outcome, MailOutcome::SettingsIncomplete);
        EXPECT_FALSE(report.showInBox);
        EXPECT_TRUE(fileExists(own + "Ann1.qdm"));
    }
    // The name the view holds now decides, saved or not.
    ann.settings.Name = qs("Bob");
    EXPECT_EQ(ann.collect().collected, 0);
    EXPECT_TRUE(fileExists(own + "Ann1.qdm"));
}

} // namespace
