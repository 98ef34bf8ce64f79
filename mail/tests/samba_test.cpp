#include "mailfixture.h"
#include "office.h"

#include "FileOps.h"
#include "RecordFile.h"

#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <thread>

namespace {

// A real Samba share: smbd serving a folder of a temporary tree on the loopback of a network
// namespace of its own (so its port is nobody else's), mounted through FUSE with smbnetfs.
// There a rename never refuses to replace, there are no hard or symbolic links, and writes
// reach the server in pieces.
class SambaShare
{
public:
    SambaShare()
    {
        for (const char *program : {"smbd", "smbnetfs", "unshare", "ip"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty()
                && QStandardPaths::findExecutable(QString::fromLatin1(program), {QStringLiteral("/usr/sbin")}).isEmpty())
                m_missing = std::string(program) + " is not installed (Debian packages samba, smbnetfs)";
        if (!std::filesystem::exists("/dev/fuse"))
            m_missing = "FUSE is missing (/dev/fuse)";
        if (!canSwitchUsers())
            m_missing = "a share needs root to mount";
        if (!m_missing.empty())
            return;
        const std::string root = m_tree.root();
        for (const char *dir : {"share", "mnt", "priv", "run", "lock", "state", "cache", "log", "home/.smb"})
            m_tree.folder(dir);
        ::chmod((root + "share").c_str(), 0777);
        writeAll(root + "smb.conf", "[global]\n  smb ports = 445\n  interfaces = 127.0.0.1\n  bind interfaces only = yes\n"
                                    "  private dir = " + root + "priv\n  pid directory = " + root + "run\n"
                                    "  lock directory = " + root + "lock\n  state directory = " + root + "state\n"
                                    "  cache directory = " + root + "cache\n  ncalrpc dir = " + root + "run/ncalrpc\n"
                                    "  log file = " + root + "log/smbd.log\n  disable netbios = yes\n"
                                    "  map to guest = Bad User\n  guest account = root\n  server role = standalone server\n"
                                    "  load printers = no\n  printcap name = /dev/null\n  disable spoolss = yes\n"
                                    "[share]\n  path = " + root + "share\n  read only = no\n  guest ok = yes\n"
                                    "  force user = root\n");
        writeAll(root + "home/.smb/smb.conf", "[global]\n  client min protocol = SMB2\n");
        writeAll(root + "home/.smb/smbnetfs.conf", "auth \"guest\" \"\"\nsmb_query_browsers false\n");
        ::chmod((root + "home/.smb/smbnetfs.conf").c_str(), 0600);
        // Both run in the foreground of a shell that ends at once, their ids kept to end them.
        // smbnetfs is started once smbd listens: a first failure would be remembered.
        const std::string start = "ip link set lo up && (smbd -F -s '" + root +
                                  "smb.conf' </dev/null >'" + root + "log/smbd.out' 2>&1 & echo $! >'" + root +
                                  "run/smbd.id') && for i in $(seq 200); do ss -ltn | grep -q ':445 ' && break; "
                                  "sleep 0.05; done && (HOME='" + root + "home' smbnetfs '" + root + "mnt' -f -o config='" +
                                  root + "home/.smb/smbnetfs.conf',smb_query_browsers=false </dev/null >'" + root +
                                  "log/smbnetfs.out' 2>&1 & echo $! >'" + root + "run/smbnetfs.id')";
        QProcess shell;
        shell.setStandardOutputFile(QProcess::nullDevice());
        shell.start(QStringLiteral("unshare"), {QStringLiteral("--net"), QStringLiteral("sh"), QStringLiteral("-c"),
                                                QString::fromStdString(start)});
        shell.waitForFinished(-1);
        m_started = shell.exitCode() == 0;
        if (!m_started) {
            m_missing = "the share could not be started: " + shell.readAllStandardError().toStdString();
            return;
        }
        // smbd answers once it has set up; the mount is there when the share can be listed.
        m_folder = root + "mnt/127.0.0.1/share/";
        std::error_code ec;
        for (int attempt = 0; attempt < 200 && !std::filesystem::create_directory(m_folder + "probe", ec); ++attempt)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!folderExists(m_folder + "probe"))
            m_missing = "the share did not come up";
    }

