#include "Unit1.h"

#include "Dialogs.h"
#include "FeCapPnl.h"
#include "FormParts.h"
#include "GXImageList.h"
#include "GX_Outlook.h"
#include "AddressFile.h"
#include "RtfCodec.h"
#include "Send.h"

#include <QStackedWidget>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include "FileOps.h"
#include "Paths.h"
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QComboBox *slotList(QToolBar *bar, const QString &name, int width)
{
    auto *combo = new QComboBox(bar);
    combo->setObjectName(name);
    combo->setEditable(true);
    // Only the items are slots; what is typed into the field never becomes one.
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setMaxVisibleItems(8);
    combo->setFixedWidth(width);
    bar->addWidget(combo);
    return combo;
}

QPushButton *barButton(QToolBar *bar, const QString &name, const QString &caption, int width)
{
    auto *b = new QPushButton(caption, bar);
    b->setObjectName(name);
    b->setFixedWidth(width);
    bar->addWidget(b);
    return b;
}

const QString HowToChooseRecipient =
    QStringLiteral("To choose a recipient, click the name in the Address List, choose a slot in the To list and "
                   "press \"To\".");

// The slot a pick goes into: the selected item, or slot 1 when none is.
int pickedSlot(QComboBox *combo)
{
    if (combo->currentIndex() < 0)
        combo->setCurrentIndex(0);
    return combo->currentIndex();
}

} // namespace

void TForm1::buildNewView()
{
    NewPan = FormParts::viewPanel(m_stack, QStringLiteral("NewPan"), QStringLiteral("New"));
    auto *rows = FormParts::viewRows(NewPan);

    QToolBar *toolBar1 = FormParts::toolBar(NewPan, QStringLiteral("ToolBar1"));
    QToolButton *sendB = FormParts::plainButton(toolBar1, QStringLiteral("SendB"), ImageListToolBar->Picture(3),
                                                QStringLiteral("Send Message"));
    connect(sendB, &QToolButton::clicked, Sendi, &QAction::trigger);
    ClearNewI->setIcon(ImageListToolBar->Picture(4));
    FormParts::actionButton(toolBar1, QStringLiteral("Cleari"), ClearNewI);
    QAction *const groups[][3] = {{RichEditBold1, RichEditItalic1, RichEditUnderline1},
                                  {RichEditAlignLeft1, RichEditAlignCenter1, RichEditAlignRight1},
                                  {RichEditBullets1, nullptr, nullptr}};
    for (const auto &group : groups) {
        toolBar1->addSeparator();
        for (QAction *format : group) {
            if (format)
                FormParts::actionButton(toolBar1, format->objectName() + QStringLiteral("B"), format);
        }
    }
    rows->addWidget(toolBar1);

    QToolBar *toolBar2 = FormParts::toolBar(NewPan, QStringLiteral("ToolBar2"));
    toolBar2->addWidget(new QLabel(QStringLiteral("Subject"), toolBar2));
    SubjectE = new QLineEdit(toolBar2);
    SubjectE->setObjectName(QStringLiteral("SubjectE"));
    SubjectE->setFixedWidth(201);
    toolBar2->addWidget(SubjectE);
    QPushButton *toB = barButton(toolBar2, QStringLiteral("ToB"), QStringLiteral("To"), 23);
    ToC = slotList(toolBar2, QStringLiteral("ToC"), 145);
    QPushButton *attachB = barButton(toolBar2, QStringLiteral("AttachB"), QStringLiteral("Attach"), 55);
    AttachC = slotList(toolBar2, QStringLiteral("AttachC"), 201);
    rows->addWidget(toolBar2);

    RichEdit1 = new QTextEdit(NewPan);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    rows->addWidget(RichEdit1);

    NewProgressBar1 = new QProgressBar(NewPan);
    NewProgressBar1->setObjectName(QStringLiteral("NewProgressBar1"));
    NewProgressBar1->setGeometry(1, 81, 690, 24);
    NewProgressBar1->setTextVisible(false);
    NewProgressBar1->setValue(0);
    NewProgressBar1->hide();
    NewPan->installEventFilter(this);

    connect(toB, &QPushButton::clicked, this, &TForm1::ToBClick);
    connect(attachB, &QPushButton::clicked, this, &TForm1::AttachBClick);

    // Files dropped anywhere on the view are attached, on the editor and the fields too,
    // which would otherwise take their names as text.
    NewPan->setAcceptDrops(true);
    for (QWidget *target : {static_cast<QWidget *>(NewPan), RichEdit1->viewport(), static_cast<QWidget *>(SubjectE),
                            static_cast<QWidget *>(ToC->lineEdit()), static_cast<QWidget *>(AttachC->lineEdit()),
                            static_cast<QWidget *>(toolBar1), static_cast<QWidget *>(toolBar2)}) {
        target->setAcceptDrops(true);
        target->installEventFilter(this);
    }
}

