#pragma once

#include "AddressRecord.h"
#include "MessageRecord.h"
#include "WindowsPaths.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <string>

inline const QString BodyFileTitle = QStringLiteral("tmprtf.tmp");
inline const QString BodyTooLongMessage = QStringLiteral("Sorry your message body is too long");
inline const QString MessagesSentMessage = QStringLiteral("Messages Sent");
inline const QString PlaceholderText = QStringLiteral("not yet avalable");
inline const QString EmptyBodyMessage = QStringLiteral("The message body is empty: nothing was sent");

// Ten slots, index 0 = slot 1.
using TSlotTexts = std::array<QString, TMessageRecord::SlotCount>;

// What the New view holds when Send is pressed.
struct TNewView
{
    QByteArray bodyRtf;        // RichEdit1 saved as rich text by the RTF writer
    TSlotTexts toCaptions;     // ToC items 0..9
    TSlotTexts attachCaptions; // AttachC items 0..9
    QString yourName;          // YourNameE, read now
    QString subject;           // SubjectE
    // The address list's folder, where the office records each person's account: mail left
    // in a server folder is shared with the recipient's account alone.
    QString addressFolder;
    // [Path Map] of main.ini: where the Windows folders of the address book are here.
    PathMap pathMap;
};

// The work of CreateMessageFileExecute. Starts from an all-zero record, so nothing of an
// earlier message or of an inbox record passed through it travels in unused bytes. The
// body is written to a file of this build's own in the program folder, read back from it,
// Ctrl+Z ending it, and that file then becomes programFolder + "tmprtf.tmp": builds running
// at once from one program folder never read each other's body. Sets MessageReady to 1
// when the body fits and to 0 when it is too long; it keeps its value for an empty body.
// Returns the message to show: BodyTooLongMessage or empty. The record is complete in
// both cases. Throws IoError when the body file fails, its message naming the file.
QString createMessageFile(const std::string &programFolder, const TNewView &view, const TAddressData &addresses,
                          TMessageRecord &outgoing, int &MessageReady);

// The file-name part of a picked path: everything after the last folder separator.
QString attachmentCaption(const QString &path);
