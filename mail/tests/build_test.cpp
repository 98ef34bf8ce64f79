#include "mailfixture.h"

#include "InboxFile.h"
#include "IoError.h"
#include "RecordFile.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class Build : public ::testing::Test
{
protected:
    TempFolders t;
    TAddressData addresses = makeAddresses({{"Sales", "F:/mail/sales/"}, {"Ann", t.userA()}, {"Ann", "/second/"}});
    TNewView view;
    TMessageRecord outgoing;
    int ready = 0;

    QString build() { return createMessageFile(t.program(), view, addresses, outgoing, ready); }
    std::string body() const { return std::string(outgoing.Body().data(), outgoing.Body().size()); }
};

TEST_F(Build, BodyGoesThroughTheBodyFileUpToTheLimit)
{
    // Exactly 10,001 characters fill the field to its last byte; the byte after it is the
    // first attachment name's length byte and stays 0.
    view.bodyRtf = QByteArray(10001, 'x');
    view.bodyRtf[0] = '{';
    view.bodyRtf[5000] = '\r';
    view.bodyRtf[5001] = '\n';
    EXPECT_EQ(build(), QString());
    EXPECT_EQ(ready, 1);
    EXPECT_EQ(body(), view.bodyRtf.toStdString());
    EXPECT_EQ(outgoing.bytes[TMessageRecord::AttachNamesOffset], 0);
    EXPECT_EQ(readAll(t.program() + "tmprtf.tmp"), view.bodyRtf.toStdString());

    // One character more: refused, the first 10,001 kept, the rest of the record complete.
    view.bodyRtf.append('y');
    view.toCaptions[0] = qs("Sales");
    view.subject = qs("too long");
    EXPECT_EQ(build(), BodyTooLongMessage);
    EXPECT_EQ(ready, 0);
    EXPECT_EQ(body(), view.bodyRtf.left(10001).toStdString());
    EXPECT_EQ(outgoing.ToName(1), qs("Sales"));
    EXPECT_EQ(outgoing.Subject(), qs("too long"));
    EXPECT_EQ(outgoing.Placeholder2(), qs("not yet avalable"));
    EXPECT_EQ(readAll(t.program() + "tmprtf.tmp").size(), 10002u);
}

TEST_F(Build, CtrlZEndsTheBodyText)
{
    view.bodyRtf = QByteArray("{\\rtf1 a\r\nb}\x1a" "after", 18);
    EXPECT_EQ(build(), QString());
    EXPECT_EQ(ready, 1);
    EXPECT_EQ(body(), std::string("{\\rtf1 a\r\nb}") + std::string(10001 - 12, '\0'));

    // Markup counts: a body of Ctrl+Z after 10,001 characters still fits.
    view.bodyRtf = QByteArray(10001, 'm') + QByteArray(1, 26) + QByteArray(50, 'z');
    EXPECT_EQ(build(), QString());
    EXPECT_EQ(ready, 1);
}

TEST_F(Build, FieldsFromTheView)
{
    view.toCaptions = {qs("Sales"), QString(), qs("Ann"), qs("Nobody"), qs("sales")};
    view.attachCaptions[1] = qs("report.doc");
    view.attachCaptions[9] = QString(300, QLatin1Char('a'));
    view.yourName = QString(300, QLatin1Char('n'));
    view.subject = QString(200, QLatin1Char('s'));
    view.bodyRtf = "{}";
    build();

    // Sales picked into slot 1: the name at 256 and the whole folder at 2,816.
    EXPECT_EQ(outgoing.bytes[256], 5);
    EXPECT_EQ(std::string(&outgoing.bytes[257], 5), "Sales");
    EXPECT_EQ(outgoing.bytes[2816], 14);
    EXPECT_EQ(std::string(&outgoing.bytes[2817], 14), "F:/mail/sales/");
    EXPECT_EQ(outgoing.ToName(2), QString());
    EXPECT_EQ(outgoing.ToFolder(2), QString());
    // The first entry of a name wins.
    EXPECT_EQ(outgoing.ToFolder(3), qs(t.userA()));
    // A caption no entry bears, also one differing only in case, leads nowhere.
    EXPECT_EQ(outgoing.ToName(4), qs("Nobody"));
    EXPECT_EQ(outgoing.ToFolder(4), QString());
    EXPECT_EQ(outgoing.ToFolder(5), QString());
    EXPECT_EQ(outgoing.AttachName(1), QString());
    EXPECT_EQ(outgoing.AttachName(2), qs("report.doc"));
    EXPECT_EQ(outgoing.AttachName(10), QString(255, QLatin1Char('a')));
    EXPECT_EQ(outgoing.From(), QString(255, QLatin1Char('n')));
    EXPECT_EQ(outgoing.Subject(), QString(127, QLatin1Char('s')));
    for (int offset : {TMessageRecord::Placeholder1Offset, TMessageRecord::Placeholder2Offset}) {
        EXPECT_EQ(outgoing.bytes[std::size_t(offset)], 16);
        EXPECT_EQ(std::string(&outgoing.bytes[std::size_t(offset) + 1], 16), "not yet avalable");
    }
    EXPECT_EQ(attachmentCaption(qs("/docs/report.doc")), qs("report.doc"));
}

