#pragma once

#include <QString>

#include <cstdint>
#include <functional>

// What a long operation tells the window while it runs. Any member may be left empty.
struct MailCallbacks
{
    // Let the window process pending events (repaint, move the progress bar).
    std::function<void()> processEvents;
    // Make the progress bar visible, then set its maximum.
    std::function<void(std::int64_t maximum)> showProgress;
    std::function<void(std::int64_t step)> advanceProgress;
    // Hide the progress bar and set its position back to 0.
    std::function<void()> hideProgress;
    // How far a collection has come: messages taken of those it found waiting, told before
    // events are processed.
    std::function<void(int done, int waiting)> countProgress;
    // Asked after each message: true ends the run there, as if nothing more were waiting.
    std::function<bool()> stopRequested;

    void pump() const
    {
        if (processEvents)
            processEvents();
    }
    void show(std::int64_t maximum) const
    {
        if (showProgress)
            showProgress(maximum);
    }
    void advance(std::int64_t step) const
    {
        if (advanceProgress)
            advanceProgress(step);
    }
    void hide() const
    {
        if (hideProgress)
            hideProgress();
    }
    bool stop() const { return stopRequested && stopRequested(); }
};

// A count as the window shows it, "12,345 of 100,000": in the user's locale, its groups
// always marked (the C locale leaves them out by default).
QString countText(int done, int of);

// How an operation ended when it did not end with an IoError.
enum class MailOutcome {
    Done,
    // Another send or collection is under way: the window beeps; nothing was changed.
    Refused,
    // The settings check failed: the window brings the Settings view forward and beeps.
    SettingsIncomplete,
};

// Only one send or collection runs at a time in a process: they share the copy buffer and
// the inbox, and the window processes events (so takes clicks) while one runs.
class MailRunGuard
{
public:
    MailRunGuard();
    ~MailRunGuard();
    MailRunGuard(const MailRunGuard &) = delete;
    MailRunGuard &operator=(const MailRunGuard &) = delete;

    bool acquired() const { return m_acquired; }
    static bool busy();

private:
    bool m_acquired = false;
};
