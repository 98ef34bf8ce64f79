#include "Unit1.h"

#include "Paths.h"
#include "WindowsPaths.h"

#include "AddressFile.h"
#include "Dialogs.h"
#include "FeCapPnl.h"
#include "FolderText.h"
#include "FormParts.h"
#include "GX_Outlook.h"
#include "GridModels.h"

#include <QStackedWidget>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int InBoxFieldWidth = 177; // where the inbox folder field rests
}

void TForm1::buildAddressViews()
{
    AddressPan = FormParts::viewPanel(m_stack, QStringLiteral("AddressPan"), QStringLiteral("Address List"));
    auto *rows = FormParts::viewRows(AddressPan);
    QToolBar *toolBar6 = FormParts::toolBar(AddressPan, QStringLiteral("ToolBar6"));
    QToolButton *remove = FormParts::plainButton(toolBar6, QStringLiteral("DeleteAdrI"), ImageListToolBar->Picture(1),
                                                 QStringLiteral("Delete Address"));
    QToolButton *pack = FormParts::plainButton(toolBar6, QStringLiteral("PackAddressI"), ImageListToolBar->Picture(2),
                                               QStringLiteral("Compress & Optimise Address book"));
    connect(remove, &QToolButton::clicked, this, &TForm1::DeleteAdrIClick);
    connect(pack, &QToolButton::clicked, this, &TForm1::PackAddressIClick);
    rows->addWidget(toolBar6);

    m_addressModel = new TAddressGridModel(m_state.addresses, this);
    m_addressModel->setGridRowCount(1000);
    AddressG = FormParts::grid(AddressPan, QStringLiteral("AddressG"), m_addressModel, {113, 316, 384, 64});
    AddressG->setSelectionMode(QAbstractItemView::ContiguousSelection);
    AddressG->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // The four widths add up to more than the view: Comment gives way, so that Server is seen.
    AddressG->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    rows->addWidget(AddressG);
    connect(AddressG->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &TForm1::AddressGClick);
    connect(AddressG, &QTableView::doubleClicked, this, &TForm1::AddressGDblClick);

    AddressPan2 = FormParts::viewPanel(m_stack, QStringLiteral("AddressPan2"), QStringLiteral("Address Edit"));
    QWidget *view = AddressPan2;
    AddressNameE = FormParts::labelledEdit(view, QStringLiteral("AddressNameE"), QStringLiteral("Name"), 40, 56,
                                           InBoxFieldWidth);
    AddressInBoxE = FormParts::labelledEdit(view, QStringLiteral("AddressInBoxE"), QStringLiteral("Quindle Inbox"),
                                            40, 120, InBoxFieldWidth);
    QPushButton *browse = FormParts::button(view, QStringLiteral("AddressInBoxB"), QStringLiteral("Browse"), 40, 144,
                                            65, 25);
    AddressCommentE = FormParts::labelledEdit(view, QStringLiteral("AddressCommentE"), QStringLiteral("Comment"), 40,
                                              200, InBoxFieldWidth);
    AddressServer = FormParts::checkBox(view, QStringLiteral("AddressServer"), QStringLiteral("Use as Server"), 40, 248,
                                        97);

    auto *editRows = FormParts::viewRows(AddressPan2);
    editRows->addStretch();
    auto *strip = new QWidget(AddressPan2);
    strip->setObjectName(QStringLiteral("AddressButtonStrip"));
    strip->setFixedHeight(41);
    editRows->addWidget(strip);
    QPushButton *newB = FormParts::button(strip, QStringLiteral("Button4"), QStringLiteral("New"), 258, 8, 75, 25);
    QPushButton *saveB = FormParts::button(strip, QStringLiteral("Button5"), QStringLiteral("Save"), 346, 8, 75, 25);

    const QList<QWidget *> tabOrder{AddressNameE, AddressInBoxE, AddressCommentE, browse, AddressServer, newB, saveB};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    for (QWidget *w : {static_cast<QWidget *>(AddressPan2), static_cast<QWidget *>(AddressInBoxE)}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
    connect(browse, &QPushButton::clicked, this, &TForm1::AddressInBoxBClick);
    connect(newB, &QPushButton::clicked, this, &TForm1::AddressNewBClick);
    connect(saveB, &QPushButton::clicked, this, &TForm1::AddressSaveBClick);
}

void TForm1::AdrObiClickExecute()
{
    run([this] {
        bringToFront(AddressPan);
        m_gridRefresh = true;
        const auto done = qScopeGuard([this] { m_gridRefresh = false; });
        m_addressModel->setGridRowCount(int(m_state.addresses.size()) + 1);
        setCurrentElement(*AddressG, std::min(m_state.AddressIndex, m_addressModel->rowCount() - 1));
        AddressPopulateExecute();
    });
}

void TForm1::AddressPopulateExecute()
{
    run([this] {
        m_addressModel->refresh();
    });
}

void TForm1::AddressGClick()
{
    run([this] {
        if (!m_gridRefresh)
            m_state.AddressIndex = currentElement(*AddressG);
    });
}

void TForm1::AddressGDblClick()
{
    run([this] {
        AddressGClick();
        FEGXOutlookBar1->setSelectedButton(0);
        FEGXOutlookBar1->setSelectedItem(2);
        adrObiClk2Execute();
    });
}

void TForm1::adrObiClk2Execute()
{
    run([this] {
        bringToFront(AddressPan2);
        const int i = m_state.AddressIndex;
        const TAddressRec entry = i >= 0 && i < int(m_state.addresses.size()) ? m_state.addresses[std::size_t(i)]
                                                                              : TAddressRec{};
        AddressNameE->setText(entry.Name());
        AddressInBoxE->setText(entry.InBox());
        AddressCommentE->setText(entry.Comment());
        AddressServer->setChecked(entry.Server() != 0);
    });
}

void TForm1::AddressNewBClick()
{
    run([this] {
        if (refusedWhileMailRuns())
            return;
        m_state.AddressIndex = newAddressEntry(m_state.addresses);
        adrObiClk2Execute();
    });
}

void TForm1::AddressSaveBClick()
{
    run([this] {
        if (refusedWhileMailRuns())
            return;
        // Other copies may rely on an entry written without the separator, so it is only
        // added when the user says so.
        const QString folder = AddressInBoxE->text();
        if (FolderText::lacksSeparator(folder)) {
            const QChar separator = FolderText::separatorOf(folder);
            const QString text =
                QStringLiteral("The folder %1 does not end with \"%2\". As it stands, mail for %3 is written into "
                               "the folder above, %4, as %5 + number + \".qdm\".\nAdd the \"%2\"?")
                    .arg(folder, separator, AddressNameE->text(), FolderText::folderAbove(folder),
                         FolderText::lastComponent(folder) + AddressNameE->text());
            if (m_dialogs.ask(TDialogs::Icon::Question, QStringLiteral("Quindle"), text))
                AddressInBoxE->setText(FolderText::withSeparator(folder));
        }
        // A folder under a mapped one is stored as the office's Windows copies name it.
        const QString windows = windowsFormOf(AddressInBoxE->text(), m_state.settings.pathMap);
        if (!windows.isEmpty())
            AddressInBoxE->setText(windows);
        AddressFields fields;
        fields.Name = AddressNameE->text();
        fields.InBox = AddressInBoxE->text();
        fields.Comment = AddressCommentE->text();
        fields.Server = AddressServer->isChecked();
        const QString message = saveAddressEntry(m_state.addresses, m_state.AddressIndex, fields,
                                                 m_state.addressFileName, m_addressWork);
        if (message == AddressSavedMessage)
            m_dialogs.message(TDialogs::Icon::Information, QStringLiteral("Quindle"), message);
        else if (!message.isEmpty())
            m_dialogs.message(TDialogs::Icon::Error, QStringLiteral("Quindle"), message);
    });
}

void TForm1::AddressInBoxBClick()
{
    run([this] { browseInto(AddressInBoxE, false); });
}

void TForm1::DeleteAdrIClick()
{
    run([this] {
        if (refusedWhileMailRuns())
            return;
        const int i = m_state.AddressIndex;
        if (i < 0 || i >= int(m_state.addresses.size())) {
            m_dialogs.message(TDialogs::Icon::Error, QStringLiteral("Error"), CannotDeleteMessage);
            return;
        }
        if (!m_dialogs.ask(TDialogs::Icon::Warning, QStringLiteral("Warning"),
                           QStringLiteral("Are you sure you want to delete this Address?")))
            return;
        {
            // The emptied row shows even when writing the entry fails.
            const auto refresh = qScopeGuard([this] { AdrObiClickExecute(); });
            deleteAddressEntry(m_state.addresses, i, m_state.addressFileName);
        }
        if (AutoOAdress->isChecked())
            PackAddressIClick();
        m_state.AddressIndex = currentElement(*AddressG);
    });
}

void TForm1::PackAddressIClick()
{
    run([this] {
        if (refusedWhileMailRuns())
            return;
        packAddresses(m_state.addressFileName, m_state.addresses, m_state.AddressIndex);
        AdrObiClickExecute();
    });
}

void TForm1::AddressInBoxEMouseMove()
{
    run([this] {
        widen(AddressInBoxE, 2);
    });
}

void TForm1::AddressPan2MouseMove()
{
    run([this] {
        narrow(AddressInBoxE, InBoxFieldWidth);
    });
}

QString TForm1::whereAddressLeads() const
{
    const QString text = AddressInBoxE->text();
    if (!isWindowsPath(text))
        return QString();
    const LocalFolder local = resolveFolderText(text, m_state.settings.pathMap);
    if (!local.problem.isEmpty())
        return local.problem;
    if (local.folder.isOpen())
        return QStringLiteral("Here: %1").arg(textFromPath(local.path));
    return QStringLiteral("Here: %1 (%2)").arg(textFromPath(local.path), textFromPath(local.folder.why()));
}
