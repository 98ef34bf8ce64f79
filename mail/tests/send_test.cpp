#include "FileOps.h"
#include "casename.h"
#include "mailfixture.h"

#include "IoError.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

struct Attachment
{
    std::string name;
    int size = -1; // -1: the file has gone before the send
};

struct SendCase
{
    const char *name;
    std::vector<std::string> to;
    std::vector<Attachment> attachments;
    std::vector<std::pair<std::string, std::string>> before; // path -> content
    std::vector<std::string> filesAfter;                      // every file of the tree but Attach.ini
    std::vector<std::pair<std::string, std::string>> countsAfter{};
    bool withServers = true;
};

// Ann and Ben have reachable folders, Cara's folder is gone; Ben1 is another user whose
// drop files share Ben's folder. S1 and S2 are servers, Plain is not one, Dead is a server
// whose folder is missing.
class SendScenario : public ::testing::TestWithParam<SendCase>
{
protected:
    TempFolders t;
    const std::vector<std::string> folders{"inbox-a", "inbox-b", "server1", "server2", "plain"};

    std::vector<std::string> tree()
    {
        std::vector<std::string> files;
        for (const std::string &f : folders) {
            for (const std::string &name : listFolder(t.folder(f))) {
                if (name != "Attach.ini")
                    files.push_back(f + "/" + name);
            }
        }
        return files;
    }
};

TEST_P(SendScenario, DeliversToTheExpectedFolders)
{
    const SendCase &c = GetParam();
    std::vector<AddressEntry> entries{{"Ann", t.userA()},
                                      {"Ben", t.userB()},
                                      {"Cara", t.root() + "unreachable/"},
                                      {"Ben1", t.userB()}};
    if (c.withServers) {
        entries.push_back({"S1", t.server1(), true});
        entries.push_back({"Plain", t.folder("plain"), false});
        entries.push_back({"Dead", t.root() + "dead/", true});
        entries.push_back({"S2", t.server2(), true});
    }
    writeAddressList(t.folder("addr"), entries);
    for (const auto &[path, content] : c.before)
        writeAll(t.root() + path, content);
    std::vector<std::string> paths;
    for (const Attachment &a : c.attachments) {
        const std::string path = t.folder("src") + a.name;
        if (a.size >= 0)
            writeAll(path, std::string(std::size_t(a.size), 'n'));
        paths.push_back(path);
    }

    User carl("Carl", t.program(), t.folder("inbox-c"), t.folder("data"), t.folder("addr"));
    const SendCommandReport report = carl.send(c.to, "subject", paths);

    EXPECT_EQ(report.outcome, MailOutcome::Done);
    EXPECT_EQ(report.message, MessagesSentMessage);
    EXPECT_EQ(tree(), c.filesAfter);
    for (const auto &[path, value] : c.countsAfter) {
        const auto slash = path.find('/');
        EXPECT_EQ(attachCount(t.folder(path.substr(0, slash)), path.substr(slash + 1)), value) << path;
    }
    // Every drop file written is the whole outgoing record, but for an attachment whose file
    // had gone: the message goes without it, saying so, and its drop file does not name it.
    TMessageRecord sent = carl.outgoing;
    int gone = 0;
    for (std::size_t j = 0; j < c.attachments.size(); ++j) {
        if (c.attachments[j].size >= 0)
            continue;
        ++gone;
        sent.setAttachName(int(j) + 1, QString());
        for (const std::string &name : c.to)
            EXPECT_TRUE(report.sent.notices.contains(qs("The attachment " + c.attachments[j].name + " was not sent to "
                                                        + name + ": " + paths[j] + " does not exist.")))
                << report.sent.notices.join(u'\n').toStdString();
    }
    EXPECT_EQ(report.sent.attachmentsLeftOut, gone * int(c.to.size())); // one destination folder each here
    for (const std::string &file : tree()) {
        const bool sentNow = std::find_if(c.before.begin(), c.before.end(), [&](const auto &b) {
                                 return b.first == file;
                             }) == c.before.end();
        if (sentNow && file.size() > 4 && file.compare(file.size() - 4, 4, ".qdm") == 0) {
            EXPECT_EQ(readAll(t.root() + file), recordBytes(sent)) << file;
        }
    }
    for (const Attachment &a : c.attachments) {
        for (const std::string &f : folders) {
            if (a.size >= 0 && fileExists(t.folder(f) + a.name)) {
                EXPECT_EQ(readAll(t.folder(f) + a.name), std::string(std::size_t(a.size), 'n'));
            }
        }
    }
}

