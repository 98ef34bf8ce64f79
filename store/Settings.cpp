#include "Settings.h"

#include "Cp1252.h"
#include "DropFiles.h"
#include "Paths.h"
#include "ProfileFile.h"

#include <algorithm>

using namespace SettingsNames;

std::string settingsFileName(const std::string &programFolder)
{
    return programFolder + pathFromText(FileName);
}

QString settingsTextProblem(const TSettings &settings)
{
    const QString refusal = cp1252RefusalMessage(QStringLiteral("\"Your Name\""), settings.Name);
    if (!refusal.isEmpty())
        return refusal;
    if (!settings.Name.isEmpty() && !isPlainFileName(settings.Name))
        return QStringLiteral("\"Your Name\" cannot be part of a drop file name: it is \".\" or \"..\", or holds a "
                              "folder separator or a control character. Nothing was saved.");
    return QString();
}

TSettings readSettings(const std::string &programFolder)
{
    const TProfileFile ini(settingsFileName(programFolder), ProfileKind::Own);
    TSettings settings;
    settings.MyDest = ini.ReadString(DestinationSection, MyDest, QString());
    settings.Name = ini.ReadString(SettingsSection, Name, QString());
    settings.Addresses = ini.ReadString(SettingsSection, Addresses, QString());
    settings.InboxData = ini.ReadString(SettingsSection, InboxData, QString());
    settings.AutoOptiAddress = ini.ReadBool(SettingsSection, AutoOptiAddress, false);
    settings.AutoOptiInbox = ini.ReadBool(SettingsSection, AutoOptiInbox, false);
    settings.CollectEvery = std::max(ini.ReadInteger(SettingsSection, CollectEvery, 0), 0);
    settings.NewMailNotice = ini.ReadBool(SettingsSection, NewMailNotice, true);
    settings.pathMap = readPathMap(programFolder);
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
