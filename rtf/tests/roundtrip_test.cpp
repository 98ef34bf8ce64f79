#include "DocumentFacts.h"
#include "casename.h"
#include "RtfCodec.h"
#include "SampleDocuments.h"

#include <QFont>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <gtest/gtest.h>

#include <functional>
#include <iostream>

namespace {

constexpr qsizetype kBodyLimit = 10001;

class RoundTrip : public ::testing::TestWithParam<SampleDocument>
{
};

TEST_P(RoundTrip, KeepsTextAndFormatting)
{
    QTextDocument original;
    Builder builder(original);
    GetParam().build(builder);

    const QByteArray rtf = writeRtf(original);
    EXPECT_EQ(writeRtf(original), rtf) << "same document, different bytes";

    QTextDocument back;
    back.setDefaultFont(QFont(QStringLiteral("Some Other Font"), 15));
    readRtf(rtf, back);

    const DocumentFacts want = factsOf(original);
    const DocumentFacts got = factsOf(back);
    ASSERT_EQ(got.paragraphs.size(), want.paragraphs.size()) << rtf.toStdString();
    for (qsizetype i = 0; i < want.paragraphs.size(); ++i) {
        EXPECT_EQ(describe(got.paragraphs[i]).toStdString(), describe(want.paragraphs[i]).toStdString())
            << rtf.toStdString();
        ASSERT_EQ(got.runs[i].size(), want.runs[i].size()) << "paragraph " << i << "\n" << rtf.toStdString();
        for (qsizetype r = 0; r < want.runs[i].size(); ++r)
            EXPECT_EQ(describe(got.runs[i][r]).toStdString(), describe(want.runs[i][r]).toStdString());
    }
    EXPECT_EQ(back.toPlainText(), original.toPlainText());
    // Reading and writing again changes nothing: two copies exchanging a body agree on it.
    EXPECT_EQ(writeRtf(back), rtf);
}

INSTANTIATE_TEST_SUITE_P(Documents, RoundTrip, ::testing::ValuesIn(sampleDocuments()), ByCaseName());

// How single characters are written, and that each comes back as itself.
TEST(Writer, EscapesEveryCharacter)
{
    const struct
    {
        QString ch;
        QByteArray rtf;
    } table[] = {
        {QStringLiteral("\\"), "\\\\"},
        {QStringLiteral("{"), "\\{"},
        {QStringLiteral("}"), "\\}"},
        {QStringLiteral("\t"), "\\tab"},
        {QString(QChar(0x2028)), "\\line"},
        {QString(QChar(0x00A0)), "\\~"},
        {QString(QChar(0x00AD)), "\\-"},
        {QString(QChar(0x2011)), "\\_"},
        {QString(QChar(0x00E9)), "\\'e9"},
        {QString(QChar(0x20AC)), "\\'80"},
        {QString(QChar(0x201C)), "\\'93"},
        {QString(QChar(0x00FF)), "\\'ff"},
        {QString(QChar(0x03A9)), "\\u937?"},
        {QString(QChar(0x4F60)), "\\u20320?"},
        {QString(QChar(0xFFFD)), "\\u-3?"},
        {QString::fromUtf8("😀"), "\\u-10179?\\u-8704?"},
    };
    for (const auto &row : table) {
        QTextDocument doc;
        QTextCursor(&doc).insertText(QStringLiteral("a") + row.ch + QStringLiteral("b"));
        const QByteArray rtf = writeRtf(doc);
        EXPECT_TRUE(rtf.contains("a" + row.rtf)) << rtf.toStdString();
        QTextDocument back;
        readRtf(rtf, back);
        EXPECT_EQ(back.toPlainText(), doc.toPlainText()) << row.rtf.toStdString();
    }
}

// Only what the document holds is written: the body limit counts every byte of markup.
TEST(Writer, WritesNoNeedlessControlWords)
{
    const struct
    {
        const char *name;
        std::function<void(Builder &)> build;
        QByteArray body;
    } table[] = {
        {"plain", [](Builder &b) { b.paragraph().text(QStringLiteral("Hello")); }, "\\fs16 Hello\\par\n}"},
        {"bold word", [](Builder &b) {
             b.paragraph().text(QStringLiteral("a ")).text(QStringLiteral("b"), style(true)).text(QStringLiteral(" c"));
         }, "\\fs16 a \\b b\\b0  c\\par\n}"},
        {"styles last across paragraphs", [](Builder &b) {
             b.paragraph().text(QStringLiteral("x"), style(false, true));
             b.paragraph().text(QStringLiteral("y"), style(false, true));
         }, "\\fs16\\i x\\par\ny\\par\n}"},
        {"alignment kept until changed", [](Builder &b) {
             b.paragraph(Qt::AlignHCenter).text(QStringLiteral("t"));
             b.paragraph(Qt::AlignHCenter).text(QStringLiteral("u"));
             b.paragraph().text(QStringLiteral("v"));
         }, "\\qc\\fs16 t\\par\nu\\par\n\\ql v\\par\n}"},
        {"list", [](Builder &b) {
             b.paragraph(Qt::AlignLeft, true).text(QStringLiteral("a"));
             b.paragraph(Qt::AlignLeft, true).text(QStringLiteral("b"));
             b.paragraph().text(QStringLiteral("c"));
         }, "{\\*\\pn\\pnlvlblt{\\pntxtb\\'95}}\\fi-360\\li360{\\pntext\\'95\\tab}\\fs16 a\\par\n"
            "{\\pntext\\'95\\tab}b\\par\n\\pard c\\par\n}"},
    };
    for (const auto &row : table) {
        QTextDocument doc;
        Builder b(doc);
        row.build(b);
        const QByteArray rtf = writeRtf(doc);
        EXPECT_EQ(rtf, "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 DejaVu Sans;}}\n" + row.body) << row.name;
    }
}

TEST(Writer, ShortMailStaysFarBelowTheBodyLimit)
{
    QTextDocument mail;
    Builder b(mail);
    b.paragraph().text(QStringLiteral("Hello Anna,"));
    b.paragraph().text(QStringLiteral("thanks for yesterday's meeting. As agreed, the "))
        .text(QStringLiteral("revised schedule"), style(true))
        .text(QStringLiteral(" is in the shared folder; please check it before Friday."));
    b.paragraph().text(QStringLiteral("Best regards,\u2028Tom"));
    const QByteArray threeParagraphs = writeRtf(mail);
    const qsizetype text = mail.toPlainText().size();
    std::cout << "three-paragraph body: " << text << " characters of text, " << threeParagraphs.size()
              << " bytes of RTF\n";
    RecordProperty("three_paragraph_body_bytes", int(threeParagraphs.size()));
    // The header and the markup stay a small fixed cost on top of the text.
    EXPECT_LE(threeParagraphs.size(), text + 120);

    QTextDocument list;
    Builder l(list);
    l.paragraph().text(QStringLiteral("Agenda for Monday:"));
    for (const char *item : {"Budget review", "Server move", "Holiday schedule", "Coffee machine"})
        l.paragraph(Qt::AlignLeft, true).text(QString::fromLatin1(item));
    l.paragraph().text(QStringLiteral("Please add items by Friday."));
    const QByteArray bullets = writeRtf(list);
    std::cout << "bulleted mail: " << list.toPlainText().size() << " characters, " << bullets.size()
              << " bytes of RTF\n";
    EXPECT_LE(bullets.size(), list.toPlainText().size() + 250);
    EXPECT_LT(bullets.size(), kBodyLimit / 20);
}

TEST(Writer, NeverWritesTheEndOfTextByte)
{
    // Reading a body back stops at Ctrl+Z, and a record field holds bytes, not lines.
    QTextDocument doc;
    QString all;
    for (char16_t c = 1; c < 0x300; ++c)
        all += QChar(c);
    QTextCursor(&doc).insertText(all);
    const QByteArray rtf = writeRtf(doc);
    EXPECT_FALSE(rtf.contains('\x1a'));
    EXPECT_FALSE(rtf.contains('\0'));
    for (const char c : rtf)
        EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7f)) << int(c);
}

} // namespace
