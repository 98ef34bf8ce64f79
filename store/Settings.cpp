#include "Settings.h"

#include "Paths.h"
#include "ProfileFile.h"

#include <algorithm>

using namespace SettingsNames;

std::string settingsFileName(const std::string &programFolder)
{
    return programFolder + pathFromText(FileName);
}

TSettings readSettings(const std::string &programFolder)
{
    const TProfileFile ini(settingsFileName(programFolder));
    TSettings settings;
    settings.MyDest = ini.ReadString(DestinationSection, MyDest, QString());
    settings.Name = ini.ReadString(SettingsSection, Name, QString());
    settings.Addresses = ini.ReadString(SettingsSection, Addresses, QString());
    settings.InboxData = ini.ReadString(SettingsSection, InboxData, QString());
    settings.AutoOptiAddress = ini.ReadBool(SettingsSection, AutoOptiAddress, false);
    settings.AutoOptiInbox = ini.ReadBool(SettingsSection, AutoOptiInbox, false);
    settings.CollectEvery = std::max(ini.ReadInteger(SettingsSection, CollectEvery, 0), 0);
    settings.NewMailNotice = ini.ReadBool(SettingsSection, NewMailNotice, true);
    return settings;
}

void saveSettings(const std::string &programFolder, const TSettings &settings)
{
    TProfileFile ini(settingsFileName(programFolder));
    ini.WriteString(DestinationSection, MyDest, settings.MyDest);
    ini.WriteString(SettingsSection, Name, settings.Name);
    ini.WriteString(SettingsSection, Addresses, settings.Addresses);
    ini.WriteString(SettingsSection, InboxData, settings.InboxData);
    ini.WriteBool(SettingsSection, AutoOptiAddress, settings.AutoOptiAddress);
    ini.WriteBool(SettingsSection, AutoOptiInbox, settings.AutoOptiInbox);
    if (settings.CollectEvery != 0)
        ini.WriteInteger(SettingsSection, CollectEvery, settings.CollectEvery);
    else
        ini.DeleteKey(SettingsSection, CollectEvery);
    if (!settings.NewMailNotice)
        ini.WriteBool(SettingsSection, NewMailNotice, false);
    else
        ini.DeleteKey(SettingsSection, NewMailNotice);
}
