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
        {"half a pair in a number", "{\\rtf1\\pard{\\pntext \\u55357?.\\tab}first\\par}", "\ufffd.\tfirst\n"},
        {"bullet written as text", "{\\rtf1 \\bullet\\tab item\\par plain \\bullet\\tab not\\par}",
         "* item\nplain •\tnot\n"},
        {"pn at document level is not a destination", "{\\rtf1 \\pn a\\par}", "a\n"},
        {"a star before text marks nothing", "{\\rtf1 {a\\* b\\unknown c}d}", "a bcd\n"},
    };
    for (const auto &row : table)
        EXPECT_EQ(terminalText(row.rtf).toStdString(), std::string(row.text)) << row.name;
}

// Each row: a code page, the \fcharset that names it, and text in its bytes as a rich-edit
// control writes them (trail bytes in ASCII as they are, \, { and } in hex).
TEST(Reader, ReadsBytesInTheirCodePage)
{
    const struct
    {
        int codePage;
        int charset;
        const char *bytes;
        const char *text;
    } table[] = {
        {874, 222, "\\'ca\\'c7\\'d1\\'ca\\'b4\\'d5", "สวัสดี"},
        {932, 128, "\\'83e\\'83X\\'83g\\'93\\'fa\\'96\\'7b\\'8c\\'ea\\'83\\'5c", "テスト日本語ソ"},
        {936, 134, "\\'d6\\'d0\\'ce\\'c4\\'d3\\'ca\\'bc\\'fe", "中文邮件"},
        {949, 129, "\\'c7\\'d1\\'b1\\'b9\\'be\\'ee", "한국어"},
        {950, 136, "\\'c1c\\'c5\\'e9\\'a4\\'a4\\'a4\\'e5", "繁體中文"},
        {1250, 238, "Za\\'bf\\'f3\\'b3\\'e6 g\\'ea\\'9cl\\'b9 ja\\'9f\\'f1", "Zażółć gęślą jaźń"},
        {1251, 204, "\\'cf\\'f0\\'e8\\'e2\\'e5\\'f2, \\'ec\\'e8\\'f0", "Привет, мир"},
        {1253, 161, "\\'ca\\'e1\\'eb\\'e7\\'ec\\'dd\\'f1\\'e1", "Καλημέρα"},
        {1254, 162, "G\\'fcnayd\\'fdn \\'ddstanbul", "Günaydın İstanbul"},
        {1255, 177, "\\'f9\\'ec\\'e5\\'ed", "שלום"},
        {1256, 178, "\\'e3\\'d1\\'cd\\'c8\\'c7", "مرحبا"},
        {1257, 186, "\\'c0\\'feuolas \\'f8\\'fb", "Ąžuolas ųū"},
        {1258, 163, "\\'d0\\'fd\\'f5\\'ccng", "Đươ\u0300ng"},
        {437, 254, "\\'80\\'ab\\'b0", "Ç½░"},
        {10000, 77, "\\'80\\'b7\\'b9", "Ä∑π"},
    };
    for (const auto &row : table) {
        const QByteArray number = QByteArray::number(row.codePage);
        // The document's code page, for a font that names none...
        const QByteArray byDocument = "{\\rtf1\\ansi\\ansicpg" + number + "\\deff0{\\fonttbl{\\f0\\fnil Arial;}}\\f0 "
                                    + row.bytes + "\\par}";
        EXPECT_EQ(terminalText(byDocument).toStdString(), row.text + std::string("\n")) << row.codePage;
        // ...and a font's, beside a Western one, in a Western document.
        const QByteArray byFont = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}{\\f1\\fnil"
                                  "\\fcharset" + QByteArray::number(row.charset) + " Arial;}}\\f0 caf\\'e9 {\\f1 "
                                + row.bytes + "} \\'e9\\par}";
        EXPECT_EQ(terminalText(byFont).toStdString(), "café " + std::string(row.text) + " é\n") << row.charset;
    }
}

TEST(Reader, ReadsEachFontInItsOwnCodePage)
{
    const struct
    {
        const char *name;
        QByteArray rtf;
        const char *text;
    } table[] = {
        {"Western and default fonts in a Cyrillic document",
         "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset1 B;}{\\f2 C;}}"
         "\\f0\\'e9{\\f1\\'e9}{\\f2\\'e9}\\'e9}",
         "éййé\n"},
        {"symbol font bullets in a Cyrillic document",
         "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 Arial;}{\\f1\\fcharset2 Symbol;}}\\f0 \\'e0\\par"
         "\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'B7}}\\'e1\\par}",
         "а\n* б\n"},
        {"code page of a font by number", "{\\rtf1{\\fonttbl{\\f0\\cpg1251 Arial;}}\\f0 \\'e0}", "а\n"},
        {"unknown code pages read as Western",
         "{\\rtf1\\ansicpg65001{\\fonttbl{\\f0\\cpg99 A;}{\\f1\\fcharset99 B;}}\\f0\\'e9{\\f1\\'e9}}", "éé\n"},
        {"raw bytes of a double-byte code page", "{\\rtf1\\ansicpg936 \xd6\xd0\xce\xc4!}", "中文!\n"},
        {"lead byte parted from its trail by a token", "{\\rtf1\\ansicpg936 a\\'d6\\b b\\'d6{\\'d0}\\'d6\\'d0}",
         "ab中\n"},
        {"lead byte at the end", "{\\rtf1\\ansicpg936 a\\'d6}", "a\n"},
        {"line ends between lead and trail are not text", "{\\rtf1\\ansicpg936 \\'d6\r\n\\'d0}", "中\n"},
        {"trail byte the code page does not pair", "{\\rtf1\\ansicpg932 a\\'83!b}", "a!b\n"},
        {"unicode with a two-byte fallback", "{\\rtf1\\ansicpg932\\uc2\\u12354\\'82\\'a0x}", "あx\n"},
    };
    for (const auto &row : table)
        EXPECT_EQ(terminalText(row.rtf).toStdString(), std::string(row.text)) << row.name;

    // A font's name is written in its own code page.
    QTextDocument doc;
    readRtf("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\\f0 x}", doc);
    const DocumentFacts facts = factsOf(doc);
    ASSERT_EQ(facts.runs.size(), 1);
    ASSERT_EQ(facts.runs[0].size(), 1);
    EXPECT_EQ(facts.runs[0][0].family.toStdString(), "宋体");
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
