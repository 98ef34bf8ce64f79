// Times drop-file writing, attachment copying and the number search against plain loops
// that move the same bytes, and prints each ratio. Runs in a temporary folder (pass
// another parent folder as the first argument to measure a shared drive).
#include "DropFiles.h"
#include "MessageRecord.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double seconds(const std::function<void()> &work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The best of a few runs of each, taken in turns so that both meet the same load; each
// run starts in a fresh folder made by prepare, with earlier writes already on the disk.
std::pair<double, double> compare(int runs, const std::function<void()> &prepare, const std::function<void()> &ours,
                                  const std::function<void()> &baseline)
{
    double fastest[2] = {1e9, 1e9};
    for (int i = 0; i < runs; ++i) {
        for (int which = 0; which < 2; ++which) {
            prepare();
            ::sync();
            fastest[which] = std::min(fastest[which], seconds(which == 0 ? ours : baseline));
        }
    }
    return {fastest[0], fastest[1]};
}

void check(bool ok, const char *what)
{
    if (!ok) {
        std::perror(what);
        std::exit(1);
    }
}

void plainWrite(const std::string &name, const TMessageRecord &record, bool flush)
{
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    check(fd >= 0, "open");
    check(::write(fd, record.bytes.data(), record.bytes.size()) == TMessageRecord::Size, "write");
    if (flush)
        check(::fsync(fd) == 0, "fsync");
    check(::close(fd) == 0, "close");
}

void plainCopy(const std::string &from, const std::string &to)
{
    static char buffer[CopyBlockSize];
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    check(in >= 0 && out >= 0, "open");
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        check(got >= 0, "read");
        if (got == 0)
            break;
        check(::write(out, buffer, static_cast<std::size_t>(got)) == got, "write");
    }
    check(::close(in) == 0 && ::close(out) == 0, "close");
}

std::string fresh(const std::string &root, const std::string &name)
{
    const std::string folder = root + name + "/";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

void line(const char *what, double ours, double baseline, const char *baselineName)
{
    std::printf("%-46s %9.3f s   %-34s %9.3f s   ratio %5.2f\n", what, ours, baselineName, baseline, ours / baseline);
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir temp(argc > 1 ? QString::fromLocal8Bit(argv[1]) + QStringLiteral("/bench-XXXXXX")
                                : QDir::tempPath() + QStringLiteral("/bench-XXXXXX"));
    if (!temp.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    const std::string root = QFile::encodeName(temp.path()).toStdString() + "/";
    const int recipients = 10000;
    // Flushing costs a disk round trip per file, so the flushed runs take fewer files.
    const int flushedRecipients = 1000;
    const int runs = 3;

    TMessageRecord record;
    record.setFrom(QStringLiteral("Carla"));
    record.setSubject(QStringLiteral("Benchmark"));
    std::vector<QString> names;
    for (int i = 0; i < recipients; ++i)
        names.push_back(QStringLiteral("User %1").arg(i));
    const std::vector<QString> flushedNames(names.begin(), names.begin() + flushedRecipients);

    std::string folder;
    auto prepare = [&] { folder = fresh(root, "drop"); };
    auto ours = [&](const std::vector<QString> &who, DropFlush flush) {
        for (const auto &name : who)
            WriteDropFile(folder, name, record, flush);
    };
    auto plain = [&](const std::vector<QString> &who, bool flush) {
        for (const auto &name : who)
            plainWrite(DropFileName(folder, name, NextDropNumber(folder, name)), record, flush);
    };

    std::printf("Drop files without flushing: one for each of %d recipients into one folder (best of %d)\n",
                recipients, runs);
    const auto [unflushed, plainUnflushed] =
        compare(runs, prepare, [&] { ours(names, DropFlush::None); }, [&] { plain(names, false); });
    line("WriteDropFile, no flush (temp, rename)", unflushed, plainUnflushed, "create+write+close");
    std::printf("  per file: ours %.1f us, plain %.1f us\n\n", unflushed / recipients * 1e6,
                plainUnflushed / recipients * 1e6);

    std::printf("Drop files as sent, flushed: one for each of %d recipients (best of 2)\n", flushedRecipients);
    const auto [flushed, plainFlushed] =
        compare(2, prepare, [&] { ours(flushedNames, DropFlush::ToDisk); }, [&] { plain(flushedNames, true); });
    line("WriteDropFile (temp, fsync, rename)", flushed, plainFlushed, "create+write+fsync+close");
    line("WriteDropFile (temp, fsync, rename)", flushed, plainUnflushed * flushedRecipients / recipients,
         "create+write+close (per file above)");
    std::printf("  per file: ours %.1f us, plain with fsync %.1f us\n\n", flushed / flushedRecipients * 1e6,
                plainFlushed / flushedRecipients * 1e6);

    const std::int64_t copySize = 100ll * 1024 * 1024;
    std::printf("Attachment copy: %lld MiB in blocks of %zu bytes (best of %d)\n",
                static_cast<long long>(copySize >> 20), CopyBlockSize, runs);
    const std::string source = root + "source.bin";
    {
        std::vector<char> block(1 << 20);
        for (std::size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<char>(i * 131);
        const int fd = ::open(source.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        check(fd >= 0, "open");
        for (std::int64_t done = 0; done < copySize; done += static_cast<std::int64_t>(block.size()))
            check(::write(fd, block.data(), block.size()) == static_cast<ssize_t>(block.size()), "write");
        ::close(fd);
    }
    std::string target;
    auto prepareCopy = [&] { target = fresh(root, "copy"); };
    std::int64_t reported = 0;
    const CopyCallbacks callbacks{[&](std::int64_t) { reported = 0; }, [] {}, [&](std::int64_t n) { reported += n; }};
    const auto [copy, plainCopied] = compare(
        runs, prepareCopy, [&] { CopyAttachment(source, target, QStringLiteral("a.bin"), callbacks); },
        [&] { plainCopy(source, target + "a.bin"); });
    line("CopyAttachment", copy, plainCopied, "8,048-byte read/write loop");
    std::printf("  reported %lld of %lld bytes\n\n", static_cast<long long>(reported), static_cast<long long>(copySize));

    std::printf("NextDropNumber with %d drop files of one recipient in the folder\n", recipients);
    folder = fresh(root, "numbers");
    for (int n = 1; n <= recipients; ++n)
        plainWrite(DropFileName(folder, QStringLiteral("Anna"), n), record, false);
    int next = 0;
    double search = 1e9;
    for (int i = 0; i < runs; ++i)
        search = std::min(search, seconds([&] { next = NextDropNumber(folder, QStringLiteral("Anna")); }));
    std::printf("  %.2f ms, answer %d\n", search * 1e3, next);
    return 0;
}
