#include "RtfBody.h"

#include "Cp1252.h"
#include "RtfCodePages.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <climits>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace rtf {

namespace {

// Deeper groups are skipped whole: no real document nests this far, and the saved states
// of a hostile one must not grow without bound.
constexpr std::size_t kMaxDepth = 256;
constexpr int kMaxParam = 1'000'000'000;

enum class Dest : unsigned char {
    Text,      // the document's own text
    Skip,      // a destination whose text is not part of the body
    FontTable,
    Marker,    // \pntext or \listtext: the bullet or number drawn before a list paragraph
    Numbering, // \pn: the kind of list the paragraph belongs to
};

struct GroupState
{
    CharProps chr;
    ParaProps para;
    Dest dest = Dest::Text;
    int uc = 1;
};

enum class Kw : unsigned char {
    Dest, FontTable, Marker, Numbering, // group destinations
    Char, Par, Line, Tab, SectionBreak,
    Bold, Italic, Underline, UnderlineNone, Hidden, Plain, Font, FontSize, DefaultFont,
    Pard, Left, Center, Right, Justify, ListId, PnBullet, PnNumbered,
    Unicode, UnicodeSkip, Binary, AnsiCodePage, FontCharset, FontCodePage,
};

struct Keyword
{
    Kw kind;
    char16_t ch = 0;
};

// Control words are short: a plain FNV-1a hash is quicker than the library's for them.
struct WordHash
{
    std::size_t operator()(std::string_view word) const
    {
        std::size_t h = 2166136261u;
        for (const char c : word)
            h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
        return h;
    }
};

using KeywordTable = std::unordered_map<std::string_view, Keyword, WordHash>;

const KeywordTable &keywords()
{
    static const KeywordTable table = [] {
        KeywordTable t;
        for (const char *name :
             {"colortbl", "stylesheet", "info", "header", "headerl", "headerr", "headerf",
              "footer", "footerl", "footerr", "footerf", "footnote", "pict", "object",
              "listtable", "listoverridetable", "revtbl", "rsidtbl", "filetbl", "xmlnstbl",
              "fldinst", "nonshppict", "shp", "shpinst", "annotation", "atnid", "atnauthor",
              "xe", "tc", "txe", "pntxta", "pntxtb", "template", "docvar", "bkmkstart",
              "bkmkend", "datastore", "themedata", "colorschememapping", "latentstyles"})
            t.emplace(name, Keyword{Kw::Dest});
        t.emplace("fonttbl", Keyword{Kw::FontTable});
        t.emplace("pntext", Keyword{Kw::Marker});
        t.emplace("listtext", Keyword{Kw::Marker});
        t.emplace("pn", Keyword{Kw::Numbering});
        const std::pair<const char *, char16_t> chars[] = {
            {"emdash", 0x2014}, {"endash", 0x2013}, {"bullet", 0x2022},
            {"lquote", 0x2018}, {"rquote", 0x2019}, {"ldblquote", 0x201C},
            {"rdblquote", 0x201D}, {"emspace", 0x2003}, {"enspace", 0x2002},
            {"qmspace", 0x2005}, {"zwj", 0x200D}, {"zwnj", 0x200C},
        };
        for (const auto &[name, ch] : chars)
            t.emplace(name, Keyword{Kw::Char, ch});
        t.emplace("par", Keyword{Kw::Par});
        t.emplace("row", Keyword{Kw::Par});
        t.emplace("line", Keyword{Kw::Line});
        t.emplace("tab", Keyword{Kw::Tab});
        t.emplace("cell", Keyword{Kw::Tab});
        t.emplace("nestcell", Keyword{Kw::Tab});
        t.emplace("sect", Keyword{Kw::SectionBreak});
        t.emplace("page", Keyword{Kw::SectionBreak});
        t.emplace("b", Keyword{Kw::Bold});
        t.emplace("i", Keyword{Kw::Italic});
        for (const char *name :
             {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash",
              "ulth", "ulthd", "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash",
              "ululdbwave", "ulw", "ulwave"})
            t.emplace(name, Keyword{Kw::Underline});
        t.emplace("ulnone", Keyword{Kw::UnderlineNone});
        t.emplace("v", Keyword{Kw::Hidden});
        t.emplace("plain", Keyword{Kw::Plain});
        t.emplace("f", Keyword{Kw::Font});
        t.emplace("fs", Keyword{Kw::FontSize});
        t.emplace("deff", Keyword{Kw::DefaultFont});
        t.emplace("pard", Keyword{Kw::Pard});
        t.emplace("ql", Keyword{Kw::Left});
        t.emplace("qc", Keyword{Kw::Center});
        t.emplace("qr", Keyword{Kw::Right});
        t.emplace("qj", Keyword{Kw::Justify});
        t.emplace("qd", Keyword{Kw::Justify});
        t.emplace("ls", Keyword{Kw::ListId});
        t.emplace("pnlvlblt", Keyword{Kw::PnBullet});
        for (const char *name : {"pnlvlbody", "pnlvl", "pnlvlcont"})
            t.emplace(name, Keyword{Kw::PnNumbered});
        t.emplace("u", Keyword{Kw::Unicode});
        t.emplace("uc", Keyword{Kw::UnicodeSkip});
        t.emplace("bin", Keyword{Kw::Binary});
        t.emplace("ansicpg", Keyword{Kw::AnsiCodePage});
        t.emplace("fcharset", Keyword{Kw::FontCharset});
        t.emplace("cpg", Keyword{Kw::FontCodePage});
        return t;
    }();
    return table;
}

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c)
{
    if (c <= '9')
        return c - '0';
    return (c | 0x20) - 'a' + 10;
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A list marker that is one symbol (•, ·, o, a dash, a private-use glyph of a symbol font)
// stands for a bullet; anything else, such as "1." or "a)", is numbering.
bool isBulletMarker(const QString &marker)
{
    const QString m = marker.trimmed();
    if (m.isEmpty())
        return true;
    if (m.size() != 1)
        return false;
    const QChar c = m.at(0);
    return c == QLatin1Char('o') || !c.isLetterOrNumber();
}

class Parser
{
public:
    Parser(const char *begin, const char *end) : m_p(begin), m_end(end)
    {
        // No byte of RTF makes more than one character of text.
        m_body.text.reserve(end - begin);
    }

    Body parse()
    {
        while (m_p < m_end) {
            const char c = *m_p;
            if (c == '{') {
                ++m_p;
                m_skipFallback = 0;
                m_lead = -1;
                pushGroup();
            } else if (c == '}') {
                ++m_p;
                m_skipFallback = 0;
                m_lead = -1;
                if (popGroup())
                    break;
            } else if (c == '\\') {
                ++m_p;
                control();
            } else {
                ++m_p;
                if (c == '\r' || c == '\n' || m_overflow > 0)
                    continue;
                if (m_skipFallback > 0) {
                    --m_skipFallback;
                    continue;
                }
                if (m_state.dest == Dest::Text && isPlainByte(c)) {
                    // Most of a body is runs of plain characters: take each run at once.
                    text();
                    continue;
                }
                byte(static_cast<unsigned char>(c));
            }
        }
        if (hasContent() || m_body.paragraphs.empty())
            endParagraph();
        return std::move(m_body);
    }

    QHash<int, QString> fonts() const { return m_fonts; }

private:
    void pushGroup()
    {
        if (m_overflow > 0 || m_stack.size() >= kMaxDepth) {
            ++m_overflow;
            return;
        }
        m_stack.push_back(m_state);
        m_starred = false;
    }

    // True when the group that closed was the document itself.
    bool popGroup()
    {
        if (m_overflow > 0) {
            --m_overflow;
            return false;
        }
        if (m_stack.empty())
            return true;
        // The last paragraph may end with the document, under the document's own state.
        if (m_stack.size() == 1)
            return true;
        const GroupState inner = m_state;
        m_state = m_stack.back();
        m_stack.pop_back();
        if (inner.dest == Dest::FontTable)
            commitFontName();
        if (inner.dest == Dest::Numbering && inner.para.pn != ListKind::None)
            m_state.para.pn = inner.para.pn;
        return false;
    }

    bool inDocumentGroup() const { return m_stack.size() <= 1; }

    void control()
    {
        if (m_p >= m_end)
            return;
        const char c = *m_p;
        if (c != '\'')
            m_lead = -1; // only in broken input does a token part a lead byte from its trail
        if (isLetter(c)) {
            controlWord();
            return;
        }
        ++m_p;
        if (c == '\'') {
            int value = 0;
            int digits = 0;
            while (digits < 2 && m_p < m_end && isHex(*m_p)) {
                value = value * 16 + hexValue(*m_p);
                ++m_p;
                ++digits;
            }
            if (m_overflow > 0 || digits == 0)
                return;
            if (m_skipFallback > 0) {
                --m_skipFallback;
                return;
            }
            byte(static_cast<unsigned char>(value));
            return;
        }
        if (m_overflow > 0)
            return;
        if (c == '*') {
            m_starred = true;
            return;
        }
        if (m_skipFallback > 0) {
            --m_skipFallback;
            return;
        }
        m_starred = false;
        switch (c) {
        case '\\':
        case '{':
        case '}': put(char16_t(c)); break;
        case '~': put(0x00A0); break;
        case '-': put(0x00AD); break;
        case '_': put(0x2011); break;
        case '\r':
        case '\n':
            if (m_state.dest == Dest::Text)
                endParagraph();
            break;
        default: break; // \| \: and unknown symbols
        }
    }

    void controlWord()
    {
        const char *nameBegin = m_p;
        while (m_p < m_end && isLetter(*m_p))
            ++m_p;
        const std::string_view name(nameBegin, std::size_t(m_p - nameBegin));
        bool hasParam = false;
        bool negative = false;
        long long param = 0;
        if (m_p < m_end && *m_p == '-' && m_p + 1 < m_end && m_p[1] >= '0' && m_p[1] <= '9') {
            negative = true;
            ++m_p;
        }
        while (m_p < m_end && *m_p >= '0' && *m_p <= '9') {
            hasParam = true;
            if (param < kMaxParam)
                param = param * 10 + (*m_p - '0');
            ++m_p;
        }
        if (m_p < m_end && *m_p == ' ')
            ++m_p;
        const int value = int(std::min<long long>(param, kMaxParam)) * (negative ? -1 : 1);

        const bool starred = m_starred;
        m_starred = false;
        const auto &table = keywords();
        const auto found = table.find(name);

        if (found != table.end() && found->second.kind == Kw::Binary) {
            // The binary bytes are skipped whatever state we are in; they are not RTF.
            const long long n = hasParam && !negative ? value : 0;
            m_p += std::min<long long>(n, m_end - m_p);
            return;
        }
        if (m_overflow > 0)
            return;
        if (m_skipFallback > 0) {
            --m_skipFallback;
            return;
        }
        const bool destination = found != table.end()
            && (found->second.kind == Kw::FontTable || found->second.kind == Kw::Marker
                || found->second.kind == Kw::Numbering || found->second.kind == Kw::Dest);
        if (starred && !destination) {
            // An ignorable destination not handled here: its text is not body text.
            setDestination(Dest::Skip);
            return;
        }
        if (found == table.end())
            return;
        const Keyword kw = found->second;
        const bool on = !hasParam || value != 0;
        switch (kw.kind) {
        case Kw::Dest: setDestination(Dest::Skip); break;
        case Kw::FontTable:
            setDestination(Dest::FontTable);
            m_fontNumber = -1;
            m_fontName.clear();
            break;
        case Kw::Marker:
            if (setDestination(Dest::Marker)) {
                m_current.hasMarker = true;
                m_current.marker.clear();
            }
            break;
        case Kw::Numbering:
            if (setDestination(Dest::Numbering))
                m_state.para.pn = ListKind::None;
            break;
        case Kw::Char: put(kw.ch); break;
        case Kw::Par:
            if (m_state.dest == Dest::Text)
                endParagraph();
            break;
        case Kw::Line: put(0x2028); break;
        case Kw::Tab: put(u'\t'); break;
        case Kw::SectionBreak:
            if (m_state.dest == Dest::Text && hasContent())
                endParagraph();
            break;
        case Kw::Bold: m_state.chr.bold = on; break;
        case Kw::Italic: m_state.chr.italic = on; break;
        case Kw::Underline: m_state.chr.underline = on; break;
        case Kw::UnderlineNone: m_state.chr.underline = false; break;
        case Kw::Hidden: m_state.chr.hidden = on; break;
        case Kw::Plain: m_state.chr = CharProps{m_defaultFont}; break;
        case Kw::Font:
            if (m_state.dest == Dest::FontTable) {
                commitFontName();
                m_fontNumber = value;
                m_fontCodePage = 0;
            } else {
                m_state.chr.font = value;
            }
            break;
        case Kw::FontSize:
            if (value > 0)
                m_state.chr.halfPoints = std::min(value, 3276);
            break;
        case Kw::DefaultFont:
            m_defaultFont = value;
            m_state.chr.font = value;
            break;
        case Kw::Pard: m_state.para = ParaProps{}; break;
        case Kw::Left: m_state.para.align = Qt::AlignLeft; break;
        case Kw::Center: m_state.para.align = Qt::AlignHCenter; break;
        case Kw::Right: m_state.para.align = Qt::AlignRight; break;
        case Kw::Justify: m_state.para.align = Qt::AlignJustify; break;
        case Kw::ListId: m_state.para.listed = value > 0; break;
        case Kw::PnBullet: m_state.para.pn = ListKind::Bullet; break;
        case Kw::PnNumbered: m_state.para.pn = ListKind::Numbered; break;
        case Kw::Unicode: {
            if (!hasParam)
                break;
            int unit = value;
            if (unit < 0)
                unit += 65536;
            if (unit >= 0 && unit <= 0xFFFF) {
                if (unit >= 0x20 || unit == '\t')
                    put(char16_t(unit));
            } else {
                put(QChar::ReplacementCharacter);
            }
            m_skipFallback = m_state.uc;
            break;
        }
        case Kw::UnicodeSkip: m_state.uc = std::clamp(value, 0, 16); break;
        case Kw::Binary: break;
        case Kw::AnsiCodePage:
            m_documentCodePage = CodePage::find(value) ? value : 1252;
            m_codePageFont = kNoFont;
            break;
        case Kw::FontCharset:
            if (m_state.dest == Dest::FontTable)
                m_fontCodePage = codePageOfCharset(value);
            break;
        case Kw::FontCodePage:
            if (m_state.dest == Dest::FontTable && CodePage::find(value))
                m_fontCodePage = value;
            break;
        }
    }

    // The document group itself is never a destination, or one stray word would hide the
    // whole body.
    bool setDestination(Dest dest)
    {
        if (inDocumentGroup() || m_state.dest == Dest::Skip)
            return false;
        m_state.dest = dest;
        return true;
    }

    void byte(unsigned char b)
    {
        // \* marks a destination only when a control word follows it at once.
        m_starred = false;
        if (b < 0x20 || (b == ';' && m_state.dest == Dest::FontTable)) {
            m_lead = -1;
            if (b == '\t')
                put(u'\t');
            else if (b == ';')
                commitFontName();
            return;
        }
        decode(codePage(), b);
    }

    // One byte of text in the code page in force. A lead byte of a double-byte code page
    // waits for its trail, which comes as \'hh or as a plain character; one that cannot
    // be read with its trail is dropped, and the trail read on its own.
    void decode(const CodePage &page, unsigned char b)
    {
        if (m_lead >= 0) {
            const auto lead = static_cast<unsigned char>(m_lead);
            m_lead = -1;
            if (const char16_t ch = page.pair(lead, b)) {
                put(ch);
                return;
            }
        }
        const char16_t ch = page.singles()[b];
        if (ch == 0)
            m_lead = b;
        else
            put(ch);
    }

    // The code page of the font in use, or while the font table is read, of the font
    // being declared: its name is written in it.
    const CodePage &codePage()
    {
        if (m_state.dest == Dest::FontTable)
            return codePageNumbered(m_fontCodePage);
        if (m_state.chr.font != m_codePageFont) {
            const auto found = m_fontCodePages.find(m_state.chr.font);
            m_codePage = &codePageNumbered(found == m_fontCodePages.end() ? 0 : found->second);
            m_codePageFont = m_state.chr.font;
        }
        return *m_codePage;
    }

    const CodePage &codePageNumbered(int number) const
    {
        const CodePage *page = CodePage::find(number == 0 ? m_documentCodePage : number);
        return page ? *page : CodePage::windows1252();
    }

    static bool isPlainByte(char c)
    {
        static constexpr auto plain = [] {
            std::array<bool, 256> t{};
            for (int b = 0x20; b < 256; ++b)
                t[b] = b != '\\' && b != '{' && b != '}' && b != 0x7F;
            return t;
        }();
        return plain[static_cast<unsigned char>(c)];
    }

    // Control characters, and those the document model reads as structure or objects, are
    // not text.
    static bool isText(char16_t ch)
    {
        return !((ch < 0x20 && ch != u'\t') || ch == 0x7F || (ch >= 0xFDD0 && ch <= 0xFDEF) || ch == 0xFFFC
                 || ch == 0xFFFE || ch == 0xFFFF);
    }

    // The text of the current run grows by the plain bytes from the one just read on.
    void text()
    {
        m_starred = false;
        const char *begin = m_p - 1;
        const CodePage &page = codePage();
        if (page.doubleByte() || m_state.chr.hidden) {
            while (m_p < m_end && isPlainByte(*m_p))
                ++m_p;
            if (page.doubleByte()) {
                for (const char *p = begin; p < m_p; ++p)
                    decode(page, static_cast<unsigned char>(*p));
            }
            return;
        }
        // Room for every byte left, as no byte makes more than one character; what the run
        // does not take is given back at once. Within the reserved capacity this costs nothing.
        Run &run = currentRun();
        QString &all = m_body.text;
        const qsizetype at = all.size();
        all.resize(at + (m_end - begin));
        char16_t *const first = reinterpret_cast<char16_t *>(all.data()) + at;
        char16_t *out = first;
        const char16_t *singles = page.singles();
        const char *p = begin;
        for (; p < m_end && isPlainByte(*p); ++p)
            *out++ = singles[static_cast<unsigned char>(*p)];
        m_p = p;
        all.resize(at + (out - first));
        run.size += out - first;
        if (std::any_of(first, out, [](char16_t ch) { return ch != u' '; })) {
            m_textPara = m_state.para;
            m_textDepth = m_stack.size();
        }
    }

    void put(char16_t ch)
    {
        if (!isText(ch))
            return;
        if (ch == 0x2029)
            ch = 0x2028;
        // A marker's text may become a numbered paragraph's text too.
        m_body.surrogates = m_body.surrogates || QChar::isSurrogate(ch);
        switch (m_state.dest) {
        case Dest::Text:
            if (m_state.chr.hidden)
                return;
            if (ch != u' ') {
                m_textPara = m_state.para;
                m_textDepth = m_stack.size();
            }
            ++currentRun().size;
            m_body.text.append(QChar(ch));
            break;
        case Dest::FontTable:
            if (m_fontNumber >= 0)
                m_fontName.append(QChar(ch));
            break;
        case Dest::Marker:
            m_current.marker.append(QChar(ch));
            break;
        case Dest::Skip:
        case Dest::Numbering:
            break;
        }
    }

    void commitFontName()
    {
        if (m_fontNumber >= 0) {
            if (!m_fontName.trimmed().isEmpty())
                m_fonts.insert(m_fontNumber, m_fontName.trimmed());
            if (m_fontCodePage != 0)
                m_fontCodePages[m_fontNumber] = m_fontCodePage;
            else
                m_fontCodePages.erase(m_fontNumber);
            m_codePageFont = kNoFont;
        }
        m_fontNumber = -1;
        m_fontName.clear();
    }

    bool paragraphHasText() const { return m_body.runs.size() > m_current.firstRun; }
    bool hasContent() const { return paragraphHasText() || m_current.hasMarker; }

    // The run that text in the current format goes on: the paragraph's last, or a new one
    // where the format changed. Its text always ends the body's text.
    Run &currentRun()
    {
        if (!paragraphHasText() || !(m_body.runs.back().props == m_state.chr))
            m_body.runs.push_back(Run{m_body.text.size(), 0, m_state.chr});
        return m_body.runs.back();
    }

    void endParagraph()
    {
        // Paragraph properties belong to the paragraph mark, unless they were set in a
        // group around the text that has closed before the mark: the text then shows how
        // the writer meant the paragraph.
        const bool textGroupClosed = paragraphHasText() && m_stack.size() < m_textDepth;
        m_current.para = textGroupClosed ? m_textPara : m_state.para;
        m_current.endRun = m_body.runs.size();
        m_body.paragraphs.push_back(std::move(m_current));
        m_current = Paragraph{};
        m_current.firstRun = m_body.runs.size();
    }

    const char *m_p;
    const char *m_end;
    GroupState m_state;
    std::vector<GroupState> m_stack;
    std::size_t m_overflow = 0;
    bool m_starred = false;
    int m_skipFallback = 0;
    int m_defaultFont = 0;
    QHash<int, QString> m_fonts;
    int m_fontNumber = -1;
    int m_fontCodePage = 0; // of the font being declared; 0: the document's
    QString m_fontName;
    static constexpr int kNoFont = INT_MIN;
    int m_documentCodePage = 1252;
    std::unordered_map<int, int> m_fontCodePages;
    const CodePage *m_codePage = &CodePage::windows1252();
    int m_codePageFont = kNoFont; // whose code page m_codePage is
    int m_lead = -1;              // a lead byte waiting for its trail
    Body m_body;
    Paragraph m_current;
    ParaProps m_textPara;
    std::size_t m_textDepth = 0;
};

// Removes the first n characters of a paragraph's text, across runs.
void dropLeading(Body &body, Paragraph &para, qsizetype n)
{
    forEachRun(para, body.runs, [&](Run &run) {
        const qsizetype take = std::min(n, run.size);
        run.begin += take;
        run.size -= take;
        n -= take;
    });
}

// The first n characters of a paragraph's text, or fewer where it is shorter.
std::u16string leadingText(const Body &body, const Paragraph &para, std::size_t n)
{
    std::u16string s;
    forEachRun(para, body.runs, [&](const Run &run) {
        for (qsizetype i = 0; i < run.size && s.size() < n; ++i)
            s += body.text.at(run.begin + i).unicode();
    });
    return s;
}

// Decides which paragraphs are bullets: list paragraphs whose marker is a bullet, and
// paragraphs of programs that write the bullet as a character followed by a tab.
void settleLists(Body &body)
{
    for (Paragraph &para : body.paragraphs) {
        if (para.hasMarker) {
            para.bullet = isBulletMarker(para.marker);
            if (!para.bullet) {
                const Run *first = firstRun(body, para);
                para.number = Run{body.text.size(), para.marker.size(), first ? first->props : CharProps{}};
                body.text += para.marker;
            }
        } else {
            para.bullet = para.para.pn == ListKind::Bullet || para.para.listed;
        }
        if (!para.bullet) {
            if (leadingText(body, para, 2) == u"\u2022\t") {
                dropLeading(body, para, 2);
                para.bullet = true;
            }
        }
    }
}

Body readPlainText(QByteArrayView bytes)
{
    Body body;
    body.text.reserve(bytes.size());
    Paragraph para;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b == 0)
            break;
        if (b == '\n') {
            para.endRun = body.runs.size();
            body.paragraphs.push_back(para);
            para = Paragraph{};
            para.firstRun = body.runs.size();
            continue;
        }
        if ((b < 0x20 && b != '\t') || b == 0x7F)
            continue;
        if (body.runs.size() == para.firstRun)
            body.runs.push_back(Run{body.text.size(), 0, CharProps{}});
        body.text.append(QChar(cp1252ToUnicode(b)));
        ++body.runs.back().size;
    }
    para.endRun = body.runs.size();
    body.paragraphs.push_back(para);
    return body;
}

} // namespace

