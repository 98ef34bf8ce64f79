#include "AddressRecord.h"
#include "Cp1252.h"
#include "MessageRecord.h"

#include "tempfolders.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <cstring>

namespace {

QString q(const char *text)
{
    return QString::fromUtf8(text);
}

struct ToolRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    QJsonObject json;
};

ToolRun dump(const QStringList &args)
{
    QProcess tool;
    tool.start(QStringLiteral(QUINDLE_TOOL), QStringList{q("dump")} + args);
    ToolRun run;
    if (!tool.waitForFinished(60000))
        return run;
    run.exitCode = tool.exitCode();
    run.out = tool.readAllStandardOutput();
    run.err = tool.readAllStandardError();
    QJsonParseError error{};
    run.json = QJsonDocument::fromJson(run.out, &error).object();
    EXPECT_TRUE(run.exitCode != 0 || error.error == QJsonParseError::NoError) << error.errorString().toStdString();
    return run;
}

QStringList strings(const QJsonValue &array)
{
    QStringList list;
    for (const QJsonValue &v : array.toArray())
        list.append(v.toString());
    return list;
}

QString path(const std::string &p)
{
    return QString::fromStdString(p);
}

TEST(Dump, DropFilePrintsEveryFieldOfItsRecord)
{
    const ToolRun run = dump({q(QUINDLE_TESTDATA "/store/lunch.qdm")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.json[q("kind")].toString(), q("messages"));
    EXPECT_EQ(run.json[q("record_size")].toInt(), 19100);
    EXPECT_EQ(run.json[q("trailing_bytes")].toInt(), 0);
    const QJsonArray records = run.json[q("records")].toArray();
    ASSERT_EQ(records.size(), 1);
    const QJsonObject r = records[0].toObject();
    EXPECT_EQ(r[q("index")].toInt(), 0);
    EXPECT_FALSE(r[q("free")].toBool(true));
    EXPECT_EQ(r[q("From")].toString(), q("Anna"));
    const QString none;
    EXPECT_EQ(strings(r[q("ToNames")]), (QStringList{q("Ben"), q("Carl"), none, none, none, none, none, none, none, none}));
    EXPECT_EQ(strings(r[q("ToFolders")])[1], q("/mail/carl/"));
    EXPECT_EQ(strings(r[q("ToFolders")]).size(), 10);
    EXPECT_EQ(r[q("Placeholder1")].toString(), q("not yet avalable"));
    EXPECT_EQ(r[q("Placeholder2")].toString(), q("not yet avalable"));
    EXPECT_EQ(r[q("Subject")].toString(), q("Caf\u00e9 at 12, \u20ac5"));
    EXPECT_EQ(r[q("Body")].toString(), q("{\\rtf1\\ansi Hello Ben\\par\r\n}"));
    EXPECT_EQ(strings(r[q("AttachNames")]),
              (QStringList{q("menu.pdf"), none, none, none, none, none, none, none, none, q("map.png")}));
}

TEST(Dump, InboxDatafileShowsFreeSlotsAndTheTrailingPiece)
{
    TempFolders dirs;
    TMessageRecord first;
    QByteArray every; // every byte but zero, so each one reaches the text
    for (int b = 1; b < 256; ++b)
        every.append(static_cast<char>(b));
    std::memcpy(first.bodyData(), every.constData(), static_cast<std::size_t>(every.size()));
    first.setFrom(fromCp1252(every.left(200)));
    first.setSubject(q("quote \" backslash \\ tab\t"));
    TMessageRecord freeSlot;
    freeSlot.setSubject(u"left behind");
    TMessageRecord full;
    full.setFrom(u"B");
    std::memset(full.bodyData(), 'b', TMessageRecord::BodySize);
    full.setAttachName(1, u"x"); // the byte after the body is not part of it

    std::string bytes;
    for (const TMessageRecord *r : {&first, &freeSlot, &full})
        bytes.append(r->bytes.data(), r->bytes.size());
    writeAll(dirs.userA() + "InBox.qdi", bytes + std::string(50, 'z'));

    const ToolRun run = dump({path(dirs.userA() + "InBox.qdi")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.json[q("trailing_bytes")].toInt(), 50);
    const QJsonArray records = run.json[q("records")].toArray();
    ASSERT_EQ(records.size(), 3);
    bool freeFlags[3];
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(records[i].toObject()[q("index")].toInt(), i);
        freeFlags[i] = records[i].toObject()[q("free")].toBool();
    }
    EXPECT_FALSE(freeFlags[0]);
    EXPECT_TRUE(freeFlags[1]);
    EXPECT_FALSE(freeFlags[2]);
    const QJsonObject r0 = records[0].toObject();
    EXPECT_EQ(r0[q("Body")].toString(), fromCp1252(every));
    EXPECT_EQ(r0[q("From")].toString(), fromCp1252(every.left(200)));
    EXPECT_EQ(r0[q("Subject")].toString(), q("quote \" backslash \\ tab\t"));
    EXPECT_EQ(records[1].toObject()[q("Subject")].toString(), q("left behind"));
    EXPECT_EQ(records[2].toObject()[q("Body")].toString(), QString(10001, u'b'));
}

TEST(Dump, AddressListFileAndForcedKinds)
{
    TempFolders dirs;
    TAddressRec odd;
    odd.setName(u"Odd");
    odd.setServer(2);
    odd.setReserved(u"r");
    std::string bytes = readAll(QUINDLE_TESTDATA "/store/sales.qda");
    bytes += std::string(TAddressRec::Size, '\0');
    bytes.append(odd.bytes.data(), odd.bytes.size());
    writeAll(dirs.userA() + "address list.qda", bytes + "tail");
    writeAll(dirs.userA() + "book.bin", bytes);

    const ToolRun run = dump({path(dirs.userA() + "address list.qda")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.json[q("kind")].toString(), q("addresses"));
    EXPECT_EQ(run.json[q("record_size")].toInt(), 1292);
    EXPECT_EQ(run.json[q("trailing_bytes")].toInt(), 4);
    const QJsonArray records = run.json[q("records")].toArray();
    ASSERT_EQ(records.size(), 3);
    const QJsonObject sales = records[0].toObject();
    EXPECT_FALSE(sales[q("empty")].toBool(true));
    EXPECT_EQ(sales[q("Name")].toString(), q("Sales"));
    EXPECT_EQ(sales[q("InBox")].toString(), q("F:\\mail\\sales\\"));
    EXPECT_EQ(sales[q("Comment")].toString(), QString());
    EXPECT_EQ(sales[q("Server")].toInt(), 1);
    EXPECT_TRUE(records[1].toObject()[q("empty")].toBool());
    EXPECT_EQ(records[2].toObject()[q("Server")].toInt(), 2);
    EXPECT_EQ(records[2].toObject()[q("Reserved")].toString(), q("r"));
    EXPECT_EQ(records[2].toObject()[q("index")].toInt(), 2);

    const ToolRun forced = dump({q("--addresses"), path(dirs.userA() + "book.bin")});
    EXPECT_EQ(forced.exitCode, 0);
    EXPECT_EQ(forced.json[q("records")].toArray().size(), 3);
    const ToolRun asMessages = dump({q("--messages"), path(dirs.userA() + "address list.qda")});
    EXPECT_EQ(asMessages.exitCode, 0);
    EXPECT_EQ(asMessages.json[q("kind")].toString(), q("messages"));
    EXPECT_EQ(asMessages.json[q("records")].toArray().size(), 0);
    EXPECT_EQ(asMessages.json[q("trailing_bytes")].toInt(), static_cast<int>(bytes.size() + 4));
}

TEST(Dump, UnreadableFilesAndUnknownKindsFailWithOneLine)
{
    TempFolders dirs;
    writeAll(dirs.userA() + "book.bin", std::string(1292, '\0'));
    const std::string folder = dirs.folder("folder.qdi");
    const QString cases[] = {path(dirs.userA() + "book.bin"), path(dirs.userA() + "missing.qdm"),
                             path(folder.substr(0, folder.size() - 1))};
    for (const QString &file : cases) {
        const ToolRun run = dump({file});
        EXPECT_EQ(run.exitCode, 1) << file.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_EQ(run.err.count('\n'), 1);
        EXPECT_TRUE(run.err.contains(file.toUtf8())) << run.err.toStdString();
    }
    EXPECT_TRUE(dump({path(dirs.userA() + "missing.qdm")}).err.contains("File not found"));
}

} // namespace
