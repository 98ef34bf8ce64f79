#include "RtfCodec.h"

#include "Cp1252.h"

#include <QFont>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

#include <cmath>

namespace {

// What a reader assumes before the first control word: font 0, 12 points, no styles.
constexpr int kDefaultHalfPoints = 24;

struct CharState
{
    int font = 0;
    int halfPoints = kDefaultHalfPoints;
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

enum class Align { Left, Center, Right, Justify };

Align alignOf(const QTextBlockFormat &format)
{
    const Qt::Alignment h = format.alignment() & Qt::AlignHorizontal_Mask;
    if (h & Qt::AlignHCenter)
        return Align::Center;
    if (h & Qt::AlignJustify)
        return Align::Justify;
    if (h & (Qt::AlignRight | Qt::AlignTrailing))
        return Align::Right;
    return Align::Left;
}

bool isBulletStyle(QTextListFormat::Style style)
{
    return style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle
        || style == QTextListFormat::ListSquare;
}

class Writer
{
public:
    explicit Writer(const QTextDocument &document) : m_document(document) {}

    QByteArray write()
    {
        collectFonts();
        m_out.reserve(1024);
        m_out += "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl";
        for (qsizetype i = 0; i < m_fonts.size(); ++i) {
            m_out += "{\\f";
            m_out += QByteArray::number(i);
            m_needDelimiter = true;
            QString name = m_fonts.at(i);
            name.remove(QLatin1Char(';'));
            text(name);
            m_out += ";}";
        }
        m_out += "}\n";
        m_needDelimiter = false;

        for (QTextBlock block = m_document.begin(); block.isValid(); block = block.next())
            paragraph(block);
        m_out += '}';
        return m_out;
    }

private:
    QString familyOf(const QTextCharFormat &format) const
    {
        const QStringList families = format.fontFamilies().toStringList();
        if (!families.isEmpty() && !families.first().isEmpty())
            return families.first();
        return m_document.defaultFont().family();
    }

    void collectFonts()
    {
        for (QTextBlock block = m_document.begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QString family = familyOf(it.fragment().charFormat());
                if (!m_fonts.contains(family))
                    m_fonts.append(family);
            }
        }
        if (m_fonts.isEmpty())
            m_fonts.append(m_document.defaultFont().family());
    }

    CharState stateOf(const QTextCharFormat &format) const
    {
        const QFont base = m_document.defaultFont();
        CharState s;
        s.font = int(m_fonts.indexOf(familyOf(format)));
        double points = format.fontPointSize();
        if (points <= 0)
            points = base.pointSizeF() > 0 ? base.pointSizeF() : kDefaultHalfPoints / 2.0;
        s.halfPoints = qBound(2, int(std::lround(points * 2)), 3276);
        const int weight = format.hasProperty(QTextFormat::FontWeight) ? format.fontWeight()
                                                                       : int(base.weight());
        s.bold = weight >= QFont::DemiBold;
        s.italic = format.hasProperty(QTextFormat::FontItalic) ? format.fontItalic()
                                                               : base.italic();
        if (format.hasProperty(QTextFormat::TextUnderlineStyle))
            s.underline = format.underlineStyle() != QTextCharFormat::NoUnderline;
        else if (format.hasProperty(QTextFormat::FontUnderline))
            s.underline = format.fontUnderline();
        else
            s.underline = base.underline();
        return s;
    }

    void paragraph(const QTextBlock &block)
    {
        const QTextList *list = block.textList();
        const bool bullet = list && isBulletStyle(list->format().style());
        const Align align = alignOf(block.blockFormat());

        if (bullet != m_bullet) {
            if (bullet) {
                // Readers that know lists take the \pn group; older ones show the \pntext.
                m_out += "{\\*\\pn\\pnlvlblt{\\pntxtb\\'95}}";
                word("fi", -360);
                word("li", 360);
            } else {
                word("pard");
                m_align = Align::Left;
            }
            m_bullet = bullet;
        }
        if (align != m_align) {
            static const char *const names[] = {"ql", "qc", "qr", "qj"};
            word(names[int(align)]);
            m_align = align;
        }
        if (bullet) {
            m_out += "{\\pntext\\'95\\tab}";
            m_needDelimiter = false;
        } else if (list) {
            // Numbered lists are not part of a body's formatting: keep their numbers as text.
            text(list->itemText(block));
            word("tab");
        }

        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            characterFormat(stateOf(fragment.charFormat()));
            text(fragment.text());
        }
        word("par");
        m_out += '\n';
        m_needDelimiter = false;
    }

