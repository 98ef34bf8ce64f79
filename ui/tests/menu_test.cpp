#include "windowfixture.h"

#include "DropFiles.h"
#include "FileOps.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTextEdit>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

// Every menu's captions with their shortcuts: "&Print...=Ctrl+P".
std::vector<std::string> menus(const Window &w)
{
    std::vector<std::string> lines;
    for (QAction *title : w.form->menuBar()->actions()) {
        std::string line = title->text().toStdString() + ":";
        for (QAction *item : title->menu()->actions()) {
            if (item->isSeparator())
                continue;
            line += " " + item->text().toStdString();
            if (!item->shortcut().isEmpty())
                line += "=" + item->shortcut().toString().toStdString();
        }
        lines.push_back(line);
    }
    return lines;
}

// Ben's message, collected by the File menu's command.
class MenuBar : public WindowTest
{
protected:
    MenuBar()
        : WindowTest("Anna", [](const Office &office) {
            WriteDropFile(office.inbox("Anna"), QStringLiteral("Anna"),
                          message("Ben", "Lunch on Friday", {"plan.txt"}));
        })
    {
        w.find<QAction>("MenuCollectMail")->trigger();
    }
    bool enabled(const char *name) const { return w.find<QAction>(name)->isEnabled(); }
};

TEST_F(MenuBar, EveryMenuListsItsCommandsWithTheirShortcuts)
{
    EXPECT_EQ(menus(w),
              (std::vector<std::string>{
                  "&File: &Collect Mail=F5 &Print...=Ctrl+P &Export as PDF... &Quit=Ctrl+Q",
                  "&Message: &New=Ctrl+N &Reply=Ctrl+R &Forward=Ctrl+L &Delete &Send=Ctrl+Return",
                  "&View: &New=Ctrl+1 &Addresses List=Ctrl+2 Addresses &Edit=Ctrl+3 &Settings=Ctrl+4 &InBox=Ctrl+5 "
                  "&Mail Reader=Ctrl+6",
                  "&Help: The &Office Guide &About Quindle"}));
    // The window grows by the menu bar: the client area keeps its places.
    EXPECT_EQ(w.form->centralWidget()->geometry(), QRect(0, w.form->menuBar()->height(), 792, 454));
}

TEST_F(MenuBar, EachCommandWorksWhereItsButtonCanBeReached)
{
    EXPECT_FALSE(enabled("MenuSend"));
    EXPECT_FALSE(enabled("MenuPrint"));
    EXPECT_FALSE(enabled("MenuReply"));
    EXPECT_EQ(w.front(), QStringLiteral("InBoxPan"));
    EXPECT_TRUE(enabled("MenuDelete"));
    w.doubleClickRow("InBoxG", 1);
    EXPECT_FALSE(enabled("MenuDelete"));
    EXPECT_TRUE(enabled("MenuPrint"));
    EXPECT_TRUE(enabled("MenuForward"));
    w.find<QAction>("MenuReply")->trigger();
    EXPECT_EQ(w.front(), QStringLiteral("NewPan"));
    EXPECT_TRUE(enabled("MenuSend"));
}

TEST_F(MenuBar, DeleteAsksAsItsButtonDoes)
{
    w.dialogs.answers = {false};
    w.find<QAction>("MenuDelete")->trigger();
    EXPECT_EQ(w.dialogs.take(),
              (std::vector<std::string>{"ask warning|Warning|Are you sure you want to delete this message?"}));
}

TEST_F(MenuBar, NewAsksBeforeItClearsWhatReplyWrote)
{
    w.doubleClickRow("InBoxG", 1);
    w.find<QAction>("MenuReply")->trigger();
    w.dialogs.take();
    w.dialogs.answers = {true};
    w.find<QAction>("MenuNew")->trigger();
    EXPECT_EQ(w.dialogs.take(),
              (std::vector<std::string>{"ask question|Confirm|Are you sure you want to clear this message?"}));
    EXPECT_TRUE(w.find<QTextEdit>("RichEdit1")->document()->isEmpty());
}

TEST_F(MenuBar, AViewShortcutBringsItsViewForward)
{
    w.form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.form.get()));
    QTest::keyClick(w.form.get(), Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(w.front(), QStringLiteral("AddressPan2"));
}