    ~SambaShare()
    {
        const std::string root = m_tree.root();
        if (!m_started)
            return;
        QProcess::execute(QStringLiteral("umount"), {QString::fromStdString(root + "mnt")});
        for (const char *daemon : {"run/smbnetfs.id", "run/smbd.id"}) {
            if (!fileExists(root + daemon))
                continue;
            const pid_t id = std::stoi(readAll(root + daemon));
            ::kill(id, SIGTERM);
            for (int attempt = 0; attempt < 100 && ::kill(id, 0) == 0; ++attempt)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

    const std::string &unavailable() const { return m_missing; }
    // A folder on the share, ending with a separator.
    std::string folder(const std::string &name) const
    {
        const std::string path = m_folder + name + "/";
        std::filesystem::create_directories(path);
        return path;
    }
    const TempFolders &local() const { return m_tree; }

private:
    // One share on the machine at a time: a UNC path is looked up among every mount there is,
    // and two shares of one name would lead one test's mail into the other's.
    struct OneAtATime
    {
        int fd = ::open("/tmp/quindle-samba-share.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        OneAtATime() { ::flock(fd, LOCK_EX); }
        ~OneAtATime() { ::close(fd); }
    } m_oneAtATime;
    TempFolders m_tree;
    std::string m_missing;
    std::string m_folder;
    bool m_started = false;
};

QStringList args(std::initializer_list<std::string> list)
{
    QStringList result;
    for (const std::string &a : list)
        result.append(qs(a));
    return result;
}

// Ann and Cara send at once, each a different "report.txt", to Ben directly and to Dan
// through the server folder, every folder and Dan's datafile on the share; Ben collects,
// and Dan's collector is killed at random points before it runs to its end.
TEST(SambaShare, OfficeOnAShare)
{
    const SambaShare share;
    if (!share.unavailable().empty())
        GTEST_SKIP() << share.unavailable();
    const std::string addr = share.folder("addr");
    const std::string server = share.folder("server");
    std::map<std::string, std::string> inbox, program;
    for (const std::string user : {"Ann", "Ben", "Cara", "Dan"}) {
        inbox[user] = share.folder("inbox-" + user);
        program[user] = share.local().folder("program-" + user);
        TSettings s;
        s.Name = qs(user);
        s.MyDest = qs(inbox[user]);
        s.Addresses = qs(addr);
        s.InboxData = qs(user == "Dan" ? share.folder("data-Dan") : share.local().folder("data-" + user));
        saveSettings(program[user], s);
    }
    writeAddressList(addr, {{"Ann", inbox["Ann"]}, {"Ben", inbox["Ben"]}, {"Cara", inbox["Cara"]},
                            {"Dan", share.local().root() + "offline/"}, {"Server", server, true}});
    const std::map<std::string, std::string> sentBy{{"Ann", std::string(30000, 'a')}, {"Cara", "Cara's report"}};

    constexpr int Each = 3;
    std::vector<std::unique_ptr<QProcess>> senders;
    for (const auto &[from, bytes] : sentBy) {
        const std::string docs = share.local().folder("docs-" + from);
        writeAll(docs + "report.txt", bytes);
        writeAll(docs + "body.rtf", "{\\rtf1 from " + from + "}");
        for (int i = 0; i < Each; ++i) {
            auto sender = std::make_unique<QProcess>();
            sender->start(QStringLiteral(QUINDLE_TOOL),
                          args({"send", "--program-folder", program[from], "--to", "Ben", "--to", "Dan", "--subject",
                                from + std::to_string(i), "--body-rtf", docs + "body.rtf", "--attach",
                                docs + "report.txt"}));
            senders.push_back(std::move(sender));
        }
    }
    for (auto &sender : senders) {
        sender->waitForFinished(-1);
        EXPECT_EQ(sender->exitCode(), 0) << sender->readAllStandardError().toStdString();
    }

    const auto collect = [&](const std::string &user, long killAt) {
        QProcess collector;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (killAt > 0) {
            env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(QUINDLE_CRASHPOINT));
            env.insert(QStringLiteral("QUINDLE_CRASH_AT"), QString::number(killAt));
            env.insert(QStringLiteral("QUINDLE_CRASH_MODE"), QStringLiteral("kill"));
        }
        collector.setProcessEnvironment(env);
        collector.start(QStringLiteral(QUINDLE_TOOL), args({"collect", "--program-folder", program[user]}));
        collector.waitForFinished(-1);
        return collector.exitStatus() == QProcess::NormalExit && collector.exitCode() == 0;
    };
    EXPECT_TRUE(collect("Ben", 0));
    std::mt19937 random(20240613);
    for (int kill = 0; kill < 3; ++kill)
        collect("Dan", std::uniform_int_distribution<long>(1, 40)(random));
    EXPECT_TRUE(collect("Dan", 0));

    for (const std::string user : {"Ben", "Dan"}) {
        SCOPED_TRACE(user);
        const std::string datafile = (user == "Dan" ? share.folder("data-Dan") : share.local().folder("data-Ben")) + "InBox.qdi";
        std::map<std::string, int> copies;
        for (const TMessageRecord &record : readMessageFile(datafile).records) {
            if (record.isEmpty())
                continue;
            const std::string from = record.From().toStdString();
            ASSERT_TRUE(sentBy.count(from)) << "torn record";
            ++copies[record.Subject().toStdString()];
            EXPECT_EQ(readAll(inbox[user] + record.AttachName(1).toStdString()), sentBy.at(from));
        }
        EXPECT_EQ(copies.size(), std::size_t(2 * Each));
        int extra = 0;
        for (const auto &[subject, n] : copies)
            extra += n - 1;
        EXPECT_LE(extra, user == "Dan" ? 3 : 0) << "more than the one in flight per kill";
        for (const std::string &name : listFolder(inbox[user]))
            EXPECT_FALSE(name.ends_with(".qdm")) << name;
    }
    // A collector killed after a message was taken but before its count was lowered leaves
    // the server's copy (never the message without it).
    for (const std::string &name : listFolder(server))
        EXPECT_FALSE(name.ends_with(".qdm")) << name;
}

// The address book of a Windows office names the inbox folder as a UNC path, in its own
// letter case: with no path map, the share is found among the mounts (smbnetfs's here).
TEST(SambaShare, UncPathFoundAmongTheMounts)
{
    const SambaShare share;
    if (!share.unavailable().empty())
        GTEST_SKIP() << share.unavailable();
    const std::string ben = share.folder("Inbox-Ben");
    const std::string addr = share.local().folder("addr");
    const QString unc = qs("\\\\127.0.0.1\\SHARE\\INBOX-BEN\\");
    writeAddressList(addr, {{"Ben", unc.toStdString()}});
    User ann("Ann", share.local().folder("program-Ann"), share.local().folder("own"), share.local().folder("data"), addr);
    const SendCommandReport sent = ann.send({"Ben"}, "over the share");
    ASSERT_EQ(sent.sent.recipients.size(), 1u);
    // The share ignores letter case as Windows does: the names as the book spells them serve.
    EXPECT_TRUE(sent.sent.recipients[0].reached.value(0).startsWith(unc + qs(" (here " + share.local().root() + "mnt/")))
        << sent.sent.recipients[0].reached.join(qs("|")).toStdString();
    EXPECT_EQ(readMessageFile(ben + "Ben1.qdm").records.at(0).ToFolder(1), unc);
}

} // namespace
