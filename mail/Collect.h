#pragma once

#include "MailCallbacks.h"
#include "AddressRecord.h"
#include "MessageRecord.h"

#include <string>

struct TSettings;

struct CollectReport
{
    MailOutcome outcome = MailOutcome::Done;
    int collected = 0; // messages taken into the inbox
    // The window selects the InBox item and runs InBoxObi when this is set.
    bool showInBox = false;
};

// Collect mail, the work of CheckiExecute: the drop files for view.Name in the own inbox
// folder view.MyDest, then in every server folder of the address list in order, each into
// the first free slot of the inbox and of the datafile inboxFileName. An IoError ends the
// collection where it stands; what was taken before stays taken. The caller holds the
// inbox lock of inboxFileName.
CollectReport collectMail(const TSettings &view, const std::string &inboxFileName, TInboxData &inbox,
                          TMessageRecord &incoming, const TAddressData &addresses,
                          const MailCallbacks &callbacks = {});
