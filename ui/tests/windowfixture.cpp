#include "windowfixture.h"

#include "AddressRecord.h"
#include "FeCapPnl.h"
#include "RecordFile.h"
#include "GX_Outlook.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPrinter>
#include <QStackedWidget>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace {

const char *iconName(TDialogs::Icon icon)
{
    const char *const names[] = {"plain", "info", "warning", "error", "question"}; // as TDialogs::Icon
    return names[int(icon)];
}

std::string line(const char *kind, const QString &title, const QString &text)
{
    return std::string(kind) + "|" + title.toStdString() + "|" + text.toStdString();
}

// The next answer of a queue, or the fallback and a failure when the test gave none.
template<class T>
T next(std::deque<T> &answers, const std::string &asked, T fallback = {})
{
    if (answers.empty()) {
        ADD_FAILURE() << "unexpected " << asked;
        return fallback;
    }
    T answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}

} // namespace

void FakeDialogs::message(Icon icon, const QString &title, const QString &text)
{
    said.push_back(line(iconName(icon), title, text));
}

bool FakeDialogs::ask(Icon icon, const QString &title, const QString &text)
{
    said.push_back(line((std::string("ask ") + iconName(icon)).c_str(), title, text));
    return next(answers, "question " + text.toStdString());
}

int FakeDialogs::choose(Icon icon, const QString &title, const QString &text, const QStringList &buttons)
{
    said.push_back(line((std::string("choose ") + iconName(icon)).c_str(), title,
                        text + QLatin1Char('|') + buttons.join(QLatin1Char('|'))));
    return next(choices, "choice " + text.toStdString(), -1);
}

QString FakeDialogs::openFileName()
{
    said.push_back("open file");
    return next(files, "file-open dialog");
}

QString FakeDialogs::browseFolder(const QString &title, const QString &initialFolder)
{
    said.push_back(line("browse", title, initialFolder));
    browseStarts.push_back(initialFolder);
    return next(folders, "folder browser");
}

QString FakeDialogs::saveFileName(const QString &suggested)
{
    said.push_back("save as|" + suggested.toStdString());
    return next(saveNames, "file-save dialog");
}

void FakeDialogs::openDocument(const QString &path)
{
    said.push_back("open document|" + path.toStdString());
}

bool FakeDialogs::choosePrinter(QPrinter &printer)
{
    said.push_back("print");
    if (printerFile.isEmpty())
        return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(printerFile);
    return true;
}

std::vector<std::string> FakeDialogs::take()
{
    return std::exchange(said, {});
}

TSettings Office::settings(const std::string &user) const
{
    TSettings s;
    s.Name = qs(user);
    s.MyDest = qs(inbox(user));
    s.Addresses = qs(book);
    s.InboxData = qs(data(user));
    return s;
}

void Office::settle(const std::string &user) const
{
    saveSettings(program(user), settings(user));
}

void Office::writeBook(const std::vector<std::pair<std::string, std::string>> &entries) const
{
    const std::string file = book + "address list.qda";
    writeAll(file, "");
    for (std::size_t i = 0; i < entries.size(); ++i) {
        TAddressRec entry;
        entry.setName(qs(entries[i].first));
        entry.setInBox(qs(entries[i].second));
        writeRecordAt(file, std::int64_t(i), entry);
    }
}

Window::Window(const std::string &programFolder)
    : form(std::make_unique<TForm1>(programFolder, dialogs))
{
    form->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
}

Window::~Window() = default;

static std::string arranged(const Office &office, const std::string &user,
                            const std::function<void(const Office &)> &arrange)
{
    office.settle(user);
    if (arrange)
        arrange(office);
    return office.program(user);
}

WindowTest::WindowTest(const std::string &user, const std::function<void(const Office &)> &arrange)
    : w(arranged(office, user, arrange))
{
}

QString Window::front() const
{
    return find<QStackedWidget>("Views")->currentWidget()->objectName();
}

void Window::click(const char *name) const
{
    auto *button = find<QAbstractButton>(name);
    ASSERT_TRUE(button) << name;
    QTest::mouseClick(button, Qt::LeftButton);
}

