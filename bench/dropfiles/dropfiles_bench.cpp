// Times drop-file writing, attachment copying and the number search against bare loops of
// POSIX calls doing the same work, and prints each ratio. Runs in a temporary folder (pass
// another parent folder as the first argument to measure a shared drive).
// Usage: bench_dropfiles [parent folder] [recipients] [rounds]
#include "DropFiles.h"
#include "MessageRecord.h"
#include "compare.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <cerrno>
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

using bench::bareCopy;
using bench::check;
using bench::seconds;

// The first n from 1 whose name is free, found with stat as a bare program would.
int bareNextNumber(const std::string &stem)
{
    struct stat st{};
    int n = 1;
    while (::stat((stem + std::to_string(n) + ".qdm").c_str(), &st) == 0)
        ++n;
    return n;
}

// A drop file as a sender writes it: a temporary name, the record, a flush when asked, and a
// rename to the first free number that never replaces a file.
void bareDrop(const std::string &folder, const std::string &recipient, const TMessageRecord &record, bool flush)
{
    const std::string temp = folder + ".drop.tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    check(fd >= 0, "open");
    check(::write(fd, record.bytes.data(), record.bytes.size()) == TMessageRecord::Size, "write");
    if (flush)
        check(::fsync(fd) == 0, "fsync");
    check(::close(fd) == 0, "close");
    const std::string stem = folder + recipient;
    for (int n = bareNextNumber(stem);; ++n) {
        const std::string name = stem + std::to_string(n) + ".qdm";
        if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0)
            return;
        check(errno == EEXIST, "rename");
    }
}

std::string fresh(const std::string &root, const std::string &name)
{
    const std::string folder = root + name + "/";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir temp(argc > 1 ? QString::fromLocal8Bit(argv[1]) + QStringLiteral("/bench-XXXXXX")
                                : QDir::tempPath() + QStringLiteral("/bench-XXXXXX"));
    check(temp.isValid(), "temporary folder");
    const std::string root = QFile::encodeName(temp.path()).toStdString() + "/";
    const int recipients = argc > 2 ? std::atoi(argv[2]) : 10000;
    // Flushing costs a disk round trip per file, so the flushed runs take fewer files.
    const int flushedRecipients = recipients / 10;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 5;
    std::printf("load average before: %s\n", bench::loadAverage().c_str());

    TMessageRecord record;
    record.setFrom(QStringLiteral("Carla"));
    record.setSubject(QStringLiteral("Benchmark"));
    std::vector<QString> names;
    std::vector<std::string> plainNames;
    for (int i = 0; i < recipients; ++i) {
        names.push_back(QStringLiteral("User %1").arg(i));
        plainNames.push_back("User " + std::to_string(i));
    }

    std::string folder;
    auto prepare = [&] { folder = fresh(root, "drop"); };
    auto ours = [&](int count, DropFlush flush) {
        for (int i = 0; i < count; ++i)
            WriteDropFile(folder, names[std::size_t(i)], record, flush);
    };
    auto bare = [&](int count, bool flush) {
        for (int i = 0; i < count; ++i)
            bareDrop(folder, plainNames[std::size_t(i)], record, flush);
    };
    char what[120];
    std::snprintf(what, sizeof what, "drop files for %d recipients, no flush (ms)", recipients);
    bench::compare(what, rounds, prepare, [&] { ours(recipients, DropFlush::None); },
                   [&] { bare(recipients, false); }, 1e-3, "ms");
    std::snprintf(what, sizeof what, "drop files for %d recipients, flushed (ms)", flushedRecipients);
    bench::compare(what, rounds, prepare, [&] { ours(flushedRecipients, DropFlush::ToDisk); },
                   [&] { bare(flushedRecipients, true); }, 1e-3, "ms");

    const std::int64_t copySize = 100ll * 1024 * 1024;
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
    bench::compare("attachment copy, 100 MiB in 8,048-byte blocks (ms)", rounds, prepareCopy,
                   [&] { CopyAttachment(source, target, QStringLiteral("a.bin"), callbacks); },
                   [&] { bareCopy(source, target + "a.bin"); }, 1e-3, "ms");
    check(reported == copySize, "reported bytes");

    folder = fresh(root, "numbers");
    for (int n = 1; n <= recipients; ++n)
        bareDrop(folder, "Anna", record, false);
    int next = 0;
    int bareNext = 0;
    std::snprintf(what, sizeof what, "next drop number after %d files of one recipient (ms)", recipients);
    bench::compare(what, rounds, [] {}, [&] { next = NextDropNumber(folder, QStringLiteral("Anna")); },
                   [&] { bareNext = bareNextNumber(folder + "Anna"); }, 1e-3, "ms");
    check(next == recipients + 1 && bareNext == next, "number");
    std::printf("load average after: %s\n", bench::loadAverage().c_str());
    return 0;
}
