#include "DocumentFacts.h"
#include "casename.h"
#include "RtfBody.h"
#include "RtfCodec.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Bodies are read straight out of the record's field, which is this long.
constexpr qsizetype kBodyField = 10001;

const QString &corpusRoot()
{
    static const QString root = QStringLiteral(QUINDLE_TESTDATA "/rtf/");
    return root;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

struct CorpusFile
{
    QString rtf;
    QString json;
    bool malformed = false;
    bool withinLimit = true;
};

void PrintTo(const CorpusFile &file, std::ostream *os)
{
    *os << file.rtf.toStdString();
}

std::vector<CorpusFile> corpusFiles()
{
    std::vector<CorpusFile> files;
    const QJsonArray index = QJsonDocument::fromJson(readFile(corpusRoot() + QStringLiteral("index.json"))).array();
    for (const QJsonValue &entry : index) {
        const QJsonObject o = entry.toObject();
        files.push_back({o.value(QStringLiteral("rtf")).toString(), o.value(QStringLiteral("json")).toString(),
                         o.value(QStringLiteral("malformed")).toBool(),
                         o.value(QStringLiteral("within_10001_byte_limit")).toBool()});
    }
    return files;
}

// The reader must not look past the bytes it is given: hand it an exactly sized buffer
// so that the address sanitizer notices any overrun.
DocumentFacts readExact(const QByteArray &bytes, QTextDocument &document)
{
    const auto buffer = std::make_unique<char[]>(std::size_t(std::max<qsizetype>(bytes.size(), 1)));
    std::copy(bytes.begin(), bytes.end(), buffer.get());
    readRtf(QByteArrayView(buffer.get(), bytes.size()), document);
    return factsOf(document);
}

QStringList strings(const QJsonValue &value)
{
    QStringList list;
    for (const QJsonValue &v : value.toArray())
        list << v.toString();
    return list;
}

class Corpus : public ::testing::TestWithParam<CorpusFile>
{
};

TEST_P(Corpus, ReadsAsExpected)
{
    const CorpusFile file = GetParam();
    const QByteArray bytes = readFile(corpusRoot() + file.rtf);
    ASSERT_FALSE(bytes.isEmpty()) << file.rtf.toStdString();
    const QJsonObject expectation = QJsonDocument::fromJson(readFile(corpusRoot() + file.json)).object();
    ASSERT_FALSE(expectation.isEmpty()) << file.json.toStdString();

    QTextDocument document;
    const DocumentFacts got = readExact(bytes, document);
    // quindle-tool prints the text without building a document.
    EXPECT_EQ(rtf::terminalText(rtf::parse(bytes)).toStdString(), plainTextForTerminal(document).toStdString());

    // In a record the document is followed by zeros or by the rest of an older body.
    if (bytes.size() <= kBodyField) {
        QByteArray field = bytes;
        field.append(QByteArray("}\\par Old text{\\b x}").left(kBodyField - field.size()));
        field.append(QByteArray(kBodyField - field.size(), '\0'));
        QTextDocument fromField;
        const DocumentFacts inField = readExact(field, fromField);
        EXPECT_EQ(inField.paragraphs, got.paragraphs) << "trailing bytes were read";
    } else {
        // An over-long body cut at the field's end reads as the start of the whole text;
        // only its last character may come from a control word cut in half.
        QTextDocument cut;
        readExact(bytes.left(kBodyField), cut);
        QString start = cut.toPlainText();
        start.chop(1);
        EXPECT_TRUE(document.toPlainText().startsWith(start)) << start.toStdString();
    }

    const QJsonValue expectedValue = expectation.value(QStringLiteral("expected"));
    if (file.malformed || expectedValue.isNull()) {
        EXPECT_TRUE(expectedValue.isNull());
        return; // what it reads as is not defined; reading it must merely end
    }
    const QJsonObject expected = expectedValue.toObject();
    const QJsonArray paragraphs = expected.value(QStringLiteral("paragraphs")).toArray();

    ASSERT_EQ(got.paragraphs.size(), paragraphs.size()) << [&] {
        QString all;
        for (const ParagraphFacts &p : got.paragraphs)
            all += describe(p) + QLatin1Char('\n');
        return all.toStdString();
    }();
    for (qsizetype i = 0; i < paragraphs.size(); ++i) {
        const QJsonObject want = paragraphs[i].toObject();
        const ParagraphFacts &have = got.paragraphs[i];
        ParagraphFacts expect{want.value(QStringLiteral("text")).toString(),
                              want.value(QStringLiteral("align")).toString(),
                              want.value(QStringLiteral("bullet")).toBool()};
        // A bullet written as text may be read as text or as a list item.
        const QString marker = want.value(QStringLiteral("bullet_marker_in_text")).toString();
        if (!marker.isEmpty() && !have.bullet) {
            expect.text = marker + expect.text;
            expect.bullet = false;
        }
        EXPECT_EQ(describe(have).toStdString(), describe(expect).toStdString()) << "paragraph " << i;
    }

    EXPECT_EQ(got.bold, strings(expected.value(QStringLiteral("bold"))));
    EXPECT_EQ(got.italic, strings(expected.value(QStringLiteral("italic"))));
    EXPECT_EQ(got.underline, strings(expected.value(QStringLiteral("underline"))));
    const QJsonObject sizes = expected.value(QStringLiteral("font_sizes_pt")).toObject();
    for (auto it = sizes.begin(); it != sizes.end(); ++it) {
        const double points = it.key().toDouble();
        EXPECT_EQ(got.wordsBySize.value(points), strings(it.value())) << "words of " << points << " pt";
    }
}

// A file by its name without the extension.
INSTANTIATE_TEST_SUITE_P(Files, Corpus, ::testing::ValuesIn(corpusFiles()), [](const auto &info) {
    return caseTestName(info.param.rtf.section(QLatin1Char('/'), -1).chopped(4));
});

TEST(CorpusIndex, ListsEveryFile)
{
    // A corpus that failed to load would otherwise pass with zero cases.
    EXPECT_EQ(corpusFiles().size(), 55u);
}

} // namespace
