#pragma once

#include "MailCallbacks.h"
#include "AddressRecord.h"
#include "IoError.h"
#include "MessageRecord.h"

#include <QStringList>

#include <cstdint>
#include <utility>
#include <vector>

#include <string>

struct TSettings;

inline constexpr int PumpMilliseconds = 50;
// ... and after at most this many names listed or drop files looked for, however fast.
inline constexpr int PumpSteps = 256;

struct CollectReport
{
    MailOutcome outcome = MailOutcome::Done;
    int collected = 0;  // messages flushed into the inbox whose drop files are gone
    int notRemoved = 0; // messages taken into the inbox whose drop files could not be deleted
    // The account that owned each drop file taken, by the hash of the record as its slot
    // holds it; empty where the folder's file system keeps no owners.
    std::vector<std::pair<std::uint64_t, QString>> accounts;
    // The window selects the InBox item and runs InBoxObi when this is set.
    bool showInBox = false;
    // Ended early because the callbacks asked it to; what is left waits for the next run.
    bool stopped = false;
    // One line each for what the collection went past and left where it was: a drop file or
    // attachment that is no plain file (a link, a pipe), a drop file a dead sender left short,
    // an attachment missing from its server folder. The window shows them after the
    // collection; the tool prints them.
    QStringList notices;
};

// What ends a collection with an IoError: what() and code() are the error's own, and
// report() tells what was done before it (messages taken, notices).
class CollectError : public IoError
{
public:
    CollectError(const IoError &error, CollectReport report)
        : IoError(error)
        , m_report(std::move(report))
    {
    }
    const CollectReport &report() const { return m_report; }

private:
    CollectReport m_report;
};

// Collect mail, the work of CheckiExecute: the drop files for view.Name in the own inbox
// folder view.MyDest, then in every server folder of the address list in order, each into
// the first free slot of the inbox and of the datafile inboxFileName. In each folder the
// numbers run from 1 to the first one missing, and then the user's drop files with higher
// numbers follow in numeric order, except one that another address book name could claim
// too. An IoError ends the collection where it stands as a CollectError; what was taken
// before stays taken. The caller holds the inbox lock of inboxFileName.
//
// Events are processed at least every PumpMilliseconds, and after at most PumpSteps names,
// between drop files and between the names of a folder's listing (a single file, flush or
// name may take longer); countProgress is told how far it has come each time once the
// waiting drop files are counted, and stopRequested is asked after every message.
//
// The window may change the inbox and the address list while events are processed: the
// collection works on a copy of the server folders and names taken at its start, looks up
// the inbox anew after each pump and writes through the datafile's current name.
CollectReport collectMail(const TSettings &view, const std::string &inboxFileName, TInboxData &inbox,
                          TMessageRecord &incoming, const TAddressData &addresses,
                          const MailCallbacks &callbacks = {});

// Beside the datafile: the drop files whose records are written to the datafile but that
// are not yet deleted, so a collection killed before it deleted them does not take them twice.
std::string takingJournalName(const std::string &inboxFileName);
// Beside the datafile: the drop files taken whose folders would not let them be deleted,
// with a hash of each record, so they are not taken again while they stay.
std::string takenListName(const std::string &inboxFileName);
