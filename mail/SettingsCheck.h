#pragma once

#include <QString>

struct TSettings;

// The first of the four tests of the settings check that fails, in the order they run.
enum class SettingsProblem {
    None,
    YourInboxMissing,     // "Your Inbox" names no existing folder
    InboxDataMissing,     // "Inbox Datafile Folder" names no existing folder
    AddressFolderMissing, // "Address List Folder" names no existing folder
    YourNameEmpty,
};

// Runs the check on the texts the Settings view holds now (saved or not). The switches
// take no part.
SettingsProblem checkSettings(const TSettings &view);

// A line for people who cannot see the Settings view (the command line).
QString settingsProblemText(SettingsProblem problem);
