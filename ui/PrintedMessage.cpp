#include "PrintedMessage.h"

#include "MessageRecord.h"
#include "RtfCodec.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextTable>

void composePrintedMessage(QTextDocument &into, const TMessageRecord &message, const QString &received,
                           const QStringList &attachments)
{
    into.clear();
    QTextCursor cursor(&into);
    QTextTableFormat table;
    table.setBorder(0);
    table.setCellPadding(2);
    const std::pair<QString, QString> rows[] = {
        {QStringLiteral("From:"), message.From()},
        {QStringLiteral("Subject:"), message.Subject()},
        {QStringLiteral("Received:"), received.isEmpty() ? QStringLiteral("not known") : received},
        {QStringLiteral("Attachments:"), attachments.isEmpty() ? QStringLiteral("none") : attachments.join(QStringLiteral(", "))}};
    QTextTable *header = cursor.insertTable(int(std::size(rows)), 2, table);
    QTextCharFormat label;
    label.setFontWeight(QFont::Bold);
    for (int r = 0; r < int(std::size(rows)); ++r) {
        header->cellAt(r, 0).firstCursorPosition().insertText(rows[r].first, label);
        header->cellAt(r, 1).firstCursorPosition().insertText(rows[r].second);
    }
    cursor.movePosition(QTextCursor::End);
    // A rule between the header and the text.
    QTextBlockFormat rule;
    rule.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth, QTextLength(QTextLength::PercentageLength, 100));
    cursor.setBlockFormat(rule);
    cursor.insertBlock(QTextBlockFormat());
    QTextDocument body;
    readRtf(message.Body(), body);
    cursor.insertFragment(QTextDocumentFragment(&body));
}
