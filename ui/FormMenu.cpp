#include "Unit1.h"

#include "Dialogs.h"
#include "FeCapPnl.h"
#include "PrintedMessage.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTextDocument>
#include <QTextEdit>

namespace {

QAction *menuItem(QMenu *menu, const char *name, const QString &caption, const QList<QKeySequence> &keys = {})
{
    QAction *item = menu->addAction(caption);
    item->setObjectName(QLatin1String(name));
    item->setShortcuts(keys);
    return item;
}

// The guide as installed beside the program: <prefix>/share/doc/quindle/office.md for
// <prefix>/bin/quindle; a build keeps a copy at the same place relative to its programs.
QString officeGuidePath()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath()
                           + QStringLiteral("/../share/doc/quindle/office.md"));
}

} // namespace

void TForm1::buildMenuBar()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MenuBar"));

    QMenu *file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("FileMenu"));
    connect(menuItem(file, "MenuCollectMail", QStringLiteral("&Collect Mail"), {QKeySequence(Qt::Key_F5)}),
            &QAction::triggered, Checki, &QAction::trigger);
    file->addSeparator();
    m_print = menuItem(file, "MenuPrint", QStringLiteral("&Print..."), {QKeySequence(Qt::CTRL | Qt::Key_P)});
    connect(m_print, &QAction::triggered, this, &TForm1::PrintIClick);
    m_exportPdf = menuItem(file, "MenuExportPdf", QStringLiteral("&Export as PDF..."));
    connect(m_exportPdf, &QAction::triggered, this, &TForm1::ExportPdfIClick);
    file->addSeparator();
    connect(menuItem(file, "MenuQuit", QStringLiteral("&Quit"), {QKeySequence(Qt::CTRL | Qt::Key_Q)}),
            &QAction::triggered, this, &QWidget::close);

    QMenu *message = bar->addMenu(QStringLiteral("&Message"));
    message->setObjectName(QStringLiteral("MessageMenu"));
    connect(menuItem(message, "MenuNew", QStringLiteral("&New"), {QKeySequence(Qt::CTRL | Qt::Key_N)}),
            &QAction::triggered, this, &TForm1::NewMessageIClick);
    m_reply = menuItem(message, "MenuReply", QStringLiteral("&Reply"), {QKeySequence(Qt::CTRL | Qt::Key_R)});
    connect(m_reply, &QAction::triggered, this, &TForm1::ReplyIClick);
    m_forward = menuItem(message, "MenuForward", QStringLiteral("&Forward"), {QKeySequence(Qt::CTRL | Qt::Key_L)});
    connect(m_forward, &QAction::triggered, this, &TForm1::ForwardIClick);
    // The Delete key itself belongs to the InBox grid, which has it while it has the focus.
    m_delete = menuItem(message, "MenuDelete", QStringLiteral("&Delete"));
    connect(m_delete, &QAction::triggered, InboxDeleteMsg, &QAction::trigger);
    m_send = menuItem(message, "MenuSend", QStringLiteral("&Send"),
                      {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    connect(m_send, &QAction::triggered, Sendi, &QAction::trigger);

    // The six views, guarded as a click on their item's picture.
    QMenu *view = bar->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("ViewMenu"));
    const char *const views[] = {"MenuViewNew",      "MenuViewAddressList", "MenuViewAddressEdit",
                                 "MenuViewSettings", "MenuViewInBox",       "MenuViewMailReader"};
    const QString captions[] = {QStringLiteral("&New"),      QStringLiteral("&Addresses List"),
                                QStringLiteral("Addresses &Edit"), QStringLiteral("&Settings"),
                                QStringLiteral("&InBox"),    QStringLiteral("&Mail Reader")};
    for (int item = 0; item < 6; ++item) {
        connect(menuItem(view, views[item], captions[item], {QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + item))}),
                &QAction::triggered, this, [this, item] { showItem(item); });
    }

    QMenu *help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("HelpMenu"));
    connect(menuItem(help, "MenuOfficeGuide", QStringLiteral("The &Office Guide")), &QAction::triggered, this,
            &TForm1::OfficeGuideIClick);
    connect(menuItem(help, "MenuAbout", QStringLiteral("&About Quindle")), &QAction::triggered, this,
            &TForm1::AboutIClick);

    connect(m_stack, &QStackedWidget::currentChanged, this, &TForm1::updateMenuCommands);
    updateMenuCommands();
}

void TForm1::updateMenuCommands()
{
    // A command stands for a button of a view: it works while that view is in front, or,
    // for the commands on the message read, while the reader holds one.
    const TFECaptionPanel *front = frontView();
    m_send->setEnabled(front == NewPan);
    m_delete->setEnabled(front == InBoxPan);
    const bool reading = !m_readerMessage.isEmpty();
    for (QAction *onMessage : {m_print, m_exportPdf, m_reply, m_forward})
        onMessage->setEnabled(reading);
}

void TForm1::NewMessageIClick()
{
    run([this] {
        showItem(0);
        if (frontView() == NewPan && !newViewEmpty())
            ClearNewIExecute();
        RichEdit1->setFocus();
    });
}

void TForm1::printMessage(QPrinter &printer)
{
    QTextDocument document;
    // The window's font is sized in screen pixels; on paper the header takes points.
    QFont paper = font();
    paper.setPointSize(10);
    document.setDefaultFont(paper);
    composePrintedMessage(document, m_readerMessage, m_readerReceived, m_readerAttachments);
    printer.setDocName(m_readerMessage.Subject());
    printer.setCreator(QStringLiteral("Quindle"));
    document.print(&printer);
}

void TForm1::PrintIClick()
{
    run([this] {
        if (m_readerMessage.isEmpty())
            return m_dialogs.beep();
        QPrinter printer(QPrinter::HighResolution);
        if (m_dialogs.choosePrinter(printer))
            printMessage(printer);
    });
}

void TForm1::ExportPdfIClick()
{
    run([this] {
        if (m_readerMessage.isEmpty())
            return m_dialogs.beep();
        QString name = m_readerMessage.Subject().trimmed();
        name.replace(QRegularExpression(QStringLiteral("[/\\\\:*?\"<>|]")), QStringLiteral("_"));
        const QString target =
            m_dialogs.saveFileName(QDir::home().filePath((name.isEmpty() ? QStringLiteral("message") : name) + QStringLiteral(".pdf")));
        if (target.isEmpty())
            return;
        QFile::remove(target);
        {
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(target);
            printMessage(printer);
        }
        if (QFileInfo(target).size() == 0)
            showError(QStringLiteral("The PDF could not be written to %1.").arg(target));
    });
}

void TForm1::OfficeGuideIClick()
{
    run([this] {
        const QString guide = officeGuidePath();
        if (!QFileInfo(guide).isFile()) {
            showError(QStringLiteral("The office guide is not installed: %1 is missing.").arg(guide));
            return;
        }
        m_dialogs.openDocument(guide);
    });
}

void TForm1::AboutIClick()
{
    run([this] {
        m_dialogs.message(TDialogs::Icon::Information, QStringLiteral("About Quindle"),
                          QStringLiteral("Quindle %1\nMail for a small office over shared folders, without a mail "
                                         "server.\nFree software under the GNU General Public License, version 3 or "
                                         "later.")
                              .arg(QStringLiteral(QUINDLE_VERSION)));
    });
}
