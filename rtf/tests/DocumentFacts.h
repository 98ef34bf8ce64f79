#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

class QTextDocument;

// What a reader of a body sees, in the terms the corpus expectations use, so that our
// reader, our writer and outside readers can be compared on equal footing.
struct ParagraphFacts
{
    QString text; // line breaks as '\n', trailing spaces of each line removed
    QString align; // left, center, right, justify
    bool bullet = false;

    bool operator==(const ParagraphFacts &) const = default;
};

struct RunFacts
{
    QString text;
    QString family;
    double points = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;

    bool operator==(const RunFacts &) const = default;
};

struct DocumentFacts
{
    QList<ParagraphFacts> paragraphs;
    // Words (punctuation trimmed) whose every character carries the style, in order.
    QStringList bold;
    QStringList italic;
    QStringList underline;
    QMap<double, QStringList> wordsBySize;
    // Runs of equal formatting per paragraph, fonts resolved against the default font.
    QList<QList<RunFacts>> runs;
};

DocumentFacts factsOf(const QTextDocument &document);

// For failure messages.
QString describe(const ParagraphFacts &p);
QString describe(const RunFacts &r);
