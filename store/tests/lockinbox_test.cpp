#include "DropFiles.h"
#include "IoError.h"
#include "RecordFile.h"
#include "helpers/children.h"
#include "tempfolders.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

namespace {

// Starts a child that holds the inbox lock and waits until it says so.
std::unique_ptr<QProcess> holder(const std::string &datafile)
{
    auto child = startChild({QStringLiteral("lock"), childArg(datafile)});
    child->waitForReadyRead(-1);
    return child;
}

} // namespace

TEST(InboxLock, RefusedWhileAnotherProcessHoldsItAndFreeOnceItEnds)
{
    TempFolders tree;
    const std::string datafile = tree.userA() + "InBox.qdi";

    auto child = holder(datafile);
    ASSERT_EQ(child->readLine().trimmed(), "locked");
    EXPECT_EQ(InboxLock::tryAcquire(datafile), nullptr);
    child->closeWriteChannel();
    EXPECT_TRUE(finishedCleanly(*child));
    EXPECT_NE(InboxLock::tryAcquire(datafile), nullptr);

    // A process that dies without cleaning up leaves the inbox free as well.
    auto killed = holder(datafile);
    ASSERT_EQ(killed->readLine().trimmed(), "locked");
    EXPECT_EQ(InboxLock::tryAcquire(datafile), nullptr);
    ::kill(static_cast<pid_t>(killed->processId()), SIGKILL);
    killed->waitForFinished(-1);
    EXPECT_NE(InboxLock::tryAcquire(datafile), nullptr);
}

TEST(InboxLock, HeldForTheObjectsLife)
{
    TempFolders tree;
    const std::string datafile = tree.userA() + "InBox.qdi";
    const std::string other = tree.userB() + "InBox.qdi";
    {
        auto held = InboxLock::tryAcquire(datafile);
        ASSERT_NE(held, nullptr);
        // A second open in this process is refused too, and another inbox is free.
        EXPECT_EQ(InboxLock::tryAcquire(datafile), nullptr);
        EXPECT_NE(InboxLock::tryAcquire(other), nullptr);
        auto child = startChild({QStringLiteral("lock"), childArg(datafile)});
        EXPECT_FALSE(finishedCleanly(*child));
        EXPECT_EQ(child->readAllStandardOutput().trimmed(), "refused");
    }
    EXPECT_NE(InboxLock::tryAcquire(datafile), nullptr);
}

// The lock is our own addition: where none can be had, only another holder refuses.
TEST(InboxLock, NoLockToBeHadIsNoRefusal)
{
    TempFolders tree;
    const auto none = InboxLock::tryAcquire(tree.root() + "missing/InBox.qdi");
    ASSERT_NE(none, nullptr);
    EXPECT_FALSE(none->held());
    // A link planted where the lock file belongs: the datafile itself carries the lock.
    const std::string datafile = tree.userA() + "InBox.qdi";
    std::filesystem::create_symlink("/nowhere", datafile + ".lock");
    const auto lock = InboxLock::tryAcquire(datafile);
    ASSERT_NE(lock, nullptr);
    EXPECT_TRUE(lock->held());
    EXPECT_EQ(InboxLock::tryAcquire(datafile), nullptr);

    // A compaction locks the new datafile before the rename and lets the old one go only after
    // it: at no moment is the file under the name free.
    TMessageRecord scratch;
    packRecordFile(datafile, TMessageRecord::Size, scratch.bytes.data(), RecordPlace::Own, [&](const File &packing) {
        lock->moveTo(packing);
        EXPECT_EQ(InboxLock::tryAcquire(datafile), nullptr);
    });
    EXPECT_EQ(InboxLock::tryAcquire(datafile), nullptr);
    lock->finishMove(true);
    EXPECT_EQ(InboxLock::tryAcquire(datafile), nullptr);
}
