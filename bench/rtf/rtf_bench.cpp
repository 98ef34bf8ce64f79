#include "RtfCodec.h"

#include <QFont>
#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <benchmark/benchmark.h>

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

void BM_WriteBody(benchmark::State &state)
{
    QTextDocument doc;
    fillBody(doc);
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QByteArray rtf = writeRtf(doc);
        bytes = rtf.size();
        benchmark::DoNotOptimize(rtf.constData());
    }
    state.counters["rtf_bytes"] = double(bytes);
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_WriteBody);

void BM_ReadBody(benchmark::State &state)
{
    QTextDocument source;
    fillBody(source);
    // As in a record: the body, then zeros up to the end of the 10,001-byte field.
    QByteArray field = writeRtf(source);
    const qsizetype bytes = field.size();
    field.resize(10001, '\0');
    QTextDocument doc;
    for (auto _ : state) {
        readRtf(field, doc);
        benchmark::DoNotOptimize(doc.blockCount());
    }
    state.counters["rtf_bytes"] = double(bytes);
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_ReadBody);

// Baselines: the same text saved and loaded as plain text by Qt alone.
void BM_PlainTextSave(benchmark::State &state)
{
    QTextDocument doc;
    fillBody(doc);
    for (auto _ : state) {
        const QString text = doc.toPlainText();
        benchmark::DoNotOptimize(text.constData());
    }
}
BENCHMARK(BM_PlainTextSave);

void BM_PlainTextLoad(benchmark::State &state)
{
    QTextDocument source;
    fillBody(source);
    const QString text = source.toPlainText();
    QTextDocument doc;
    for (auto _ : state) {
        doc.setPlainText(text);
        benchmark::DoNotOptimize(doc.blockCount());
    }
}
BENCHMARK(BM_PlainTextLoad);

} // namespace

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
