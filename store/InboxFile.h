#pragma once

#include "MessageRecord.h"

#include <QString>

#include <string>

class InboxLock;

inline const QString InboxFileTitle = QStringLiteral("InBox.qdi");

// The "Inbox Data" folder text followed directly by "InBox.qdi".
std::string inboxFileName(const QString &inboxDataFolder);

// Every whole record of the datafile, in order. A missing file is first created holding
// one empty record.
TInboxData loadInbox(const std::string &fileName);

// Writes the record into slot i of the existing datafile; i equal to the slot count
// appends one.
void writeInboxSlot(const std::string &fileName, int i, const TMessageRecord &record);

// Clears a message in place: From, Placeholder1, Placeholder2 and Subject lengths, all
// body bytes and every AttachNames length. The slot is then free.
void clearInboxMessage(TMessageRecord &record);

// Deletes message i: clears element i, copies it into the scratch (outgoing) record and
// writes it to slot i. The caller refreshes the view and compacts when asked to.
void deleteInboxMessage(TInboxData &inbox, int i, TMessageRecord &scratch, const std::string &fileName);

// Removes the free slots from the datafile, writing the kept records once to a new file
// beside it that replaces it, and reloads the array. A failure at any step leaves the
// complete old or the complete new datafile. The scratch record ends holding the last
// record read. A datafile with no message left holds one empty record.
// The lock on the datafile, when given, moves onto the new file before it takes the name.
void packInbox(const std::string &fileName, TInboxData &inbox, TMessageRecord &scratch, InboxLock *lock = nullptr);
