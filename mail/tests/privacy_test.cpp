#include "mailfixture.h"
#include "office.h"

#include "DropFiles.h"
#include "FileOps.h"
#include "InboxFile.h"
#include "IoError.h"
#include "RecordFile.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

class Privacy : public ::testing::Test
{
protected:
    TempFolders t;
    std::string own = t.userA();
    std::string server = t.server1();
    std::string data = t.folder("data");
    std::string addr = t.folder("addr");
    std::string home = t.folder("home-of-ann");

    void writeDrop(const std::string &folder, int n, const std::vector<std::string> &attachments = {})
    {
        writeAll(folder + "Ann" + std::to_string(n) + ".qdm",
                 recordBytes(makeRecord("Carl", "m" + std::to_string(n), attachments)));
    }
    // Ann's main.ini in the program folder, her datafile (holding one free slot) in data, and
    // something planted where its lock file belongs, so that the datafile alone is locked.
    std::string withoutLockFile()
    {
        const std::string datafile = data + "InBox.qdi";
        EXPECT_EQ(::mkfifo((datafile + ".lock").c_str(), 0666), 0);
        writeAll(datafile, std::string(TMessageRecord::Size, '\0'));
        TSettings s;
        s.Name = qs("Ann");
        s.MyDest = qs(own);
        s.Addresses = qs(addr);
        s.InboxData = qs(data);
        saveSettings(t.program(), s);
        return datafile;
    }
    // Swaps the own inbox folder for a link to Ann's home, as a colleague with write access to
    // the folder above would.
    void swapForLinkToHome()
    {
        fs::rename(own.substr(0, own.size() - 1), t.root() + "moved-inbox");
        fs::create_directory_symlink(home, own.substr(0, own.size() - 1));
    }
};

// A colleague puts a link to the victim's home in place of the inbox folder: between
// collections it is refused, and during one the collection goes on in the folder it opened,
// so nothing (".bash_aliases" least of all) lands in the home.
TEST_F(Privacy, SwappedInboxFolderLeadsNothingIntoTheHome)
{
    writeAddressList(addr, {{"Server", server, true}});
    writeAll(server + ".bash_aliases", "alias ls='rm -rf ~'");
    writeDrop(server, 1, {".bash_aliases"});
    User ann("Ann", t.program(), own, data, addr);
    MailCallbacks callbacks;
    bool swapped = false;
    callbacks.processEvents = [&] {
        if (!swapped)
            swapForLinkToHome();
        swapped = true;
    };
    EXPECT_EQ(ann.collect(callbacks).collected, 1);
    EXPECT_TRUE(fs::is_empty(home));
    EXPECT_EQ(readAll(t.root() + "moved-inbox/_bash_aliases"), "alias ls='rm -rf ~'");
    EXPECT_EQ(ann.inbox[0].AttachName(1), qs("_bash_aliases"));

    // Between collections the link itself is refused, with a word.
    writeDrop(server, 1);
    try {
        ann.collect();
        ADD_FAILURE() << "a link for the inbox folder was followed";
    } catch (const CollectError &error) {
        EXPECT_NE(std::string(error.what()).find("is a symbolic link"), std::string::npos) << error.what();
    }
    EXPECT_TRUE(fs::is_empty(home));
    EXPECT_TRUE(fs::exists(server + "Ann1.qdm"));
}

