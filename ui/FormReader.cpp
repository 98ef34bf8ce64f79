#include "Unit1.h"

#include "AddressFile.h"
#include "Dialogs.h"
#include "DropFiles.h"
#include "FeCapPnl.h"
#include "FileOps.h"
#include "FormParts.h"
#include "GXImageList.h"
#include "GridModels.h"
#include "MailArrival.h"
#include "NewMailNotice.h"
#include "Paths.h"
#include "RtfCodec.h"

#include <QAction>
#include <QDateTime>
#include <QLocale>
#include <QScopeGuard>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QMenu>
#include <QStackedWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>

namespace {

// A value label has a fixed width that cuts a longer text at its right edge; a caption label
// fits its text, which the window's font may make wider than the width given.
QLabel *stripLabel(QToolBar *strip, const QString &name, const QString &text, int width)
{
    auto *label = new QLabel(text, strip);
    label->setObjectName(name);
    label->setFont(strip->window()->font()); // measured in the window's font
    label->setFixedWidth(text.isEmpty() ? width : std::max(width, label->sizeHint().width()));
    strip->addWidget(label);
    return label;
}

// "Re: " or "Fw: " once, however often the message went back and forth.
QString prefixed(const QString &prefix, const QString &subject)
{
    return subject.startsWith(prefix, Qt::CaseInsensitive) ? subject : prefix + subject;
}

} // namespace

void TForm1::buildMailReaderView()
{
    MailReaderPan = FormParts::viewPanel(m_stack, QStringLiteral("MailReaderPan"), QStringLiteral("Mail Reader"));
    auto *rows = FormParts::viewRows(MailReaderPan);
    QToolBar *toolBar3 = FormParts::toolBar(MailReaderPan, QStringLiteral("ToolBar3"));
    stripLabel(toolBar3, QStringLiteral("ReaderFromCaption"), QStringLiteral("From: "), 29);
    ReaderFromL = stripLabel(toolBar3, QStringLiteral("ReaderFromL"), QString(), 150);
    stripLabel(toolBar3, QStringLiteral("ReaderSubjectCaption"), QStringLiteral("Subject: "), 42);
    ReaderSubjectL = stripLabel(toolBar3, QStringLiteral("ReaderSubjectL"), QString(), 150);
    stripLabel(toolBar3, QStringLiteral("ReaderAttachCaption"), QStringLiteral("Attachment: "), 60);
    ReaderAttachL = stripLabel(toolBar3, QStringLiteral("ReaderAttachL"), QString(), 150);
    ReaderAttachL->installEventFilter(this);
    rows->addWidget(toolBar3);

    // The commands on the message shown, in a row of their own below the strip of labels.
    QToolBar *commands = FormParts::toolBar(MailReaderPan, QStringLiteral("ReaderCommands"));
    commands->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    // Open and save the attachments of the message shown, from a button and the label's menu.
    auto *attachments = new QMenu(toolBar3);
    attachments->setObjectName(QStringLiteral("ReaderAttachMenu"));
    connect(attachments, &QMenu::aboutToShow, this, [this, attachments] {
        attachments->clear();
        for (const QString &name : m_readerAttachments) {
            attachments->addAction(QStringLiteral("Open %1").arg(name), this,
                                   [this, name] { ReaderOpenAttachment(name); });
            attachments->addAction(QStringLiteral("Save %1 As...").arg(name), this,
                                   [this, name] { ReaderSaveAttachment(name); });
        }
        if (m_readerAttachments.isEmpty())
            attachments->addAction(QStringLiteral("No attachments"))->setEnabled(false);
    });
    QToolButton *reply = FormParts::plainButton(commands, QStringLiteral("ReplyI"), ImageListToolBar->Picture(9),
                                                QStringLiteral("Reply"), QStringLiteral("Reply"));
    connect(reply, &QToolButton::clicked, this, &TForm1::ReplyIClick);
    QToolButton *forward = FormParts::plainButton(commands, QStringLiteral("ForwardI"), ImageListToolBar->Picture(3),
                                                  QStringLiteral("Forward"), QStringLiteral("Forward"));
    connect(forward, &QToolButton::clicked, this, &TForm1::ForwardIClick);
    QToolButton *attachI = FormParts::plainButton(commands, QStringLiteral("ReaderAttachI"),
                                                  ImageListToolBar->Picture(7), QStringLiteral("Attachments"),
                                                  QStringLiteral("Attachments"));
    attachI->setMenu(attachments);
    attachI->setPopupMode(QToolButton::InstantPopup);
    ReaderAttachL->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ReaderAttachL, &QLabel::customContextMenuRequested, this,
            [this, attachments](const QPoint &at) { attachments->popup(ReaderAttachL->mapToGlobal(at)); });
    for (QToolButton *button : {reply, forward, attachI}) {
        button->setFont(font());
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setMinimumWidth(0);
        button->setMaximumWidth(QWIDGETSIZE_MAX);
        button->setFixedWidth(button->sizeHint().width() + 8);
    }
    // Which account of the file server delivered the message: any copy may write any sender
    // name, the account is what the server saw.
    ReaderAccountL = new QLabel(commands);
    ReaderAccountL->setObjectName(QStringLiteral("ReaderAccountL"));
    ReaderAccountL->setFont(font());
    ReaderAccountL->setContentsMargins(8, 0, 0, 0);
    commands->addWidget(ReaderAccountL);
    rows->addWidget(commands);

    ReadRichEdit = new QTextEdit(MailReaderPan);
    ReadRichEdit->setObjectName(QStringLiteral("ReadRichEdit"));
    ReadRichEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    rows->addWidget(ReadRichEdit);
}

