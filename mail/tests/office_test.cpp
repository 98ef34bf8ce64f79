#include "mailfixture.h"
#include "office.h"

#include "RecordFile.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>

namespace {

QStringList args(std::initializer_list<std::string> list)
{
    QStringList result;
    for (const std::string &a : list)
        result.append(qs(a));
    return result;
}

// An office on one tree: Ann, Ben and Cara reach each other's inbox folders; Dan's is out
// of the senders' reach, so his mail waits in the server folder. Every shared folder is a
// group folder of mode 2775; each user has a program and a data folder of their own.
struct OfficeTree
{
    TempFolders t;
    std::string addr = groupFolder(t, "addr");
    std::string server = groupFolder(t, "server");
    std::map<std::string, std::string> inbox;
    std::map<std::string, std::string> program;
    std::map<std::string, uid_t> uid{{"Ann", Ann}, {"Ben", Ben}, {"Cara", Cara}, {"Dan", Dan}};

    explicit OfficeTree(bool users)
    {
        if (!users)
            uid = {{"Ann", 0}, {"Ben", 0}, {"Cara", 0}, {"Dan", 0}};
        for (const auto &[name, id] : uid) {
            inbox[name] = groupFolder(t, "inbox-" + name);
            program[name] = programFolder(t, name, id, inbox[name], addr);
        }
        writeAddressList(addr, {{"Ann", inbox["Ann"]}, {"Ben", inbox["Ben"]}, {"Cara", inbox["Cara"]},
                                {"Dan", t.root() + "offline/dan/"}, {"Server", server, true}});
    }

    // A file of the user's own, outside every shared folder.
    std::string own(const std::string &user, const std::string &name, const std::string &bytes)
    {
        const std::string path = folderOf(t, "docs-" + user, uid[user]) + name;
        writeAll(path, bytes);
        ::chown(path.c_str(), uid[user], OfficeGroup);
        ::chmod(path.c_str(), 0600);
        return path;
    }

    ProcessRun send(const std::string &from, const std::vector<std::string> &to, const std::vector<std::string> &attach = {})
    {
        writeAll(t.root() + "body.rtf", "{\\rtf1 from " + from + "}");
        ::chmod(t.root().c_str(), 0755);
        QStringList a = args({"send", "--program-folder", program[from], "--subject", "from " + from, "--body-rtf",
                              t.root() + "body.rtf"});
        for (const std::string &name : to)
            a << qs("--to") << qs(name);
        for (const std::string &path : attach)
            a << qs("--attach") << qs(path);
        return toolAs(uid[from], a);
    }

    ProcessRun collect(const std::string &user)
    {
        return toolAs(uid[user], args({"collect", "--program-folder", program[user]}));
    }

    TInboxData inboxOf(const std::string &user)
    {
        return readMessageFile(t.folder("data-" + user) + "InBox.qdi").records;
    }
};

// Every message names, in its slot, the file in the recipient's folder that holds exactly
// what its sender attached.
void expectEachNamesItsOwnFile(const TInboxData &inbox, const std::string &folder,
                               const std::map<std::string, std::string> &sentBy)
{
    std::size_t messages = 0;
    for (const TMessageRecord &record : inbox) {
        if (record.isEmpty())
            continue;
        ++messages;
        const std::string from = record.From().toStdString();
        ASSERT_TRUE(sentBy.count(from)) << from;
        const std::string name = record.AttachName(1).toStdString();
        EXPECT_EQ(readAll(folder + name), sentBy.at(from)) << from << " names " << name;
    }
    EXPECT_EQ(messages, sentBy.size());
}

bool leftovers(const std::string &folder)
{
    for (const std::string &name : listFolder(folder))
        if (name.ends_with(".qdm") || name.starts_with(".quindle-"))
            return true;
    return false;
}

class OfficeUsers : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!canSwitchUsers())
            GTEST_SKIP() << "switching user ids needs root";
    }
};

// Ann and Cara each send a different "report.txt" to Ben directly and to Dan through the
// server; each writes files and counts into a folder whose Attach.ini, its lock and the
// other report.txt another user made. Dan's own folder already holds a report.txt of Ben's.
TEST_F(OfficeUsers, SameNamedAttachmentsFromTwoSendersReachEveryRecipientIntact)
{
    OfficeTree office(true);
    const std::map<std::string, std::string> sentBy{{"Ann", "Ann's report"}, {"Cara", "Cara's longer report"}};
    ASSERT_EQ(shellAs(Ben, "printf 'not yours' > '" + office.inbox["Dan"] + "report.txt'").status, 0);
    for (const auto &[from, bytes] : sentBy) {
        const ProcessRun sent = office.send(from, {"Ben", "Dan"}, {office.own(from, "report.txt", bytes)});
        ASSERT_EQ(sent.status, 0) << sent.err;
        EXPECT_TRUE(sent.out.starts_with("sent to Ben: ") && sent.out.find("\nsent to Dan") != std::string::npos)
            << sent.out;
    }
    for (const std::string &folder : {office.inbox["Ben"], office.server}) {
        EXPECT_EQ(attachCount(folder, "report.txt"), "1");
        EXPECT_EQ(attachCount(folder, "report (2).txt"), "1");
    }

    for (const char *user : {"Ben", "Dan"}) {
        const ProcessRun collected = office.collect(user);
        EXPECT_EQ(collected.status, 0) << collected.err;
        EXPECT_EQ(collected.out, "collected 2 messages\n");
        expectEachNamesItsOwnFile(office.inboxOf(user), office.inbox[user], sentBy);
        EXPECT_FALSE(leftovers(office.inbox[user]));
    }
    EXPECT_EQ(readAll(office.inbox["Dan"] + "report.txt"), "not yours");
    EXPECT_EQ(listFolder(office.server), std::vector<std::string>{"Attach.ini"});
}

// Twenty sends at once from one program folder: every drop file carries its own body.
TEST(Office, TwentySendsAtOnceFromOneProgramFolder)
{
    OfficeTree office(false);
    constexpr int Sends = 20;
    std::vector<std::unique_ptr<QProcess>> senders;
    for (int i = 0; i < Sends; ++i) {
        const std::string body = office.t.root() + "body" + std::to_string(i) + ".rtf";
        writeAll(body, "{\\rtf1 body " + std::to_string(i) + std::string(std::size_t(i) * 300, '.') + "}");
        auto process = std::make_unique<QProcess>();
        process->start(QStringLiteral(QUINDLE_TOOL), args({"send", "--program-folder", office.program["Ann"], "--to",
                                                           "Ben", "--subject", std::to_string(i), "--body-rtf", body}));
        senders.push_back(std::move(process));
    }
    for (auto &process : senders) {
        process->waitForFinished(-1);
        EXPECT_EQ(process->exitCode(), 0) << process->readAllStandardError().toStdString();
    }
    std::set<std::string> subjects;
    for (int n = 1; n <= Sends; ++n) {
        TMessageRecord record;
        const std::string bytes = readAll(office.inbox["Ben"] + "Ben" + std::to_string(n) + ".qdm");
        std::copy(bytes.begin(), bytes.end(), record.bytes.begin());
        const std::string subject = record.Subject().toStdString();
        subjects.insert(subject);
        EXPECT_EQ(std::string(record.bodyText().data(), std::size_t(record.bodyText().size())),
                  readAll(office.t.root() + "body" + subject + ".rtf"));
    }
    EXPECT_EQ(subjects.size(), std::size_t(Sends));
    EXPECT_EQ(listFolder(office.program["Ann"]), (std::vector<std::string>{"main.ini", "tmprtf.tmp"}));
}

} // namespace
