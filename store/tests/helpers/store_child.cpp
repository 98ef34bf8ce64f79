// Runs one side of a multi-process store test:
//   store_child drop <folder> <recipient> <count> <tag>   writes count drop files; record i
//                                                          has From = tag, Subject = i
//   store_child count <folder> <attachment> <times>       counts the attachment times
//   store_child uncount <folder> <attachment>            the collector's step: lowers the
//                                                          count under the folder's lock and
//                                                          deletes the file at 0; prints the count
//   store_child watch <folder> <stopfile>                 opens every *.qdm it finds until
//                                                          stopfile exists; prints
//                                                          "<seen> <short>" and fails on a
//                                                          short one
//   store_child lock <datafile>                            holds the inbox lock, prints
//                                                          "locked", waits for stdin to end
//   store_child startinbox <datafile>                      start-up's lock and load: prints
//                                                          "refused" or "held=<0|1> records=<n>"
#include "DropFiles.h"
#include "InboxFile.h"
#include "FileOps.h"
#include "IoError.h"
#include "MessageRecord.h"

#include <QString>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

namespace {

QString text(const char *arg)
{
    return QString::fromLocal8Bit(arg);
}

int drop(const std::string &folder, const QString &recipient, int count, const QString &tag)
{
    for (int i = 1; i <= count; ++i) {
        TMessageRecord record;
        record.setFrom(tag);
        record.setSubject(QString::number(i));
        WriteDropFile(folder, recipient, record);
    }
    return 0;
}

int count(const std::string &folder, const QString &name, int times)
{
    for (int i = 0; i < times; ++i)
        CountAttachment(folder, name);
    return 0;
}

int uncount(const std::string &folder, const QString &name)
{
    const AttachmentLock lock(folder);
    const int left = UncountAttachment(lock, name);
    if (left == 0)
        removeFile(folder + name.toStdString());
    std::printf("%d\n", left);
    return 0;
}

// One pass over the folder: every drop file that can be opened must be whole.
void look(const std::string &folder, long &seen, long &shortFiles)
{
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent *entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".qdm") != 0)
            continue;
        const int fd = ::open((folder + name).c_str(), O_RDONLY);
        if (fd < 0)
            continue;
        struct stat st{};
        if (::fstat(fd, &st) == 0) {
            ++seen;
            if (st.st_size != TMessageRecord::Size)
                ++shortFiles;
        }
        ::close(fd);
    }
    ::closedir(dir);
}

int watch(const std::string &folder, const std::string &stopFile)
{
    long seen = 0;
    long shortFiles = 0;
    while (!fileExists(stopFile))
        look(folder, seen, shortFiles);
    look(folder, seen, shortFiles);
    std::printf("%ld %ld\n", seen, shortFiles);
    return shortFiles == 0 ? 0 : 1;
}

int lock(const std::string &datafile)
{
    auto held = InboxLock::tryAcquire(datafile);
    if (!held) {
        std::printf("refused\n");
        return 1;
    }
    std::printf("locked\n");
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    return 0;
}

int startInbox(const std::string &datafile)
{
    const auto lock = InboxLock::tryAcquire(datafile);
    if (!lock) {
        std::printf("refused\n");
        return 0;
    }
    const TInboxData inbox = loadInbox(datafile);
    std::printf("held=%d records=%zu\n", lock->held() ? 1 : 0, inbox.size());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    try {
        if (mode == "drop" && argc == 6)
            return drop(argv[2], text(argv[3]), std::atoi(argv[4]), text(argv[5]));
        if (mode == "count" && argc == 5)
            return count(argv[2], text(argv[3]), std::atoi(argv[4]));
        if (mode == "uncount" && argc == 4)
            return uncount(argv[2], text(argv[3]));
        if (mode == "watch" && argc == 4)
            return watch(argv[2], argv[3]);
        if (mode == "lock" && argc == 3)
            return lock(argv[2]);
        if (mode == "startinbox" && argc == 3)
            return startInbox(argv[2]);
    } catch (const IoError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 3;
    }
    std::fprintf(stderr, "usage: store_child drop|count|watch|lock ...\n");
    return 2;
}
