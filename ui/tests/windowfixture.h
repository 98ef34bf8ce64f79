#pragma once

#include "Dialogs.h"
#include "MessageRecord.h"
#include "Settings.h"
#include "Unit1.h"
#include "tempfolders.h"

#include <QString>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QPoint;
class QWidget;

inline QString qs(const std::string &text) { return QString::fromStdString(text); }

// Answers the window's boxes and pickers from queues and records every text, so that a test
// asserts the exact message and notices a missing or an extra box.
class FakeDialogs : public TDialogs
{
public:
    void message(Icon icon, const QString &title, const QString &text) override;
    bool ask(Icon icon, const QString &title, const QString &text) override;
    QString openFileName() override;
    QString browseFolder(const QString &title, const QString &initialFolder) override;
    void beep() override { ++beeps; }
    int choose(Icon icon, const QString &title, const QString &text, const QStringList &buttons) override;
    QString saveFileName(const QString &suggested) override;
    void openDocument(const QString &path) override;
    // Prints into the PDF file printerFile, or cancels when it is empty.
    bool choosePrinter(QPrinter &printer) override;

    // "error|Quindle|File not found", "ask warning|Warning|Are you sure ...", "info|Quindle|...".
    std::vector<std::string> said;
    std::deque<bool> answers;
    std::deque<int> choices;
    std::deque<QString> files;
    std::deque<QString> folders;
    std::deque<QString> saveNames;
    std::vector<QString> browseStarts;
    QString printerFile;
    int beeps = 0;

    // What was said since the last call.
    std::vector<std::string> take();
};

// Folders of a small office in a temporary tree: a shared address book folder and, per
// user, an inbox folder, a datafile folder and a program folder.
struct Office
{
    TempFolders t;
    std::string book = t.folder("book");
    std::string inbox(const std::string &user) const { return t.folder("inbox-" + user); }
    std::string data(const std::string &user) const { return t.folder("data-" + user); }
    std::string program(const std::string &user) const { return t.folder("program-" + user); }
    // A complete "main.ini" for user.
    TSettings settings(const std::string &user) const;
    void settle(const std::string &user) const;
    // The shared address book: name and inbox folder of each entry.
    void writeBook(const std::vector<std::pair<std::string, std::string>> &entries) const;
};

// A received message whose body is the RTF of "Text of <subject>".
TMessageRecord message(const char *from, const char *subject, std::vector<const char *> attachments = {});

// Every file and folder under root, relative to it, sorted.
std::vector<std::string> treeOf(const std::string &root);

// One window on its own program folder, shown offscreen, with its dialogs faked.
struct Window
{
    explicit Window(const std::string &programFolder);
    ~Window();

    template<class W>
    W *find(const char *name) const
    {
        return form->findChild<W *>(QString::fromLatin1(name));
    }
    // The view in front.
    QString front() const;
    void click(const char *name) const;
    // A click on the picture (or the caption text) of the navigation bar's item.
    void clickItem(int item, bool onCaption = false) const;
    void type(const char *name, const QString &text) const;
    // A double click on grid row r (r >= 1; row 0 is the header).
    void doubleClickRow(const char *grid, int row) const;
    void clickRow(const char *grid, int row) const;
    QString cell(const char *grid, int row, int column) const;
    // The message of InBox row `row` deleted, the question answered Yes.
    void deleteMessage(int row);
    // In the New view, recipient slot `slot` gets address book row `row` through the To button.
    void pickRecipient(int row, int slot) const;
    // Attachment slot `slot` gets the file through Attach's file dialog.
    void attach(const std::string &path, int slot);
    // The place of a control within its view, which comes to the front for it.
    QRect place(const char *name) const;
    // The control stands at `expected` in its view; a check box may be wider, as its caption needs.
    ::testing::AssertionResult placedAt(const char *name, const QRect &expected) const;
    // The names of the controls that Tab moves the focus to, starting from `from`.
    std::vector<QString> tabChain(const char *from, int steps) const;

    FakeDialogs dialogs;
    std::unique_ptr<TForm1> form;
};

// A test on `user`'s window, opened on complete settings once `arrange` has put in the office
// what must be there first.
class WindowTest : public ::testing::Test
{
protected:
    explicit WindowTest(const std::string &user, const std::function<void(const Office &)> &arrange = {});

    Office office;
    Window w;
};
