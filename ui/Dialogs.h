#pragma once

#include <QString>
#include <QStringList>

class QPrinter;
class QWidget;

// Every message box, question, file and folder picker and beep of the window goes through
// this, so that tests answer them without a modal loop.
class TDialogs
{
public:
    enum class Icon { None, Information, Warning, Error, Question };

    virtual ~TDialogs() = default;

    // A box with one OK button.
    virtual void message(Icon icon, const QString &title, const QString &text) = 0;
    // A box with Yes and No; true only for Yes.
    virtual bool ask(Icon icon, const QString &title, const QString &text) = 0;
    // The file-open dialog with no filter and no title of its own; empty when cancelled.
    virtual QString openFileName() = 0;
    // The folder browser opened on initialFolder (none when empty); the chosen folder without
    // a final separator, empty when cancelled.
    virtual QString browseFolder(const QString &title, const QString &initialFolder) = 0;
    virtual void beep() = 0;
    // A box with one button for each of `buttons`, the first the default; the index of the
    // one pressed, -1 when the box was closed without.
    virtual int choose(Icon icon, const QString &title, const QString &text, const QStringList &buttons) = 0;
    // The file-save dialog offering `suggested`; empty when cancelled.
    virtual QString saveFileName(const QString &suggested) = 0;
    // Opens a file with the desktop's application for its type.
    virtual void openDocument(const QString &path) = 0;
    // The print dialog on printer; false when cancelled.
    virtual bool choosePrinter(QPrinter &printer) = 0;
};

// The desktop's own boxes and pickers, parented to the window.
class TQtDialogs : public TDialogs
{
public:
    explicit TQtDialogs(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }

    void message(Icon icon, const QString &title, const QString &text) override;
    bool ask(Icon icon, const QString &title, const QString &text) override;
    QString openFileName() override;
    QString browseFolder(const QString &title, const QString &initialFolder) override;
    void beep() override;
    int choose(Icon icon, const QString &title, const QString &text, const QStringList &buttons) override;
    QString saveFileName(const QString &suggested) override;
    void openDocument(const QString &path) override;
    bool choosePrinter(QPrinter &printer) override;

private:
    QWidget *m_parent;
};
