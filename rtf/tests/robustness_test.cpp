#include "RtfBody.h"
#include "RtfCodec.h"

#include <QFile>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace {

QByteArray corpusFile(const char *name)
{
    QFile file(QStringLiteral(QUINDLE_TESTDATA "/rtf/") + QString::fromLatin1(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Reads through an exactly sized heap buffer so that the address sanitizer sees any read
// past the end, and checks what must hold for any input.
void readAndCheck(const QByteArray &bytes, const char *what)
{
    const auto buffer = std::make_unique<char[]>(std::size_t(bytes.size() + 1));
    std::copy(bytes.begin(), bytes.end(), buffer.get());
    QTextDocument doc;
    readRtf(QByteArrayView(buffer.get(), bytes.size()), doc);

    // Every character of the result comes from at least one byte of the input.
    ASSERT_LE(doc.characterCount(), bytes.size() + 2) << what;
    // The tool's text, read without a document, is the document's.
    ASSERT_EQ(rtf::terminalText(rtf::parse(bytes)).toStdString(), plainTextForTerminal(doc).toStdString()) << what;
    // Whatever was read, a peer that receives it again reads the same text.
    QTextDocument again;
    readRtf(writeRtf(doc), again);
    ASSERT_EQ(plainTextForTerminal(again).toStdString(), plainTextForTerminal(doc).toStdString()) << what;
}

const char *const kTokens[] = {
    "{", "}", "\\", "\\'", "\\'f", "\\u", "\\u-", "\\bin", "\\bin99999999999999 ", "\\bin5 ",
    "\\fs99999999999999999", "\\fs0", "\\fs-7", "\\u-999999999999", "\\u65535?", "\\u55357?",
    "\\uc99999 ", "\\uc-3 ", "{\\*\\pn\\pnlvlblt", "{\\pntext", "{\\listtext\\pard ", "\\ls9",
    "\\par", "\\'zz", "\\f-5", "\\f99999999999", "\\deff99999999999", "\\*", "{\\*", "\\plain",
    "\\pard", "\\line", "\\qc", "\\b", "\\ul", "{\\fonttbl", "{\\f7 X;}", ";", "\\\r\n", "\t",
    "" /* a zero byte */, "\x95\t", "\\bullet\\tab ", "\xff", "\\sect", "\\cell", "\\row",
    "\\ansicpg932", "\\ansicpg1258", "{\\fonttbl{\\f0\\fcharset134 \\'cb\\'ce;}}", "\\cpg949", "\\'83", "\\'d6", "\x83",
};

TEST(Robustness, SurvivesMutatedAndCutDocuments)
{
    std::vector<QByteArray> seeds = {
        corpusFile("libreoffice/lo-11-mixed-email.rtf"),
        corpusFile("abiword/abiword-04-bullets.rtf"),
        corpusFile("hand/hand-10-legacy-richedit1.rtf"),
        corpusFile("hand/hand-04-bullets.rtf"),
        corpusFile("pandoc/pandoc-12-unicode-beyond-cp1252.rtf"),
        corpusFile("latex2rtf/latex2rtf-11-mixed-email.rtf"),
        corpusFile("enscript/enscript-09-escaping.rtf"),
        corpusFile("hand/hand-14-chinese.rtf"),
    };
    {
        QTextDocument doc;
        QTextCursor c(&doc);
        c.insertText(QString::fromUtf8("Grüße {x} \\ 😀 tab\tend"));
        seeds.push_back(writeRtf(doc));
    }
    for (const QByteArray &seed : seeds)
        ASSERT_FALSE(seed.isEmpty());

    std::mt19937 random(20240611);
    const auto below = [&](qsizetype n) { return qsizetype(random() % std::uint32_t(std::max<qsizetype>(n, 1))); };
    for (int round = 0; round < 4000; ++round) {
        QByteArray bytes = seeds[std::size_t(below(qsizetype(seeds.size())))];
        const int edits = 1 + int(below(8));
        for (int e = 0; e < edits; ++e) {
            switch (below(6)) {
            case 0: // cut
                bytes.truncate(below(bytes.size() + 1));
                break;
            case 1: // random bytes
                for (int k = 0, n = 1 + int(below(10)); k < n && !bytes.isEmpty(); ++k)
                    bytes[below(bytes.size())] = char(random());
                break;
            case 2: { // a token where it does not belong
                const char *token = kTokens[below(std::size(kTokens))];
                bytes.insert(below(bytes.size() + 1), token, token[0] ? qsizetype(std::strlen(token)) : 1);
                break;
            }
            case 3: // a hole
                bytes.remove(below(bytes.size() + 1), below(200));
                break;
            case 4: { // a repeated stretch
                const qsizetype from = below(bytes.size() + 1);
                bytes.insert(below(bytes.size() + 1), bytes.mid(from, below(300)));
                break;
            }
            default: // noise after the header
                for (int k = 0, n = int(below(64)); k < n; ++k)
                    bytes.insert(below(bytes.size() + 1), char(random()));
                break;
            }
        }
        readAndCheck(bytes, "mutated document");
        if (HasFatalFailure()) {
            ADD_FAILURE() << "round " << round << ": " << bytes.toPercentEncoding().toStdString();
            return;
        }
    }
}

TEST(Robustness, SurvivesHostileExtremes)
{
    const QByteArray cases[] = {
        "{\\rtf1" + QByteArray(200000, '{') + "deep" + QByteArray(200000, '}') + "after}",
        "{\\rtf1 a" + QByteArray(50000, '}'),
        "{\\rtf1 " + QByteArray(100000, '\\'),
        "{\\rtf1 \\" + QByteArray(5000, 'a') + "99999999999999999999999999 x}",
        "{\\rtf1 \\u" + QByteArray(5000, '9') + " x}",
        "{\\rtf1 \\bin" + QByteArray(40, '9') + " x}",
        "{\\rtf1 \\uc999999999 \\u937 abc}",
        "{\\rtf1 \\fs-99999999999 \\fs99999999999 x}",
        "{\\rtf1 \\'",
        "{\\rtf1 \\'4",
        "{\\rtf1 \\u",
        "{\\rtf1 \\",
        "{\\rtf",
        "{\\rtf1 {\\fonttbl{\\f0 " + QByteArray(20000, 'A'),
        "{\\rtf1 {\\*\\pn" + QByteArray(10000, '{'),
        QByteArray(10001, '\0'),
        QByteArray(10001, '\xff'),
    };
    for (const QByteArray &bytes : cases)
        readAndCheck(bytes, bytes.left(40).constData());

    // Groups deeper than any document holds are skipped, and the text around them stays.
    QTextDocument doc;
    readRtf("{\\rtf1 before" + QByteArray(1000, '{') + "deep" + QByteArray(1000, '}') + " after}", doc);
    EXPECT_TRUE(doc.toPlainText().startsWith(QStringLiteral("before")));
    EXPECT_TRUE(doc.toPlainText().endsWith(QStringLiteral(" after")));
}

} // namespace
