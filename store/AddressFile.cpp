#include "AddressFile.h"

#include "IoError.h"
#include "ProfileFile.h"

#include <algorithm>

#include "Cp1252.h"
#include "DropFiles.h"
#include "Paths.h"
#include "RecordFile.h"

QString officeAccount(const QString &addressFolder, const QString &name)
{
    if (addressFolder.isEmpty() || name.isEmpty())
        return QString();
    return TProfileFile(pathFromText(addressFolder + AccountsFileTitle), ProfileKind::Shared)
        .ReadString(u"Accounts", name, QString());
}

void setOfficeAccount(const QString &addressFolder, const QString &name, const QString &login)
{
    TProfileFile(pathFromText(addressFolder + AccountsFileTitle), ProfileKind::Shared)
        .WriteString(u"Accounts", name, login);
}

std::string addressFileName(const QString &addressFolder)
{
    return pathFromText(addressFolder + AddressFileTitle);
}

TAddressData loadAddresses(const std::string &fileName)
{
    TAddressData addresses;
    try {
        addresses = readAddressFile(fileName).records;
    } catch (const IoError &error) {
        if (error.code() != IoError::FileNotFound)
            throw;
        // Made when missing, and read as it now stands.
        createRecordFile(fileName, TAddressRec::Size);
        addresses = readAddressFile(fileName).records;
    }
    // A file without one whole record still gives a current entry; Save writes it as record 0.
    if (addresses.empty())
        addresses.emplace_back();
    return addresses;
}

QString saveAddressEntry(TAddressData &addresses, int addressIndex, const AddressFields &fields,
                         const std::string &fileName, TAddressRec &work)
{
    if (addressIndex < 0 || addressIndex >= static_cast<int>(addresses.size()))
        return QString();
    // Stored as '?', a character no peer can read would make a name nobody's mail reaches.
    for (const auto &[what, text] : {std::pair{QStringLiteral("The Name"), &fields.Name},
                                     std::pair{QStringLiteral("The inbox folder"), &fields.InBox}}) {
        const QString refusal = cp1252RefusalMessage(what, *text);
        if (!refusal.isEmpty())
            return refusal;
    }
    if (!fields.Name.isEmpty()) {
        const QString problem = recipientNameProblem(fields.Name);
        if (!problem.isEmpty())
            return problem + QStringLiteral(" Nothing was saved.");
    }
    // Compared as it will be stored (127 characters, Windows-1252), so no two entries can
    // end up with the same stored name.
    TAddressRec candidate;
    candidate.setName(fields.Name);
    const QString storedName = candidate.Name();
    for (int i = 0; i < static_cast<int>(addresses.size()); ++i)
        if (i != addressIndex && addresses[static_cast<std::size_t>(i)].Name() == storedName)
            return NameExistsMessage;

    TAddressRec &entry = addresses[static_cast<std::size_t>(addressIndex)];
    entry.setName(fields.Name);
    entry.setInBox(fields.InBox);
    entry.setComment(fields.Comment);
    entry.setServer(fields.Server ? 1 : 0);
    work = entry;
    writeRecordAt(fileName, addressIndex, work);
    return AddressSavedMessage;
}

int newAddressEntry(TAddressData &addresses)
{
    addresses.emplace_back();
    return static_cast<int>(addresses.size()) - 1;
}

QString deleteAddressEntry(TAddressData &addresses, int addressIndex, const std::string &fileName)
{
    if (addressIndex < 0 || addressIndex >= static_cast<int>(addresses.size()))
        return CannotDeleteMessage;
    TAddressRec &entry = addresses[static_cast<std::size_t>(addressIndex)];
    for (int offset : {TAddressRec::NameOffset, TAddressRec::InBoxOffset, TAddressRec::CommentOffset,
                       TAddressRec::ReservedOffset, TAddressRec::ServerOffset})
        entry.bytes[static_cast<std::size_t>(offset)] = 0;
    writeRecordAt(fileName, addressIndex, entry);
    return QString();
}

void packAddresses(const std::string &fileName, TAddressData &addresses, int &addressIndex)
{
    TAddressRec scratch;
    packRecordFile(fileName, TAddressRec::Size, scratch.bytes.data(), RecordPlace::Shared);
    addresses = readAddressFile(fileName).records;
    if (addressIndex >= static_cast<int>(addresses.size()))
        addressIndex = static_cast<int>(addresses.size()) - 1;
}

int findAddressByName(const TAddressData &addresses, const QString &name)
{
    if (name.isEmpty())
        return -1;
    for (std::size_t i = 0; i < addresses.size(); ++i)
        if (addresses[i].Name() == name)
            return static_cast<int>(i);
    return -1;
}

std::vector<int> serverEntries(const TAddressData &addresses)
{
    std::vector<int> servers;
    for (std::size_t i = 0; i < addresses.size(); ++i)
        if (addresses[i].Server() == 1)
            servers.push_back(static_cast<int>(i));
    return servers;
}

QString recipientNameProblem(const QString &name)
{
    if (isPlainFileName(name))
        return QString();
    return QStringLiteral("The name \"%1\" cannot be part of a drop file name: it is empty, \".\" or \"..\", "
                          "or holds a folder separator or a control character.")
        .arg(name);
}

std::vector<UnusableAddressName> unusableAddressNames(const TAddressData &addresses)
{
    std::vector<UnusableAddressName> found;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        if (addresses[i].isEmpty())
            continue;
        const QString name = addresses[i].Name();
        const QString problem = recipientNameProblem(name);
        if (!problem.isEmpty())
            found.push_back({int(i), name, problem});
    }
    return found;
}

QString putAddressEntry(const std::string &fileName, const AddressFields &fields, bool &updated)
{
    TAddressData addresses = loadAddresses(fileName);
    int index = findAddressByName(addresses, fields.Name);
    updated = index >= 0;
    if (!updated) {
        const auto empty = std::find_if(addresses.begin(), addresses.end(),
                                        [](const TAddressRec &entry) { return entry.isEmpty(); });
        index = empty != addresses.end() ? int(empty - addresses.begin()) : newAddressEntry(addresses);
    }
    TAddressRec work;
    const QString message = saveAddressEntry(addresses, index, fields, fileName, work);
    return message == AddressSavedMessage ? QString() : message;
}
