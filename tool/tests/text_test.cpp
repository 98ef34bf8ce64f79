#include "MessageRecord.h"
#include "RtfCodec.h"
#include "tempfolders.h"

#include <QProcess>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextListFormat>

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct ToolRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun runText(const std::string &file)
{
    QProcess process;
    process.start(QStringLiteral(QUINDLE_TOOL), {QStringLiteral("text"), QString::fromStdString(file)});
    process.waitForFinished(30000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// A body with a plain paragraph and a two-item bullet list, as the compose view writes it.
QByteArray bulletBody(const QString &first)
{
    QTextDocument document;
    QTextCursor cursor(&document);
    cursor.insertText(first);
    cursor.insertBlock();
    QTextListFormat bullets;
    bullets.setStyle(QTextListFormat::ListDisc);
    cursor.createList(bullets);
    cursor.insertText(QStringLiteral("bread"));
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("café"));
    return writeRtf(document);
}

TMessageRecord message(const QString &from, const QString &subject, const QByteArray &body)
{
    TMessageRecord record;
    record.setFrom(from);
    record.setSubject(subject);
    std::memcpy(record.bodyData(), body.constData(), static_cast<std::size_t>(body.size()));
    // Left-overs of an earlier, longer body after the document must not show.
    const char stale[] = "\0 stale text {\\b old}";
    std::memcpy(record.bodyData() + body.size(), stale, sizeof stale - 1);
    return record;
}

std::string bytesOf(const std::vector<TMessageRecord> &records)
{
    std::string bytes;
    for (const TMessageRecord &record : records)
        bytes.append(record.bytes.data(), record.bytes.size());
    return bytes;
}

} // namespace

TEST(ToolText, PrintsEveryUsedSlotOfAnInboxAndADropFile)
{
    TempFolders tree;
    const std::string inbox = tree.root() + "InBox.qdi";
    TMessageRecord freeSlot = message(QStringLiteral("Gone"), QStringLiteral("deleted"), bulletBody(QStringLiteral("x")));
    freeSlot.bytes[TMessageRecord::FromOffset] = 0;
    writeAll(inbox, bytesOf({message(QStringLiteral("Anna"), QStringLiteral("Shopping"), bulletBody(QStringLiteral("Please buy:"))),
                             freeSlot,
                             message(QStringLiteral("Ben"), QStringLiteral("Re: Shopping"), bulletBody(QStringLiteral("Done.")))})
                       + std::string(7, 'x'));

    const ToolRun run = runText(inbox);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out,
              QStringLiteral("--- record 0 ---\nFrom: Anna\nSubject: Shopping\n\nPlease buy:\n* bread\n* café\n"
                             "\n--- record 2 ---\nFrom: Ben\nSubject: Re: Shopping\n\nDone.\n* bread\n* café\n"));
    EXPECT_TRUE(run.err.contains(QStringLiteral("7 bytes"))) << run.err.toStdString();

    const std::string drop = tree.root() + "Ben1.qdm";
    writeAll(drop, bytesOf({message(QStringLiteral("Anna"), QStringLiteral("Hi"), bulletBody(QStringLiteral("Hello")))}));
    const ToolRun dropRun = runText(drop);
    EXPECT_EQ(dropRun.exitCode, 0);
    EXPECT_TRUE(dropRun.out.startsWith(QStringLiteral("--- record 0 ---\nFrom: Anna\nSubject: Hi\n\nHello\n* bread\n")));
}

TEST(ToolText, PrintsAnRtfFileAndFailsOnAMissingOne)
{
    TempFolders tree;
    const std::string rtf = tree.root() + "body.rtf";
    writeAll(rtf, bulletBody(QStringLiteral("Plain")).toStdString());
    const ToolRun run = runText(rtf);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, QStringLiteral("Plain\n* bread\n* café\n"));

    const ToolRun missing = runText(tree.root() + "nothing.qdm");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.out.isEmpty());
    EXPECT_TRUE(missing.err.contains(QStringLiteral("File not found"))) << missing.err.toStdString();
}