void TForm1::MailReaderObiExecute()
{
    run([this] {
        bringToFront(MailReaderPan);
        const int i = m_state.inboxIndex;
        m_readerMessage = i >= 0 && i < int(m_state.inbox.size()) ? m_state.inbox[std::size_t(i)] : TMessageRecord{};
        m_readerAttachments.clear();
        for (int k = 1; k <= TMessageRecord::SlotCount; ++k) {
            if (!m_readerMessage.AttachName(k).isEmpty())
                m_readerAttachments << m_readerMessage.AttachName(k);
        }
        const auto commands = qScopeGuard([this] { updateMenuCommands(); });
        m_readerReceived.clear();
        if (m_readerMessage.isEmpty()) {
            ReadRichEdit->clear();
            for (QLabel *label : {ReaderFromL, ReaderSubjectL, ReaderAttachL, ReaderAccountL})
                label->clear();
            return;
        }
        if (i < m_marks.size() && m_marks[i].known)
            m_readerReceived = QLocale().toString(QDateTime::fromMSecsSinceEpoch(m_marks[i].received), QLocale::ShortFormat);
        readRtf(m_readerMessage.Body(), *ReadRichEdit->document());
        ReaderFromL->setText(m_readerMessage.From());
        ReaderSubjectL->setText(m_readerMessage.Subject());
        showDeliveringAccount(i < m_marks.size() ? m_marks[i].account : QString());
        ReaderAttachL->setText(attachmentListText(m_readerMessage));
        if (m_marks.markRead(i)) {
            saveMarks();
            m_inboxModel->elementChanged(i);
            m_mailArrival->notice()->setCount(std::min(m_mailArrival->notice()->count(), m_marks.unread()));
        }
    });
}

void TForm1::showDeliveringAccount(const QString &account)
{
    ReaderAccountL->setToolTip(QString());
    if (account.isEmpty()) {
        ReaderAccountL->clear();
        return;
    }
    const QString sender = m_readerMessage.From();
    const QString recorded = officeAccount(m_state.settings.Addresses, sender);
    if (!recorded.isEmpty() && recorded != account) {
        ReaderAccountL->setText(QStringLiteral("<b style=\"color:#b00000\">from the account %1, not %2's (%3)</b>")
                                    .arg(account.toHtmlEscaped(), sender.toHtmlEscaped(), recorded.toHtmlEscaped()));
        ReaderAccountL->setToolTip(QStringLiteral("The office records the account %1 for %2, but the account %3 "
                                                  "delivered this message: it may not be from %2.")
                                       .arg(recorded, sender, account));
    } else {
        ReaderAccountL->setText(QStringLiteral("from the account %1").arg(account.toHtmlEscaped()));
    }
}

void TForm1::ReaderAttachLMouseEnter()
{
    run([this] { ReaderAttachL->setToolTip(ReaderAttachL->text()); });
}

QString TForm1::inboxAttachmentPath(const QString &name) const
{
    const std::string path = pathFromText(YourInBoxE->text() + name);
    return isPlainFileName(name) && fileExists(path) ? textFromPath(path) : QString();
}

QString TForm1::attachmentInInbox(const QString &name)
{
    const QString path = inboxAttachmentPath(name);
    if (path.isEmpty())
        showError(QStringLiteral("The attachment %1 is no longer in your inbox folder.").arg(name));
    return path;
}

void TForm1::ReaderOpenAttachment(const QString &name)
{
    run([this, name] {
        const QString path = attachmentInInbox(name);
        if (!path.isEmpty())
            m_dialogs.openDocument(path);
    });
}

void TForm1::ReaderSaveAttachment(const QString &name)
{
    run([this, name] {
        const QString path = attachmentInInbox(name);
        if (path.isEmpty())
            return;
        const QString target = m_dialogs.saveFileName(QDir::home().filePath(name));
        if (target.isEmpty())
            return;
        const std::string targetPath = pathFromText(target);
        const std::string folder = folderOf(targetPath);
        CopyAttachment(pathFromText(path), folder, textFromPath(targetPath.substr(folder.size())));
    });
}

void TForm1::ReplyIClick()
{
    run([this] {
        if (m_readerMessage.isEmpty()) {
            m_dialogs.beep();
            return;
        }
        QTextDocument original;
        readRtf(m_readerMessage.Body(), original);
        QTextDocument body;
        QTextCursor cursor(&body);
        cursor.insertBlock();
        cursor.insertText(QStringLiteral("%1 wrote:").arg(m_readerMessage.From()));
        cursor.insertBlock();
        const int quoteStart = cursor.block().blockNumber();
        cursor.insertFragment(QTextDocumentFragment(&original));
        // Every line of the original is quoted, its formatting kept.
        for (QTextBlock block = body.findBlockByNumber(quoteStart); block.isValid(); block = block.next())
            QTextCursor(block).insertText(QStringLiteral("> "));
        fillNewView(prefixed(QStringLiteral("Re: "), m_readerMessage.Subject()), body, m_readerMessage.From(), {});
    });
}

void TForm1::ForwardIClick()
{
    run([this] {
        if (m_readerMessage.isEmpty()) {
            m_dialogs.beep();
            return;
        }
        QTextDocument body;
        readRtf(m_readerMessage.Body(), body);
        QStringList paths;
        QStringList missing;
        for (const QString &name : m_readerAttachments) {
            const QString path = inboxAttachmentPath(name);
            if (path.isEmpty())
                missing << name;
            else
                paths << path;
        }
        if (!fillNewView(prefixed(QStringLiteral("Fw: "), m_readerMessage.Subject()), body, QString(), paths))
            return;
        if (!missing.isEmpty())
            showError(QStringLiteral("These attachments are no longer in your inbox folder: %1")
                          .arg(missing.join(QStringLiteral(", "))));
    });
}
