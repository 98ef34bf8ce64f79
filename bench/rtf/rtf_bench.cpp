#include "RtfCodec.h"

#include <QFont>
#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include "compare.h"

#include <cstdlib>

namespace {

constexpr qsizetype kBodyBytes = 10000;

// A mail as people write them: paragraphs with a few styled words, accents, a bullet list
// now and then, grown until its RTF fills a body.
void fillBody(QTextDocument &doc)
{
    doc.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    QTextCharFormat plain;
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QTextCharFormat italic;
    italic.setFontItalic(true);
    QTextCursor cursor(&doc);
    QTextListFormat bullets;
    bullets.setStyle(QTextListFormat::ListDisc);
    for (int i = 0;; ++i) {
        if (writeRtf(doc).size() >= kBodyBytes - 300)
            break;
        if (i > 0)
            cursor.insertBlock(QTextBlockFormat(), plain);
        if (i % 5 == 3) {
            cursor.createList(bullets);
            cursor.insertText(QString::fromUtf8("Item %1: check the café's € budget").arg(i), plain);
            continue;
        }
        cursor.insertText(QStringLiteral("Paragraph %1 talks about the ").arg(i), plain);
        cursor.insertText(QStringLiteral("quarterly report"), bold);
        cursor.insertText(QString::fromUtf8(" and the meeting in Zürich; please read "), plain);
        cursor.insertText(QStringLiteral("the attached notes"), italic);
        cursor.insertText(QStringLiteral(" before Friday, then reply to everyone."), plain);
    }
}

} // namespace

// Reading and writing a full body against Qt loading and saving the same text as plain
// text, in turns, a batch of operations per timed run. Usage: bench_rtf [rounds] [batch]
int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 7;
    const int batch = argc > 2 ? std::atoi(argv[2]) : 500;
    std::printf("load average before: %s\n", bench::loadAverage().c_str());

    QTextDocument source;
    fillBody(source);
    // As in a record: the body, then zeros up to the end of the 10,001-byte field.
    QByteArray field = writeRtf(source);
    std::printf("body: %lld bytes of RTF, %d paragraphs\n", static_cast<long long>(field.size()), source.blockCount());
    field.resize(10001, '\0');
    const QString text = source.toPlainText();

    QTextDocument doc;
    bench::compare(
        "read a full body (ms per body)", rounds, [] {},
        [&] {
            for (int i = 0; i < batch; ++i)
                readRtf(field, doc);
        },
        [&] {
            for (int i = 0; i < batch; ++i)
                doc.setPlainText(text);
        },
        1e-3 * batch, "ms");
    qsizetype sink = 0;
    bench::compare(
        "write a full body (ms per body)", rounds, [] {},
        [&] {
            for (int i = 0; i < batch; ++i)
                sink += writeRtf(source).size();
        },
        [&] {
            for (int i = 0; i < batch; ++i)
                sink += source.toPlainText().size();
        },
        1e-3 * batch, "ms");
    std::printf("load average after: %s%s\n", bench::loadAverage().c_str(), sink > 0 ? "" : " ");
    return 0;
}
