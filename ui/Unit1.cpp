#include "Unit1.h"

#include "BodySearch.h"
#include "Collect.h"
#include "Dialogs.h"
#include "DropFiles.h"
#include "FeCapPnl.h"
#include "FileOps.h"
#include "FormParts.h"
#include "GXOutlookStream.h"
#include "GX_Outlook.h"
#include "IoError.h"
#include "MailCallbacks.h"
#include "Paths.h"
#include "ProfileFile.h"
#include "Settings.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenuBar>
#include <QTimer>
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QScopeGuard>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <climits>
#include <utility>

namespace {


} // namespace

// The pictures are compiled into the static ui library, whose resources need starting. The
// window's font is asked for by its classic name; where it is missing, a face of the same
// widths keeps the texts within the places the views give them.
static void initResources()
{
    Q_INIT_RESOURCE(icons);
    Q_INIT_RESOURCE(layout);
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"),
                                QStringLiteral("Arimo"), QStringLiteral("Arial")});
}

TForm1::TForm1(const std::string &programFolder, TDialogs &dialogs, QWidget *parent)
    : QMainWindow(parent)
    , m_dialogs(dialogs)
    , m_programFolder(programFolder)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Quindle"));
    QFont windowFont(QStringLiteral("MS Sans Serif"));
    windowFont.setStyleHint(QFont::SansSerif);
    windowFont.setPixelSize(11);
    setFont(windowFont);

    initResources();
    buildImageLists();
    buildActions();
    buildMailArrival();
    buildFrame();
    // The stack from bottom to top; the last view added is in front at start.
    buildSettingsView();
    buildInBoxView();
    buildMailReaderView();
    buildNewView();
    buildAddressViews();
    for (TFECaptionPanel *view : {SettingsPan, InBoxPan, MailReaderPan, NewPan, AddressPan, AddressPan2})
        m_stack->addWidget(view);
    m_stack->setCurrentWidget(AddressPan2);
    buildShortcuts();
    buildMenuBar();
    // A toolbar's style sheet keeps the window's font from the controls it hosts: they get
    // it by name.
    for (QToolBar *bar : findChildren<QToolBar *>()) {
        for (QWidget *hosted : bar->findChildren<QWidget *>())
            hosted->setFont(font());
    }

    // The client area below the menu bar; the window manager adds its frame around it.
    resize(792, 454 + menuBar()->sizeHint().height());
    restorePlace();
    StartupExecute();
}

TForm1::~TForm1() = default;

void TForm1::buildFrame()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(client);
    auto *rows = new QVBoxLayout(client);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);

    ToolBar4 = FormParts::toolBar(client, QStringLiteral("ToolBar4"));
    auto *collect = FormParts::plainButton(ToolBar4, QStringLiteral("ToolButton4"), ImageListToolBar->Picture(0),
                                           QStringLiteral("Collect Mail"));
    connect(collect, &QToolButton::clicked, Checki, &QAction::trigger);
    ToolBar4->addSeparator();
    CollectProgressBar = new QProgressBar(ToolBar4);
    CollectProgressBar->setObjectName(QStringLiteral("CollectProgressBar"));
    CollectProgressBar->setAccessibleName(QStringLiteral("Messages collected"));
    CollectProgressBar->setFixedSize(220, 21);
    CollectProgressBar->setAlignment(Qt::AlignCenter);
    m_collectProgressShown = ToolBar4->addWidget(CollectProgressBar);
    m_collectProgressShown->setVisible(false);
    rows->addWidget(ToolBar4);

    auto *columns = new QHBoxLayout;
    columns->setContentsMargins(0, 0, 0, 0);
    columns->setSpacing(0);
    rows->addLayout(columns);
    FEGXOutlookBar1 = new TFEGXOutlookBar(client);
    FEGXOutlookBar1->setObjectName(QStringLiteral("FEGXOutlookBar1"));
    FEGXOutlookBar1->setFixedWidth(100);
    TGXStreamNames names;
    names.action = [this](const QString &name) { return findChild<QAction *>(name, Qt::FindDirectChildrenOnly); };
    names.images = [this](const QString &name) {
        return name == QLatin1String("ImageList1") ? ImageList1 : nullptr;
    };
    names.changing = [this](const QString &name) -> TGXOutlookChangingEvent {
        if (name != QLatin1String("FEGXOutlookBar1Changing"))
            return {};
        return [this](QObject *sender, bool &canChange) { FEGXOutlookBar1Changing(sender, canChange); };
    };
    // The buttons and items are stored with the window, as the bar's layout text.
    QFile stored(QStringLiteral(":/layout/FEGXOutlookBar1.layout"));
    QString error;
    if (!stored.open(QIODevice::ReadOnly)
        || !readOutlookBar(*FEGXOutlookBar1, QString::fromUtf8(stored.readAll()), names, &error))
        qFatal("The navigation bar's layout does not read: %s", qPrintable(error));
    columns->addWidget(FEGXOutlookBar1);

    m_stack = new QStackedWidget(client);
    m_stack->setObjectName(QStringLiteral("Views"));
    columns->addWidget(m_stack);
}

