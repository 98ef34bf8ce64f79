#include "FileOps.h"
#include "Startup.h"

#include "AddressFile.h"
#include "DropFiles.h"
#include "InboxFile.h"
#include "IoError.h"
#include "RecordFile.h"
#include "Settings.h"
#include "tempfolders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

QString qs(const std::string &text) { return QString::fromStdString(text); }

std::vector<std::string> treeOf(const std::string &root)
{
    std::vector<std::string> files;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file())
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

class Startup : public ::testing::Test
{
protected:
    TempFolders t;
    std::string data = t.folder("data");
    std::string addr = t.folder("addr");

    TSettings complete() const
    {
        TSettings s;
        s.Name = QStringLiteral("Ann");
        s.MyDest = qs(t.userA());
        s.InboxData = qs(data);
        s.Addresses = qs(addr);
        s.AutoOptiInbox = true;
        return s;
    }
};

TEST_F(Startup, SettingsCheckOnTheFourTexts)
{
    const std::string aFile = t.root() + "plain-file";
    writeAll(aFile, "x");
    const QString in = qs(t.userA()), dat = qs(data), ad = qs(addr), name = QStringLiteral("Ann");
    EXPECT_TRUE(OkToStartExecute(in, dat, ad, name));
    struct Case { QString in, dat, ad, name; };
    for (const Case &c : {Case{QString(), dat, ad, name}, Case{qs(aFile), dat, ad, name},
                          Case{in + QStringLiteral("missing/"), dat, ad, name}, Case{in, QString(), ad, name},
                          Case{in, qs(aFile), ad, name}, Case{in, dat, qs(t.root() + "gone/"), name},
                          Case{in, dat, ad, QString()}})
        EXPECT_FALSE(OkToStartExecute(c.in, c.dat, c.ad, c.name));
}

TEST_F(Startup, NoSettingsLoadsAndCreatesNothing)
{
    const std::vector<std::string> before = treeOf(t.root());
    TStartupState state;
    const StartupReport report = StartupExecute(state, t.program());
    EXPECT_TRUE(report.settingsIncomplete);
    EXPECT_FALSE(report.addressesLoaded);
    EXPECT_EQ(state.settings, TSettings{});
    EXPECT_TRUE(state.inbox.empty());
    EXPECT_TRUE(state.addresses.empty());
    EXPECT_EQ(state.toItems.size(), 10);
    EXPECT_EQ(state.attachItems.size(), 10);
    EXPECT_EQ(treeOf(t.root()), before);
}

TEST_F(Startup, CompleteSettingsCreateAndLoadBothFiles)
{
    saveSettings(t.program(), complete());
    TStartupState state;
    state.outgoing.setToFolder(3, u"/old/folder/");
    state.outgoing.setSubject(u"kept");
    state.toItems = {QStringLiteral("Ben")};
    const StartupReport report = StartupExecute(state, t.program());
    EXPECT_FALSE(report.settingsIncomplete);
    EXPECT_FALSE(report.inboxInUse);
    EXPECT_TRUE(report.addressesLoaded);
    EXPECT_EQ(state.settings, complete());
    EXPECT_EQ(readAll(data + "InBox.qdi"), std::string(19100, '\0'));
    EXPECT_EQ(readAll(addr + "address list.qda"), std::string(1292, '\0'));
    EXPECT_EQ(state.inbox.size(), 1u);
    EXPECT_TRUE(state.inboxLoaded);
    EXPECT_EQ(state.addresses.size(), 1u);
    EXPECT_EQ(state.AddressIndex, 0);
    EXPECT_EQ(state.inboxIndex, 0);
    // Only the length bytes of the folders go.
    EXPECT_EQ(state.outgoing.ToFolder(3), QString());
    EXPECT_EQ(state.outgoing.bytes[std::size_t(TMessageRecord::toFolderOffset(3)) + 1], '/');
    EXPECT_EQ(state.outgoing.Subject(), QStringLiteral("kept"));
    EXPECT_EQ(state.toItems, (QStringList{QStringLiteral("Ben"), {}, {}, {}, {}, {}, {}, {}, {}, {}}));
}

TEST_F(Startup, RunAgainReloadsWithoutDoubling)
{
    saveSettings(t.program(), complete());
    // 57,301 bytes: three slots and a piece that is no record.
    writeAll(data + "InBox.qdi", std::string(57301, '\0'));
    writeAll(addr + "address list.qda", std::string(1292 * 2, '\0'));
    TStartupState state;
    StartupExecute(state, t.program());
    state.AddressIndex = 1;
    state.inboxIndex = 2;
    StartupExecute(state, t.program());
    EXPECT_EQ(state.inbox.size(), 3u);
    EXPECT_EQ(state.addresses.size(), 2u);
    EXPECT_EQ(state.AddressIndex, 0);
    EXPECT_EQ(state.inboxIndex, 0);
    EXPECT_EQ(state.toItems.size(), 10);
    EXPECT_EQ(state.attachItems.size(), 10);
    EXPECT_EQ(readAll(data + "InBox.qdi").size(), 57301u);

    // Saved with a missing inbox folder: the inbox empties, the address list stays.
    TSettings broken = complete();
    broken.MyDest = qs(t.root() + "gone/");
    saveSettings(t.program(), broken);
    const StartupReport report = StartupExecute(state, t.program());
    EXPECT_TRUE(report.settingsIncomplete);
    EXPECT_TRUE(state.inbox.empty());
    EXPECT_FALSE(state.inboxLoaded);
    EXPECT_EQ(state.addresses.size(), 2u);
}

// Two windows on one datafile would overwrite each other's slots.
TEST_F(Startup, SecondCopyOnTheSameDatafileLeavesItAlone)
{
    saveSettings(t.program(), complete());
    TStartupState first;
    StartupExecute(first, t.program());
    ASSERT_TRUE(first.inboxLock);
    std::filesystem::remove(data + "InBox.qdi");

    TStartupState second;
    const StartupReport report = StartupExecute(second, t.program());
    EXPECT_TRUE(report.inboxInUse);
    EXPECT_TRUE(second.inbox.empty());
    EXPECT_FALSE(second.inboxLoaded);
    EXPECT_FALSE(fileExists(data + "InBox.qdi"));
    EXPECT_EQ(second.toItems.size(), 10);

    // The first keeps its lock across its own runs; once it lets go, the second gets it.
    EXPECT_FALSE(StartupExecute(first, t.program()).inboxInUse);
    first.inboxLock.reset();
    EXPECT_FALSE(StartupExecute(second, t.program()).inboxInUse);
    EXPECT_EQ(second.inbox.size(), 1u);
}

TEST_F(Startup, UnreadableDatafileEndsStartupWithTheSlotsFilled)
{
    saveSettings(t.program(), complete());
    t.folder("data/InBox.qdi");
    TStartupState state;
    EXPECT_THROW(StartupExecute(state, t.program()), IoError);
    EXPECT_FALSE(state.inboxLoaded);
    EXPECT_EQ(state.toItems.size(), 10);
    EXPECT_EQ(state.attachItems.size(), 10);
}

} // namespace
