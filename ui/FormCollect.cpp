#include "Unit1.h"

#include "Collect.h"
#include "Dialogs.h"
#include "DropFiles.h"
#include "FileOps.h"
#include "FeCapPnl.h"
#include "GX_Outlook.h"
#include "GridModels.h"
#include "IoError.h"
#include "MailArrival.h"
#include "NewMailNotice.h"
#include "Paths.h"

#include <QDateTime>
#include <QEvent>
#include <QLineEdit>
#include <QScopeGuard>
#include <QStackedWidget>

void TForm1::buildMailArrival()
{
    m_mailArrival = new MailArrival(
        windowIcon(),
        [this] { return fileExists(DropFileName(pathFromText(YourInBoxE->text()), YourNameE->text(), 1)); }, this);
    connect(m_mailArrival, &MailArrival::due, this, &TForm1::AutoCollect);
    connect(m_mailArrival->notice(), &TNewMailNotice::clicked, this, &TForm1::NewMailNoticeClick);
    connect(m_mailArrival->notice(), &TNewMailNotice::noticed, this, &TForm1::newMailNoticed);
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
    if (m_handlerDepth > 0 || MailRunGuard::busy())
        return m_mailArrival->retryLater();
    if (!m_state.inboxLoaded || !::OkToStartExecute(viewSettings()))
        return;
    // An error is said as the collection's notices are: once, not in a box every few minutes.
    run([this] { collect(true); }, [this](const QString &error) { tell(error, true, true); });
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
    if ((automatic && !m_mailArrival->sayOnce(text)) || text.isEmpty())
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
    TNewMailNotice *notice = m_mailArrival->notice();
    const bool looking = isActiveWindow() && frontView() == InBoxPan;
    if (!looking)
        notice->setCount(notice->count() + arrived);
    if (isActiveWindow())
        return;
    const TMessageRecord &first = m_state.inbox[std::size_t(m_firstArrived)];
    notice->notify(arrived == 1 ? QStringLiteral("1 new message") : QStringLiteral("%1 new messages").arg(arrived),
                   first.From() + QStringLiteral(": ") + first.Subject());
}

void TForm1::inboxLookedAt()
{
    m_mailArrival->notice()->setCount(0);
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
