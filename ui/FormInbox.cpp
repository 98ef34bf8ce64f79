#include "Unit1.h"

#include "Dialogs.h"
#include "FeCapPnl.h"
#include "FormParts.h"
#include "GXImageList.h"
#include "BodySearch.h"
#include "GridModels.h"
#include "InboxAttachments.h"
#include "InboxFile.h"
#include "MailCallbacks.h"
#include "Paths.h"
#include "RtfCodec.h"

#include <QStackedWidget>
#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTableView>
#include <QTimer>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

void TForm1::buildInBoxView()
{
    InBoxPan = FormParts::viewPanel(m_stack, QStringLiteral("InBoxPan"), QStringLiteral("InBox"));
    auto *rows = FormParts::viewRows(InBoxPan);
    QToolBar *toolBar5 = FormParts::toolBar(InBoxPan, QStringLiteral("ToolBar5"));
    InboxDeleteMsg->setIcon(ImageListToolBar->Picture(1));
    FormParts::actionButton(toolBar5, QStringLiteral("DeleteInboxMsgI"), InboxDeleteMsg);
    QToolButton *pack = FormParts::plainButton(toolBar5, QStringLiteral("PackInboxI"), ImageListToolBar->Picture(2),
                                               QStringLiteral("Compress & Optimise inbox"),
                                               QStringLiteral("Compact Inbox"));
    connect(pack, &QToolButton::clicked, this, &TForm1::PackInboxIClick);
    QToolButton *collect = FormParts::plainButton(toolBar5, QStringLiteral("Checki2"), ImageListToolBar->Picture(0),
                                                  QString(), QStringLiteral("Collect Mail"));
    connect(collect, &QToolButton::clicked, Checki, &QAction::trigger);
    toolBar5->addSeparator();
    InBoxSearchE = new QLineEdit(toolBar5);
    InBoxSearchE->setObjectName(QStringLiteral("InBoxSearchE"));
    InBoxSearchE->setPlaceholderText(QStringLiteral("Search senders, subjects and texts"));
    InBoxSearchE->setAccessibleName(QStringLiteral("Search senders, subjects and texts"));
    InBoxSearchE->setClearButtonEnabled(true);
    InBoxSearchE->setFixedWidth(220);
    toolBar5->addWidget(InBoxSearchE);
    connect(InBoxSearchE, &QLineEdit::textChanged, this, &TForm1::InBoxSearchEChange);
    // While the texts of the messages are first read for the search, how far it has come.
    InBoxSearchL = new QLabel(toolBar5);
    InBoxSearchL->setObjectName(QStringLiteral("InBoxSearchL"));
    m_searchReadingShown = toolBar5->addWidget(InBoxSearchL);
    m_searchReadingShown->setVisible(false);
    m_bodySearch = std::make_unique<BodySearch>();
    m_bodyTimer = new QTimer(this);
    m_bodyTimer->setObjectName(QStringLiteral("BodyReadingTimer"));
    m_bodyTimer->setSingleShot(true);
    connect(m_bodyTimer, &QTimer::timeout, this, &TForm1::readBodies);
    rows->addWidget(toolBar5);

    m_inboxModel = new TInboxGridModel(m_state.inbox, m_marks, this);
    m_inboxModel->setBodySearch(m_bodySearch.get());
    m_inboxModel->setGridRowCount(1000);
    InBoxG = FormParts::grid(InBoxPan, QStringLiteral("InBoxG"), m_inboxModel, {64, 173, 151, 309});
    InBoxG->setSelectionMode(QAbstractItemView::SingleSelection);
    QFont bold = InBoxG->font();
    bold.setBold(true);
    m_inboxModel->setBoldFont(bold);
    QHeaderView *header = InBoxG->horizontalHeader();
    header->setSectionsMovable(true);
    // A click on a column's header sorts by it, the next click the other way round.
    header->setSectionsClickable(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setSortIndicatorShown(true);
    connect(header, &QHeaderView::sortIndicatorChanged, this, &TForm1::InBoxGSort);
    rows->addWidget(InBoxG);
    connect(InBoxG->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &TForm1::InBoxGClick);
    connect(InBoxG, &QTableView::doubleClicked, this, &TForm1::InBoxGDblClick);
}

void TForm1::InBoxObiExecute()
{
    run([this] {
        bringToFront(InBoxPan);
        // The grid keeps its selected row within the new row count.
        const int kept = currentElement(*InBoxG);
        reshowInBox([this] {
            m_inboxModel->setGridRowCount(int(m_state.inbox.size()) + 1);
            m_inboxModel->refresh();
        }, kept);
        if (isActiveWindow())
            inboxLookedAt();
        QTimer::singleShot(0, m_inboxModel, [this] { m_inboxModel->prepareKeys(); });
        if (!InBoxSearchE->text().isEmpty())
            readBodiesSoon();
    });
}

void TForm1::readBodiesSoon()
{
    m_bodySearch->follow(m_state.inbox, m_marks);
    if (!m_bodySearch->ready() && !m_bodyTimer->isActive())
        m_bodyTimer->start(0);
}

void TForm1::readBodies()
{
    // A piece at a time, so that typing and painting go on meanwhile.
    constexpr int PieceMilliseconds = 20;
    m_bodySearch->follow(m_state.inbox, m_marks);
    const bool done = m_bodySearch->prepare(m_state.inbox, PieceMilliseconds);
    InBoxSearchL->setText(QStringLiteral(" Reading the texts: ")
                          + countText(m_bodySearch->readCount(), m_bodySearch->slotCount()));
    m_searchReadingShown->setVisible(!done);
    if (!done) {
        m_bodyTimer->start(0);
        return;
    }
    run([this] {
        const int kept = m_state.inboxIndex;
        reshowInBox([this] { m_inboxModel->refilter(); }, kept);
    });
}

void TForm1::reshowInBox(const std::function<void()> &change, int kept)
{
    {
        m_gridRefresh = true;
        const auto done = qScopeGuard([this] { m_gridRefresh = false; });
        change();
        if (currentElement(*InBoxG) < 0) {
            const int rows = m_inboxModel->rowCount();
            const int row = m_inboxModel->rowOfElement(std::max(kept, 0));
            InBoxG->setCurrentIndex(rows == 0 ? QModelIndex()
                                              : m_inboxModel->index(row >= 0 ? row : std::min(std::max(kept, 0), rows - 1),
                                                                    std::max(InBoxG->currentIndex().column(), 0)));
        }
    }
    m_state.inboxIndex = currentElement(*InBoxG);
}

void TForm1::InBoxSearchEChange(const QString &text)
{
    run([this, &text] {
        if (!text.isEmpty())
            readBodiesSoon();
        const int kept = m_state.inboxIndex;
        reshowInBox([this, &text] { m_inboxModel->setFilter(text); }, kept);
    });
}

void TForm1::InBoxGSort(int column, Qt::SortOrder order)
{
    run([this, column, order] {
        const int kept = m_state.inboxIndex;
        reshowInBox([this, column, order] { m_inboxModel->sort(column, order); }, kept);
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
        MailReaderObi->trigger();
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
            const auto refresh = qScopeGuard([this] {
                syncMarks();
                InBoxObiExecute();
            });
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
        packInbox(m_state.inboxFileName, m_state.inbox, m_state.outgoing, m_state.inboxLock.get());
        // The marks move with their messages, on disk too: the next start reads them there.
        m_marks.compacted();
        saveMarks();
        syncMarks();
        InBoxObiExecute();
        // The attachments of the messages compacted away go from the own inbox folder.
        const std::string ownFolder = pathFromText(YourInBoxE->text());
        const AttachmentCleanup cleanup = removeUnusedAttachments(ownFolder, m_state.inbox);
        QStringList said = cleanup.notices;
        if (cleanup.removed > 0)
            said.prepend(attachmentCleanupText(ownFolder, cleanup));
        if (!said.isEmpty())
            m_dialogs.message(TDialogs::Icon::Information, QStringLiteral("Quindle"), said.join(QLatin1Char('\n')));
    });
}