const SendCase sendCases[] = {
    {"TwoRecipientsNumberedPerFolder", {"Ann", "Ben"}, {},
     {{"inbox-a/Ann1.qdm", "x"}, {"inbox-a/Ann2.qdm", "x"}},
     {"inbox-a/Ann1.qdm", "inbox-a/Ann2.qdm", "inbox-a/Ann3.qdm", "inbox-b/Ben1.qdm"}},
    {"FirstFreeNumber", {"Ann"}, {}, {{"inbox-a/Ann1.qdm", "x"}, {"inbox-a/Ann3.qdm", "x"}},
     {"inbox-a/Ann1.qdm", "inbox-a/Ann2.qdm", "inbox-a/Ann3.qdm"}},
    {"NameAndNumberJoinWithoutSeparator", {"Ben", "Ben1"}, {},
     {{"inbox-b/Ben1.qdm", "x"}, {"inbox-b/Ben2.qdm", "x"}, {"inbox-b/Ben3.qdm", "x"}, {"inbox-b/Ben4.qdm", "x"},
      {"inbox-b/Ben5.qdm", "x"}, {"inbox-b/Ben6.qdm", "x"}, {"inbox-b/Ben7.qdm", "x"}, {"inbox-b/Ben8.qdm", "x"},
      {"inbox-b/Ben9.qdm", "x"}, {"inbox-b/Ben10.qdm", "x"}},
     {"inbox-b/Ben1.qdm", "inbox-b/Ben10.qdm", "inbox-b/Ben11.qdm", "inbox-b/Ben12.qdm", "inbox-b/Ben2.qdm",
      "inbox-b/Ben3.qdm", "inbox-b/Ben4.qdm", "inbox-b/Ben5.qdm", "inbox-b/Ben6.qdm", "inbox-b/Ben7.qdm",
      "inbox-b/Ben8.qdm", "inbox-b/Ben9.qdm"}},
    {"UnreachableFolderGoesToEveryServer", {"Cara"}, {{"a.txt", 100}, {"b.txt", 20000}}, {},
     {"server1/Cara1.qdm", "server1/a.txt", "server1/b.txt", "server2/Cara1.qdm", "server2/a.txt", "server2/b.txt"},
     {{"server1/a.txt", "1"}, {"server1/b.txt", "1"}, {"server2/a.txt", "1"}, {"server2/b.txt", "1"}}},
    {"UnreachableWithoutServersGetsNothing", {"Cara", "Ann"}, {{"a.txt", 10}}, {},
     {"inbox-a/Ann1.qdm", "inbox-a/a.txt"}, {{"inbox-a/a.txt", "1"}}, false},
    {"CaptionNoEntryBearsIsSkipped", {"Nobody", "", "Ann"}, {{"a.txt", 10}}, {},
     {"inbox-a/Ann1.qdm", "inbox-a/a.txt"}, {{"inbox-a/a.txt", "1"}}},
    {"VanishedAttachmentIsLeftOutAndNamed", {"Ann"}, {{"a.txt", 10}, {"gone.txt", -1}}, {},
     {"inbox-a/Ann1.qdm", "inbox-a/a.txt"}, {{"inbox-a/a.txt", "1"}, {"inbox-a/gone.txt", "-"}}},
    {"SameRecipientTwiceCountsTwice", {"Ann", "Ann"}, {{"report.doc", 30}}, {},
     {"inbox-a/Ann1.qdm", "inbox-a/Ann2.qdm", "inbox-a/report.doc"}, {{"inbox-a/report.doc", "2"}}},
    {"FileWithTheSameBytesIsReusedAndCountedAgain", {"Ann"}, {{"report.doc", 30}},
     {{"inbox-a/Ann1.qdm", "x"}, {"inbox-a/report.doc", std::string(30, 'n')},
      {"inbox-a/Attach.ini", "[attachments]\r\nreport.doc=1\r\n"}},
     {"inbox-a/Ann1.qdm", "inbox-a/Ann2.qdm", "inbox-a/report.doc"}, {{"inbox-a/report.doc", "2"}}},
    {"EmptyAttachmentIsCopiedAndCounted", {"Ann"}, {{"empty.bin", 0}}, {},
     {"inbox-a/Ann1.qdm", "inbox-a/empty.bin"}, {{"inbox-a/empty.bin", "1"}}},
};

INSTANTIATE_TEST_SUITE_P(Cases, SendScenario, ::testing::ValuesIn(sendCases), ByCaseName());

class Send : public ::testing::Test
{
protected:
    TempFolders t;
    std::string addr = t.folder("addr");
};

