#include "Startup.h"

#include "AddressFile.h"
#include "DropFiles.h"
#include "InboxFile.h"
#include "PrivateFiles.h"
#include "SettingsCheck.h"

TStartupState::TStartupState() = default;
TStartupState::~TStartupState() = default;

bool OkToStartExecute(const QString &yourInBox, const QString &inBoxLoc, const QString &addresLoc,
                      const QString &yourName)
{
    TSettings view;
    view.MyDest = yourInBox;
    view.InboxData = inBoxLoc;
    view.Addresses = addresLoc;
    view.Name = yourName;
    return OkToStartExecute(view);
}

bool OkToStartExecute(const TSettings &view)
{
    return checkSettings(view) == SettingsProblem::None;
}

StartupReport StartupExecute(TStartupState &state, const std::string &programFolder)
{
    StartupReport report;
    state.programFolder = programFolder;
    state.inbox.clear();
    state.inboxLoaded = false;
    state.settings = readSettings(programFolder);
    state.inboxFileName = inboxFileName(state.settings.InboxData);
    // Files of the user's that an older version left readable by others become private.
    narrowPrivateFiles(programFolder, state.settings.InboxData.isEmpty() ? std::string() : state.inboxFileName);

    // Ten recipient and ten attachment slots whatever happens below.
    const auto fillSlots = [&state] {
        while (state.attachItems.size() < TMessageRecord::SlotCount)
            state.attachItems.append(QString());
        while (state.toItems.size() < TMessageRecord::SlotCount)
            state.toItems.append(QString());
    };

    if (!OkToStartExecute(state.settings)) {
        report.settingsIncomplete = true;
        fillSlots();
        return report;
    }

    // Saving the settings runs start-up again: a lock on the same datafile is kept (taking
    // it a second time would fail against ourselves), one on another datafile let go.
    if (!state.inboxLock || state.lockedInboxFileName != state.inboxFileName) {
        state.inboxLock.reset();
        state.inboxLock = InboxLock::tryAcquire(state.inboxFileName);
        state.lockedInboxFileName = state.inboxLock ? state.inboxFileName : std::string();
    }
    try {
        if (state.inboxLock) {
            state.inbox = loadInbox(state.inboxFileName);
            state.inboxLoaded = true;
        } else
            report.inboxInUse = true;

        state.addressFileName = addressFileName(state.settings.Addresses);
        state.addresses = loadAddresses(state.addressFileName);
        report.addressesLoaded = true;
        state.AddressIndex = 0;
        state.inboxIndex = 0;
        for (int k = 1; k <= TMessageRecord::SlotCount; ++k)
            state.outgoing.field(TMessageRecord::toFolderOffset(k))[0] = 0;
    } catch (...) {
        fillSlots();
        throw;
    }
    fillSlots();
    return report;
}

bool retakeInbox(TStartupState &state)
{
    if (state.inboxLoaded)
        return true;
    if (state.inboxFileName.empty() || !OkToStartExecute(state.settings))
        return false;
    if (!state.inboxLock || state.lockedInboxFileName != state.inboxFileName) {
        state.inboxLock = InboxLock::tryAcquire(state.inboxFileName);
        state.lockedInboxFileName = state.inboxLock ? state.inboxFileName : std::string();
    }
    if (!state.inboxLock)
        return false;
    state.inbox = loadInbox(state.inboxFileName);
    state.inboxLoaded = true;
    state.inboxIndex = 0;
    return true;
}
