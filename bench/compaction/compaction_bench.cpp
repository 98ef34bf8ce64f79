// Compacts an inbox datafile with every other slot free, through the store and through a
// bare loop of POSIX calls doing the same work: read every record, write the kept ones to a
// new file beside the datafile, flush it, rename it over the datafile, flush the folder and
// read the kept records back into memory.
// Usage: bench_compaction [slots] [rounds]

#include "InboxFile.h"
#include "MessageRecord.h"
#include "compare.h"

#include <QTemporaryDir>

#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int Size = TMessageRecord::Size;
using bench::check;

void writeFile(const std::string &path, const std::vector<char> &bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    check(fd >= 0, "open");
    check(::pwrite(fd, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size()), "write");
    check(::close(fd) == 0, "close");
}

void bareCompaction(const std::string &folder, const std::string &datafile, std::vector<char> &memory)
{
    const std::string next = datafile + ".new";
    const int in = ::open(datafile.c_str(), O_RDONLY);
    const int out = ::open(next.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    check(in >= 0 && out >= 0, "open");
    const off_t count = ::lseek(in, 0, SEEK_END) / Size;
    static char record[Size];
    off_t kept = 0;
    for (off_t i = 0; i < count; ++i) {
        check(::pread(in, record, Size, i * Size) == Size, "read");
        if (record[0] != 0)
            check(::pwrite(out, record, Size, kept++ * Size) == Size, "write");
    }
    if (kept == 0) {
        std::memset(record, 0, Size);
        check(::pwrite(out, record, Size, 0) == Size, "write");
    }
    const off_t records = kept > 0 ? kept : 1;
    check(::fsync(out) == 0, "fsync");
    check(::close(out) == 0 && ::close(in) == 0, "close");
    check(::rename(next.c_str(), datafile.c_str()) == 0, "rename");
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    check(dir >= 0 && ::fsync(dir) == 0 && ::close(dir) == 0, "folder");
    const int back = ::open(datafile.c_str(), O_RDONLY);
    check(back >= 0, "open");
    memory.resize(static_cast<std::size_t>(records) * Size);
    check(::pread(back, memory.data(), memory.size(), 0) == static_cast<ssize_t>(memory.size()), "reload");
    check(::close(back) == 0, "close");
}

} // namespace

int main(int argc, char **argv)
{
    const int slotCount = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 7;
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

    TInboxData inbox;
    TMessageRecord scratch;
    std::vector<char> memory;
    std::printf("load average before: %s\n", bench::loadAverage().c_str());
    char what[96];
    std::snprintf(what, sizeof what, "compact %d slots, half free (s)", slotCount);
    bench::compare(
        what, rounds,
        [&] {
            writeFile(datafile, original);
            inbox = loadInbox(datafile);
            memory.assign(original.size(), 0);
        },
        [&] {
            packInbox(datafile, inbox, scratch);
            check(inbox.size() == static_cast<std::size_t>((slotCount + 1) / 2), "result");
        },
        [&] { bareCompaction(folder, datafile, memory); });
    std::printf("load average after: %s\n", bench::loadAverage().c_str());
    return 0;
}