TEST_F(Send, ProgressAndEventsPerCopy)
{
    writeAddressList(addr, {{"Ann", t.userA()}, {"Cara", t.root() + "gone/"}, {"S1", t.server1(), true},
                            {"Plain", t.folder("plain")}});
    writeAll(t.folder("src") + "b.bin", std::string(20000, 'b'));
    writeAll(t.folder("src") + "e.bin", std::string(8048, 'e'));
    User carl("Carl", t.program(), t.folder("inbox-c"), t.folder("data"), addr);
    CallbackLog log;
    TNewView view;
    view.bodyRtf = "{}";
    view.toCaptions[0] = qs("Ann");
    view.toCaptions[1] = qs("Cara");
    view.attachCaptions[0] = qs("b.bin");
    view.attachCaptions[1] = qs("e.bin");
    view.yourName = qs("Carl");
    TSlotTexts paths{qs(t.folder("src") + "b.bin"), qs(t.folder("src") + "e.bin")};
    const SendCommandReport report =
        sendCommand(carl.programFolder, view, paths, carl.addresses, carl.outgoing, carl.MessageReady, log.callbacks());
    ASSERT_EQ(report.sent.dropFiles, 2);
    ASSERT_EQ(report.sent.attachmentCopies, 4);

    // Before and after every block, the pass that reads 0 bytes included.
    const std::vector<std::string> copy20000{"show 20000", "pump", "advance 8048", "pump", "pump", "advance 8048",
                                             "pump", "pump", "advance 3904", "pump", "pump", "pump", "hide"};
    const std::vector<std::string> copy8048{"show 8048", "pump", "advance 8048", "pump", "pump", "pump", "hide"};
    std::vector<std::string> expected;
    // Slot 1, direct: the attachments, then one pump before the drop file.
    expected.insert(expected.end(), copy20000.begin(), copy20000.end());
    expected.insert(expected.end(), copy8048.begin(), copy8048.end());
    expected.push_back("pump");
    // Slot 2, through the one server: no pump between server entries while copying, then
    // one per address entry before its drop file.
    expected.insert(expected.end(), copy20000.begin(), copy20000.end());
    expected.insert(expected.end(), copy8048.begin(), copy8048.end());
    expected.insert(expected.end(), 4, "pump");
    EXPECT_EQ(log.events, expected);
}

// A drop file that cannot be written (here: larger than this process may write) ends the
// send; later slots get nothing, and the copies counted for it are taken back, or they
// would stay in the folder for ever.
TEST_F(Send, DropFileThatCannotBeWrittenEndsTheSendAndTakesBackItsAttachments)
{
    writeAddressList(addr, {{"Ann", t.userA()}, {"Ben", t.userB()}});
    writeAll(t.folder("src") + "a.txt", std::string(10000, 'a'));
    writeAll(t.userB() + "Attach.ini", "[attachments]\r\nold.txt=1\r\n");
    User carl("Carl", t.program(), t.folder("inbox-c"), t.folder("data"), addr);
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto restore = [&] { ::setrlimit(RLIMIT_FSIZE, &before); std::signal(SIGXFSZ, SIG_DFL); };
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = 16384;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string error = errorOf<IoError>([&] { carl.send({"Ben", "Ann"}, "s", {t.folder("src") + "a.txt"}); });
    restore();
    EXPECT_EQ(error, "I/O error 27");
    EXPECT_TRUE(listFolder(t.userA()).empty());
    EXPECT_EQ(listFolder(t.userB()), std::vector<std::string>{"Attach.ini"});
    EXPECT_EQ(attachCount(t.userB(), "a.txt"), "-");
    EXPECT_EQ(attachCount(t.userB(), "old.txt"), "1");
}

// The window may change the address list and the attachments while the send processes
// events: the send goes on with what it started with.
TEST_F(Send, WindowEditingMeanwhileChangesNothingOfTheSend)
{
    writeAddressList(addr, {{"Cara", t.root() + "gone/"}, {"S1", t.server1(), true}, {"S2", t.server2(), true}});
    writeAll(t.folder("src") + "a.txt", std::string(20000, 'a'));
    User carl("Carl", t.program(), t.folder("inbox-c"), t.folder("data"), addr);
    TNewView view;
    view.bodyRtf = "{}";
    view.toCaptions[0] = qs("Cara");
    view.attachCaptions[0] = qs("a.txt");
    view.yourName = qs("Carl");
    TSlotTexts paths{qs(t.folder("src") + "a.txt")};
    MailCallbacks callbacks;
    callbacks.processEvents = [&] {
        carl.addresses.clear();
        paths[0].clear();
    };
    const SendCommandReport report =
        sendCommand(carl.programFolder, view, paths, carl.addresses, carl.outgoing, carl.MessageReady, callbacks);
    EXPECT_EQ(report.sent.dropFiles, 2);
    for (const std::string &server : {t.server1(), t.server2()})
        EXPECT_EQ(listFolder(server), (std::vector<std::string>{"Attach.ini", "Cara1.qdm", "a.txt"}));
}

