#include "GXOutlookStream.h"

#include "GX_Outlook.h"

#include <QAction>
#include <QMetaProperty>
#include <QPointer>

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
            if (item->Action())
                lines << in + QStringLiteral("Action = ") + item->Action()->objectName();
            lines << in + QStringLiteral("Caption = ") + quoted(item->Caption());
            lines << in + QStringLiteral("Enabled = ") + boolText(item->Enabled());
            lines << in + QStringLiteral("ImageIndex = ") + QString::number(item->ImageIndex());
            lines << in + QStringLiteral("Tag = ") + QString::number(item->Tag());
            lines << in + QStringLiteral("Visible = ") + boolText(item->Visible());
            if (!item->OnClick().Name().isEmpty())
                lines << in + QStringLiteral("OnClick = ") + item->OnClick().Name();
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

class Reader
{
public:
    Reader(TGXCustomOutlookBar &bar, const QString &text, const TGXStreamNames &names)
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
        // References are resolved once the whole layout is read.
        for (auto &[item, actionName] : m_fixups) {
            QAction *action = m_names.action ? m_names.action(actionName) : nullptr;
            if (!action)
                throw ReadError{QStringLiteral("action %1 not found").arg(actionName)};
            if (item)
                item->setActionLoading(action);
        }
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
        if (m_lex.peek().kind != Tok::Sym || m_lex.peek().text != s)
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
        if (m_lex.peek().kind != Tok::Int)
            m_lex.fail(QStringLiteral("expected a number"));
        return int(m_lex.take().number);
    }

    bool boolean()
    {
        const QString v = ident(QStringLiteral("True or False"));
        if (v.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return true;
        if (v.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return false;
        m_lex.fail(QStringLiteral("expected True or False"));
    }

    void readBarProperty(const QString &name)
    {
        QVariant value;
        const Token t = m_lex.take();
        switch (t.kind) {
        case Tok::Int: value = int(t.number); break;
        case Tok::Str: value = t.text; break;
        case Tok::Ident:
            if (t.text == QLatin1String("True") || t.text == QLatin1String("False"))
                value = t.text == QLatin1String("True");
            else
                value = t.text;
            break;
        default:
            throw ReadError{QStringLiteral("line %1: bad value of %2").arg(t.line).arg(name)};
        }
        const QMetaObject *meta = m_bar.metaObject();
        const int index = meta->indexOfProperty(name.toLatin1().constData());
        if (index < 0 || !meta->property(index).write(&m_bar, value))
            throw ReadError{QStringLiteral("line %1: cannot set %2").arg(t.line).arg(name)};
    }

    void readList()
    {
        symbol(QStringLiteral("("));
        while (!atSymbol(QStringLiteral(")"))) {
            auto *button = m_bar.AddButton();
            button->setCaption(string());
            symbol(QStringLiteral("<"));
            while (!atSymbol(QStringLiteral(">")))
                readItem(*button);
            symbol(QStringLiteral(">"));
        }
        symbol(QStringLiteral(")"));
    }

    void readItem(TGXOutlookItems &button)
    {
        const QString word = ident(QStringLiteral("item"));
        if (word != QLatin1String("item"))
            m_lex.fail(QStringLiteral("expected item"));
        TGXOutlookItem *item = button.Add();
        for (;;) {
            const QString name = ident(QStringLiteral("a property name or end"));
            if (name == QLatin1String("end"))
                return;
            symbol(QStringLiteral("="));
            if (name == QLatin1String("Action")) {
                m_fixups.emplace_back(item, ident(QStringLiteral("an action name")));
            } else if (name == QLatin1String("Caption")) {
                item->setCaption(string());
            } else if (name == QLatin1String("Enabled")) {
                item->setEnabled(boolean());
            } else if (name == QLatin1String("ImageIndex")) {
                item->setImageIndex(integer());
            } else if (name == QLatin1String("Tag")) {
                item->setTag(integer());
            } else if (name == QLatin1String("Visible")) {
                item->setVisible(boolean());
            } else if (name == QLatin1String("OnClick")) {
                const QString handlerName = ident(QStringLiteral("a handler name"));
                TGXNotifyEvent handler = m_names.handler ? m_names.handler(handlerName)
                                                         : TGXNotifyEvent();
                if (!handler.Assigned())
                    m_lex.fail(QStringLiteral("handler %1 not found").arg(handlerName));
                item->setOnClick(handler);
            } else {
                m_lex.fail(QStringLiteral("unknown item property %1").arg(name));
            }
        }
    }

    TGXCustomOutlookBar &m_bar;
    Lexer m_lex;
    const TGXStreamNames &m_names;
    std::vector<std::pair<QPointer<TGXOutlookItem>, QString>> m_fixups;
};

} // namespace

bool readOutlookBar(TGXCustomOutlookBar &bar, const QString &text, const TGXStreamNames &names,
                    QString *error)
{
    bar.BeginLoading();
    bool ok = true;
    try {
        Reader reader(bar, text, names);
        reader.run();
    } catch (const ReadError &e) {
        ok = false;
        if (error)
            *error = e.message;
    }
    bar.EndLoading();
    return ok;
}
