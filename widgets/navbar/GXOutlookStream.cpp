#include "GXOutlookStream.h"

#include "GX_Outlook.h"

#include <QAction>
#include <QFontMetrics>
#include <QMetaProperty>

#include <climits>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

namespace {

QString quoted(const QString &s)
{
    if (s.isEmpty())
        return QStringLiteral("''");
    QString out;
    bool open = false;
    for (QChar ch : s) {
        const ushort u = ch.unicode();
        if (u >= 32 && u < 127) {
            if (!open) {
                out += QLatin1Char('\'');
                open = true;
            }
            out += ch;
            if (ch == QLatin1Char('\''))
                out += ch;
        } else {
            if (open) {
                out += QLatin1Char('\'');
                open = false;
            }
            out += QLatin1Char('#') + QString::number(u);
        }
    }
    if (open)
        out += QLatin1Char('\'');
    return out;
}

QString boolText(bool b)
{
    return b ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

QString writeOutlookList(const TGXCustomOutlookBar &bar)
{
    if (bar.ButtonCount() == 0)
        return {};
    QStringList lines{QStringLiteral("List = (")};
    for (int i = 0; i < bar.ButtonCount(); ++i) {
        const TGXOutlookItems *button = bar.Buttons(i);
        lines << QStringLiteral("  ") + quoted(button->Caption());
        if (button->Count() == 0) {
            lines << QStringLiteral("  <>");
            continue;
        }
        lines << QStringLiteral("  <");
        for (int k = 0; k < button->Count(); ++k) {
            const TGXOutlookItem *item = button->Items(k);
            const QString in = QStringLiteral("      ");
            lines << QStringLiteral("    item");
            // An action without a name cannot be found again when the text is read.
            const QAction *action = item->Action();
            if (action && !action->objectName().isEmpty())
                lines << in + QStringLiteral("Action = ") + action->objectName();
            lines << in + QStringLiteral("Caption = ") + quoted(item->Caption());
            lines << in + QStringLiteral("Enabled = ") + boolText(item->Enabled());
            lines << in + QStringLiteral("ImageIndex = ") + QString::number(item->ImageIndex());
            lines << in + QStringLiteral("Tag = ") + QString::number(item->Tag());
            lines << in + QStringLiteral("Visible = ") + boolText(item->Visible());
            // The bound action's own handler comes back with the action, so only a handler of
            // the item's own is stored.
            const TGXNotifyEvent click = item->OnClick();
            if (!click.Name().isEmpty() && !(action && click.SameCode(actionExecute(action))))
                lines << in + QStringLiteral("OnClick = ") + click.Name();
            lines << QStringLiteral("    end");
        }
        lines.last() += QLatin1Char('>');
    }
    lines.last() += QLatin1Char(')');
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

namespace {

struct ReadError {
    QString message;
};

enum class Tok { End, Ident, Int, Str, Sym };

struct Token {
    Tok kind = Tok::End;
    QString text;
    qint64 number = 0;
    int line = 1;
};

class Lexer
{
public:
    explicit Lexer(const QString &text) : m_s(text) { advance(); }
    const Token &peek() const { return m_tok; }
    Token take()
    {
        Token t = m_tok;
        advance();
        return t;
    }
    [[noreturn]] void fail(const QString &what) const
    {
        throw ReadError{QStringLiteral("line %1: %2").arg(m_tok.line).arg(what)};
    }

private:
    QChar at(qsizetype i) const { return i < m_s.size() ? m_s[i] : QChar(); }
    static bool isHex(QChar c)
    {
        return c.isDigit() || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
               || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
    }

    void skipSpace()
    {
        while (m_i < m_s.size() && m_s[m_i].isSpace()) {
            if (m_s[m_i] == QLatin1Char('\n'))
                ++m_line;
            ++m_i;
        }
    }

    // 'text' and #code pieces, joined directly or by '+' between lines.
    QString readString()
    {
        QString out;
        for (;;) {
            if (at(m_i) == QLatin1Char('\'')) {
                ++m_i;
                for (;;) {
                    if (m_i >= m_s.size())
                        throw ReadError{QStringLiteral("line %1: unterminated string").arg(m_line)};
                    if (m_s[m_i] == QLatin1Char('\'')) {
                        if (at(m_i + 1) == QLatin1Char('\'')) {
                            out += QLatin1Char('\'');
                            m_i += 2;
                            continue;
                        }
                        ++m_i;
                        break;
                    }
                    if (m_s[m_i] == QLatin1Char('\n'))
                        throw ReadError{QStringLiteral("line %1: unterminated string").arg(m_line)};
                    out += m_s[m_i++];
                }
            } else if (at(m_i) == QLatin1Char('#')) {
                ++m_i;
                const qsizetype start = m_i;
                while (at(m_i).isDigit())
                    ++m_i;
                bool ok = false;
                const uint code = m_s.mid(start, m_i - start).toUInt(&ok);
                if (!ok || code > 0xFFFF)
                    throw ReadError{QStringLiteral("line %1: bad character code").arg(m_line)};
                out += QChar(char16_t(code));
            } else {
                const qsizetype save = m_i;
                const int saveLine = m_line;
                skipSpace();
                if (at(m_i) == QLatin1Char('+')) {
                    ++m_i;
                    skipSpace();
                    if (at(m_i) == QLatin1Char('\'') || at(m_i) == QLatin1Char('#'))
                        continue;
                }
                m_i = save;
                m_line = saveLine;
                return out;
            }
        }
    }

    void advance()
    {
        skipSpace();
        m_tok = Token{};
        m_tok.line = m_line;
        if (m_i >= m_s.size())
            return;
        const QChar c = m_s[m_i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('#')) {
            m_tok.kind = Tok::Str;
            m_tok.text = readString();
        } else if (c.isLetter() || c == QLatin1Char('_')) {
            const qsizetype start = m_i;
            while (at(m_i).isLetterOrNumber() || at(m_i) == QLatin1Char('_')
                   || at(m_i) == QLatin1Char('.'))
                ++m_i;
            m_tok.kind = Tok::Ident;
            m_tok.text = m_s.mid(start, m_i - start);
        } else if (c == QLatin1Char('$') && isHex(at(m_i + 1))) {
            // $00BBGGRR colours run up to 32 bits unsigned.
            const qsizetype start = ++m_i;
            while (isHex(at(m_i)))
                ++m_i;
            bool ok = false;
            m_tok.kind = Tok::Int;
            m_tok.text = m_s.mid(start - 1, m_i - start + 1);
            m_tok.number = qint64(m_s.mid(start, m_i - start).toULongLong(&ok, 16));
            if (!ok || m_tok.number > 0xFFFFFFFFLL)
                throw ReadError{QStringLiteral("line %1: bad number").arg(m_line)};
        } else if (c.isDigit() || (c == QLatin1Char('-') && at(m_i + 1).isDigit())) {
            const qsizetype start = m_i;
            ++m_i;
            while (at(m_i).isDigit())
                ++m_i;
            bool ok = false;
            m_tok.kind = Tok::Int;
            m_tok.text = m_s.mid(start, m_i - start);
            m_tok.number = m_tok.text.toLongLong(&ok);
            if (!ok || m_tok.number < INT_MIN || m_tok.number > INT_MAX)
                throw ReadError{QStringLiteral("line %1: bad number").arg(m_line)};
        } else {
            m_tok.kind = Tok::Sym;
            m_tok.text = QString(c);
            ++m_i;
        }
    }

    QString m_s;
    qsizetype m_i = 0;
    int m_line = 1;
    Token m_tok;
};

struct NamedColour {
    const char *name;
    QRgb rgb;
};

// The plain colour names, as 0xRRGGBB (a layout number holds them as $00BBGGRR).
constexpr NamedColour kPlainColours[] = {
    {"clBlack", 0x000000},     {"clMaroon", 0x800000},    {"clGreen", 0x008000},
    {"clOlive", 0x808000},     {"clNavy", 0x000080},      {"clPurple", 0x800080},
    {"clTeal", 0x008080},      {"clGray", 0x808080},      {"clSilver", 0xC0C0C0},
    {"clRed", 0xFF0000},       {"clLime", 0x00FF00},      {"clYellow", 0xFFFF00},
    {"clBlue", 0x0000FF},      {"clFuchsia", 0xFF00FF},   {"clAqua", 0x00FFFF},
    {"clWhite", 0xFFFFFF},     {"clLtGray", 0xC0C0C0},    {"clDkGray", 0x808080},
    {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xA6CAF0},  {"clCream", 0xFFFBF0},
    {"clMedGray", 0xA0A0A4},
};

struct SystemColour {
    const char *name;
    int index; // the low byte of its number, $FF0000nn
    QPalette::ColorRole role;
    QPalette::ColorGroup group;
};

// The bar paints its strips, frames and captions in these roles, so a layout's system colour
// shows as what the bar draws by itself.
constexpr SystemColour kSystemColours[] = {
    {"clBackground", 1, QPalette::Window, QPalette::Active},
    {"clActiveCaption", 2, QPalette::Highlight, QPalette::Active},
    {"clMenu", 4, QPalette::Window, QPalette::Active},
    {"clWindow", 5, QPalette::Base, QPalette::Active},
    {"clWindowFrame", 6, QPalette::Shadow, QPalette::Active},
    {"clMenuText", 7, QPalette::WindowText, QPalette::Active},
    {"clWindowText", 8, QPalette::WindowText, QPalette::Active},
    {"clCaptionText", 9, QPalette::HighlightedText, QPalette::Active},
    {"clAppWorkSpace", 12, QPalette::Mid, QPalette::Active},
    {"clHighlight", 13, QPalette::Highlight, QPalette::Active},
    {"clHighlightText", 14, QPalette::HighlightedText, QPalette::Active},
    {"clBtnFace", 15, QPalette::Button, QPalette::Active},
    {"clBtnShadow", 16, QPalette::Dark, QPalette::Active},
    {"clGrayText", 17, QPalette::Text, QPalette::Disabled},
    {"clBtnText", 18, QPalette::ButtonText, QPalette::Active},
    {"clBtnHighlight", 20, QPalette::Light, QPalette::Active},
    {"cl3DDkShadow", 21, QPalette::Shadow, QPalette::Active},
    {"cl3DLight", 22, QPalette::Midlight, QPalette::Active},
    {"clInfoText", 23, QPalette::ToolTipText, QPalette::Active},
    {"clInfoBk", 24, QPalette::ToolTipBase, QPalette::Active},
};

constexpr quint32 kColourNone = 0x1FFFFFFF;

std::optional<TGXColor> colourNamed(const QString &name)
{
    if (name.compare(QLatin1String("clNone"), Qt::CaseInsensitive) == 0)
        return TGXColor();
    for (const NamedColour &c : kPlainColours)
        if (name.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0)
            return TGXColor(QColor::fromRgb(c.rgb));
    for (const SystemColour &c : kSystemColours)
        if (name.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0)
            return TGXColor::fromRole(c.role, c.group);
    return std::nullopt;
}

// Blue in the high byte; a high byte of $FF (or $80 of older layouts) names a system colour.
std::optional<TGXColor> colourNumbered(quint32 value)
{
    if (value == kColourNone)
        return TGXColor();
    const quint32 high = value >> 24;
    if (high == 0)
        return TGXColor(QColor(int(value & 0xFF), int((value >> 8) & 0xFF),
                               int((value >> 16) & 0xFF)));
    if ((high == 0xFF || high == 0x80) && (value & 0x00FFFF00) == 0)
        for (const SystemColour &c : kSystemColours)
            if (c.index == int(value & 0xFF))
                return TGXColor::fromRole(c.role, c.group);
    return std::nullopt;
}

using BarStep = std::function<void(TGXCustomOutlookBar &)>;
using ItemStep = std::function<void(TGXOutlookItem &)>;
using BarSignal = void (TGXCustomOutlookBar::*)(QObject *);

struct FontProperty {
    const char *name;
    QFont (TGXCustomOutlookBar::*get)() const;
    void (TGXCustomOutlookBar::*set)(const QFont &);
    void (TGXCustomOutlookBar::*setColor)(const TGXColor &);
};

constexpr FontProperty kFonts[] = {
    {"ButtonFont", &TGXCustomOutlookBar::ButtonFont, &TGXCustomOutlookBar::setButtonFont,
     &TGXCustomOutlookBar::setButtonFontColor},
    {"SelectedFont", &TGXCustomOutlookBar::SelectedFont, &TGXCustomOutlookBar::setSelectedFont,
     &TGXCustomOutlookBar::setSelectedFontColor},
    {"ItemHightlightFont", &TGXCustomOutlookBar::ItemHightlightFont,
     &TGXCustomOutlookBar::setItemHightlightFont,
     &TGXCustomOutlookBar::setItemHightlightFontColor},
};

struct ColourProperty {
    const char *name;
    void (TGXCustomOutlookBar::*set)(const TGXColor &);
};

constexpr ColourProperty kColours[] = {
    {"ButtonColor", &TGXCustomOutlookBar::setButtonColor},
    {"Color", &TGXCustomOutlookBar::setColor},
    {"ItemHightlightColor", &TGXCustomOutlookBar::setItemHightlightColor},
};

struct NotifyProperty {
    const char *name;
    BarSignal signal;
};

constexpr NotifyProperty kNotifyEvents[] = {
    {"OnChange", &TGXCustomOutlookBar::OnChange},
    {"OnItemClick", &TGXCustomOutlookBar::OnItemClick},
    {"OnItemTextClick", &TGXCustomOutlookBar::OnItemTextClick},
    {"OnItemTextChange", &TGXCustomOutlookBar::OnItemTextChange},
    {"OnDblClick", &TGXCustomOutlookBar::OnDblClick},
};

// Reads the whole text into steps first; only apply() changes the bar.
class Reader
{
public:
    Reader(const TGXCustomOutlookBar &bar, const QString &text, const TGXStreamNames &names)
        : m_bar(bar), m_lex(text), m_names(names)
    {
    }

    void run()
    {
        while (m_lex.peek().kind != Tok::End) {
            const QString name = ident(QStringLiteral("a property name"));
            symbol(QStringLiteral("="));
            if (name == QLatin1String("List"))
                readList();
            else
                readBarProperty(name);
        }
    }

    // Loading state: values are stored as read, and the bound actions are applied at its end.
    void apply(TGXCustomOutlookBar &bar)
    {
        bar.BeginLoading();
        for (const BarStep &step : m_steps)
            step(bar);
        for (const auto &[item, action] : m_bindings)
            item->setActionLoading(action);
        bar.EndLoading();
        for (const auto &[signal, handler] : m_notify)
            QObject::connect(&bar, signal, &bar, [h = handler](QObject *sender) { h(sender); });
    }

private:
    QString ident(const QString &what)
    {
        if (m_lex.peek().kind != Tok::Ident)
            m_lex.fail(QStringLiteral("expected ") + what);
        return m_lex.take().text;
    }

    void symbol(const QString &s)
    {
        if (!atSymbol(s))
            m_lex.fail(QStringLiteral("expected ") + s);
        m_lex.take();
    }

    bool atSymbol(const QString &s) const
    {
        return m_lex.peek().kind == Tok::Sym && m_lex.peek().text == s;
    }

    QString string()
    {
        if (m_lex.peek().kind != Tok::Str)
            m_lex.fail(QStringLiteral("expected a string"));
        return m_lex.take().text;
    }

    int integer()
    {
        const Token &t = m_lex.peek();
        if (t.kind != Tok::Int || t.number < INT_MIN || t.number > INT_MAX)
            m_lex.fail(QStringLiteral("expected a number"));
        return int(m_lex.take().number);
    }

    bool boolean()
    {
        const Token &t = m_lex.peek();
        const auto is = [&t](const char *word) {
            return t.kind == Tok::Ident
                   && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
        };
        if (!is("True") && !is("False"))
            m_lex.fail(QStringLiteral("expected True or False"));
        const bool value = is("True");
        m_lex.take();
        return value;
    }

    TGXColor colour()
    {
        const Token &t = m_lex.peek();
        std::optional<TGXColor> c;
        if (t.kind == Tok::Ident)
            c = colourNamed(t.text);
        else if (t.kind == Tok::Int)
            c = colourNumbered(quint32(t.number & 0xFFFFFFFF));
        if (!c)
            m_lex.fail(QStringLiteral("unknown colour %1").arg(t.text));
        m_lex.take();
        return *c;
    }

    static bool resolved(const QObject *object) { return object != nullptr; }
    static bool resolved(const TGXNotifyEvent &handler) { return handler.Assigned(); }
    static bool resolved(const TGXOutlookChangingEvent &handler) { return bool(handler); }

    // A name the caller resolves; one that does not resolve fails the whole read.
    template<typename T>
    T resolve(const std::function<T(const QString &)> &resolver, const QString &what)
    {
        const int line = m_lex.peek().line;
        const QString name = ident(what + QStringLiteral(" name"));
        T value = resolver ? resolver(name) : T();
        if (!resolved(value))
            throw ReadError{QStringLiteral("line %1: %2 %3 not found").arg(line).arg(what, name)};
        return value;
    }

    void readBarProperty(const QString &name)
    {
        for (const ColourProperty &p : kColours)
            if (name == QLatin1String(p.name)) {
                const TGXColor c = colour();
                m_steps.push_back([set = p.set, c](TGXCustomOutlookBar &bar) { (bar.*set)(c); });
                return;
            }
        for (const FontProperty &p : kFonts)
            if (name.startsWith(QLatin1String(p.name) + QLatin1Char('.'))) {
                readFontProperty(p, name.mid(qsizetype(qstrlen(p.name)) + 1));
                return;
            }
        for (const NotifyProperty &p : kNotifyEvents)
            if (name == QLatin1String(p.name)) {
                m_notify.emplace_back(p.signal,
                                      resolve(m_names.handler, QStringLiteral("handler")));
                return;
            }
        if (name == QLatin1String("Images")) {
            TGXImageList *images = resolve(m_names.images, QStringLiteral("image list"));
            m_steps.push_back([images](TGXCustomOutlookBar &bar) { bar.setImages(images); });
            return;
        }
        if (name == QLatin1String("OnChanging")) {
            TGXOutlookChangingEvent handler = resolve(m_names.changing, QStringLiteral("handler"));
            m_steps.push_back([handler](TGXCustomOutlookBar &bar) { bar.setOnChanging(handler); });
            return;
        }
        readSimpleProperty(name);
    }

    // Numbers, True/False and enumeration names of the bar's published properties.
    void readSimpleProperty(const QString &name)
    {
        const int line = m_lex.peek().line;
        const QMetaObject *meta = m_bar.metaObject();
        const int index = meta->indexOfProperty(name.toLatin1().constData());
        if (index < 0 || !meta->property(index).isWritable())
            throw ReadError{QStringLiteral("line %1: cannot set %2").arg(line).arg(name)};
        const QMetaProperty property = meta->property(index);
        QVariant value;
        if (property.isEnumType()) {
            const QString key = ident(QStringLiteral("a value of ") + name);
            bool ok = false;
            property.enumerator().keyToValue(key.toLatin1().constData(), &ok);
            if (!ok)
                throw ReadError{
                    QStringLiteral("line %1: %2 is no value of %3").arg(line).arg(key, name)};
            value = key;
        } else if (property.metaType().id() == QMetaType::Bool) {
            value = boolean();
        } else if (property.metaType().id() == QMetaType::Int) {
            value = integer();
        } else {
            throw ReadError{QStringLiteral("line %1: cannot set %2").arg(line).arg(name)};
        }
        m_steps.push_back(
            [property, value](TGXCustomOutlookBar &bar) { property.write(&bar, value); });
    }

    void readFontProperty(const FontProperty &font, const QString &field)
    {
        const int line = m_lex.peek().line;
        std::function<void(QFont &)> change;
        if (field == QLatin1String("Color")) {
            const TGXColor c = colour();
            m_steps.push_back(
                [set = font.setColor, c](TGXCustomOutlookBar &bar) { (bar.*set)(c); });
            return;
        }
        if (field == QLatin1String("Charset")) {
            // Qt finds the characters' script itself; the value is only checked.
            const Token &t = m_lex.peek();
            const bool ok = (t.kind == Tok::Ident && t.text.endsWith(QLatin1String("_CHARSET")))
                            || (t.kind == Tok::Int && t.number >= 0 && t.number <= 255);
            if (!ok)
                m_lex.fail(QStringLiteral("expected a character set"));
            m_lex.take();
            return;
        }
        if (field == QLatin1String("Height")) {
            const int height = integer();
            if (height == 0)
                throw ReadError{QStringLiteral("line %1: bad font height").arg(line)};
            change = [height](QFont &f) {
                // Negative: the characters' own height; positive: the cell's, leading included.
                f.setPixelSize(std::abs(height));
                if (height > 0)
                    while (f.pixelSize() > 1 && QFontMetrics(f).height() > height)
                        f.setPixelSize(f.pixelSize() - 1);
            };
        } else if (field == QLatin1String("Size")) {
            const int points = integer();
            if (points <= 0)
                throw ReadError{QStringLiteral("line %1: bad font size").arg(line)};
            change = [points](QFont &f) { f.setPointSize(points); };
        } else if (field == QLatin1String("Name")) {
            const QString family = string();
            change = [family](QFont &f) { f.setFamily(family); };
        } else if (field == QLatin1String("Pitch")) {
            const QString pitch = ident(QStringLiteral("a pitch"));
            if (pitch != QLatin1String("fpDefault") && pitch != QLatin1String("fpVariable")
                && pitch != QLatin1String("fpFixed"))
                throw ReadError{QStringLiteral("line %1: unknown pitch %2").arg(line).arg(pitch)};
            const bool fixed = pitch == QLatin1String("fpFixed");
            change = [fixed](QFont &f) { f.setFixedPitch(fixed); };
        } else if (field == QLatin1String("Style")) {
            bool bold = false, italic = false, underline = false, strikeOut = false;
            symbol(QStringLiteral("["));
            while (!atSymbol(QStringLiteral("]"))) {
                const QString style = ident(QStringLiteral("a font style"));
                if (style == QLatin1String("fsBold"))
                    bold = true;
                else if (style == QLatin1String("fsItalic"))
                    italic = true;
                else if (style == QLatin1String("fsUnderline"))
                    underline = true;
                else if (style == QLatin1String("fsStrikeOut"))
                    strikeOut = true;
                else
                    throw ReadError{
                        QStringLiteral("line %1: unknown font style %2").arg(line).arg(style)};
                if (!atSymbol(QStringLiteral("]")))
                    symbol(QStringLiteral(","));
            }
            symbol(QStringLiteral("]"));
            change = [=](QFont &f) {
                f.setBold(bold);
                f.setItalic(italic);
                f.setUnderline(underline);
                f.setStrikeOut(strikeOut);
            };
        } else {
            throw ReadError{QStringLiteral("line %1: cannot set %2.%3")
                                .arg(line)
                                .arg(QLatin1String(font.name), field)};
        }
        m_steps.push_back([font, change](TGXCustomOutlookBar &bar) {
            QFont f = (bar.*font.get)();
            change(f);
            (bar.*font.set)(f);
        });
    }

    struct ItemPlan {
        std::vector<ItemStep> steps;
        QAction *action = nullptr;
    };

    struct ButtonPlan {
        QString caption;
        std::vector<ItemPlan> items;
    };

    void readList()
    {
        std::vector<ButtonPlan> buttons;
        symbol(QStringLiteral("("));
        while (!atSymbol(QStringLiteral(")"))) {
            ButtonPlan &button = buttons.emplace_back();
            button.caption = string();
            symbol(QStringLiteral("<"));
            while (!atSymbol(QStringLiteral(">")))
                button.items.push_back(readItem());
            symbol(QStringLiteral(">"));
        }
        symbol(QStringLiteral(")"));
        // Buttons are appended to those already there.
        m_steps.push_back([this, buttons = std::move(buttons)](TGXCustomOutlookBar &bar) {
            for (const ButtonPlan &plan : buttons) {
                TGXOutlookItems *button = bar.AddButton(plan.caption);
                for (const ItemPlan &itemPlan : plan.items) {
                    TGXOutlookItem *item = button->Add();
                    for (const ItemStep &step : itemPlan.steps)
                        step(*item);
                    if (itemPlan.action)
                        m_bindings.emplace_back(item, itemPlan.action);
                }
            }
        });
    }

    ItemPlan readItem()
    {
        const QString word = ident(QStringLiteral("item"));
        if (word != QLatin1String("item"))
            m_lex.fail(QStringLiteral("expected item"));
        ItemPlan plan;
        for (;;) {
            const QString name = ident(QStringLiteral("a property name or end"));
            if (name == QLatin1String("end"))
                return plan;
            symbol(QStringLiteral("="));
            if (name == QLatin1String("Action")) {
                plan.action = resolve(m_names.action, QStringLiteral("action"));
            } else if (name == QLatin1String("Caption")) {
                plan.steps.push_back([v = string()](TGXOutlookItem &i) { i.setCaption(v); });
            } else if (name == QLatin1String("Enabled")) {
                plan.steps.push_back([v = boolean()](TGXOutlookItem &i) { i.setEnabled(v); });
            } else if (name == QLatin1String("ImageIndex")) {
                plan.steps.push_back([v = integer()](TGXOutlookItem &i) { i.setImageIndex(v); });
            } else if (name == QLatin1String("Tag")) {
                plan.steps.push_back([v = integer()](TGXOutlookItem &i) { i.setTag(v); });
            } else if (name == QLatin1String("Visible")) {
                plan.steps.push_back([v = boolean()](TGXOutlookItem &i) { i.setVisible(v); });
            } else if (name == QLatin1String("OnClick")) {
                const TGXNotifyEvent handler = resolve(m_names.handler, QStringLiteral("handler"));
                plan.steps.push_back([handler](TGXOutlookItem &i) { i.setOnClick(handler); });
            } else {
                m_lex.fail(QStringLiteral("unknown item property %1").arg(name));
            }
        }
    }

    const TGXCustomOutlookBar &m_bar;
    Lexer m_lex;
    const TGXStreamNames &m_names;
    std::vector<BarStep> m_steps;
    std::vector<std::pair<TGXOutlookItem *, QAction *>> m_bindings;
    std::vector<std::pair<BarSignal, TGXNotifyEvent>> m_notify;
};

} // namespace

bool readOutlookBar(TGXCustomOutlookBar &bar, const QString &text, const TGXStreamNames &names,
                    QString *error)
{
    // The whole text is read before the bar is touched, so a text that fails leaves it as it was.
    try {
        Reader reader(bar, text, names);
        reader.run();
        reader.apply(bar);
    } catch (const ReadError &e) {
        if (error)
            *error = e.message;
        return false;
    }
    return true;
}