// Names that stand for something else in a folder are copied, counted and named in the
// record under a plain name, at sending and at collecting.
TEST_F(Privacy, AttachmentNamesThatMeanSomethingElseArePlain)
{
    const std::string docs = t.folder("docs");
    const std::vector<std::pair<std::string, std::string>> names = {
        {".bash_aliases", "_bash_aliases"}, {"two\nlines.txt", "two_lines.txt"}, {"Anna9.qdm", "Anna9_qdm"},
        {"Attach.ini", "Attach_ini"},       {"CON.txt", "_CON.txt"},             {"why?.doc ", "why_.doc_"}};
    std::vector<std::string> paths;
    for (const auto &[name, plain] : names) {
        writeAll(docs + name, name);
        paths.push_back(docs + name);
    }
    writeAddressList(addr, {{"Ben", t.userB()}, {"Ann", own}});
    User ann("Ann", t.program(), own, data, addr);
    const SendCommandReport sent = ann.send({"Ben"}, "names", paths);
    EXPECT_EQ(sent.sent.attachmentCopies, int(names.size()));
    const TMessageRecord record = readMessageFile(t.userB() + "Ben1.qdm").records.at(0);
    for (std::size_t j = 0; j < names.size(); ++j) {
        SCOPED_TRACE(names[j].first);
        EXPECT_EQ(record.AttachName(int(j) + 1), qs(names[j].second));
        EXPECT_EQ(readAll(t.userB() + names[j].second), names[j].first);
        EXPECT_EQ(attachCount(t.userB(), names[j].second), "1");
    }
    EXPECT_FALSE(fs::exists(t.userB() + "Anna9.qdm"));
    EXPECT_EQ(readAll(t.userB() + "Attach.ini").find("two\n"), std::string::npos);

    // A record another copy wrote, collected from a server folder.
    writeAddressList(addr, {{"Server", server, true}});
    ann.reloadAddresses();
    writeAll(server + "Carl9.qdm", "not a drop file of ours");
    writeAll(server + "CON", "device");
    writeDrop(server, 1, {"Carl9.qdm", "CON"});
    ann.collect();
    EXPECT_EQ(ann.inbox.back().AttachName(1), qs("Carl9_qdm"));
    EXPECT_EQ(ann.inbox.back().AttachName(2), qs("_CON"));
    EXPECT_EQ(readAll(own + "Carl9_qdm"), "not a drop file of ours");
    EXPECT_FALSE(fs::exists(own + "Carl9.qdm"));
}

// The datafile removed, renamed or put back new while a collection runs: the messages taken
// since the last flush stay in their folder and the next collection takes them, so every
// message stands in a datafile or still waits, and none is in two.
TEST_F(Privacy, DatafileGoneDuringCollectionLosesNothing)
{
    const std::vector<std::pair<const char *, std::function<void(const std::string &)>>> ways = {
        {"removed", [](const std::string &datafile) { fs::remove(datafile); }},
        {"renamed", [](const std::string &datafile) { fs::rename(datafile, datafile + ".old"); }},
        {"folder made anew", [](const std::string &datafile) {
             const std::string folder = datafile.substr(0, datafile.rfind('/'));
             fs::rename(folder, folder + "-old");
             fs::create_directory(folder);
             writeAll(datafile, std::string(TMessageRecord::Size, '\0'));
         }}};
    for (const auto &[what, change] : ways) {
        SCOPED_TRACE(what);
        TempFolders tree;
        const std::string s = tree.server1(), d = tree.folder("data");
        writeAddressList(tree.folder("addr"), {{"Server", s, true}});
        for (int n = 1; n <= 100; ++n)
            writeAll(s + "Ann" + std::to_string(n) + ".qdm", recordBytes(makeRecord("Carl", std::to_string(n))));
        User ann("Ann", tree.program(), tree.userA(), d, tree.folder("addr"));
        int pumps = 0;
        MailCallbacks callbacks;
        callbacks.processEvents = [&] {
            if (++pumps == 80)
                change(ann.datafile);
        };
        int collected = 0;
        try {
            ann.collect(callbacks);
            ADD_FAILURE() << "the collection went on into a datafile nobody reads";
        } catch (const CollectError &error) {
            collected = error.report().collected;
            EXPECT_NE(std::string(error.what()).find("stay where they were"), std::string::npos) << error.what();
        }
        EXPECT_EQ(collected, 64) << "only the group flushed before the change counts";
        std::set<std::string> waiting;
        for (const std::string &name : listFolder(s))
            if (name.ends_with(".qdm"))
                waiting.insert(name);
        EXPECT_EQ(waiting.size(), 100u - 64u);
        // The next collection, into the datafile under the name now, takes the rest.
        if (!fileExists(ann.datafile))
            writeAll(ann.datafile, std::string(TMessageRecord::Size, '\0'));
        ann.inbox = loadInbox(ann.datafile);
        EXPECT_EQ(ann.collect().collected, 36);
        std::set<std::string> subjects;
        for (const std::string &subject : ann.datafileSubjects())
            if (!subject.empty())
                subjects.insert(subject);
        EXPECT_EQ(subjects.size(), 36u);
    }
}

