#include "InboxMarks.h"

#include "FileOps.h"
#include "tempfolders.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TMessageRecord message(const char *subject)
{
    TMessageRecord r;
    r.setFrom(u"Ben");
    r.setSubject(QString::fromLatin1(subject));
    return r;
}

// received, read, known, free of every slot, as one line
std::string marks(const TInboxMarks &m)
{
    std::string line;
    for (int i = 0; i < m.size(); ++i) {
        line += std::to_string(m[i].received) + (m[i].read ? "r" : "") + (m[i].known ? "k" : "")
                + (m[i].free ? "f" : "") + " ";
    }
    return line;
}

TEST(InboxMarks, FollowCollectionReadingDeletionCompactionAndStrangeChanges)
{
    TempFolders t;
    const std::string datafile = t.folder("data") + "InBox.qdi";
    EXPECT_EQ(TInboxMarks::fileName(datafile), t.folder("data") + "InBox.qdx");
    TInboxData inbox{message("a"), TMessageRecord{}, message("c")};

    // Without a file every message is unknown: no date, not unread.
    TInboxMarks m;
    m.load(datafile);
    EXPECT_TRUE(m.update(inbox, 100));
    EXPECT_EQ(marks(m), "0 0f 0 ");
    EXPECT_EQ(m.unread(), 0);

    // Collected into the free slot and appended: both arrived now, unread.
    inbox[1] = message("b");
    inbox.push_back(message("d"));
    EXPECT_TRUE(m.update(inbox, 200));
    EXPECT_TRUE(m.markRead(3));
    EXPECT_FALSE(m.markRead(0)) << "an unknown message has no read mark to set";
    EXPECT_EQ(marks(m), "0 200k 0 200rk ");
    EXPECT_EQ(m.unread(), 1);
    m.save();
    TInboxMarks again;
    again.load(datafile);
    EXPECT_FALSE(again.update(inbox, 300));
    EXPECT_EQ(marks(again), marks(m));

    // Delete slot 2, compact: the marks move with their messages.
    inbox[2] = TMessageRecord{};
    again.update(inbox, 400);
    inbox = TInboxData{inbox[0], inbox[1], inbox[3]};
    again.compacted();
    EXPECT_FALSE(again.update(inbox, 500));
    EXPECT_EQ(marks(again), "0 200k 200rk ");

    // Another program wrote slot 1 behind our back: unknown, not dated now.
    inbox[1] = message("x");
    again.update(inbox, 600);
    EXPECT_EQ(marks(again), "0 0 200rk ");
    again.save();

    // A damaged file is no file.
    std::string bytes = readAll(TInboxMarks::fileName(datafile));
    bytes[20] ^= 1;
    writeAll(TInboxMarks::fileName(datafile), bytes);
    TInboxMarks damaged;
    damaged.load(datafile);
    damaged.update(inbox, 700);
    EXPECT_EQ(marks(damaged), "0 0 0 ");
}

// A copy killed while it rewrites the marks leaves the old file or the new one.
TEST(InboxMarks, KilledDuringARewriteLeavesAWholeFile)
{
    TempFolders t;
    const std::string datafile = t.folder("data") + "InBox.qdi";
    TInboxData inbox(2000);
    for (std::size_t i = 0; i < inbox.size(); ++i)
        inbox[i] = message("m");
    for (int round = 0; round < 8; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            TInboxMarks m;
            m.load(datafile);
            for (std::int64_t now = 1;; ++now) {
                m.update(inbox, now);
                m.save();
                inbox[std::size_t(now % 2000)].setSubject(QString::number(now));
            }
        }
        ::usleep(useconds_t(3000 + round * 4000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        if (!fileExists(TInboxMarks::fileName(datafile)))
            continue; // killed before its first save
        TInboxMarks m;
        m.load(datafile);
        EXPECT_EQ(m.size(), 2000) << "round " << round << ": a torn file would load as none";
    }
}

} // namespace
