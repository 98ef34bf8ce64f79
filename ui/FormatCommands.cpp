#include "FormatCommands.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextList>

namespace {

bool isBulletList(const QTextList *list)
{
    if (!list)
        return false;
    const QTextListFormat::Style style = list->format().style();
    return style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle
           || style == QTextListFormat::ListSquare;
}

} // namespace

FormatCommands::FormatCommands(const Actions &actions, QWidget *window)
    : QObject(window)
    , m_actions(actions)
    , m_window(window)
{
    auto *alignments = new QActionGroup(this);
    alignments->setExclusive(true);
    for (QAction *a : {actions.alignLeft, actions.alignCenter, actions.alignRight})
        alignments->addAction(a);

    connect(actions.bold, &QAction::triggered, this, [this] {
        changeCharFormat([](QTextEdit &e, QTextCharFormat &f) {
            f.setFontWeight(e.fontWeight() > QFont::Normal ? QFont::Normal : QFont::Bold);
        });
    });
    connect(actions.italic, &QAction::triggered, this, [this] {
        changeCharFormat([](QTextEdit &e, QTextCharFormat &f) { f.setFontItalic(!e.fontItalic()); });
    });
    connect(actions.underline, &QAction::triggered, this, [this] {
        changeCharFormat([](QTextEdit &e, QTextCharFormat &f) { f.setFontUnderline(!e.fontUnderline()); });
    });
    connect(actions.alignLeft, &QAction::triggered, this, [this] { align(Qt::AlignLeft); });
    connect(actions.alignCenter, &QAction::triggered, this, [this] { align(Qt::AlignHCenter); });
    connect(actions.alignRight, &QAction::triggered, this, [this] { align(Qt::AlignRight); });
    connect(actions.bullets, &QAction::triggered, this, &FormatCommands::toggleBullets);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) { followFocus(now); });
}

QTextEdit *FormatCommands::target() const
{
    return qobject_cast<QTextEdit *>(m_window->focusWidget());
}

void FormatCommands::followFocus(QWidget *now)
{
    if (!now || now->window() != m_window)
        return;
    QTextEdit *editor = qobject_cast<QTextEdit *>(now);
    if (editor == m_followed)
        return;
    disconnect(m_cursorMoved);
    disconnect(m_charFormatChanged);
    m_followed = editor;
    if (editor) {
        m_cursorMoved = connect(editor, &QTextEdit::cursorPositionChanged, this, &FormatCommands::showFormat);
        m_charFormatChanged = connect(editor, &QTextEdit::currentCharFormatChanged, this, &FormatCommands::showFormat);
    }
    showFormat();
}

void FormatCommands::showFormat()
{
    const QTextEdit *editor = target();
    const Qt::Alignment alignment = editor ? editor->alignment() : Qt::AlignLeft;
    m_actions.bold->setChecked(editor && editor->fontWeight() > QFont::Normal);
    m_actions.italic->setChecked(editor && editor->fontItalic());
    m_actions.underline->setChecked(editor && editor->fontUnderline());
    m_actions.alignCenter->setChecked(alignment & Qt::AlignHCenter);
    m_actions.alignRight->setChecked(alignment & Qt::AlignRight);
    m_actions.alignLeft->setChecked(!(alignment & (Qt::AlignHCenter | Qt::AlignRight)));
    m_actions.bullets->setChecked(editor && isBulletList(editor->textCursor().currentList()));
}

void FormatCommands::changeCharFormat(const std::function<void(QTextEdit &, QTextCharFormat &)> &change)
{
    if (QTextEdit *editor = target()) {
        QTextCharFormat format;
        change(*editor, format);
        editor->mergeCurrentCharFormat(format);
    }
    showFormat();
}

void FormatCommands::align(Qt::Alignment alignment)
{
    if (QTextEdit *editor = target())
        editor->setAlignment(alignment);
    showFormat();
}

void FormatCommands::toggleBullets()
{
    QTextEdit *editor = target();
    if (!editor)
        return showFormat();
    QTextCursor cursor = editor->textCursor();
    cursor.beginEditBlock();
    if (!isBulletList(cursor.currentList())) {
        QTextListFormat format;
        format.setStyle(QTextListFormat::ListDisc);
        format.setIndent(1);
        cursor.createList(format);
    } else {
        QTextBlock block = editor->document()->findBlock(cursor.selectionStart());
        const QTextBlock last = editor->document()->findBlock(cursor.selectionEnd());
        for (;; block = block.next()) {
            if (QTextList *list = block.textList())
                list->remove(block);
            QTextCursor paragraph(block);
            QTextBlockFormat format = paragraph.blockFormat();
            format.setIndent(0);
            paragraph.setBlockFormat(format);
            if (block == last)
                break;
        }
    }
    cursor.endEditBlock();
    showFormat();
}
