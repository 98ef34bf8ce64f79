#include "DocumentFacts.h"

#include <QFont>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

#include <cmath>

namespace {

struct CharFacts
{
    QChar ch;
    QString family;
    double points = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

QString alignName(Qt::Alignment alignment)
{
    const Qt::Alignment h = alignment & Qt::AlignHorizontal_Mask;
    if (h & Qt::AlignHCenter)
        return QStringLiteral("center");
    if (h & Qt::AlignJustify)
        return QStringLiteral("justify");
    if (h & (Qt::AlignRight | Qt::AlignTrailing))
        return QStringLiteral("right");
    return QStringLiteral("left");
}

CharFacts resolve(QChar ch, const QTextCharFormat &format, const QFont &base)
{
    CharFacts f;
    f.ch = ch;
    const QStringList families = format.fontFamilies().toStringList();
    f.family = families.isEmpty() ? base.family() : families.first();
    f.points = format.fontPointSize() > 0 ? format.fontPointSize() : base.pointSizeF();
    f.bold = (format.hasProperty(QTextFormat::FontWeight) ? format.fontWeight()
                                                           : int(base.weight()))
        >= QFont::DemiBold;
    f.italic = format.hasProperty(QTextFormat::FontItalic) ? format.fontItalic() : base.italic();
    f.underline = format.hasProperty(QTextFormat::TextUnderlineStyle)
        ? format.underlineStyle() != QTextCharFormat::NoUnderline
        : base.underline();
    return f;
}

bool isBreak(QChar c)
{
    return c.isSpace() || c == QChar(QChar::LineSeparator);
}

QString stripTrailingSpacesOfLines(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
    }
    return lines.join(QLatin1Char('\n'));
}

void collectWords(const QList<CharFacts> &chars, DocumentFacts &facts)
{
    qsizetype i = 0;
    while (i < chars.size()) {
        while (i < chars.size() && isBreak(chars[i].ch))
            ++i;
        qsizetype end = i;
        while (end < chars.size() && !isBreak(chars[end].ch))
            ++end;
        qsizetype b = i;
        qsizetype e = end;
        while (b < e && !chars[b].ch.isLetterOrNumber())
            ++b;
        while (e > b && !chars[e - 1].ch.isLetterOrNumber())
            --e;
        if (b < e) {
            QString word;
            bool bold = true, italic = true, underline = true;
            const double points = chars[b].points;
            bool sameSize = true;
            for (qsizetype k = b; k < e; ++k) {
                word += chars[k].ch;
                bold = bold && chars[k].bold;
                italic = italic && chars[k].italic;
                underline = underline && chars[k].underline;
                sameSize = sameSize && chars[k].points == points;
            }
            if (bold)
                facts.bold << word;
            if (italic)
                facts.italic << word;
            if (underline)
                facts.underline << word;
            if (sameSize)
                facts.wordsBySize[points] << word;
        }
        i = end;
    }
}

} // namespace

DocumentFacts factsOf(const QTextDocument &document)
{
    DocumentFacts facts;
    const QFont base = document.defaultFont();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        ParagraphFacts p;
        QString text = block.text();
        text.replace(QChar(QChar::LineSeparator), QLatin1Char('\n'));
        p.text = stripTrailingSpacesOfLines(text);
        p.align = alignName(block.blockFormat().alignment());
        const QTextList *list = block.textList();
        p.bullet = list && list->format().style() == QTextListFormat::ListDisc;
        facts.paragraphs << p;

        QList<CharFacts> chars;
        QList<RunFacts> runs;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QString fragmentText = fragment.text();
            for (const QChar c : fragmentText)
                chars << resolve(c, fragment.charFormat(), base);
            const CharFacts f = resolve(QChar(), fragment.charFormat(), base);
            const RunFacts run{fragmentText, f.family, f.points, f.bold, f.italic, f.underline};
            if (!runs.isEmpty()) {
                RunFacts &last = runs.last();
                RunFacts probe = run;
                probe.text = last.text;
                if (probe == last) {
                    last.text += fragmentText;
                    continue;
                }
            }
            runs << run;
        }
        collectWords(chars, facts);
        facts.runs << runs;
    }
    return facts;
}

QString describe(const ParagraphFacts &p)
{
    return QStringLiteral("[%1%2] \"%3\"")
        .arg(p.align, p.bullet ? QStringLiteral(" bullet") : QString(), p.text);
}

QString describe(const RunFacts &r)
{
    return QStringLiteral("\"%1\" %2 %3pt%4%5%6")
        .arg(r.text, r.family)
        .arg(r.points)
        .arg(r.bold ? QStringLiteral(" b") : QString(), r.italic ? QStringLiteral(" i") : QString(),
             r.underline ? QStringLiteral(" u") : QString());
}
