#include "Unit1.h"

#include "Collect.h"
#include "Dialogs.h"
#include "DropFiles.h"
#include "FileOps.h"
#include "FeCapPnl.h"
#include "GX_Outlook.h"
#include "GridModels.h"
#include "IoError.h"
#include "NewMailNotice.h"
#include "Paths.h"

#include <QDateTime>
#include <QEvent>
#include <QFileSystemWatcher>
#include <QLineEdit>
#include <QScopeGuard>
#include <QStackedWidget>
#include <QTimer>

namespace {
// Drop files of one send land one after another; collect once they have settled.
constexpr int SettleMilliseconds = 1000;
} // namespace

void TForm1::buildMailArrival()
{
    m_notice = new TNewMailNotice(windowIcon(), this);
    connect(m_notice, &TNewMailNotice::clicked, this, &TForm1::NewMailNoticeClick);
    connect(m_notice, &TNewMailNotice::noticed, this, &TForm1::newMailNoticed);
    m_collectTimer = new QTimer(this);
    m_collectTimer->setObjectName(QStringLiteral("CollectTimer"));
    connect(m_collectTimer, &QTimer::timeout, this, &TForm1::AutoCollect);
    m_settleTimer = new QTimer(this);
    m_settleTimer->setObjectName(QStringLiteral("SettleTimer"));
    m_settleTimer->setSingleShot(true);
    m_settleTimer->setInterval(SettleMilliseconds);
    connect(m_settleTimer, &QTimer::timeout, this, &TForm1::AutoCollect);
    m_inboxWatcher = new QFileSystemWatcher(this);
    connect(m_inboxWatcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        const std::string first = DropFileName(pathFromText(YourInBoxE->text()), YourNameE->text(), 1);
        if (fileExists(first))
            m_settleTimer->start();
    });
}

void TForm1::configureMailArrival()
{
    m_notice->setEnabled(m_state.settings.NewMailNotice);
    if (!m_inboxWatcher->directories().isEmpty())
        m_inboxWatcher->removePaths(m_inboxWatcher->directories());
    const int minutes = m_state.inboxLoaded ? m_state.settings.CollectEvery : 0;
    if (minutes <= 0) {
        m_collectTimer->stop();
        m_settleTimer->stop();
        return;
    }
    m_collectTimer->start(minutes * 60 * 1000);
    // Where the folder cannot be watched (some network file systems), the interval alone.
    m_inboxWatcher->addPath(m_state.settings.MyDest);
}

void TForm1::CheckiExecute()
{
    run([this] {
        if (refusedWhileMailRuns() || !OkToStartExecute() || refusedWithoutInbox())
            return;
        collect(false);
    });
}

void TForm1::AutoCollect()
{
    // A box is open in the middle of a handler, or mail runs: try again once it is over.
    if (m_handlerDepth > 0 || MailRunGuard::busy()) {
        m_settleTimer->start();
        return;
    }
    if (!m_state.inboxLoaded || !::OkToStartExecute(viewSettings()))
        return;
    ++m_handlerDepth;
    const auto leave = qScopeGuard([this] { --m_handlerDepth; });
    try {
        collect(true);
    } catch (const std::exception &error) {
        tell(QString::fromLocal8Bit(error.what()), true, true);
    }
}

void TForm1::collect(bool automatic)
{
    if (MailRunGuard::busy()) {
        if (!automatic)
            m_dialogs.beep();
        return;
    }
    mailRunBegins(QStringLiteral("Mail is being collected."));
    const auto ended = qScopeGuard([this] { mailRunEnded(); });
    CollectReport report;
    QString failure;
    try {
        report = collectMail(viewSettings(), m_state.inboxFileName, m_state.inbox, m_state.incoming,
                             m_state.addresses, mailCallbacks());
    } catch (const CollectError &error) {
        // What was taken before the error is in the inbox all the same: dated and listed.
        report = error.report();
        failure = QString::fromLocal8Bit(error.what());
        if (report.collected > 0)
            failure += QStringLiteral("\n%1 collected before the error.")
                           .arg(report.collected == 1 ? QStringLiteral("1 message was")
                                                      : QStringLiteral("%1 messages were").arg(report.collected));
    }
    const int arrived = syncMarks();
    // Which account delivered each message, for the Mail Reader.
    if (m_marks.setAccounts(report.accounts))
        saveMarks();
    if (report.outcome == MailOutcome::Refused && !automatic)
        m_dialogs.beep();
    else if (report.outcome == MailOutcome::SettingsIncomplete && !automatic)
        OkToStartExecute();
    if (arrived > 0)
        announce(arrived);
    if (m_closeWhenDone) {
        // The window closes now: only an error is still said.
        if (!failure.isEmpty())
            showError(failure);
        return;
    }
    if (report.showInBox && !automatic) {
        FEGXOutlookBar1->setSelectedButton(0);
        FEGXOutlookBar1->setSelectedItem(4);
        InBoxObiExecute();
    } else if (frontView() == InBoxPan && report.collected > 0) {
        InBoxObiExecute(); // already in front: only its list changes
    }
    // What the collection went past and left where it was, and what ended it.
    QStringList words = report.notices;
    if (!failure.isEmpty())
        words.prepend(failure);
    tell(words.join(QLatin1Char('\n')), !failure.isEmpty(), automatic);
}

void TForm1::tell(const QString &text, bool error, bool automatic)
{
    if (automatic) {
        // Said once, not every few minutes while the cause lasts.
        const bool said = text == m_autoCollectSaid;
        m_autoCollectSaid = text;
        if (said)
            return;
    }
    if (text.isEmpty())
        return;
    if (error)
        showError(text);
    else
        m_dialogs.message(TDialogs::Icon::Warning, QStringLiteral("Quindle"), text);
}

int TForm1::syncMarks()
{
    if (!m_state.inboxLoaded)
        return 0;
    const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
    if (!m_marks.update(m_state.inbox, now))
        return 0;
    saveMarks();
    int arrived = 0;
    for (int i = 0; i < m_marks.size(); ++i) {
        if (!m_marks[i].known || m_marks[i].received != now || m_marks[i].free)
            continue;
        if (arrived++ == 0)
            m_firstArrived = i;
    }
    return arrived;
}

void TForm1::saveMarks()
{
    try {
        m_marks.save();
    } catch (const IoError &) {
        // The marks are a convenience: a folder where they cannot be written only loses them.
    }
}

void TForm1::announce(int arrived)
{
    const bool looking = isActiveWindow() && frontView() == InBoxPan;
    if (!looking)
        m_notice->setCount(m_notice->count() + arrived);
    if (isActiveWindow())
        return;
    const TMessageRecord &first = m_state.inbox[std::size_t(m_firstArrived)];
    m_notice->notify(arrived == 1 ? QStringLiteral("1 new message") : QStringLiteral("%1 new messages").arg(arrived),
                     first.From() + QStringLiteral(": ") + first.Subject());
}

void TForm1::inboxLookedAt()
{
    m_notice->setCount(0);
}

void TForm1::NewMailNoticeClick()
{
    run([this] {
        showNormal();
        raise();
        activateWindow();
        FEGXOutlookBar1->setSelectedButton(0);
        FEGXOutlookBar1->setSelectedItem(4);
        InBoxObiExecute();
        inboxLookedAt();
    });
}

void TForm1::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && frontView() == InBoxPan)
        inboxLookedAt();
    QMainWindow::changeEvent(event);
}