void Window::clickItem(int item, bool onCaption) const
{
    auto *bar = find<TFEGXOutlookBar>("FEGXOutlookBar1");
    bar->repaint(); // lays the items out
    const TGXOutlookItem *it = bar->Buttons(0)->Items(item);
    const QRect target = (onCaption ? it->TextRect() : it->ImageRect()).toQRect();
    ASSERT_FALSE(target.isEmpty());
    QTest::mouseClick(bar, Qt::LeftButton, {}, target.center());
}

void Window::type(const char *name, const QString &text) const
{
    auto *edit = find<QLineEdit>(name);
    ASSERT_TRUE(edit) << name;
    edit->clear();
    QTest::keyClicks(edit, text);
}

void Window::clickRow(const char *grid, int row) const
{
    auto *view = find<QTableView>(grid);
    const QRect cell = view->visualRect(view->model()->index(row - 1, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
}

QString Window::cell(const char *grid, int row, int column) const
{
    return find<QTableView>(grid)->model()->index(row - 1, column).data().toString();
}

void Window::deleteMessage(int row)
{
    clickRow("InBoxG", row);
    dialogs.answers = {true};
    click("DeleteInboxMsgI");
}

void Window::pickRecipient(int row, int slot) const
{
    clickItem(1);
    clickRow("AddressG", row);
    clickItem(0);
    find<QComboBox>("ToC")->setCurrentIndex(slot - 1);
    click("ToB");
}

void Window::attach(const std::string &path, int slot)
{
    find<QComboBox>("AttachC")->setCurrentIndex(slot - 1);
    dialogs.files = {qs(path)};
    click("AttachB");
}

void Window::doubleClickRow(const char *grid, int row) const
{
    auto *view = find<QTableView>(grid);
    const QRect cell = view->visualRect(view->model()->index(row - 1, 0));
    // A widget's double click is only the second press; the first comes as a click.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
}

QRect Window::place(const char *name) const
{
    const QWidget *w = form->findChild<QWidget *>(QString::fromLatin1(name));
    if (!w)
        return {};
    QWidget *view = w->parentWidget();
    while (view && !qobject_cast<TFECaptionPanel *>(view))
        view = view->parentWidget();
    if (!view)
        return w->geometry();
    // Only the view in front is laid out.
    find<QStackedWidget>("Views")->setCurrentWidget(view);
    QApplication::processEvents();
    return QRect(w->mapTo(view, QPoint(0, 0)), w->size());
}

::testing::AssertionResult Window::placedAt(const char *name, const QRect &expected) const
{
    const QRect actual = place(name);
    QRect wanted = expected;
    if (const auto *box = find<QCheckBox>(name); box && actual.width() > expected.width())
        wanted.setWidth(box->sizeHint().width());
    if (actual == wanted)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << name << " at " << actual.x() << "," << actual.y() << " " << actual.width()
                                         << "x" << actual.height();
}

std::vector<QString> Window::tabChain(const char *from, int steps) const
{
    form->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
    place(from);
    find<QWidget>(from)->setFocus();
    std::vector<QString> chain;
    for (int i = 0; i < steps; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        chain.push_back(QApplication::focusWidget()->objectName());
    }
    return chain;
}

std::vector<std::string> treeOf(const std::string &root)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(root))
        names.push_back(std::filesystem::relative(entry.path(), root).string());
    std::sort(names.begin(), names.end());
    return names;
}

TMessageRecord message(const char *from, const char *subject, std::vector<const char *> attachments)
{
    TMessageRecord r;
    r.setFrom(QString::fromLatin1(from));
    r.setSubject(QString::fromLatin1(subject));
    const std::string body = std::string("{\\rtf1\\ansi Text of ") + subject + "\\par}";
    std::memcpy(r.bodyData(), body.data(), body.size());
    int k = 1;
    for (const char *name : attachments)
        r.setAttachName(k++, QString::fromLatin1(name));
    return r;
}
