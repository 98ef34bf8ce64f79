#include "DocumentFacts.h"
#include "RtfCodec.h"

#include <QTextDocument>

#include <gtest/gtest.h>

namespace {

QString terminalText(QByteArrayView rtf)
{
    QTextDocument doc;
    readRtf(rtf, doc);
    return plainTextForTerminal(doc);
}

// Each row: RTF as other programs (or a peer's leftover bytes) may present it, and the
// lines a reader must show for it.
TEST(Reader, ReadsTextAsWritten)
{
    const struct
    {
        const char *name;
        QByteArray rtf;
        const char *text;
    } table[] = {
        {"paragraphs", "{\\rtf1 one\\par two\\par}", "one\ntwo\n"},
        {"last paragraph without mark", "{\\rtf1 one\\par two}", "one\ntwo\n"},
        {"empty paragraphs kept", "{\\rtf1 a\\par\\par\\par b\\par}", "a\n\n\nb\n"},
        {"empty document", "{\\rtf1}", "\n"},
        {"line and tab", "{\\rtf1 a\\line b\\tab c\\par}", "a\nb\tc\n"},
        {"raw line ends are not text", "{\\rtf1 wo\r\nrd\\par\r\n}", "word\n"},
        {"backslash newline ends a paragraph", "{\\rtf1 a\\\nb}", "a\nb\n"},
        {"escaped symbols", "{\\rtf1 \\\\ \\{ \\} \\~x\\-y\\_z}",
         "\\ { } \u00a0x\u00ady\u2011z\n"},
        {"hex in either case", "{\\rtf1 caf\\'e9 \\'C9 \\'80}", "café É €\n"},
        {"space after a word is its delimiter", "{\\rtf1 \\b  two}", " two\n"},
        {"digit ends a word only with a space", "{\\rtf1 \\fs20 20\\fs24-3}", "20-3\n"},
        {"unicode with default skip", "{\\rtf1 \\u8364?x}", "€x\n"},
        {"unicode skips a hex fallback", "{\\rtf1 \\u8364\\'80x}", "€x\n"},
        {"uc2 skips two", "{\\rtf1\\uc2 \\u8364\\'80\\'80x}", "€x\n"},
        {"uc0 skips none", "{\\rtf1\\uc0 \\u8364 x}", "€x\n"},
        {"uc is scoped by groups", "{\\rtf1{\\uc0 \\u937 }\\u937?x}", "ΩΩx\n"},
        {"skipping stops at a brace", "{\\rtf1\\uc3 \\u937?{b}c}", "Ωbc\n"},
        {"negative unicode", "{\\rtf1 \\u-4064?}", "\uf020\n"},
        {"surrogate pair", "{\\rtf1 \\u55357?\\u56832?!}", "😀!\n"},
        {"signed surrogate pair", "{\\rtf1 \\u-10179?\\u-8704?}", "😀\n"},
        {"lone surrogate", "{\\rtf1 a\\u55357?b}", "a\ufffdb\n"},
        {"named characters", "{\\rtf1 \\lquote\\rquote\\ldblquote\\rdblquote\\emdash\\endash\\bullet}",
         "‘’“”—–•\n"},
        {"header destinations skipped",
         "{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red1\\green2\\blue3;}{\\stylesheet{\\s1 Heading;}}"
         "{\\info{\\title T}{\\author A}}body}",
         "body\n"},
        {"ignorable destinations skipped", "{\\rtf1 a{\\*\\generator x;}{\\*\\unknown{nested} y}b}", "ab\n"},
        {"unknown words ignored", "{\\rtf1 a\\madeup42 b\\zzz c}", "abc\n"},
        {"field result kept, instruction skipped",
         "{\\rtf1 see {\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt here}}.}", "see here.\n"},
        {"headers, footers and pictures skipped",
         "{\\rtf1{\\header page}{\\footer foot}{\\pict\\wmetafile8 0a0b}{\\footnote note}text}", "text\n"},
        {"binary data skipped", QByteArray("{\\rtf1 a{\\*\\blip\\bin4 }}{x}b}", 29), "ab\n"},
        {"binary data outside a skipped group", QByteArray("{\\rtf1 a\\bin3 {}\\b}", 19), "ab\n"},
        {"hidden text", "{\\rtf1 a{\\v hidden}b}", "ab\n"},
        {"section break after a paragraph adds nothing", "{\\rtf1 a\\par\\sect b\\par}", "a\nb\n"},
        {"table cells", "{\\rtf1 \\trowd a\\cell b\\cell\\row c\\par}", "a\tb\t\nc\n"},
        {"bytes after the document ignored", QByteArray("{\\rtf1 x\\par}\0\0garbage}\\par{\\rtf1 y}", 36), "x\n"},
        {"leading line ends before the document", "\r\n {\\rtf1 x}", "x\n"},
        {"not RTF: plain text up to a zero byte", QByteArray("Hello\r\nWorld \x80\0old", 18), "Hello\nWorld €\n"},
        {"bullets of the rich-edit control",
         "{\\rtf1{\\fonttbl{\\f1\\fcharset2 Symbol;}}a\\par\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1"
         "{\\pntxtb\\'B7}}\\fi-360\\li360 b\\par{\\pntext\\f1\\'B7\\tab}c\\par\\pard d\\par}",
         "a\n* b\n* c\nd\n"},
        {"bullets of word processors",
         "{\\rtf1 {\\listtext\\pard\\plain \\u8226\\'95\\tab}\\ls1\\ilvl0 one\\par\\pard two\\par}",
         "* one\ntwo\n"},
        {"numbered list keeps its numbers as text",
         "{\\rtf1\\pard{\\pntext 1.\\tab}{\\*\\pn\\pnlvlbody\\pndec{\\pntxta .}}first\\par"
         "{\\pntext 2.\\tab}second\\par}",
         "1.\tfirst\n2.\tsecond\n"},
        {"bullet written as text", "{\\rtf1 \\bullet\\tab item\\par plain \\bullet\\tab not\\par}",
         "* item\nplain •\tnot\n"},
        {"pn at document level is not a destination", "{\\rtf1 \\pn a\\par}", "a\n"},
        {"a star before text marks nothing", "{\\rtf1 {a\\* b\\unknown c}d}", "a bcd\n"},
    };
    for (const auto &row : table)
        EXPECT_EQ(terminalText(row.rtf).toStdString(), std::string(row.text)) << row.name;
}

TEST(Reader, KeepsFormattingInItsGroup)
{
    QTextDocument doc;
    readRtf("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}\\fs20 "
            "a{\\b b{\\i c\\ul d}e}f\\b g\\plain h\\par"
            "\\qc\\i i\\par j{\\pard\\qr k\\par}l\\par"
            "\\pard\\i0\\f1\\fs40 m\\par"
            "\\ul n\\ul0 o\\uldb p\\ulnone q\\par}",
            doc);
    const DocumentFacts facts = factsOf(doc);
    const QList<ParagraphFacts> paragraphs = {
        {QStringLiteral("abcdefgh"), QStringLiteral("left"), false},
        {QStringLiteral("i"), QStringLiteral("center"), false},
        {QStringLiteral("jk"), QStringLiteral("right"), false},
        {QStringLiteral("l"), QStringLiteral("center"), false},
        {QStringLiteral("m"), QStringLiteral("left"), false},
        {QStringLiteral("nopq"), QStringLiteral("left"), false},
    };
    ASSERT_EQ(facts.paragraphs.size(), paragraphs.size());
    for (qsizetype i = 0; i < paragraphs.size(); ++i)
        EXPECT_EQ(describe(facts.paragraphs[i]).toStdString(), describe(paragraphs[i]).toStdString());

    const auto run = [](const char *text, const char *family, double points, bool b, bool i, bool u) {
        return describe(RunFacts{QString::fromUtf8(text), QString::fromLatin1(family), points, b, i, u}).toStdString();
    };
    const std::vector<std::vector<std::string>> runs = {
        {run("a", "Arial", 10, false, false, false), run("b", "Arial", 10, true, false, false),
         run("c", "Arial", 10, true, true, false), run("d", "Arial", 10, true, true, true),
         run("e", "Arial", 10, true, false, false), run("f", "Arial", 10, false, false, false),
         run("g", "Arial", 10, true, false, false), run("h", "Arial", 12, false, false, false)},
        {run("i", "Arial", 12, false, true, false)},
        {run("jk", "Arial", 12, false, true, false)},
        {run("l", "Arial", 12, false, true, false)},
        {run("m", "Courier New", 20, false, false, false)},
        {run("n", "Courier New", 20, false, false, true), run("o", "Courier New", 20, false, false, false),
         run("p", "Courier New", 20, false, false, true), run("q", "Courier New", 20, false, false, false)},
    };
    ASSERT_EQ(facts.runs.size(), qsizetype(runs.size()));
    for (std::size_t p = 0; p < runs.size(); ++p) {
        ASSERT_EQ(facts.runs[p].size(), qsizetype(runs[p].size())) << "paragraph " << p;
        for (std::size_t r = 0; r < runs[p].size(); ++r)
            EXPECT_EQ(describe(facts.runs[p][r]).toStdString(), runs[p][r]) << "paragraph " << p;
    }
}

TEST(Reader, ReplacesTheWholeDocument)
{
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("earlier message\nwith two paragraphs"));
    readRtf("{\\rtf1 new}", doc);
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("new"));
    EXPECT_EQ(doc.blockCount(), 1);
    EXPECT_FALSE(doc.isUndoAvailable());
}

// A body is the first bytes of a 10,001-byte field; whatever follows the document is left
// over from other messages and must not show.
TEST(Reader, ReadsABodyOutOfItsField)
{
    QTextDocument source;
    source.setPlainText(QStringLiteral("A new, short message"));
    const QByteArray body = writeRtf(source);

    QTextDocument older;
    older.setPlainText(QString(3000, QLatin1Char('x')) + QStringLiteral("\nold ending"));
    QByteArray field = writeRtf(older);
    field.resize(10001, '\0');
    field.replace(0, body.size(), body);

    QTextDocument doc;
    readRtf(field, doc);
    EXPECT_EQ(doc.toPlainText(), source.toPlainText());
}

} // namespace
