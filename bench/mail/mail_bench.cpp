// Collect and send measured as a user runs them, each beside a bare loop of POSIX calls
// doing the same file work. Collecting runs whole `quindle-tool collect` processes against
// a process running the bare loop (this program with --bare-collect), on fresh drop files
// each run. Usage: mail_bench [drop files] [rounds] [drop files for one flush each]
//                  [attachment MiB]
#include "AddressFile.h"
#include "FileOps.h"
#include "InboxFile.h"
#include "MessageRecord.h"
#include "Send.h"
#include "Settings.h"
#include "compare.h"
#include "tempfolders.h"

#include <QCoreApplication>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

extern char **environ;

namespace {

using bench::bareCopy;
using bench::check;
constexpr int Size = TMessageRecord::Size;

// The floor: open each numbered drop file until one is missing, read its record, write it
// at the next slot, and delete it once a flush covers it (flushEvery records a flush; 0:
// never, the drop file goes at once).
int bareCollect(const std::string &folder, const std::string &name, const std::string &datafile, int flushEvery)
{
    const int out = ::open(datafile.c_str(), O_RDWR);
    check(out >= 0, "open datafile");
    static char record[Size];
    std::vector<std::string> written;
    const auto flush = [&] {
        check(::fsync(out) == 0, "fsync");
        for (const std::string &drop : written)
            ::unlink(drop.c_str());
        written.clear();
    };
    for (long n = 1;; ++n) {
        const std::string drop = folder + name + std::to_string(n) + ".qdm";
        const int in = ::open(drop.c_str(), O_RDONLY);
        if (in < 0)
            break;
        check(::pread(in, record, Size, 0) == Size, "read");
        check(::close(in) == 0, "close");
        check(::pwrite(out, record, Size, (n - 1) * Size) == Size, "write");
        if (flushEvery == 0) {
            ::unlink(drop.c_str());
            continue;
        }
        written.push_back(drop);
        if (written.size() == std::size_t(flushEvery))
            flush();
    }
    if (!written.empty())
        flush();
    check(::close(out) == 0, "close datafile");
    return 0;
}

void run(const std::vector<std::string> &args)
{
    std::vector<char *> argv;
    for (const std::string &arg : args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    // The tool's report line would drown the figures.
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    check(::posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), environ) == 0, "spawn");
    posix_spawn_file_actions_destroy(&quiet);
    int status = 0;
    check(::waitpid(pid, &status, 0) == pid, "wait");
    check(WIFEXITED(status) && WEXITSTATUS(status) == 0, args[1].c_str());
}

std::string self()
{
    return std::filesystem::read_symlink("/proc/self/exe").string();
}

void writeDrops(const std::string &folder, int count)
{
    TMessageRecord record;
    record.setFrom(u"Carl");
    record.setSubject(u"bench");
    std::memset(record.bodyData(), 'b', 6000);
    for (int n = 1; n <= count; ++n) {
        const std::string name = folder + "Ann" + std::to_string(n) + ".qdm";
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        check(fd >= 0 && ::write(fd, record.bytes.data(), Size) == Size && ::close(fd) == 0, "drop file");
    }
}

void benchCollect(int count, int rounds, int flushEvery, const char *against)
{
    TempFolders t;
    const std::string own = t.userA();
    const std::string data = t.folder("data");
    const std::string datafile = data + "InBox.qdi";
    TSettings settings;
    settings.Name = QStringLiteral("Ann");
    settings.MyDest = QString::fromStdString(own);
    settings.InboxData = QString::fromStdString(data);
    settings.Addresses = QString::fromStdString(t.folder("addr"));
    saveSettings(t.program(), settings);
    loadAddresses(addressFileName(settings.Addresses));
    const auto prepare = [&] {
        std::filesystem::remove(datafile);
        loadInbox(datafile); // as start-up leaves it: one free slot
        writeDrops(own, count);
    };
    char what[120];
    std::snprintf(what, sizeof what, "collect %d drops, baseline %s (s)", count, against);
    bench::compare(
        what, rounds, prepare, [&] { run({QUINDLE_TOOL, "collect", "--program-folder", t.program()}); },
        [&] { run({self(), "--bare-collect", own, "Ann", datafile, std::to_string(flushEvery)}); });
}

