#include "FileOps.h"
#include "DropFiles.h"
#include "IoError.h"
#include "tempfolders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string pattern(std::size_t size, int seed)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 31 + seed) % 251);
    return bytes;
}

// What a copy told its caller, in order.
struct Reports
{
    std::vector<std::int64_t> totals;
    std::vector<std::int64_t> blocks;
    int reads = 0;

    CopyCallbacks callbacks()
    {
        return {[this](std::int64_t total) { totals.push_back(total); }, [this] { ++reads; },
                [this](std::int64_t written) { blocks.push_back(written); }};
    }
};

TEST(AttachmentCopy, CopiesInBlocksOf8048AndReportsEachBlock)
{
    struct Case
    {
        std::size_t size;
        std::vector<std::int64_t> blocks;
    };
    const std::vector<Case> cases = {
        {0, {}},
        {1, {1}},
        {8047, {8047}},
        {8048, {8048}},
        {8049, {8048, 1}},
        {20000, {8048, 8048, 3904}},
    };
    // Placed by a send, the kernel copies a file on the same disk; one in memory (tmpfs) it
    // cannot copy to the disk, and the block loop takes over: the same steps either way.
    enum Way { Copied, Placed, PlacedFromMemory };
    const bool memory = std::filesystem::is_directory("/dev/shm");
    for (const auto &c : cases) {
        for (const Way way : {Copied, Placed, memory ? PlacedFromMemory : Placed}) {
            SCOPED_TRACE(std::to_string(c.size) + " bytes, way " + std::to_string(way));
            TempFolders tree;
            const std::string source =
                way == PlacedFromMemory ? "/dev/shm/quindle-" + std::to_string(::getpid()) : tree.userA() + "picked.bin";
            const std::string content = pattern(c.size, 7);
            writeAll(source, content);
            Reports reports;
            if (way == Copied)
                CopyAttachment(source, tree.server1(), QStringLiteral("report.doc"), reports.callbacks());
            else
                PlaceAttachment(source, AttachmentSource::Own, tree.server1(), QStringLiteral("report.doc"), false,
                                reports.callbacks());
            if (way == PlacedFromMemory)
                std::filesystem::remove(source);

            EXPECT_EQ(readAll(tree.server1() + "report.doc"), content);
            EXPECT_EQ(reports.totals, std::vector<std::int64_t>{static_cast<std::int64_t>(c.size)});
            EXPECT_EQ(reports.blocks, c.blocks);
            // The copy stops at the first read that returns nothing.
            EXPECT_EQ(reports.reads, static_cast<int>(c.blocks.size()) + 1);
        }
    }
}

TEST(AttachmentCopy, LaterCopyReplacesAnEarlierLongerOne)
{
    TempFolders tree;
    const std::string source = tree.userA() + "report.doc";
    writeAll(source, pattern(30000, 1));
    CopyAttachment(source, tree.server1(), QStringLiteral("report.doc"));
    writeAll(source, pattern(100, 2));
    CopyAttachment(source, tree.server1(), QStringLiteral("report.doc"));
    EXPECT_EQ(readAll(tree.server1() + "report.doc"), pattern(100, 2));
}

// A file sent from the destination folder itself would be emptied by copying it onto
// itself, however the two names are spelt.
TEST(AttachmentCopy, SourceThatIsTheDestinationStaysIntact)
{
    TempFolders tree;
    const std::string folder = tree.userA();
    const std::string content = pattern(20000, 3);
    writeAll(folder + "report.doc", content);
    std::filesystem::create_hard_link(folder + "report.doc", tree.userB() + "linked.doc");
    std::filesystem::create_directory_symlink(tree.root() + "inbox-a", tree.root() + "alias");

    const std::vector<std::string> sources = {
        folder + "report.doc",
        folder + "./report.doc",
        tree.root() + "alias/report.doc",
        tree.userB() + "linked.doc",
    };
    for (const auto &source : sources) {
        Reports reports;
        CopyAttachment(source, folder, QStringLiteral("report.doc"), reports.callbacks());
        EXPECT_EQ(readAll(folder + "report.doc"), content) << source;
        EXPECT_EQ(reports.totals, std::vector<std::int64_t>{20000}) << source;
        EXPECT_TRUE(reports.blocks.empty()) << source;
    }
}

TEST(AttachmentCopy, FailuresRaiseTheirError)
{
    TempFolders tree;
    const std::string source = tree.userA() + "report.doc";
    writeAll(source, pattern(20000, 4));
    std::filesystem::create_directory(tree.server1() + "taken.doc");

    struct Case
    {
        std::string source;
        std::string folder;
        QString name;
        const char *message;
    };
    const std::vector<Case> cases = {
        {tree.userA() + "gone.doc", tree.server1(), QStringLiteral("gone.doc"), "File not found"},
        {source, tree.root() + "missing/", QStringLiteral("report.doc"), "File not found"},
        {source, tree.server1(), QStringLiteral("taken.doc"), "File access denied"},
        {tree.userB(), tree.server1(), QStringLiteral("folder.doc"), "File access denied"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(errorOf<IoError>([&] { CopyAttachment(c.source, c.folder, c.name); }), c.message)
            << c.source << " -> " << c.folder << c.name.toStdString();
    EXPECT_FALSE(fileExists(tree.server1() + "gone.doc"));
}

// A placed attachment is copied by the kernel where it can: a sparse file stays sparse, and
// the bytes are the same; the progress still adds up to the whole.
TEST(AttachmentCopy, SparseFileStaysSparse)
{
    TempFolders tree;
    const std::string source = tree.folder("docs") + "disk.img";
    {
        std::ofstream out(source, std::ios::binary);
        out.seekp(64 << 20);
        out << "middle";
        out.seekp((128 << 20) - 1);
        out << 'x';
    }
    std::int64_t reported = 0;
    CopyCallbacks callbacks;
    callbacks.onBlock = [&](std::int64_t n) { reported += n; };
    const std::string folder = tree.userA();
    EXPECT_EQ(PlaceAttachment(source, AttachmentSource::Own, folder, QStringLiteral("disk.img"), true, callbacks),
              QStringLiteral("disk.img"));
    struct stat st{};
    ASSERT_EQ(::stat((folder + "disk.img").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 128 << 20);
    EXPECT_LT(st.st_blocks * 512, 1 << 20) << "the holes were written out";
    EXPECT_EQ(reported, 128 << 20);
    std::ifstream a(source, std::ios::binary), b(folder + "disk.img", std::ios::binary);
    EXPECT_TRUE(std::equal(std::istreambuf_iterator<char>(a), {}, std::istreambuf_iterator<char>(b)));
}

} // namespace
