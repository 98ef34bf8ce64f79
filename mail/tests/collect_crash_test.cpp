#include "mailfixture.h"

#include "FileOps.h"
#include "RecordFile.h"
#include "Settings.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace {

constexpr int OwnMessages = 200;
constexpr int ServerMessages = 100;
constexpr int Group = 64;

// Ann's tree: 200 drop files in her own folder and 100 in a server folder, each message
// told apart by its subject ("own 17", "server 3").
struct Office
{
    TempFolders t;
    std::string own = t.userA();
    std::string server = t.server1();
    std::string program = t.program();
    std::string datafile = t.folder("data") + "InBox.qdi";
    std::map<std::string, std::string> sent; // subject -> record bytes

    Office()
    {
        writeAddressList(t.folder("addr"), {{"Ann", own}, {"S", server, true}});
        TSettings s;
        s.Name = qs("Ann");
        s.MyDest = qs(own);
        s.Addresses = qs(t.folder("addr"));
        s.InboxData = qs(t.folder("data"));
        saveSettings(program, s);
        for (const auto &[folder, prefix, count] :
             {std::tuple{own, "own ", OwnMessages}, std::tuple{server, "server ", ServerMessages}}) {
            for (int n = 1; n <= count; ++n) {
                const std::string subject = prefix + std::to_string(n);
                sent[subject] = recordBytes(makeRecord("Carl", subject));
                writeAll(folder + "Ann" + std::to_string(n) + ".qdm", sent[subject]);
            }
        }
    }

    std::string dropOf(const std::string &subject) const
    {
        const auto space = subject.find(' ');
        return (subject[0] == 'o' ? own : server) + "Ann" + subject.substr(space + 1) + ".qdm";
    }

    // Runs quindle-tool collect with the crash library; returns true when it ran to its end.
    bool collect(const QString &crashAt, const std::string &countFile = {}, bool kill = false) const
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(QUINDLE_CRASHPOINT));
        env.insert(QStringLiteral("QUINDLE_CRASH_AT"), crashAt);
        if (kill)
            env.insert(QStringLiteral("QUINDLE_CRASH_MODE"), QStringLiteral("kill"));
        if (!countFile.empty())
            env.insert(QStringLiteral("QUINDLE_CRASH_COUNT"), qs(countFile));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(QUINDLE_TOOL), {qs("collect"), qs("--program-folder"), qs(program)});
        process.waitForFinished(-1);
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }
};

// A power cut at any write, flush or delete of a collection, then a collection to the end:
// every message is in the datafile or still a drop file, every record is whole, and only
// the messages of one group may be there twice (or be there and still wait as drop files).
TEST(CollectCrash, PowerCutAtRandomPointsLosesNothing)
{
    long points = 0;
    {
        const Office office;
        const std::string countFile = office.t.root() + "points";
        ASSERT_TRUE(office.collect(qs("0"), countFile));
        points = std::stol(readAll(countFile));
        ASSERT_GT(points, OwnMessages + ServerMessages);
    }
    std::mt19937 random(20240611);
    std::uniform_int_distribution<long> pick(1, points);
    for (int trial = 0; trial < 24; ++trial) {
        const Office office;
        const long crashAt = pick(random);
        SCOPED_TRACE("crash at point " + std::to_string(crashAt) + " of " + std::to_string(points));
        EXPECT_FALSE(office.collect(qs(std::to_string(crashAt))));
        ASSERT_TRUE(office.collect(qs("0")));

        const std::string bytes = readAll(office.datafile);
        ASSERT_EQ(bytes.size() % TMessageRecord::Size, 0u);
        std::map<std::string, int> copies;
        const std::string empty(TMessageRecord::Size, '\0');
        for (std::size_t at = 0; at < bytes.size(); at += TMessageRecord::Size) {
            const std::string record = bytes.substr(at, TMessageRecord::Size);
            if (record == empty)
                continue;
            TMessageRecord r;
            std::copy(record.begin(), record.end(), r.bytes.begin());
            const std::string subject = r.Subject().toStdString();
            ASSERT_TRUE(office.sent.count(subject) && office.sent.at(subject) == record) << "torn record at " << at;
            ++copies[subject];
        }
        std::vector<std::string> twice;
        for (const auto &[subject, record] : office.sent) {
            const bool waiting = fileExists(office.dropOf(subject));
            EXPECT_TRUE(copies[subject] > 0 || waiting) << subject << " lost";
            if (copies[subject] + (waiting ? 1 : 0) > 1)
                twice.push_back(subject);
        }
        ASSERT_LE(twice.size(), std::size_t(Group));
        if (!twice.empty()) {
            // One group: one folder and numbers within one run of 64 from 1.
            const auto groupOf = [](const std::string &subject) {
                const auto space = subject.find(' ');
                return subject.substr(0, space) + std::to_string((std::stoi(subject.substr(space + 1)) - 1) / Group);
            };
            for (const std::string &subject : twice)
                EXPECT_EQ(groupOf(subject), groupOf(twice.front())) << subject;
        }
    }
}

// A collector killed at any write, flush or delete (a write torn in half), then run again:
// every message is in the inbox whole, at most the one in flight twice, no drop file left.
TEST(CollectCrash, KilledAtRandomPointsTakesEveryMessageOnce)
{
    long points = 0;
    {
        const Office office;
        const std::string countFile = office.t.root() + "points";
        ASSERT_TRUE(office.collect(qs("0"), countFile, true));
        points = std::stol(readAll(countFile));
    }
    std::mt19937 random(20240612);
    std::uniform_int_distribution<long> pick(1, points);
    for (int trial = 0; trial < 16; ++trial) {
        const Office office;
        const long crashAt = pick(random);
        SCOPED_TRACE("killed at point " + std::to_string(crashAt) + " of " + std::to_string(points));
        EXPECT_FALSE(office.collect(qs(std::to_string(crashAt)), {}, true));
        ASSERT_TRUE(office.collect(qs("0")));

        std::map<std::string, int> copies;
        int twice = 0;
        for (const TMessageRecord &r : readMessageFile(office.datafile).records) {
            if (r.isEmpty())
                continue;
            const std::string subject = r.Subject().toStdString();
            ASSERT_TRUE(office.sent.count(subject) && office.sent.at(subject) == recordBytes(r)) << "torn record";
            if (++copies[subject] == 2)
                ++twice;
        }
        EXPECT_LE(twice, 1);
        for (const auto &[subject, record] : office.sent) {
            EXPECT_GT(copies[subject], 0) << subject << " lost";
            EXPECT_FALSE(fileExists(office.dropOf(subject))) << subject;
        }
    }
}

} // namespace