void TForm1::run(const std::function<void()> &work, const std::function<void(const QString &)> &onError)
{
    if (m_handlerDepth > 0) {
        work();
        return;
    }
    ++m_handlerDepth;
    const auto leave = qScopeGuard([this] { --m_handlerDepth; });
    try {
        work();
    } catch (const std::exception &error) {
        const QString text = QString::fromLocal8Bit(error.what());
        if (onError)
            onError(text);
        else
            showError(text);
    }
}

void TForm1::showError(const QString &text)
{
    m_dialogs.message(TDialogs::Icon::Error, QStringLiteral("Quindle"), text);
}

bool TForm1::refusedWhileMailRuns()
{
    if (!MailRunGuard::busy())
        return false;
    m_dialogs.beep();
    return true;
}

bool TForm1::refusedWithoutInbox()
{
    if (m_state.inboxLoaded)
        return false;
    // The copy that held it may have closed since start-up: try once more before refusing.
    if (m_inboxInUse && retakeInbox(m_state)) {
        m_inboxInUse = false;
        inboxTaken();
        return false;
    }
    showError(m_inboxInUse ? inboxInUseMessage(m_state.inboxFileName)
                           : QStringLiteral("The inbox datafile is not loaded. Save the settings to load it."));
    return true;
}

void TForm1::processEvents()
{
    const int depth = std::exchange(m_handlerDepth, 0);
    QCoreApplication::processEvents();
    m_handlerDepth = depth;
}

MailCallbacks TForm1::mailCallbacks()
{
    MailCallbacks callbacks;
    callbacks.processEvents = [this] { processEvents(); };
    callbacks.showProgress = [this](std::int64_t maximum) {
        NewProgressBar1->setVisible(true);
        m_progressShift = 0;
        while ((maximum >> m_progressShift) > INT_MAX)
            ++m_progressShift;
        m_progressPosition = 0;
        NewProgressBar1->setMaximum(int(maximum >> m_progressShift));
    };
    callbacks.advanceProgress = [this](std::int64_t step) {
        m_progressPosition += step;
        NewProgressBar1->setValue(int(std::min<std::int64_t>(m_progressPosition >> m_progressShift,
                                                             NewProgressBar1->maximum())));
    };
    callbacks.hideProgress = [this] {
        NewProgressBar1->setVisible(false);
        NewProgressBar1->setValue(0);
    };
    callbacks.countProgress = [this](int done, int waiting) {
        m_collectProgressShown->setVisible(true);
        CollectProgressBar->setMaximum(std::max(waiting, 1));
        CollectProgressBar->setValue(done);
        CollectProgressBar->setFormat(countText(done, waiting));
    };
    callbacks.stopRequested = [this] { return m_stopAfterMessage; };
    return callbacks;
}

void TForm1::mailRunBegins(const QString &work)
{
    m_mailWork = work;
    m_stopAfterMessage = false;
}

