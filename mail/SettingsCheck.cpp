#include "SettingsCheck.h"

#include "FileOps.h"
#include "Paths.h"
#include "Settings.h"

SettingsProblem checkSettings(const TSettings &view)
{
    if (!folderExists(pathFromText(view.MyDest)))
        return SettingsProblem::YourInboxMissing;
    if (!folderExists(pathFromText(view.InboxData)))
        return SettingsProblem::InboxDataMissing;
    if (!folderExists(pathFromText(view.Addresses)))
        return SettingsProblem::AddressFolderMissing;
    if (view.Name.isEmpty())
        return SettingsProblem::YourNameEmpty;
    return SettingsProblem::None;
}

QString settingsProblemText(SettingsProblem problem)
{
    switch (problem) {
    case SettingsProblem::None:
        return {};
    case SettingsProblem::YourInboxMissing:
        return QStringLiteral("The settings are incomplete: \"Your Inbox\" is not an existing folder");
    case SettingsProblem::InboxDataMissing:
        return QStringLiteral("The settings are incomplete: \"Inbox Datafile Folder\" is not an existing folder");
    case SettingsProblem::AddressFolderMissing:
        return QStringLiteral("The settings are incomplete: \"Address List Folder\" is not an existing folder");
    case SettingsProblem::YourNameEmpty:
        return QStringLiteral("The settings are incomplete: \"Your Name\" is empty");
    }
    return {};
}