QStringList TForm1::droppedFiles(const QEvent *event) const
{
    const QMimeData *data = nullptr;
    if (event->type() == QEvent::Drop)
        data = static_cast<const QDropEvent *>(event)->mimeData();
    else if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove)
        data = static_cast<const QDragMoveEvent *>(event)->mimeData();
    if (!data || !data->hasUrls())
        return {};
    QStringList paths;
    for (const QUrl &url : data->urls()) {
        if (!url.isLocalFile())
            return {}; // not files: the widget under the mouse takes it as it would
        paths << url.toLocalFile();
    }
    return paths;
}

bool TForm1::newViewDrop(QEvent *event)
{
    const QStringList paths = droppedFiles(event);
    if (paths.isEmpty())
        return false;
    if (event->type() == QEvent::Drop)
        static_cast<QDropEvent *>(event)->acceptProposedAction();
    else
        static_cast<QDragMoveEvent *>(event)->acceptProposedAction();
    if (event->type() == QEvent::Drop)
        AttachDropped(paths);
    return true;
}

void TForm1::AttachDropped(const QStringList &paths)
{
    run([this, paths] {
        QStringList folders;
        for (const QString &path : paths) {
            if (!fileExists(pathFromText(path)))
                folders << path;
        }
        if (!folders.isEmpty()) {
            showError(QStringLiteral("Only files can be attached; these are not: %1. Nothing was attached.")
                          .arg(folders.join(QStringLiteral(", "))));
            return;
        }
        std::vector<int> free;
        for (int k = 0; k < TMessageRecord::SlotCount; ++k) {
            if (m_state.AttachPaths[std::size_t(k)].isEmpty() && m_state.attachItems[k].isEmpty())
                free.push_back(k);
        }
        if (paths.size() > qsizetype(free.size())) {
            showError(QStringLiteral("A message carries at most ten attachments: %1 files were dropped and %2 of the "
                                     "ten slots are free. Nothing was attached.")
                          .arg(paths.size())
                          .arg(free.size()));
            return;
        }
        for (qsizetype i = 0; i < paths.size(); ++i) {
            const int slot = free[std::size_t(i)];
            const QString caption = attachmentCaption(paths[i]);
            m_state.AttachPaths[std::size_t(slot)] = paths[i];
            m_state.attachItems[slot] = caption;
            AttachC->setItemText(slot, caption);
            if (i + 1 == paths.size()) {
                AttachC->setCurrentIndex(slot);
                AttachC->setEditText(caption);
            }
        }
    });
}

void TForm1::NewObiClickExecute()
{
    run([this] {
        for (int k = 1; k <= TMessageRecord::SlotCount; ++k)
            *m_state.outgoing.field(TMessageRecord::attachNameOffset(k)) = 0;
        bringToFront(NewPan);
    });
}

void TForm1::ToBClick()
{
    run([this] {
        const int slot = pickedSlot(ToC);
        const int entry = m_state.AddressIndex;
        const bool valid = entry >= 0 && entry < int(m_state.addresses.size());
        const QString name = valid ? m_state.addresses[std::size_t(entry)].Name() : QString();
        m_state.toItems[slot] = name;
        ToC->setItemText(slot, name);
        ToC->setEditText(name);
    });
}

