// Compacts a 10,000-slot inbox datafile with every other slot free, through the store and
// through a straight loop over the same bytes, and prints the times and their ratio.
// Usage: bench_compaction [slotCount] [rounds]

#include "InboxFile.h"
#include "MessageRecord.h"

#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int Size = TMessageRecord::Size;

void check(bool ok, const char *what)
{
    if (!ok) {
        std::perror(what);
        std::exit(1);
    }
}

void writeFile(const std::string &path, const std::vector<char> &bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    check(fd >= 0, "open");
    check(::pwrite(fd, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size()), "write");
    ::close(fd);
}

// The same work without the store: read every record, write the kept ones to packed.qdi,
// write them back over the truncated datafile, reload the array.
void plainCompaction(const std::string &datafile, const std::string &packed, TInboxData &inbox)
{
    const int in = ::open(datafile.c_str(), O_RDWR);
    const int out = ::open(packed.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    check(in >= 0 && out >= 0, "open");
    TMessageRecord scratch;
    const off_t count = ::lseek(in, 0, SEEK_END) / Size;
    off_t kept = 0;
    for (off_t i = 0; i < count; ++i) {
        check(::pread(in, scratch.bytes.data(), Size, i * Size) == Size, "read");
        if (!scratch.isEmpty())
            check(::pwrite(out, scratch.bytes.data(), Size, kept++ * Size) == Size, "write");
    }
    check(::ftruncate(in, 0) == 0, "truncate");
    for (off_t i = 0; i < kept; ++i) {
        check(::pread(out, scratch.bytes.data(), Size, i * Size) == Size, "read");
        check(::pwrite(in, scratch.bytes.data(), Size, i * Size) == Size, "write");
    }
    inbox.assign(static_cast<std::size_t>(std::max<off_t>(kept, 1)), TMessageRecord());
    check(::pread(in, inbox.data()->bytes.data(), static_cast<std::size_t>(kept) * Size, 0)
              == static_cast<ssize_t>(kept * Size),
          "reload");
    ::close(in);
    ::close(out);
    ::unlink(packed.c_str());
}

double seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

} // namespace

int main(int argc, char **argv)
{
    const int slotCount = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    QTemporaryDir dir;
    check(dir.isValid(), "temporary folder");
    const std::string folder = dir.path().toStdString() + "/";
    const std::string datafile = folder + "InBox.qdi";

    std::vector<char> original(static_cast<std::size_t>(slotCount) * Size, 0);
    for (int i = 0; i < slotCount; i += 2) {
        TMessageRecord r;
        r.setFrom(u"Anna");
        r.setSubject(u"report");
        std::memset(r.bodyData(), 'b', 4000);
        std::memcpy(original.data() + static_cast<std::size_t>(i) * Size, r.bytes.data(), Size);
    }

    std::vector<double> store;
    std::vector<double> plain;
    TInboxData inbox;
    TMessageRecord scratch;
    for (int round = 0; round < rounds; ++round) {
        writeFile(datafile, original);
        auto start = std::chrono::steady_clock::now();
        packInbox(datafile, inbox, scratch);
        store.push_back(seconds(std::chrono::steady_clock::now() - start));
        check(inbox.size() == static_cast<std::size_t>((slotCount + 1) / 2), "store result");

        writeFile(datafile, original);
        start = std::chrono::steady_clock::now();
        plainCompaction(datafile, folder + "packed.qdi", inbox);
        plain.push_back(seconds(std::chrono::steady_clock::now() - start));
        check(inbox.size() == static_cast<std::size_t>((slotCount + 1) / 2), "plain result");
    }
    std::sort(store.begin(), store.end());
    std::sort(plain.begin(), plain.end());
    const double s = store[store.size() / 2];
    const double p = plain[plain.size() / 2];
    std::printf("inbox compaction, %d slots, half free, median of %d rounds\n", slotCount, rounds);
    std::printf("  store: %.3f s   plain loop: %.3f s   ratio: %.2f\n", s, p, s / p);
    return 0;
}
