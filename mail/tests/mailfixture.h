#pragma once

#include "AddressRecord.h"
#include "Build.h"
#include "Collect.h"
#include "MessageRecord.h"
#include "Send.h"
#include "Settings.h"
#include "tempfolders.h"

#include <QString>

#include <map>
#include <string>
#include <vector>

inline QString qs(const char *text) { return QString::fromUtf8(text); }
inline QString qs(const std::string &text) { return QString::fromStdString(text); }

struct AddressEntry
{
    std::string name;
    std::string folder;
    bool server = false;
};

// Writes the address list file "address list.qda" in folder.
void writeAddressList(const std::string &folder, const std::vector<AddressEntry> &entries);
TAddressData makeAddresses(const std::vector<AddressEntry> &entries);

// A record as a sender builds it, with the attachment names given.
TMessageRecord makeRecord(const std::string &from, const std::string &subject,
                          const std::vector<std::string> &attachNames = {});
std::string recordBytes(const TMessageRecord &record);

// Reports of the callbacks, in order: "pump", "show N", "advance N", "hide".
struct CallbackLog
{
    std::vector<std::string> events;
    MailCallbacks callbacks();
    int count(const std::string &event) const;
    std::vector<std::string> progressOnly() const; // without the pumps
};

// One copy of the program: its own program folder, inbox folder and datafile folder, with
// the address list folder shared by everybody.
struct User
{
    User(const std::string &name, const std::string &programFolder, const std::string &inboxFolder,
         const std::string &dataFolder, const std::string &addressFolder);

    TSettings settings;
    std::string programFolder;
    std::string datafile;
    TInboxData inbox;
    TAddressData addresses;
    TMessageRecord outgoing;
    TMessageRecord incoming;
    int MessageReady = 0;

    void reloadAddresses();
    // Builds and sends what a New view with these recipients and attachment paths holds.
    SendCommandReport send(const std::vector<std::string> &to, const std::string &subject,
                           const std::vector<std::string> &attachPaths = {}, const std::string &body = "{\\rtf1 hi}");
    CollectReport collect(const MailCallbacks &callbacks = {});
    // Subjects of the inbox slots, "" for a free slot.
    std::vector<std::string> subjects() const;
    // The datafile's records read back from disk.
    std::vector<std::string> datafileSubjects() const;
};

// The names of the plain files and folders directly in folder, sorted.
std::vector<std::string> listFolder(const std::string &folder);
// The value of key in section "attachments" of folder's Attach.ini, or "-" when missing.
std::string attachCount(const std::string &folder, const std::string &name);
