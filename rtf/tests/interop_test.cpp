#include "DocumentFacts.h"
#include "RtfCodec.h"
#include "SampleDocuments.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QUrl>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

// Bodies written here must read the same in a reader that is not ours. LibreOffice reads
// each written file once as text and once as HTML for the formatting.

namespace {

QString readUtf8(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

class LibreOffice : public ::testing::Test
{
protected:
    struct Converted
    {
        QString text;
        QString html;
    };

    static void SetUpTestSuite()
    {
        s_dir = std::make_unique<QTemporaryDir>();
        const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
        if (soffice.isEmpty() || !s_dir->isValid())
            return;
        QStringList inputs;
        for (const SampleDocument &sample : sampleDocuments()) {
            QTextDocument doc;
            Builder builder(doc);
            sample.build(builder);
            const QString path = s_dir->filePath(fileName(sample.name) + QStringLiteral(".rtf"));
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly))
                return;
            file.write(writeRtf(doc));
            inputs << path;
        }
        // One start of LibreOffice per output format: each start takes seconds.
        const QString profile = QUrl::fromLocalFile(s_dir->filePath(QStringLiteral("profile"))).toString();
        for (const QString &format : {QStringLiteral("txt:Text (encoded):UTF8"), QStringLiteral("html")}) {
            QProcess process;
            process.setProcessChannelMode(QProcess::MergedChannels);
            process.start(soffice, QStringList{QStringLiteral("-env:UserInstallation=") + profile,
                                               QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                                               format, QStringLiteral("--outdir"), s_dir->filePath(QStringLiteral("out"))}
                                       + inputs);
            if (!process.waitForFinished(300000))
                process.kill();
            s_log += QString::fromLocal8Bit(process.readAll());
        }
        s_ran = true;
    }

    static void TearDownTestSuite() { s_dir.reset(); }

    static QString fileName(const char *name)
    {
        QString s = QString::fromLatin1(name);
        s.replace(QLatin1Char(' '), QLatin1Char('-'));
        return s;
    }

    static Converted converted(const char *name)
    {
        const QString base = s_dir->filePath(QStringLiteral("out/") + fileName(name));
        return {readUtf8(base + QStringLiteral(".txt")), readUtf8(base + QStringLiteral(".html"))};
    }

    static inline std::unique_ptr<QTemporaryDir> s_dir;
    static inline bool s_ran = false;
    static inline QString s_log;
};

// Our paragraphs as LibreOffice's text export writes them: one line per paragraph and per
// line break, a bullet as "•" before the text.
QString asExportedText(const QTextDocument &doc)
{
    QString out;
    for (const ParagraphFacts &p : factsOf(doc).paragraphs)
        out += (p.bullet ? QStringLiteral("• ") : QString()) + p.text + QLatin1Char('\n');
    return out;
}

// LibreOffice's text export starts with a byte-order mark and writes each space of a run
// of spaces as U+2006 and a space.
QString normaliseExportedText(QString text)
{
    text.remove(QChar(0xFEFF));
    text.replace(QStringLiteral("\u2006 "), QStringLiteral(" "));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    static const QRegularExpression bullet(QStringLiteral("^\\s*•\\s+"));
    for (QString &line : lines) {
        line.replace(bullet, QStringLiteral("• "));
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
    }
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

TEST_F(LibreOffice, ReadsOurBodiesAsWritten)
{
    if (!s_ran)
        GTEST_SKIP() << "LibreOffice (soffice) is not available";
    for (const SampleDocument &sample : sampleDocuments()) {
        SCOPED_TRACE(sample.name);
        QTextDocument doc;
        Builder builder(doc);
        sample.build(builder);
        const Converted out = converted(sample.name);
        ASSERT_FALSE(out.text.isEmpty()) << s_log.toStdString();
        ASSERT_FALSE(out.html.isEmpty()) << s_log.toStdString();

        EXPECT_EQ(normaliseExportedText(out.text).toStdString(),
                  normaliseExportedText(asExportedText(doc)).toStdString());

        QTextDocument theirs;
        theirs.setHtml(out.html);
        const DocumentFacts want = factsOf(doc);
        const DocumentFacts got = factsOf(theirs);
        // The text export above pins the exact text and the empty paragraphs; in the HTML
        // path Qt's import collapses white space, drops an empty list item and reads an
        // empty paragraph as a line break.
        const auto formatting = [](const QList<ParagraphFacts> &paragraphs) {
            QStringList lines;
            for (ParagraphFacts p : paragraphs) {
                p.text = p.text.simplified();
                if (!p.text.isEmpty())
                    lines << describe(p);
            }
            return lines;
        };
        const QStringList wantParagraphs = formatting(want.paragraphs);
        const QStringList gotParagraphs = formatting(got.paragraphs);
        EXPECT_EQ(gotParagraphs.join(QLatin1Char('\n')).toStdString(),
                  wantParagraphs.join(QLatin1Char('\n')).toStdString());
        EXPECT_EQ(got.bold, want.bold);
        EXPECT_EQ(got.italic, want.italic);
        EXPECT_EQ(got.underline, want.underline);
        // The HTML export writes sizes in whole points only.
        for (auto it = want.wordsBySize.begin(); it != want.wordsBySize.end(); ++it) {
            if (it.key() == std::floor(it.key())) {
                EXPECT_EQ(got.wordsBySize.value(it.key()), it.value()) << it.key() << " pt";
            }
        }
    }
}

} // namespace
