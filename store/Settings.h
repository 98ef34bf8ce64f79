#pragma once

#include "WindowsPaths.h"

#include <QString>

#include <string>

// Names in "main.ini", gathered once.
namespace SettingsNames {
inline const QString FileName = QStringLiteral("main.ini");
inline const QString SettingsSection = QStringLiteral("Settings");
inline const QString DestinationSection = QStringLiteral("Destination");
inline const QString Name = QStringLiteral("Name");
inline const QString MyDest = QStringLiteral("MyDest");
inline const QString Addresses = QStringLiteral("Addresses");
inline const QString InboxData = QStringLiteral("Inbox Data");
inline const QString AutoOptiAddress = QStringLiteral("Auto Opti Address");
inline const QString AutoOptiInbox = QStringLiteral("Auto Opti Inbox");
// Keys of this program's own; other copies never read them.
inline const QString CollectEvery = QStringLiteral("Collect Every");
inline const QString NewMailNotice = QStringLiteral("New Mail Notice");
} // namespace SettingsNames

// The six settings of one user, as the Settings view holds them.
struct TSettings
{
    QString Name;      // "Your Name"
    QString MyDest;    // "Your Inbox": the own inbox folder
    QString Addresses; // "Address List Folder"
    QString InboxData; // "Inbox Datafile Folder"
    bool AutoOptiAddress = false;
    bool AutoOptiInbox = false;
    int CollectEvery = 0;       // minutes between automatic collections; 0 = never
    bool NewMailNotice = true;  // tell the user when a collection brings mail
    // [Path Map]: the Windows folders of the office's address book and where they are here.
    PathMap pathMap;

    bool operator==(const TSettings &) const = default;
};

// Why Save must refuse the settings as they are: "Your Name" holds a character that
// Windows-1252 cannot (the message names it), or cannot be part of a drop file name. Empty
// when they may be saved. Drop files are named and found by this name, so a name no peer
// can spell would never receive mail.
QString settingsTextProblem(const TSettings &settings);

// programFolder ends with a separator; the file is programFolder + "main.ini".
std::string settingsFileName(const std::string &programFolder);
// Missing file or keys read as empty text and unchecked switches.
TSettings readSettings(const std::string &programFolder);
// Writes MyDest, Name, Addresses, Inbox Data, Auto Opti Address, Auto Opti Inbox in that
// order; a failed write throws "Unable to write to <path>" and the later values stay unwritten.
// Collect Every and New Mail Notice are stored only while they differ from their defaults,
// so a user who never changes them keeps the file every copy writes.
void saveSettings(const std::string &programFolder, const TSettings &settings);