const Run *firstRun(const Body &body, const Paragraph &para)
{
    if (para.number.size > 0)
        return &para.number;
    for (std::size_t i = para.firstRun; i < para.endRun; ++i) {
        if (body.runs[i].size > 0)
            return &body.runs[i];
    }
    return nullptr;
}

void repairSurrogates(QString &text, qsizetype begin, qsizetype end)
{
    for (qsizetype i = begin; i < end; ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < end && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate())
            text[i] = QChar(QChar::ReplacementCharacter);
    }
}

Body parse(QByteArrayView bytes)
{
    const char *begin = bytes.data();
    const char *end = begin + bytes.size();
    while (begin < end && (*begin == ' ' || *begin == '\r' || *begin == '\n' || *begin == '\t'))
        ++begin;
    Body body;
    if (end - begin < 5 || std::string_view(begin, 5) != "{\\rtf") {
        body = readPlainText(bytes);
    } else {
        Parser parser(begin, end);
        body = parser.parse();
        body.fonts = parser.fonts();
    }
    settleLists(body);
    return body;
}

QString terminalText(const Body &body)
{
    QString out;
    out.reserve(body.text.size() + qsizetype(body.paragraphs.size()) * 3);
    for (const Paragraph &para : body.paragraphs) {
        if (para.bullet)
            out += QStringLiteral("* ");
        const qsizetype start = out.size();
        forEachRun(para, body.runs, [&](const Run &run) { out += QStringView(body.text).mid(run.begin, run.size); });
        if (body.surrogates)
            repairSurrogates(out, start, out.size());
        for (qsizetype i = start; i < out.size(); ++i) {
            if (out.at(i) == QChar(QChar::LineSeparator))
                out[i] = QLatin1Char('\n');
        }
        out += QLatin1Char('\n');
    }
    return out;
}

} // namespace rtf