// No lock file can be had (something planted under its name): the datafile itself carries
// the lock, so a collection never runs beside a window's compaction or another collection.
TEST_F(Privacy, WithoutALockFileTheDatafileStillAdmitsOneCopy)
{
    writeAddressList(addr, {{"Ann", own}});
    writeDrop(own, 1);
    const std::string datafile = withoutLockFile();
    {
        const auto window = InboxLock::tryAcquire(datafile);
        ASSERT_TRUE(window && window->held());
        const ProcessRun refused = toolAs(0, {qs("collect"), qs("--program-folder"), qs(t.program())});
        EXPECT_EQ(refused.status, 1);
        EXPECT_NE(refused.err.find("is open in another copy"), std::string::npos) << refused.err;
        // A compaction of the window moves the lock onto the new datafile before it takes the name.
        TInboxData inbox = loadInbox(datafile);
        TMessageRecord scratch;
        packInbox(datafile, inbox, scratch, window.get());
        EXPECT_EQ(toolAs(0, {qs("collect"), qs("--program-folder"), qs(t.program())}).status, 1);
    }
    const ProcessRun collected = toolAs(0, {qs("collect"), qs("--program-folder"), qs(t.program())});
    EXPECT_EQ(collected.out, "collected 1 message\n") << collected.err;
}

// The same while another copy collects thousands of messages: every compaction the window
// tries meanwhile is refused, and each message ends in the datafile once or still waits.
TEST_F(Privacy, CompactionBesideALongCollectionIsRefusedAndLosesNothing)
{
    constexpr int Messages = 5000;
    writeAddressList(addr, {{"Ann", own}});
    for (int n = 1; n <= Messages; ++n)
        writeDrop(own, n);
    const std::string datafile = withoutLockFile();
    QProcess collection;
    collection.start(QStringLiteral(QUINDLE_TOOL), {qs("collect"), qs("--program-folder"), qs(t.program())});
    // Under way once its first group has left the folder.
    while (fileExists(own + "Ann1.qdm") && !collection.waitForFinished(1)) {
    }
    int refused = 0;
    const auto compact = [&] {
        const auto window = InboxLock::tryAcquire(datafile);
        if (!window)
            return false;
        TInboxData inbox = loadInbox(datafile);
        TMessageRecord scratch;
        packInbox(datafile, inbox, scratch, window.get());
        return true;
    };
    while (!collection.waitForFinished(2))
        refused += compact() ? 0 : 1;
    EXPECT_GT(refused, 0);
    EXPECT_EQ(collection.readAllStandardOutput().toStdString(), "collected " + std::to_string(Messages) + " messages\n")
        << collection.readAllStandardError().toStdString();
    EXPECT_TRUE(compact());

    std::multiset<std::string> everywhere;
    for (const TMessageRecord &record : readMessageFile(datafile).records)
        if (!record.isEmpty())
            everywhere.insert(record.Subject().toStdString());
    for (const std::string &name : listFolder(own))
        if (name.ends_with(".qdm"))
            everywhere.insert(readMessageFile(own + name).records.at(0).Subject().toStdString());
    ASSERT_EQ(everywhere.size(), std::size_t(Messages));
    for (int n = 1; n <= Messages; ++n)
        ASSERT_EQ(everywhere.count("m" + std::to_string(n)), 1u) << n;
}

} // namespace