void TForm1::AttachBClick()
{
    run([this] {
        const QString path = m_dialogs.openFileName();
        if (path.isEmpty())
            return;
        const int slot = pickedSlot(AttachC);
        const QString caption = attachmentCaption(path);
        m_state.AttachPaths[std::size_t(slot)] = path;
        m_state.attachItems[slot] = caption;
        AttachC->setItemText(slot, caption);
        AttachC->setEditText(caption);
    });
}

void TForm1::ClearNewIExecute()
{
    run([this] {
        if (refusedWhileMailRuns())
            return;
        if (!m_dialogs.ask(TDialogs::Icon::Question, QStringLiteral("Confirm"),
                           QStringLiteral("Are you sure you want to clear this message?")))
            return;
        clearNewView();
    });
}

void TForm1::clearNewView()
{
    SubjectE->clear();
    for (QComboBox *combo : {ToC, AttachC}) {
        combo->setCurrentIndex(-1);
        combo->setEditText(QString());
    }
    for (int k = 0; k < TMessageRecord::SlotCount; ++k) {
        m_state.toItems[k].clear();
        ToC->setItemText(k, QString());
        m_state.attachItems[k].clear();
        AttachC->setItemText(k, QString());
        m_state.AttachPaths[std::size_t(k)].clear();
    }
    RichEdit1->clear();
    QTextCharFormat plain = RichEdit1->currentCharFormat();
    plain.setFontWeight(QFont::Normal);
    plain.setFontItalic(false);
    plain.setFontUnderline(false);
    RichEdit1->setCurrentCharFormat(plain);
}

QByteArray TForm1::newViewFingerprint() const
{
    QByteArray print = writeRtf(*RichEdit1->document());
    for (const QString &text : QStringList{SubjectE->text()} + m_state.toItems + m_state.attachItems)
        print += '\0' + text.toUtf8();
    for (const QString &path : m_state.AttachPaths)
        print += '\0' + path.toUtf8();
    return print;
}

bool TForm1::newViewUnsent() const
{
    return !newViewEmpty() && newViewFingerprint() != m_sentView;
}

bool TForm1::newViewEmpty() const
{
    const auto empty = [](const QStringList &slotTexts) {
        return std::all_of(slotTexts.begin(), slotTexts.end(), [](const QString &t) { return t.isEmpty(); });
    };
    return SubjectE->text().isEmpty() && RichEdit1->document()->isEmpty() && empty(m_state.toItems)
           && empty(m_state.attachItems);
}

bool TForm1::fillNewView(const QString &subject, const QTextDocument &body, const QString &recipient,
                         const QStringList &attachmentPaths)
{
    if (refusedWhileMailRuns())
        return false;
    if (!newViewEmpty()
        && !m_dialogs.ask(TDialogs::Icon::Question, QStringLiteral("Confirm"),
                          QStringLiteral("Are you sure you want to clear this message?")))
        return false;
    clearNewView();
    SubjectE->setText(subject);
    QTextCursor(RichEdit1->document()).insertFragment(QTextDocumentFragment(&body));
    for (int k = 0; k < std::min<int>(int(attachmentPaths.size()), TMessageRecord::SlotCount); ++k) {
        m_state.AttachPaths[std::size_t(k)] = attachmentPaths[k];
        m_state.attachItems[k] = attachmentCaption(attachmentPaths[k]);
        AttachC->setItemText(k, m_state.attachItems[k]);
    }
    FEGXOutlookBar1->setSelectedButton(0);
    FEGXOutlookBar1->setSelectedItem(0);
    NewObiClickExecute();
    if (recipient.isEmpty())
        return true;
    if (findAddressByName(m_state.addresses, recipient) < 0) {
        m_dialogs.message(TDialogs::Icon::Information, QStringLiteral("Quindle"),
                          QStringLiteral("%1 is not in the address book.").arg(recipient));
        return true;
    }
    m_state.toItems[0] = recipient;
    ToC->setItemText(0, recipient);
    ToC->setCurrentIndex(0);
    return true;
}

