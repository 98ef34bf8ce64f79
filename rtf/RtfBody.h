#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <vector>

// The reading half of the RTF codec that needs no Qt Gui: a body parsed into its text, runs
// of one character format and paragraphs. readRtf (RtfCodec.h) builds a document from it;
// quindle-tool prints its text without one.
namespace rtf {

enum class ListKind : unsigned char { None, Bullet, Numbered };

struct CharProps
{
    int font = 0;
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool hidden = false;

    bool operator==(const CharProps &) const = default;
};

struct ParaProps
{
    Qt::Alignment align = Qt::AlignLeft;
    ListKind pn = ListKind::None;
    bool listed = false; // \lsN with N > 0
};

// A stretch of the body's text in one character format.
struct Run
{
    qsizetype begin = 0;
    qsizetype size = 0;
    CharProps props;
};

struct Paragraph
{
    std::size_t firstRun = 0; // its runs are [firstRun, endRun) of the body's
    std::size_t endRun = 0;
    ParaProps para;
    QString marker;
    bool hasMarker = false;
    bool bullet = false;
    Run number; // a numbered list's marker, shown before the runs
};

// All the text of a body in one string, so a run costs no allocation of its own.
struct Body
{
    QString text;
    std::vector<Run> runs;
    std::vector<Paragraph> paragraphs; // at least one
    QHash<int, QString> fonts;         // the font table: number to family
    bool surrogates = false; // plain bytes never make them, so most bodies need no repair
};

// Calls f on each run of a paragraph that holds text, the number first.
template <typename Para, typename Runs, typename F>
void forEachRun(Para &para, Runs &runs, F &&f)
{
    if (para.number.size > 0)
        f(para.number);
    for (std::size_t i = para.firstRun; i < para.endRun; ++i) {
        if (runs[i].size > 0)
            f(runs[i]);
    }
}

const Run *firstRun(const Body &body, const Paragraph &para);

// Pairs of \u surrogates become one character; a half pair is not text.
void repairSurrogates(QString &text, qsizetype begin, qsizetype end);

// Reads the RTF in bytes as readRtf does: up to the brace that closes the document, and
// bytes that do not start an RTF document as plain Windows-1252 text up to a zero byte.
// Bullet paragraphs are settled; a numbered paragraph's marker is its number run.
Body parse(QByteArrayView bytes);

// The body as lines for a terminal, as plainTextForTerminal gives them for the document
// that readRtf builds from the same bytes.
QString terminalText(const Body &body);

} // namespace rtf