void TForm1::mailRunEnded()
{
    m_mailWork.clear();
    m_stopAfterMessage = false;
    m_collectProgressShown->setVisible(false);
    CollectProgressBar->reset();
    // Closed after the handler that ran the work has returned.
    if (std::exchange(m_closeWhenDone, false)) {
        m_closeConfirmed = true;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

void TForm1::closeEvent(QCloseEvent *event)
{
    if (!m_mailWork.isEmpty()) {
        // The work runs in a handler below this event: the window waits for it to return.
        event->ignore();
        if (m_closeWhenDone)
            return;
        const int choice = m_dialogs.choose(
            TDialogs::Icon::Question, QStringLiteral("Quindle"),
            QStringLiteral("%1\nStop after the current message, or wait until all of it is done? Quindle closes then.")
                .arg(m_mailWork),
            {QStringLiteral("Stop after this message"), QStringLiteral("Wait until it is done")});
        m_stopAfterMessage = choice == 0;
        m_closeWhenDone = choice >= 0;
        return;
    }
    const bool confirmed = std::exchange(m_closeConfirmed, false);
    if (!confirmed && newViewUnsent()
        && !m_dialogs.ask(TDialogs::Icon::Question, QStringLiteral("Quindle"),
                          QStringLiteral("The message in the New view has not been sent. Close Quindle all the same?"))) {
        event->ignore();
        return;
    }
    savePlace();
    QMainWindow::closeEvent(event);
}

namespace {
// The window's place in "main.ini": keys of this program's own, which other copies ignore.
const QString PlaceSection = QStringLiteral("Window");
const QString PlaceKeys[] = {QStringLiteral("Left"), QStringLiteral("Top"), QStringLiteral("Width"),
                             QStringLiteral("Height")};
const QString MaximizedKey = QStringLiteral("Maximized");
} // namespace

void TForm1::restorePlace()
{
    const TProfileFile ini(settingsFileName(m_programFolder));
    for (int i = 0; i < 4; ++i)
        m_place[i] = ini.ReadInteger(PlaceSection, PlaceKeys[i], INT_MIN);
    m_placeMaximized = ini.ReadBool(PlaceSection, MaximizedKey, false);
    const QRect place(m_place[0], m_place[1], m_place[2], m_place[3]);
    if (m_place[2] >= 200 && m_place[3] >= 150 && m_place[0] != INT_MIN && m_place[1] != INT_MIN) {
        resize(place.size());
        // Only onto a screen that is there now.
        if (QGuiApplication::screenAt(place.center()))
            move(place.topLeft());
    }
    if (m_placeMaximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TForm1::savePlace()
{
    const bool maximized = isMaximized();
    const int now[] = {x(), y(), width(), height()};
    try {
        TProfileFile ini(settingsFileName(m_programFolder));
        // A maximized window keeps the place it returns to.
        for (int i = 0; i < 4 && !maximized; ++i) {
            if (now[i] != m_place[i])
                ini.WriteInteger(PlaceSection, PlaceKeys[i], now[i]);
        }
        if (maximized != m_placeMaximized)
            ini.WriteBool(PlaceSection, MaximizedKey, maximized);
    } catch (const IoError &) {
        // Where "main.ini" cannot be written, the next start only opens at the usual place.
    }
}

void TForm1::bringToFront(TFECaptionPanel *panel)
{
    m_stack->setCurrentWidget(panel);
}

TFECaptionPanel *TForm1::frontView() const
{
    return static_cast<TFECaptionPanel *>(m_stack->currentWidget());
}

bool TForm1::OkToStartExecute()
{
    if (::OkToStartExecute(viewSettings())) {
        SettingsProblemL->clear();
        return true;
    }
    settingsRefused();
    return false;
}

void TForm1::FEGXOutlookBar1Changing(QObject *, bool &CanChange)
{
    CanChange = OkToStartExecute();
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        if (watched->isWidgetType() && NewPan->isAncestorOf(static_cast<QWidget *>(watched)) && newViewDrop(event))
            return true;
        if (watched == NewPan && newViewDrop(event))
            return true;
        break;
    case QEvent::MouseMove:
        if (watched == YourInBoxE)
            YourInBoxEMouseMove();
        else if (watched == AddresLocE)
            AddresLocEMouseMove();
        else if (watched == InBoxLocE)
            InBoxLocEMouseMove();
        else if (watched == SettingsPan)
            SettingsPanMouseMove();
        else if (watched == AddressInBoxE)
            AddressInBoxEMouseMove();
        else if (watched == AddressPan2)
            AddressPan2MouseMove();
        break;
    case QEvent::ToolTip:
        if (watched == AddressInBoxE)
            AddressInBoxE->setToolTip(whereAddressLeads());
        break;
    case QEvent::Enter:
        if (watched == ReaderAttachL)
            ReaderAttachLMouseEnter();
        break;
    case QEvent::Resize:
        // Anchored controls keep their distance from the view's bottom or right edge.
        if (watched == SettingsPan)
            m_saveHolder->move(m_saveHolder->x(), SettingsPan->height() - 42);
        else if (watched == NewPan)
            NewProgressBar1->resize(NewPan->width() - 2, NewProgressBar1->height());
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

// What of a line edit's width its text cannot use: the frame, the text margins and the
// few pixels the edit keeps on each side and for the cursor.
static int editChrome(const QLineEdit *field)
{
    QStyleOptionFrame frame;
    frame.initFrom(field);
    frame.rect = field->rect();
    frame.lineWidth = field->hasFrame() ? field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, field) : 0;
    frame.midLineWidth = 0;
    frame.state |= QStyle::State_Sunken;
    const QRect contents = field->style()->subElementRect(QStyle::SE_LineEditContents, &frame, field)
                               .marginsRemoved(field->textMargins());
    constexpr int InnerMargins = 2 * 2; // QLineEdit's own margin on either side
    const int cursor = field->style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, field);
    return field->width() - contents.width() + InnerMargins + cursor;
}

void TForm1::widen(QLineEdit *field, int margin)
{
    const int textWidth = QFontMetrics(font()).horizontalAdvance(field->text()) + editChrome(field);
    // One pixel at a time, painted at once, so the field visibly slides open.
    while (field->width() < textWidth + margin) {
        field->resize(field->width() + 1, field->height());
        field->repaint();
    }
}

void TForm1::narrow(QLineEdit *field, int restingWidth)
{
    while (field->width() > restingWidth) {
        field->resize(field->width() - 1, field->height());
        field->repaint();
    }
}

void TForm1::browseInto(QLineEdit *field, bool startFromField)
{
    if (startFromField)
        m_rememberedFolder = field->text();
    const QString initial = folderExists(pathFromText(m_rememberedFolder)) ? m_rememberedFolder : QString();
    const QString chosen = m_dialogs.browseFolder(QStringLiteral("Select Directory"), initial);
    if (chosen.isEmpty())
        return;
    m_rememberedFolder = chosen;
    field->setText(QDir::toNativeSeparators(chosen) + QDir::separator());
}
