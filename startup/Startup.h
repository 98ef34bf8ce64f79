#pragma once

#include "AddressRecord.h"
#include "Build.h"
#include "MessageRecord.h"
#include "Settings.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <string>

class InboxLock;

// The state start-up sets up for the window, which owns it for the program's life.
struct TStartupState
{
    TStartupState();
    ~TStartupState();
    TStartupState(const TStartupState &) = delete;
    TStartupState &operator=(const TStartupState &) = delete;

    std::string programFolder; // ends with a separator
    TSettings settings;        // what the Settings view's fields and check boxes hold
    std::string inboxFileName;
    std::string addressFileName;
    TInboxData inbox;
    // The inbox array holds the datafile's records: only then may a slot be written, since
    // the array tells which slots are free.
    bool inboxLoaded = false;
    TAddressData addresses;
    int inboxIndex = 0; // the current inbox index; -1 = none
    int AddressIndex = 0;
    TMessageRecord outgoing;
    TMessageRecord incoming;
    QStringList toItems;     // ToC's items: the recipient slots
    QStringList attachItems; // AttachC's items: the attachment slots
    TSlotTexts AttachPaths;
    int MessageReady = 0;
    // Held from the load of the inbox for as long as the state works on that datafile.
    std::unique_ptr<InboxLock> inboxLock;
    std::string lockedInboxFileName;
};

struct StartupReport
{
    // The settings check failed: bring the Settings view forward and beep. Nothing was loaded.
    bool settingsIncomplete = false;
    // Another copy of the program works on the inbox datafile: the window shows
    // InboxInUseMessage; the inbox stays empty and the datafile untouched.
    bool inboxInUse = false;
    // The address list was loaded: run AddressPopulate.
    bool addressesLoaded = false;
};

// The settings check of the Settings view's four texts now: "Your Inbox", "Inbox Datafile
// Folder" and "Address List Folder" name existing folders and "Your Name" is not empty.
// When it answers false the window brings the Settings view forward and beeps.
bool OkToStartExecute(const QString &yourInBox, const QString &inBoxLoc, const QString &addresLoc,
                      const QString &yourName);
bool OkToStartExecute(const TSettings &view);

// The work of StartupExecute on the window's state: reads programFolder + "main.ini" into
// the settings, forms the two file names, and when the settings are complete loads (and
// creates when missing) the inbox datafile and the address list; fills the slot lists to
// ten entries in every case. An IoError ends it where it stands, with what was loaded so far.
StartupReport StartupExecute(TStartupState &state, const std::string &programFolder);

// After the copy that held the inbox datafile has let it go: takes its lock and loads it
// as start-up would have, for the settings start-up read. Answers whether the inbox is
// loaded now; false, with nothing changed, while another copy still holds it. An IoError
// of the load leaves the inbox unloaded.
bool retakeInbox(TStartupState &state);
