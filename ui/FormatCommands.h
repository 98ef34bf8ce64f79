#pragma once

#include <QObject>

#include <functional>

class QAction;
class QTextCharFormat;
class QTextEdit;
class QWidget;

// The formatting commands of a window: each acts on the window's rich-text editor that has
// the focus, and is checked while the text at that editor's cursor has its format. Without
// such an editor a command changes nothing and shows the left alignment alone.
class FormatCommands : public QObject
{
    Q_OBJECT
public:
    struct Actions
    {
        QAction *bold;
        QAction *italic;
        QAction *underline;
        QAction *alignLeft;
        QAction *alignCenter;
        QAction *alignRight;
        QAction *bullets;
    };
    // The actions are checkable and outlive this; the alignments become exclusive.
    FormatCommands(const Actions &actions, QWidget *window);

private:
    QTextEdit *target() const;
    void followFocus(QWidget *now);
    void showFormat();
    void changeCharFormat(const std::function<void(QTextEdit &, QTextCharFormat &)> &change);
    void align(Qt::Alignment alignment);
    void toggleBullets();

    Actions m_actions;
    QWidget *m_window;
    QTextEdit *m_followed = nullptr;
    QMetaObject::Connection m_cursorMoved;
    QMetaObject::Connection m_charFormatChanged;
};