TEST_F(MenuBar, AboutNamesTheProgramAndTheGuideOpensTheInstalledOne)
{
    w.find<QAction>("MenuAbout")->trigger();
    w.find<QAction>("MenuOfficeGuide")->trigger();
    const std::vector<std::string> said = w.dialogs.take();
    ASSERT_EQ(said.size(), 2u);
    EXPECT_EQ(said[0].substr(0, 40), "info|About Quindle|Quindle 0.1\nMail for ");
    const std::string guide = said[1].substr(said[1].find('|') + 1);
    EXPECT_EQ(said[1].substr(0, 14), "open document|");
    EXPECT_TRUE(guide.ends_with("/share/doc/quindle/office.md")) << guide;
    EXPECT_NE(readAll(guide).find("Quindle"), std::string::npos);
}

std::string pdfText(const std::string &pdf)
{
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {qs(pdf), QStringLiteral("-")});
    text.waitForFinished();
    return text.readAllStandardOutput().toStdString();
}

TEST_F(MenuBar, PrintAndExportTheMessageReadAsPdf)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext is missing (scripts/setup.sh installs it)";
    w.doubleClickRow("InBoxG", 1);
    const std::string exported = office.t.folder("out") + "lunch.pdf";
    const std::string printed = office.t.folder("out") + "printed.pdf";
    w.dialogs.saveNames = {qs(exported)};
    w.find<QAction>("MenuExportPdf")->trigger();
    w.dialogs.printerFile = qs(printed);
    w.find<QAction>("MenuPrint")->trigger();
    EXPECT_EQ(w.dialogs.take(), (std::vector<std::string>{
                                    "save as|" + QDir::home().filePath(QStringLiteral("Lunch on Friday.pdf")).toStdString(),
                                    "print"}));
    for (const std::string &pdf : {exported, printed}) {
        const std::string text = pdfText(pdf);
        for (const char *part : {"From:", "Ben", "Subject:", "Lunch on Friday", "Received:", "Attachments:", "plan.txt",
                                 "Text of Lunch on Friday"})
            EXPECT_NE(text.find(part), std::string::npos) << pdf << " lacks " << part << ":\n" << text;
        EXPECT_LT(text.find("Attachments:"), text.find("Text of Lunch")) << "the header comes first";
    }
}

// Sends a drag of these files over `target` and drops them there.
void dropFiles(QWidget *target, const QStringList &paths)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

TEST(NewViewDrop, FilesDroppedOnTheViewFillTheFreeAttachmentSlots)
{
    Office office;
    office.settle("Anna");
    const std::string src = office.t.folder("src");
    QStringList files;
    for (int i = 1; i <= 11; ++i) {
        writeAll(src + "f" + std::to_string(i) + ".txt", "x");
        files << qs(src + "f" + std::to_string(i) + ".txt");
    }
    Window w(office.program("Anna"));
    w.find<QAction>("NewObiClick")->trigger();
    auto *body = w.find<QTextEdit>("RichEdit1");
    body->setPlainText(QStringLiteral("Body"));
    w.find<QComboBox>("AttachC")->setCurrentIndex(1);
    w.dialogs.files = {files[0]};
    w.click("AttachB");

    dropFiles(body->viewport(), files.mid(1, 2));
    dropFiles(w.find<QWidget>("SubjectE"), files.mid(3, 1));
    EXPECT_EQ(body->toPlainText(), QStringLiteral("Body")) << "no file:// text";
    EXPECT_EQ(w.find<QWidget>("SubjectE")->property("text").toString(), QString());
    const TSlotTexts &paths = w.form->state().AttachPaths;
    EXPECT_EQ(paths[0], files[1]) << "the first free slot";
    EXPECT_EQ(paths[1], files[0]);
    EXPECT_EQ(paths[2], files[2]);
    EXPECT_EQ(paths[3], files[3]);
    EXPECT_EQ(w.find<QComboBox>("AttachC")->itemText(3), QStringLiteral("f4.txt"));

    // More than the free slots take, or a folder: nothing is attached.
    dropFiles(body->viewport(), files.mid(4, 7));
    dropFiles(body->viewport(), {qs(office.t.root())});
    const std::vector<std::string> said = w.dialogs.take();
    ASSERT_EQ(said.size(), 3u);
    EXPECT_EQ(said[1], "error|Quindle|A message carries at most ten attachments: 7 files were dropped and 6 of the ten "
                       "slots are free. Nothing was attached.");
    EXPECT_EQ(said[2].substr(0, 44), "error|Quindle|Only files can be attached; th");
    EXPECT_EQ(paths[4], QString());
}

} // namespace