// Copy in 8,048-byte blocks under the folder's lock file, count it in Attach.ini written
// beside itself, flushed and renamed, then the drop file written under a temporary name,
// flushed and renamed to its number.
void bareSend(const std::string &source, const std::vector<std::string> &folders, const TMessageRecord &record)
{
    int k = 0;
    for (const std::string &folder : folders) {
        ++k;
        const int lock = ::open((folder + "Attach.ini.lock").c_str(), O_RDWR | O_CREAT, 0644);
        struct flock whole{};
        whole.l_type = F_WRLCK;
        check(lock >= 0 && ::fcntl(lock, F_SETLKW, &whole) == 0, "lock");
        bareCopy(source, folder + "big.bin");
        const std::string ini = folder + "Attach.ini";
        const int old = ::open(ini.c_str(), O_RDONLY);
        if (old >= 0)
            ::close(old);
        const char text[] = "[attachments]\r\nbig.bin=1\r\n";
        const int temp = ::open((ini + ".tmp").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        check(temp >= 0 && ::write(temp, text, sizeof text - 1) == ssize_t(sizeof text - 1), "ini");
        check(::fsync(temp) == 0 && ::close(temp) == 0, "ini");
        check(::rename((ini + ".tmp").c_str(), ini.c_str()) == 0, "rename");
        const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
        check(dir >= 0 && ::fsync(dir) == 0 && ::close(dir) == 0, "folder");
        ::close(lock);
        const std::string dropTemp = folder + ".drop.tmp";
        const int drop = ::open(dropTemp.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        check(drop >= 0 && ::write(drop, record.bytes.data(), Size) == Size, "drop");
        check(::fsync(drop) == 0 && ::close(drop) == 0, "drop");
        const std::string name = folder + "U" + std::to_string(k) + "1.qdm";
        check(::renameat2(AT_FDCWD, dropTemp.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0, "rename");
    }
}

void benchSend(int mebibytes, int rounds)
{
    constexpr int Folders = 10;
    TempFolders t;
    const std::string source = t.folder("src") + "big.bin";
    {
        const std::vector<char> block(1 << 20, 'b');
        const int fd = ::open(source.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        for (int i = 0; i < mebibytes; ++i)
            check(::write(fd, block.data(), block.size()) == ssize_t(block.size()), "source");
        ::close(fd);
    }
    std::vector<std::string> folders;
    TMessageRecord record;
    record.setFrom(u"Carl");
    record.setSubject(u"big");
    for (int k = 1; k <= Folders; ++k) {
        folders.push_back(t.folder("user" + std::to_string(k)));
        record.setToName(k, QString::fromStdString("U" + std::to_string(k)));
        record.setToFolder(k, QString::fromStdString(folders.back()));
    }
    record.setAttachName(1, QStringLiteral("big.bin"));
    const TSlotTexts paths{QString::fromStdString(source)};
    const TAddressData addresses;
    const auto clear = [&] {
        for (const std::string &f : folders) {
            for (const auto &entry : std::filesystem::directory_iterator(f))
                std::filesystem::remove(entry.path());
        }
    };
    char what[120];
    std::snprintf(what, sizeof what, "send %d MiB to %d folders (s)", mebibytes, Folders);
    bench::compare(what, rounds, clear, [&] { sendMessage(record, paths, addresses); },
                   [&] { bareSend(source, folders, record); });
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 6 && std::strcmp(argv[1], "--bare-collect") == 0)
        return bareCollect(argv[2], argv[3], argv[4], std::atoi(argv[5]));
    QCoreApplication app(argc, argv);
    const int drops = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const int flushedDrops = argc > 3 ? std::atoi(argv[3]) : 1000;
    const int mebibytes = argc > 4 ? std::atoi(argv[4]) : 100;
    std::printf("load average before: %s\n", bench::loadAverage().c_str());
    if (drops > 0) {
        benchCollect(drops, rounds, 64, "flushes per 64");
        benchCollect(drops, rounds, 0, "never flushes");
    }
    if (flushedDrops > 0)
        benchCollect(flushedDrops, rounds, 1, "flushes each");
    if (mebibytes > 0)
        benchSend(mebibytes, rounds);
    std::printf("load average after: %s\n", bench::loadAverage().c_str());
    return 0;
}
