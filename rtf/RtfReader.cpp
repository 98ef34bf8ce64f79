#include "RtfCodec.h"

#include "RtfBody.h"

#include <QFont>
#include <QHash>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <algorithm>
#include <array>
#include <climits>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

using namespace rtf;

namespace {

QTextCharFormat charFormat(const CharProps &props, const QHash<int, QString> &fonts)
{
    QTextCharFormat format;
    const auto font = fonts.constFind(props.font);
    if (font != fonts.constEnd())
        format.setFontFamilies(QStringList{*font});
    format.setFontPointSize(props.halfPoints / 2.0);
    format.setFontWeight(props.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(props.italic);
    format.setFontUnderline(props.underline);
    return format;
}

void build(Body &body, const QHash<int, QString> &fonts, QTextDocument &document)
{
    std::vector<Paragraph> &paragraphs = body.paragraphs;
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    // A body uses a handful of formats over and over; building each once keeps a full
    // body's load well under a millisecond.
    std::vector<std::pair<CharProps, QTextCharFormat>> formats;
    std::vector<int> uses;
    const auto indexOf = [&](const CharProps &props) -> std::size_t {
        for (std::size_t i = 0; i < formats.size(); ++i) {
            if (formats[i].first == props)
                return i;
        }
        formats.emplace_back(props, charFormat(props, fonts));
        uses.push_back(0);
        return formats.size() - 1;
    };
    const auto formatOf = [&](const CharProps &props) -> const QTextCharFormat & {
        return formats[indexOf(props)].second;
    };

    // Every change costs the document a walk over its cursors, so the whole text goes in
    // at once in the commonest format, paragraphs split by separators; only the runs, block
    // formats and lists that differ from it are set afterwards.
    QString all;
    all.reserve(body.text.size() + qsizetype(paragraphs.size()));
    for (std::size_t p = 0; p < paragraphs.size(); ++p) {
        if (p > 0)
            all += QChar(QChar::ParagraphSeparator);
        forEachRun(paragraphs[p], body.runs, [&](const Run &run) {
            const qsizetype at = all.size();
            all += QStringView(body.text).mid(run.begin, run.size);
            if (body.surrogates)
                repairSurrogates(all, at, all.size());
            ++uses[indexOf(run.props)];
        });
    }
    const std::size_t base = uses.empty() ? indexOf(CharProps{})
                                          : std::size_t(std::max_element(uses.begin(), uses.end()) - uses.begin());
    const CharProps baseProps = formats[base].first;

    const auto blockFormatOf = [](const Paragraph &para) {
        QTextBlockFormat blockFormat;
        blockFormat.setAlignment(para.para.align);
        return blockFormat;
    };
    CharProps last;
    const auto headOf = [&](const Paragraph &para) {
        const Run *first = firstRun(body, para);
        return first ? first->props : last;
    };
    cursor.setBlockFormat(blockFormatOf(paragraphs.front()));
    cursor.setBlockCharFormat(formatOf(headOf(paragraphs.front())));
    cursor.insertText(all, formats[base].second);

    QTextList *list = nullptr;
    int blockStart = 0;
    QTextBlock block = document.begin();
    for (std::size_t p = 0; p < paragraphs.size() && block.isValid(); ++p, block = block.next()) {
        const Paragraph &para = paragraphs[p];
        const CharProps head = headOf(para);
        if (p > 0 && para.para.align != paragraphs.front().para.align) {
            cursor.setPosition(blockStart);
            cursor.setBlockFormat(blockFormatOf(para));
        }
        if (p > 0 && !(head == baseProps)) {
            cursor.setPosition(blockStart);
            cursor.setBlockCharFormat(formatOf(head));
        }
        // Every bullet paragraph joins the one list: a disc list draws each item alike,
        // together or apart, and each list is an object to make and later destroy.
        if (para.bullet) {
            if (list) {
                list->add(block);
            } else {
                QTextListFormat listFormat;
                listFormat.setStyle(QTextListFormat::ListDisc);
                cursor.setPosition(blockStart);
                list = cursor.createList(listFormat);
            }
        }
        int position = blockStart;
        forEachRun(para, body.runs, [&](const Run &run) {
            if (!(run.props == baseProps)) {
                cursor.setPosition(position);
                cursor.setPosition(position + int(run.size), QTextCursor::KeepAnchor);
                cursor.setCharFormat(formatOf(run.props));
            }
            position += int(run.size);
            last = run.props;
        });
        blockStart = position + 1;
    }
    cursor.endEditBlock();
    document.setUndoRedoEnabled(undo);
}

} // namespace

void readRtf(QByteArrayView bytes, QTextDocument &into)
{
    Body body = parse(bytes);
    build(body, body.fonts, into);
}

QString plainTextForTerminal(const QTextDocument &document)
{
    QString out;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (const QTextList *list = block.textList()) {
            const QTextListFormat::Style style = list->format().style();
            if (style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle
                || style == QTextListFormat::ListSquare)
                out += QStringLiteral("* ");
            else
                out += list->itemText(block) + QLatin1Char(' ');
        }
        QString text = block.text();
        text.replace(QChar(QChar::LineSeparator), QLatin1Char('\n'));
        out += text;
        out += QLatin1Char('\n');
    }
    return out;
}
