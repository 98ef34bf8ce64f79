#pragma once

#include "AddressRecord.h"

#include <QString>

#include <string>
#include <vector>

inline const QString AddressFileTitle = QStringLiteral("address list.qda");
inline const QString NameExistsMessage = QStringLiteral("That name already exists, try again");
inline const QString AddressSavedMessage = QStringLiteral("Address saved");
inline const QString CannotDeleteMessage = QStringLiteral("You can not delete this");

// The "Addresses" folder text followed directly by "address list.qda".
std::string addressFileName(const QString &addressFolder);

// Beside the address list, "Accounts.ini" ([Accounts], name = login, a file other copies
// never read) records which account of the file server each person of the office mails
// from, so a reader can tell a message whose drop file another account wrote. Empty when
// the office records none for the name.
inline const QString AccountsFileTitle = QStringLiteral("Accounts.ini");
QString officeAccount(const QString &addressFolder, const QString &name);
void setOfficeAccount(const QString &addressFolder, const QString &name, const QString &login);

// Every whole record of the address list file, in order. A missing file is first created
// holding one empty record (1,292 zero bytes). A file without a whole record gives one
// empty entry in memory.
TAddressData loadAddresses(const std::string &fileName);

// What the Edit view holds when Save is pressed.
struct AddressFields
{
    QString Name;
    QString InBox;
    QString Comment;
    bool Server = false;
};

// Saves the fields into entry addressIndex and record addressIndex of the file. Returns
// the message to show: NameExistsMessage (nothing changed) when another entry already
// bears the name as it would be stored (its first 127 characters); a refusal (nothing
// changed) naming the character when the Name or the inbox folder holds one that
// Windows-1252 cannot, or naming the Name when it cannot be part of a drop file name (see
// recipientNameProblem); else AddressSavedMessage; an empty text, with nothing changed,
// when addressIndex lies outside the list.
// The working record ends as a copy of the saved entry, which is what the file receives,
// so the file keeps mirroring the list byte for byte.
QString saveAddressEntry(TAddressData &addresses, int addressIndex, const AddressFields &fields,
                         const std::string &fileName, TAddressRec &work);

// Appends an empty entry in memory only and returns its index, the new AddressIndex.
int newAddressEntry(TAddressData &addresses);
// The administrator's way in: sets the entry that bears fields.Name to the fields, or adds it
// in the list file's first empty record (a new book does not start with a blank one). Returns
// the refusal to show, empty when saved; updated tells which it was.
QString putAddressEntry(const std::string &fileName, const AddressFields &fields, bool &updated);

// Empties entry addressIndex (Name, InBox, Comment, Reserved lengths and the Server byte)
// in memory and in the file. Returns CannotDeleteMessage without change when addressIndex
// is -1 (or outside the list), else an empty text. Confirmation, refresh and automatic
// compaction are the caller's.
QString deleteAddressEntry(TAddressData &addresses, int addressIndex, const std::string &fileName);

// Removes the empty records, writing the kept ones once to a new file beside the list
// file that replaces it, and reloads the list; the complete old or the complete new file
// survives any failure. Keeps addressIndex within the shortened list.
void packAddresses(const std::string &fileName, TAddressData &addresses, int &addressIndex);

// The first entry whose Name equals name exactly (case-sensitive); -1 when none or when
// name is empty.
int findAddressByName(const TAddressData &addresses, const QString &name);

// Why a recipient name cannot be joined to a folder as a drop file name (a folder
// separator, "." or "..", a control character, or nothing at all); empty when it can.
QString recipientNameProblem(const QString &name);

// The entries whose Name could never receive mail, each with its problem: index, name and
// text, for the check of an address list.
struct UnusableAddressName
{
    int index = 0;
    QString name;
    QString problem;
};
std::vector<UnusableAddressName> unusableAddressNames(const TAddressData &addresses);

// Indexes of the entries whose Server byte equals 1, in list order. Whether their folder
// exists is tested by the caller at the moment of use.
std::vector<int> serverEntries(const TAddressData &addresses);