// Delete and compaction pass inbox records through the outgoing record; a record built
// afterwards must equal one built from nothing and hold no byte of those messages.
TEST_F(Build, BuiltRecordCarriesNothingOfEarlierRecords)
{
    view.toCaptions[0] = qs("Ann");
    view.yourName = qs("Ben");
    view.subject = qs("hi");
    view.bodyRtf = "{\\rtf1 short}";
    TMessageRecord clean;
    int cleanReady = 0;
    createMessageFile(t.program(), view, addresses, clean, cleanReady);

    const std::string datafile = t.folder("data") + "InBox.qdi";
    TMessageRecord secret = makeRecord("Mallory", "SECRET-SUBJECT", {"SECRET-ATTACH"});
    std::memset(secret.bodyData(), 'S', TMessageRecord::BodySize);
    std::memset(secret.field(TMessageRecord::SpareOffset), 'Q', TMessageRecord::SpareSize);
    for (int k = 1; k <= 10; ++k) {
        secret.setToName(k, qs("SECRET-NAME-VERY-LONG-TO-REACH-PAST-SHORT-ONES"));
        secret.setToFolder(k, qs("SECRET-FOLDER-VERY-LONG-TO-REACH-PAST-SHORT-ONES/"));
    }
    writeAll(datafile, "");
    writeRecordAt(datafile, 0, secret);
    writeRecordAt(datafile, 1, secret);
    TInboxData inbox = loadInbox(datafile);

    deleteInboxMessage(inbox, 0, outgoing, datafile);
    build();
    EXPECT_EQ(outgoing, clean);

    packInbox(datafile, inbox, outgoing);
    ASSERT_EQ(outgoing, secret); // compaction leaves the last record read in the scratch record
    build();
    EXPECT_EQ(outgoing, clean);
    const std::string bytes = recordBytes(outgoing);
    EXPECT_EQ(bytes.find("SECRET"), std::string::npos);
    EXPECT_EQ(bytes.find("SSSS"), std::string::npos);
    EXPECT_EQ(bytes.find("QQQQ"), std::string::npos); // the temporary folder's name may hold a Q
}

TEST_F(Build, BodyFileThatCannotBeWrittenEndsTheBuildNamingTheFile)
{
    view.bodyRtf = "{}";
    const std::string missing = t.root() + "gone/";
    EXPECT_EQ(errorOf<IoError>([&] { createMessageFile(missing, view, addresses, outgoing, ready); }),
              "Unable to create " + missing + "tmprtf.tmp: File not found");
    // A folder where the body file should be.
    t.folder("program/tmprtf.tmp");
    EXPECT_EQ(errorOf<IoError>([&] { build(); }), "Unable to replace " + t.program() + "tmprtf.tmp: File access denied");
    EXPECT_EQ(ready, 0);
    EXPECT_EQ(listFolder(t.program()), std::vector<std::string>{"tmprtf.tmp/"}) << "no file of the build stays";
}

} // namespace