TNewView TForm1::newView() const
{
    TNewView view;
    view.bodyRtf = writeRtf(*RichEdit1->document());
    for (int k = 0; k < TMessageRecord::SlotCount; ++k) {
        view.toCaptions[std::size_t(k)] = m_state.toItems.value(k);
        view.attachCaptions[std::size_t(k)] = m_state.attachItems.value(k);
    }
    view.yourName = YourNameE->text();
    view.subject = SubjectE->text();
    view.addressFolder = m_state.settings.Addresses;
    view.pathMap = m_state.settings.pathMap;
    return view;
}

void TForm1::CreateMessageFileExecute()
{
    run([this] {
        const QString message = createMessageFile(m_programFolder, newView(), m_state.addresses, m_state.outgoing,
                                                  m_state.MessageReady);
        if (!message.isEmpty())
            m_dialogs.message(TDialogs::Icon::Error, QStringLiteral("Quindle"), message);
    });
}

void TForm1::SendExecute()
{
    run([this] {
        if (MailRunGuard::busy()) {
            m_dialogs.beep();
            return;
        }
        mailRunBegins(QStringLiteral("The message is being sent."));
        const auto ended = qScopeGuard([this] { mailRunEnded(); });
        if (sendMessage(m_state.outgoing, m_state.AttachPaths, m_state.addresses, mailCallbacks()).outcome
            == MailOutcome::Refused)
            m_dialogs.beep();
    });
}

QString TForm1::recipientProblem() const
{
    // Only filled slots are recipients; a name typed into To's field and never picked would
    // vanish from the message without a word.
    const QString typed = ToC->currentText();
    if (!typed.trimmed().isEmpty() && !m_state.toItems.contains(typed))
        return QStringLiteral("\"%1\" is typed in the To box but is not a recipient. Nothing was sent.\n%2")
            .arg(typed, HowToChooseRecipient);
    if (std::all_of(m_state.toItems.begin(), m_state.toItems.end(), [](const QString &t) { return t.isEmpty(); }))
        return QStringLiteral("The message has no recipient. Nothing was sent.\n%1").arg(HowToChooseRecipient);
    return {};
}

void TForm1::SendiExecute()
{
    run([this] {
        if (MailRunGuard::busy()) {
            m_dialogs.beep();
            return;
        }
        if (const QString problem = recipientProblem(); !problem.isEmpty()) {
            m_dialogs.message(TDialogs::Icon::Error, QStringLiteral("Quindle"), problem);
            return;
        }
        mailRunBegins(QStringLiteral("The message is being sent."));
        const auto ended = qScopeGuard([this] { mailRunEnded(); });
        const QByteArray sending = newViewFingerprint();
        const SendCommandReport report = sendCommand(m_programFolder, newView(), m_state.AttachPaths,
                                                     m_state.addresses, m_state.outgoing, m_state.MessageReady,
                                                     mailCallbacks());
        if (report.message == MessagesSentMessage && !report.sent.stopped)
            m_sentView = sending;
        if (report.outcome == MailOutcome::Refused) {
            m_dialogs.beep();
        } else if (report.outcome == MailOutcome::SettingsIncomplete) {
            settingsRefused();
        } else if (report.message == MessagesSentMessage && m_closeWhenDone) {
            // The window closes now: only an error would still be worth a box.
        } else if (report.message == MessagesSentMessage) {
            // The recipients that got nothing, and why, under the usual word.
            QStringList words{report.message};
            words += report.sent.notices;
            for (const RecipientResult &r : report.sent.recipients) {
                const QString unreached = unreachedText(r, report.sent.notices);
                if (!unreached.isEmpty())
                    words.append(unreached);
            }
            m_dialogs.message(words.size() == 1 ? TDialogs::Icon::Information : TDialogs::Icon::Warning,
                              QStringLiteral("Quindle"), words.join(QLatin1Char('\n')));
        } else if (!report.message.isEmpty()) {
            m_dialogs.message(TDialogs::Icon::Error, QStringLiteral("Quindle"), report.message);
        }
    });
}
