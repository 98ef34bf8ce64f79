#include "Unit1.h"

#include "Dialogs.h"
#include "FeCapPnl.h"
#include "FormParts.h"
#include "GXImageList.h"
#include "GridModels.h"
#include "InboxFile.h"
#include "RtfCodec.h"

#include <QStackedWidget>
#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QScopeGuard>
#include <QTableView>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// A value label has a fixed width that cuts a longer text at its right edge; a caption label
// fits its text, which the window's font may make wider than the width given.
QLabel *stripLabel(QToolBar *strip, const QString &name, const QString &text, int width)
{
    auto *label = new QLabel(text, strip);
    label->setObjectName(name);
    label->setFixedWidth(text.isEmpty() ? width : std::max(width, label->sizeHint().width()));
    strip->addWidget(label);
    return label;
}

} // namespace

void TForm1::buildInBoxView()
{
    InBoxPan = FormParts::viewPanel(m_stack, QStringLiteral("InBoxPan"), QStringLiteral("InBox"));
    auto *rows = FormParts::viewRows(InBoxPan);
    QToolBar *toolBar5 = FormParts::toolBar(InBoxPan, QStringLiteral("ToolBar5"));
    action("InboxDeleteMsg")->setIcon(ImageListToolBar->Picture(1));
    FormParts::actionButton(toolBar5, QStringLiteral("DeleteInboxMsgI"), action("InboxDeleteMsg"));
    QToolButton *pack = FormParts::plainButton(toolBar5, QStringLiteral("PackInboxI"), ImageListToolBar->Picture(2),
                                               QStringLiteral("Compress & Optimise inbox"),
                                               QStringLiteral("Compact Inbox"));
    connect(pack, &QToolButton::clicked, this, &TForm1::PackInboxIClick);
    QToolButton *collect = FormParts::plainButton(toolBar5, QStringLiteral("Checki2"), ImageListToolBar->Picture(0),
                                                  QString(), QStringLiteral("Collect Mail"));
    connect(collect, &QToolButton::clicked, action("Checki"), &QAction::trigger);
    rows->addWidget(toolBar5);

    m_inboxModel = new TInboxGridModel(m_state.inbox, this);
    m_inboxModel->setGridRowCount(1000);
    InBoxG = FormParts::grid(InBoxPan, QStringLiteral("InBoxG"), m_inboxModel, {64, 173, 151, 309});
    InBoxG->setSelectionMode(QAbstractItemView::SingleSelection);
    InBoxG->horizontalHeader()->setSectionsMovable(true);
    rows->addWidget(InBoxG);
    connect(InBoxG->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &TForm1::InBoxGClick);
    connect(InBoxG, &QTableView::doubleClicked, this, &TForm1::InBoxGDblClick);
}

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

    ReadRichEdit = new QTextEdit(MailReaderPan);
    ReadRichEdit->setObjectName(QStringLiteral("ReadRichEdit"));
    ReadRichEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    rows->addWidget(ReadRichEdit);
}

void TForm1::InBoxObiExecute()
{
    run([this] {
        bringToFront(InBoxPan);
        {
            // The grid keeps its selected row within the new row count.
            const int kept = currentElement(*InBoxG);
            m_gridRefresh = true;
            const auto done = qScopeGuard([this] { m_gridRefresh = false; });
            m_inboxModel->setGridRowCount(int(m_state.inbox.size()) + 1);
            m_inboxModel->refresh();
            if (currentElement(*InBoxG) < 0)
                setCurrentElement(*InBoxG, std::min(std::max(kept, 0), m_inboxModel->rowCount() - 1));
        }
        m_state.inboxIndex = currentElement(*InBoxG);
    });
}

void TForm1::InBoxGClick()
{
    run([this] {
        if (!m_gridRefresh)
            m_state.inboxIndex = currentElement(*InBoxG);
    });
}

void TForm1::InBoxGDblClick()
{
    run([this] {
        InBoxGClick();
        action("MailReaderObi")->trigger();
    });
}

void TForm1::MailReaderObiExecute()
{
    run([this] {
        bringToFront(MailReaderPan);
        const int i = m_state.inboxIndex;
        if (i < 0 || i >= int(m_state.inbox.size())) {
            ReadRichEdit->clear();
            for (QLabel *label : {ReaderFromL, ReaderSubjectL, ReaderAttachL})
                label->clear();
            return;
        }
        const TMessageRecord &message = m_state.inbox[std::size_t(i)];
        readRtf(message.Body(), *ReadRichEdit->document());
        ReaderFromL->setText(message.From());
        ReaderSubjectL->setText(message.Subject());
        ReaderAttachL->setText(m_inboxModel->index(i, 2).data().toString());
    });
}

void TForm1::ReaderAttachLMouseEnter()
{
    run([this] {
        ReaderAttachL->setToolTip(ReaderAttachL->text());
    });
}

void TForm1::InboxDeleteMsgExecute()
{
    run([this] {
        if (refusedWhileMailRuns() || refusedWithoutInbox())
            return;
        const int i = m_state.inboxIndex;
        if (i < 0 || i >= int(m_state.inbox.size())) {
            m_dialogs.message(TDialogs::Icon::Error, QStringLiteral("Error"), QStringLiteral("You can not delete this"));
            return;
        }
        if (!m_dialogs.ask(TDialogs::Icon::Warning, QStringLiteral("Warning"),
                           QStringLiteral("Are you sure you want to delete this message?")))
            return;
        {
            // The cleared row shows even when writing the slot fails.
            const auto refresh = qScopeGuard([this] { InBoxObiExecute(); });
            deleteInboxMessage(m_state.inbox, i, m_state.outgoing, m_state.inboxFileName);
        }
        if (AutoOInbox->isChecked())
            PackInboxIClick();
    });
}

void TForm1::PackInboxIClick()
{
    run([this] {
        if (refusedWhileMailRuns() || refusedWithoutInbox())
            return;
        packInbox(m_state.inboxFileName, m_state.inbox, m_state.outgoing);
        InBoxObiExecute();
    });
}
