// Times collect and send against plain loops doing the same file operations and prints
// each ratio. Run: mail_bench [drop files] [attachment MiB]
#include "AddressFile.h"
#include "Collect.h"
#include "DropFiles.h"
#include "FileOps.h"
#include "InboxFile.h"
#include "Send.h"
#include "Settings.h"
#include "tempfolders.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double seconds(const std::function<void()> &setUp, const std::function<void()> &work)
{
    setUp();
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

QString qs(const std::string &text) { return QString::fromStdString(text); }

TMessageRecord message(const char *subject)
{
    TMessageRecord record;
    record.setFrom(u"Carl");
    record.setSubject(QString::fromLatin1(subject));
    return record;
}

void writeDrops(const std::string &folder, int count)
{
    const TMessageRecord record = message("bench");
    for (int n = 1; n <= count; ++n) {
        File file = File::create(DropFileName(folder, QStringLiteral("Ann"), n));
        file.write(record.bytes.data(), record.bytes.size());
        file.close();
    }
}

void report(const char *what, const std::vector<double> &ours, const std::vector<double> &plain)
{
    const double a = *std::min_element(ours.begin(), ours.end());
    const double b = *std::min_element(plain.begin(), plain.end());
    std::printf("%-48s quindle %8.3f s   baseline %8.3f s   ratio %.2f\n", what, a, b, a / b);
}

void benchCollect(int count, int rounds)
{
    std::vector<double> ours, plain;
    for (int round = 0; round < rounds; ++round) {
        TempFolders t;
        const std::string own = t.userA();
        const std::string data = t.folder("data");
        const std::string datafile = data + "InBox.qdi";
        TSettings view;
        view.Name = QStringLiteral("Ann");
        view.MyDest = qs(own);
        view.InboxData = qs(data);
        view.Addresses = qs(t.folder("addr"));
        TAddressData addresses = loadAddresses(addressFileName(view.Addresses));
        TInboxData inbox;
        TMessageRecord incoming;
        ours.push_back(seconds(
            [&] {
                writeDrops(own, count);
                std::filesystem::remove(datafile);
                inbox = loadInbox(datafile);
            },
            [&] { collectMail(view, datafile, inbox, incoming, addresses); }));

        // Read the record, write it at its slot, flush, delete.
        plain.push_back(seconds(
            [&] {
                writeDrops(own, count);
                std::filesystem::remove(datafile);
                loadInbox(datafile);
            },
            [&] {
                File out = File::openReadWrite(datafile);
                TMessageRecord record;
                for (int n = 1; n <= count; ++n) {
                    const std::string name = DropFileName(own, QStringLiteral("Ann"), n);
                    File in = File::openRead(name);
                    in.readAt(0, record.bytes.data(), record.bytes.size());
                    out.writeAt(std::int64_t(n - 1) * TMessageRecord::Size, record.bytes.data(), record.bytes.size());
                    out.sync();
                    in.close();
                    removeFile(name);
                }
                out.close();
            }));
    }
    char what[80];
    std::snprintf(what, sizeof what, "collect %d drop files from the own folder", count);
    report(what, ours, plain);
}

void benchSend(int mebibytes, int rounds)
{
    constexpr int Folders = 10;
    std::vector<double> ours, plain;
    for (int round = 0; round < rounds; ++round) {
        TempFolders t;
        const std::string source = t.folder("src") + "big.bin";
        {
            File file = File::create(source);
            const std::vector<char> block(1 << 20, 'b');
            for (int i = 0; i < mebibytes; ++i)
                file.write(block.data(), block.size());
            file.close();
        }
        std::vector<std::string> folders;
        TAddressData addresses;
        TMessageRecord record = message("big");
        for (int k = 1; k <= Folders; ++k) {
            folders.push_back(t.folder("user" + std::to_string(k)));
            record.setToName(k, qs("U" + std::to_string(k)));
            record.setToFolder(k, qs(folders.back()));
        }
        record.setAttachName(1, QStringLiteral("big.bin"));
        TSlotTexts paths{qs(source)};
        const auto clear = [&] {
            for (const std::string &f : folders) {
                for (const auto &entry : std::filesystem::directory_iterator(f))
                    std::filesystem::remove(entry.path());
            }
        };
        ours.push_back(seconds(clear, [&] { sendMessage(record, paths, addresses); }));

        // Copy the bytes through the same block size, then write and flush the drop file.
        plain.push_back(seconds(clear, [&] {
            std::vector<char> buffer(CopyBlockSize);
            for (int k = 1; k <= Folders; ++k) {
                const std::string &folder = folders[std::size_t(k - 1)];
                File in = File::openRead(source);
                File out = File::create(folder + "big.bin");
                while (const std::size_t got = in.readSome(buffer.data(), buffer.size()))
                    out.write(buffer.data(), got);
                out.close();
                in.close();
                File drop = File::create(DropFileName(folder, record.ToName(k), 1));
                drop.write(record.bytes.data(), record.bytes.size());
                drop.sync();
                drop.close();
            }
        }));
        clear();
    }
    char what[80];
    std::snprintf(what, sizeof what, "send %d MiB to %d folders", mebibytes, Folders);
    report(what, ours, plain);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int drops = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int mebibytes = argc > 2 ? std::atoi(argv[2]) : 100;
    benchCollect(drops, 3);
    if (mebibytes > 0)
        benchSend(mebibytes, 3);
    return 0;
}