// Attach.ini could not hold such a key: the copy and its count take '_' for it, and the
// drop file names the copy so.
TEST_F(Send, NameThatCannotBeAKeyIsCopiedAndCountedWithUnderscores)
{
    writeAddressList(addr, {{"Ann", t.userA()}});
    writeAll(t.folder("src") + ";a=b.txt ", "x");
    User carl("Carl", t.program(), t.folder("inbox-c"), t.folder("data"), addr);
    carl.send({"Ann"}, "s", {t.folder("src") + ";a=b.txt "});
    EXPECT_EQ(listFolder(t.userA()), (std::vector<std::string>{"Ann1.qdm", "Attach.ini", "_a_b.txt_"}));
    EXPECT_EQ(attachCount(t.userA(), "_a_b.txt_"), "1");
    TMessageRecord record;
    const std::string bytes = readAll(t.userA() + "Ann1.qdm");
    std::copy(bytes.begin(), bytes.end(), record.bytes.begin());
    EXPECT_EQ(record.AttachName(1), qs("_a_b.txt_"));
}

TEST_F(Send, NameThatIsNoPlainFileNameIsNotCopied)
{
    writeAddressList(addr, {{"Ann", t.userA()}});
    User carl("Carl", t.program(), t.folder("inbox-c"), t.folder("data"), addr);
    const SendCommandReport report = carl.send({"Ann"}, "s", {t.folder("src") + ".."});
    EXPECT_EQ(report.sent.dropFiles, 1);
    EXPECT_EQ(report.sent.attachmentCopies, 0);
    EXPECT_EQ(listFolder(t.userA()), (std::vector<std::string>{"Ann1.qdm"}));
}

TEST_F(Send, SecondSendWhileSendingIsRefusedAndChangesNothing)
{
    writeAddressList(addr, {{"Ann", t.userA()}, {"Ben", t.userB()}});
    writeAll(t.folder("src") + "a.txt", "A");
    User carl("Carl", t.program(), t.folder("inbox-c"), t.folder("data"), addr);
    TNewView view;
    view.bodyRtf = "{first}";
    view.toCaptions[0] = qs("Ann");
    view.attachCaptions[0] = qs("a.txt");
    view.yourName = qs("Carl");
    TSlotTexts paths{qs(t.folder("src") + "a.txt")};
    std::vector<MailOutcome> inner;
    MailCallbacks callbacks;
    callbacks.processEvents = [&] {
        TNewView other = view;
        other.bodyRtf = "{second}";
        other.toCaptions[0] = qs("Ben");
        inner.push_back(sendCommand(carl.programFolder, other, paths, carl.addresses, carl.outgoing,
                                    carl.MessageReady, {}).outcome);
    };
    const SendCommandReport report =
        sendCommand(carl.programFolder, view, paths, carl.addresses, carl.outgoing, carl.MessageReady, callbacks);
    EXPECT_EQ(report.outcome, MailOutcome::Done);
    ASSERT_FALSE(inner.empty());
    for (MailOutcome o : inner)
        EXPECT_EQ(o, MailOutcome::Refused);
    EXPECT_TRUE(listFolder(t.userB()).empty());
    EXPECT_EQ(readAll(t.program() + "tmprtf.tmp"), "{first}");
    EXPECT_EQ(readAll(t.userA() + "Ann1.qdm"), recordBytes(carl.outgoing));
    EXPECT_EQ(carl.outgoing.ToName(1), qs("Ann"));
}

TEST_F(Send, TooLongBodyOrEmptyNameSendsNothing)
{
    writeAddressList(addr, {{"Ann", t.userA()}});
    User carl("Carl", t.program(), t.folder("inbox-c"), t.folder("data"), addr);
    const SendCommandReport report = carl.send({"Ann"}, "s", {}, std::string(10002, 'x'));
    EXPECT_EQ(report.message, BodyTooLongMessage);
    EXPECT_EQ(report.sent.dropFiles, 0);

    carl.settings.Name.clear();
    const SendCommandReport nameless = carl.send({"Ann"}, "s");
    EXPECT_EQ(nameless.outcome, MailOutcome::SettingsIncomplete);
    EXPECT_EQ(nameless.message, QString());
    EXPECT_TRUE(listFolder(t.userA()).empty());
    EXPECT_EQ(readAll(t.program() + "tmprtf.tmp"), std::string(10002, 'x')) << "nothing was built";
}

} // namespace
