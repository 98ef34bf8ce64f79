#pragma once

#include "Build.h"
#include "MailCallbacks.h"

#include <QStringList>

#include <vector>

// Where one recipient slot's message went.
struct RecipientResult
{
    QString name;
    QString folder;      // the address entry's folder text, as other copies read it
    QStringList reached; // the folders a drop file went into: its own, or server folders
    QString problem;     // why its own folder was not reached; empty when it was
};

// "not reached: Ben: F:\X\BEN\ (here /mnt/x/BEN/): ... does not exist, and no server folder
// took it" for a recipient whose message went nowhere; empty for one that was reached or
// whose name a notice already refused.
QString unreachedText(const RecipientResult &result, const QStringList &notices);

struct SendReport
{
    MailOutcome outcome = MailOutcome::Done;
    int dropFiles = 0;        // drop files written, one per destination folder and slot
    int attachmentCopies = 0; // attachment copies made and counted
    // One line each for a slot that got nothing because its recipient name cannot be part of
    // a drop file name (a folder separator, "..", a control character), and for an attachment
    // whose file was not there when it was to be copied for a recipient, which that
    // recipient's message went without (its drop file does not name it). The window shows
    // them with "Messages Sent"; the tool prints them and fails.
    QStringList notices;
    int attachmentsLeftOut = 0; // the second kind, counted once a destination folder
    std::vector<RecipientResult> recipients; // one per slot with a folder, in slot order
    // The callbacks asked it to stop: the slots after the last one handled got nothing.
    bool stopped = false;
};

// The work of SendExecute: delivers the outgoing record for every slot k whose ToFolders
// entry is not empty, into that folder when it exists, else into every server folder.
// In each destination the slot's attachments are copied and counted before the drop file
// is written, so no collector takes a message whose attachment is not yet complete.
// AttachPaths[j - 1] goes with AttachNames[j]. In a folder where a different file already
// bears an attachment's name, the copy takes the next free "name (n).ext" and that folder's
// drop file names it so. When a drop file cannot be written, the counts of the attachments
// copied for it are taken back. Refused while another send or collection runs. An IoError
// ends the send at once; what was written before stays. The send works on copies of the
// record, the paths and the address list taken at its start, as the window may change them
// while events are processed. stopRequested is asked before each slot.
SendReport sendMessage(const TMessageRecord &outgoing, const TSlotTexts &AttachPaths, const TAddressData &addresses,
                       const MailCallbacks &callbacks = {});

struct SendCommandReport
{
    MailOutcome outcome = MailOutcome::Done;
    // What the window shows: MessagesSentMessage, or BodyTooLongMessage or EmptyBodyMessage
    // (nothing sent).
    QString message;
    SendReport sent;
};

// The work of SendiExecute: createMessageFile, then, when MessageReady is 1, sendMessage.
// Both run under one guard, so a second send cannot rebuild the record being sent. With an
// empty view.yourName nothing is built or sent (SettingsIncomplete).
SendCommandReport sendCommand(const std::string &programFolder, const TNewView &view, const TSlotTexts &AttachPaths,
                              const TAddressData &addresses, TMessageRecord &outgoing, int &MessageReady,
                              const MailCallbacks &callbacks = {});
