#pragma once

#include "Build.h"
#include "MailCallbacks.h"

struct SendReport
{
    MailOutcome outcome = MailOutcome::Done;
    int dropFiles = 0;        // drop files written, one per destination folder and slot
    int attachmentCopies = 0; // attachment copies made and counted
};

// The work of SendExecute: delivers the outgoing record for every slot k whose ToFolders
// entry is not empty, into that folder when it exists, else into every server folder.
// In each destination the slot's attachments are copied and counted before the drop file
// is written, so no collector takes a message whose attachment is not yet complete.
// AttachPaths[j - 1] goes with AttachNames[j]. Refused while another send or collection
// runs. An IoError ends the send at once; what was written before stays.
SendReport sendMessage(const TMessageRecord &outgoing, const TSlotTexts &AttachPaths, const TAddressData &addresses,
                       const MailCallbacks &callbacks = {});

struct SendCommandReport
{
    MailOutcome outcome = MailOutcome::Done;
    // What the window shows: MessagesSentMessage, or BodyTooLongMessage (nothing sent).
    QString message;
    SendReport sent;
};

// The work of SendiExecute: createMessageFile, then, when MessageReady is 1, sendMessage.
// Both run under one guard, so a second send cannot rebuild the record being sent. With an
// empty view.yourName nothing is built or sent (SettingsIncomplete).
SendCommandReport sendCommand(const std::string &programFolder, const TNewView &view, const TSlotTexts &AttachPaths,
                              const TAddressData &addresses, TMessageRecord &outgoing, int &MessageReady,
                              const MailCallbacks &callbacks = {});
