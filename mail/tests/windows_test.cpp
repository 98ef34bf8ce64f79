#include "mailfixture.h"

#include "AddressRecord.h"
#include "Cp1252.h"
#include "DropFiles.h"
#include "FileOps.h"
#include "InboxFile.h"
#include "RecordFile.h"

#include <gtest/gtest.h>

namespace {

// An office whose address book the Windows copies wrote: drive paths in upper and mixed
// case, Attach.ini with CRLF and Windows-1252 names, a drop file anna1.qdm for Anna. The
// share is here as share/, which F:\QUINDLE\ maps to; its folders are spelt otherwise on disk.
class WindowsOffice : public ::testing::Test
{
protected:
    TempFolders t;
    std::string share = t.folder("share");
    std::string anna = t.folder("share/inbox/Anna");
    std::string ben = t.folder("share/inbox/ben");
    std::string server = t.folder("share/Server");
    std::string addr = t.folder("share/Book");

    void SetUp() override
    {
        writeAddressList(addr, {{"Anna", "F:\\QUINDLE\\INBOX\\ANNA\\"},
                                {"Ben", "f:\\Quindle\\Inbox\\BEN\\"},
                                {"Dan", "F:\\QUINDLE\\INBOX\\DAN\\"},
                                {"Gone", "G:\\NOWHERE\\"},
                                {"Server", "F:\\QUINDLE\\SERVER\\", true}});
    }

    User user(const std::string &name, const std::string &inbox)
    {
        User u(name, t.folder("program-" + name), inbox, t.folder("data-" + name), addr);
        u.settings.pathMap = {{qs("F:\\QUINDLE\\"), qs(share)}};
        return u;
    }
};

TEST_F(WindowsOffice, DriveMapDeliversAndCollectsAsWindowsCopiesWrite)
{
    // What the Windows copies left: Ben's first message under a lower-case name, a count with
    // a Windows-1252 name, and an attachment in another letter case.
    writeAll(ben + "ben1.qdm", recordBytes(makeRecord("Carl", "from Windows")));
    writeAll(ben + "Attach.ini", "[Attachments]\r\nR\xc9SUM\xc9.doc=1\r\n");
    writeAll(ben + "R\xc9SUM\xc9.doc", "Carl's");
    writeAll(ben + "REPORT.DOC", "Carl's report");
    const std::string docs = t.folder("docs");
    writeAll(docs + "report.doc", "Ann's report");
    writeAll(docs + "a:b.txt", "colon");
    writeAll(docs + "CON.txt", "device");

    User ann = user("Ann", t.folder("own-ann"));
    TNewView view;
    view.bodyRtf = "{\\rtf1 hi}";
    view.toCaptions[0] = qs("Ben");
    view.toCaptions[1] = qs("Gone");
    view.yourName = qs("Ann");
    view.subject = qs("Windows");
    view.pathMap = ann.settings.pathMap;
    TSlotTexts paths;
    const char *names[] = {"report.doc", "a:b.txt", "CON.txt"};
    for (int j = 0; j < 3; ++j) {
        paths[std::size_t(j)] = qs(docs + names[j]);
        view.attachCaptions[std::size_t(j)] = qs(names[j]);
    }
    const SendCommandReport sent = sendCommand(ann.programFolder, view, paths, ann.addresses, ann.outgoing, ann.MessageReady);
    ASSERT_EQ(sent.sent.recipients.size(), 2u);
    EXPECT_EQ(sent.sent.recipients[0].reached, QStringList{qs("f:\\Quindle\\Inbox\\BEN\\ (here " + ben + ")")});
    // No map entry holds G:, so the server folder took Gone's message, and says why.
    EXPECT_EQ(sent.sent.recipients[1].reached, QStringList{qs("F:\\QUINDLE\\SERVER\\ (here " + server + ")")});
    EXPECT_EQ(sent.sent.recipients[1].problem, qs("G:\\NOWHERE\\: no path map entry holds the drive G:"));

    // The number 1 is taken by ben1.qdm; REPORT.DOC is the same name to Windows.
    ASSERT_TRUE(fileExists(ben + "Ben2.qdm"));
    EXPECT_FALSE(fileExists(ben + "Ben1.qdm"));
    const TMessageRecord record = readMessageFile(ben + "Ben2.qdm").records.at(0);
    // What the Windows copies read stays theirs: every slot's folder text is the book's bytes
    // (Ben's entry 1, Gone's 3, then none), and no local path is written anywhere.
    const std::string book = readAll(addr + "address list.qda");
    const auto bookFolder = [&](int entry) {
        const std::size_t at = std::size_t(entry * TAddressRec::Size + TAddressRec::InBoxOffset);
        return book.substr(at, 1 + std::size_t(static_cast<unsigned char>(book[at])));
    };
    for (const std::string &file : {ben + "Ben2.qdm", server + "Gone1.qdm"}) {
        SCOPED_TRACE(file);
        const std::string bytes = readAll(file);
        for (int k = 1; k <= TMessageRecord::SlotCount; ++k) {
            const std::size_t at = std::size_t(TMessageRecord::toFolderOffset(k));
            const std::string slot = bytes.substr(at, 1 + std::size_t(static_cast<unsigned char>(bytes[at])));
            EXPECT_EQ(slot, k == 1 ? bookFolder(1) : k == 2 ? bookFolder(3) : std::string(1, '\0')) << k;
        }
        EXPECT_EQ(bytes.find(t.root()), std::string::npos);
    }
    for (const std::string &folder : {ben, server})
        EXPECT_EQ(readAll(folder + "Attach.ini").find(t.root()), std::string::npos) << folder;
    EXPECT_EQ(record.AttachName(1), qs("report (2).doc"));
    EXPECT_EQ(record.AttachName(2), qs("a_b.txt"));
    EXPECT_EQ(record.AttachName(3), qs("_CON.txt"));
    EXPECT_EQ(readAll(ben + "REPORT.DOC"), "Carl's report");
    EXPECT_EQ(readAll(ben + "Attach.ini"),
              "[Attachments]\r\nR\xc9SUM\xc9.doc=1\r\nreport (2).doc=1\r\na_b.txt=1\r\n_CON.txt=1\r\n");

    // Ben collects the Windows copy's anna1-style name and ours, and the server's record of a
    // name Windows cannot hold.
    writeAll(server + "BEN1.qdm", recordBytes(makeRecord("Carl", "server", {"con.txt"})));
    writeAll(server + "con.txt", "from the server");
    User benUser = user("Ben", ben);
    const CollectReport collected = benUser.collect();
    EXPECT_EQ(collected.collected, 3);
    EXPECT_EQ(benUser.subjects(), (std::vector<std::string>{"from Windows", "Windows", "server"}));
    EXPECT_EQ(benUser.inbox[2].AttachName(1), qs("_con.txt"));
    EXPECT_EQ(readAll(ben + "_con.txt"), "from the server");
    EXPECT_FALSE(fileExists(server + "BEN1.qdm"));
}

} // namespace