    void characterFormat(const CharState &s)
    {
        if (s.font != m_char.font)
            word("f", s.font);
        if (s.halfPoints != m_char.halfPoints)
            word("fs", s.halfPoints);
        if (s.bold != m_char.bold)
            word(s.bold ? "b" : "b0");
        if (s.italic != m_char.italic)
            word(s.italic ? "i" : "i0");
        if (s.underline != m_char.underline)
            word(s.underline ? "ul" : "ulnone");
        m_char = s;
    }

    void word(const char *name)
    {
        m_out += '\\';
        m_out += name;
        m_needDelimiter = true;
    }

    void word(const char *name, int value)
    {
        word(name);
        m_out += QByteArray::number(value);
    }

    // A control word ends at the first character that cannot continue it; a space is
    // needed only before a letter, a digit, a hyphen or a space of the text.
    void literal(char c)
    {
        if (m_needDelimiter
            && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
                || c == ' ' || c == '-'))
            m_out += ' ';
        m_out += c;
        m_needDelimiter = false;
    }

    void symbol(const char *escaped)
    {
        m_out += escaped;
        m_needDelimiter = false;
    }

    void unicode(char16_t unit)
    {
        // \u takes a signed 16-bit number; the '?' is what readers without \u show.
        word("u", int(int16_t(unit)));
        m_out += '?';
        m_needDelimiter = false;
    }

    static bool isPlain(char16_t c)
    {
        return c >= 0x20 && c < 0x7F && c != u'\\' && c != u'{' && c != u'}';
    }

    void text(QStringView chars)
    {
        for (qsizetype i = 0; i < chars.size(); ++i) {
            const char16_t c = chars[i].unicode();
            switch (c) {
            case u'\\': symbol("\\\\"); continue;
            case u'{': symbol("\\{"); continue;
            case u'}': symbol("\\}"); continue;
            case u'\t': word("tab"); continue;
            case u'\n':
            case 0x2028: word("line"); continue;
            case 0x00A0: symbol("\\~"); continue;
            case 0x00AD: symbol("\\-"); continue;
            case 0x2011: symbol("\\_"); continue;
            case 0xFFFC: continue; // an embedded object has no place in a body
            default: break;
            }
            if (c < 0x20 || c == 0x7F)
                continue;
            if (c < 0x7F) {
                literal(char(c));
                // The rest of a run of plain characters is copied as it is.
                qsizetype end = i + 1;
                while (end < chars.size() && isPlain(chars[end].unicode()))
                    ++end;
                if (end > i + 1) {
                    const qsizetype at = m_out.size();
                    m_out.resize(at + (end - i - 1));
                    char *out = m_out.data() + at;
                    for (qsizetype k = i + 1; k < end; ++k)
                        *out++ = char(chars[k].unicode());
                    i = end - 1;
                }
                continue;
            }
            if (QChar::isHighSurrogate(c) && i + 1 < chars.size()
                && chars[i + 1].isLowSurrogate()) {
                unicode(c);
                unicode(chars[i + 1].unicode());
                ++i;
                continue;
            }
            if (QChar::isSurrogate(c)) {
                literal('?');
                continue;
            }
            if (const auto byte = unicodeToCp1252(c)) {
                static const char hex[] = "0123456789abcdef";
                m_out += "\\'";
                m_out += hex[*byte >> 4];
                m_out += hex[*byte & 0xF];
                m_needDelimiter = false;
                continue;
            }
            unicode(c);
        }
    }

    const QTextDocument &m_document;
    QStringList m_fonts;
    QByteArray m_out;
    bool m_needDelimiter = false;
    CharState m_char;
    Align m_align = Align::Left;
    bool m_bullet = false;
};

} // namespace

QByteArray writeRtf(const QTextDocument &document)
{
    return Writer(document).write();
}
