// Resident memory per inbox slot, each figure from a fresh process: loading a datafile of
// N slotCount, and collecting K drop files into a datafile of N - K slotCount so that the array
// grows to N; beside a bare process that reads the same file into one exactly sized
// block. Prints the resident size (VmRSS) at the end and its peak (VmHWM), per slot.
// Usage: bench_memory [slots N] [collected K] [rounds]
#include "Collect.h"
#include "InboxFile.h"
#include "MessageRecord.h"
#include "Settings.h"
#include "compare.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char **environ;

namespace {

using bench::check;
constexpr int Size = TMessageRecord::Size;

long statusKiB(const char *field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::size_t n = std::strlen(field);
    while (std::getline(in, line)) {
        if (line.compare(0, n, field) == 0 && line[n] == ':')
            return std::stol(line.substr(n + 1));
    }
    return -1;
}

int report(std::size_t slotCount)
{
    std::printf("%zu %ld %ld\n", slotCount, statusKiB("VmRSS"), statusKiB("VmHWM"));
    return 0;
}

int bareLoad(const std::string &datafile)
{
    const int fd = ::open(datafile.c_str(), O_RDONLY);
    check(fd >= 0, "open");
    const off_t bytes = ::lseek(fd, 0, SEEK_END) / Size * Size;
    char *block = static_cast<char *>(std::malloc(std::size_t(bytes)));
    check(block && ::pread(fd, block, std::size_t(bytes), 0) == bytes, "read");
    ::close(fd);
    return report(std::size_t(bytes / Size));
}

int collect(const std::string &datafile, const std::string &own)
{
    TSettings view;
    view.Name = QStringLiteral("Ann");
    view.MyDest = QString::fromStdString(own);
    view.InboxData = QString::fromStdString(std::filesystem::path(datafile).parent_path().string() + "/");
    view.Addresses = view.InboxData;
    TInboxData inbox = loadInbox(datafile);
    TMessageRecord incoming;
    collectMail(view, datafile, inbox, incoming, TAddressData());
    return report(inbox.size());
}

// Runs this program with args and returns the resident and peak sizes per slot it reports.
std::pair<double, double> child(const std::vector<std::string> &args)
{
    int pipeFds[2];
    check(::pipe(pipeFds) == 0, "pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    std::vector<std::string> all{std::filesystem::read_symlink("/proc/self/exe").string()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &arg : all)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    check(::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0, "spawn");
    ::close(pipeFds[1]);
    char text[128] = {};
    const ssize_t got = ::read(pipeFds[0], text, sizeof text - 1);
    ::close(pipeFds[0]);
    int status = 0;
    check(::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0 && got > 0, "child");
    unsigned long slotCount = 0;
    long rss = 0, hwm = 0;
    check(std::sscanf(text, "%lu %ld %ld", &slotCount, &rss, &hwm) == 3 && slotCount > 0, "report");
    return {rss * 1024.0 / double(slotCount), hwm * 1024.0 / double(slotCount)};
}

void writeSlots(const std::string &path, long slotCount)
{
    TMessageRecord record;
    record.setFrom(u"Carl");
    record.setSubject(u"kept");
    std::vector<char> block(std::size_t(Size) * 256);
    for (int i = 0; i < 256; ++i)
        std::memcpy(block.data() + std::size_t(i) * Size, record.bytes.data(), Size);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    check(fd >= 0, "open");
    for (long done = 0; done < slotCount; done += 256) {
        const std::size_t bytes = std::size_t(std::min(256L, slotCount - done)) * Size;
        check(::write(fd, block.data(), bytes) == ssize_t(bytes), "write");
    }
    check(::close(fd) == 0, "close");
}

void line(const char *what, const std::vector<double> &rss, const std::vector<double> &hwm, double bare)
{
    const double r = bench::median(rss);
    const double h = bench::median(hwm);
    std::printf("%-44s resident %8.0f B/slot (%.3f x 19,100, %.3f x bare)   peak %8.0f B/slot (%.3f x 19,100)\n",
                what, r, r / Size, r / bare, h, h / Size);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--load") == 0)
        return report(loadInbox(argv[2]).size());
    if (argc == 3 && std::strcmp(argv[1], "--bare-load") == 0)
        return bareLoad(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "--collect") == 0) {
        QCoreApplication app(argc, argv);
        return collect(argv[2], argv[3]);
    }
    const long slotCount = argc > 1 ? std::atol(argv[1]) : 100000;
    const long collected = argc > 2 ? std::atol(argv[2]) : 1000;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 5;
    QTemporaryDir dir;
    check(dir.isValid(), "temporary folder");
    const std::string root = dir.path().toStdString() + "/";
    const std::string loaded = root + "loaded/InBox.qdi";
    const std::string growing = root + "growing/InBox.qdi";
    const std::string own = root + "own/";
    for (const char *folder : {"loaded", "growing", "own"})
        std::filesystem::create_directories(root + folder);
    std::printf("load average before: %s\n", bench::loadAverage().c_str());
    writeSlots(loaded, slotCount);

    std::vector<double> loadRss, loadHwm, bareRss, bareHwm, growRss, growHwm;
    for (int round = 0; round < rounds; ++round) {
        writeSlots(growing, slotCount - collected);
        TMessageRecord record;
        record.setFrom(u"Dora");
        record.setSubject(u"new");
        for (long n = 1; n <= collected; ++n) {
            const std::string name = own + "Ann" + std::to_string(n) + ".qdm";
            const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            check(fd >= 0 && ::write(fd, record.bytes.data(), Size) == Size && ::close(fd) == 0, "drop");
        }
        ::sync();
        for (int k = 0; k < 3; ++k) {
            switch ((round + k) % 3) {
            case 0: {
                const auto [rss, hwm] = child({"--load", loaded});
                loadRss.push_back(rss);
                loadHwm.push_back(hwm);
                break;
            }
            case 1: {
                const auto [rss, hwm] = child({"--bare-load", loaded});
                bareRss.push_back(rss);
                bareHwm.push_back(hwm);
                break;
            }
            default: {
                const auto [rss, hwm] = child({"--collect", growing, own});
                growRss.push_back(rss);
                growHwm.push_back(hwm);
            }
            }
        }
    }
    const double bare = bench::median(bareRss);
    char what[96];
    std::snprintf(what, sizeof what, "load %ld slots", slotCount);
    line(what, loadRss, loadHwm, bare);
    std::snprintf(what, sizeof what, "load %ld slots, collect %ld more", slotCount - collected, collected);
    line(what, growRss, growHwm, bare);
    std::snprintf(what, sizeof what, "bare: one block of %ld slots", slotCount);
    line(what, bareRss, bareHwm, bare);
    std::printf("(medians of %d rounds)\nload average after: %s\n", rounds, bench::loadAverage().c_str());
    return 0;
}
