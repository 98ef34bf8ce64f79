#pragma once

#include <QString>
#include <QStringList>

#include <string>

// A private office on a file server's share, as the administrator sets it up:
//
//   SHARE/          root:GROUP 0750  the office enters, an account outside it sees nothing
//   SHARE/inbox/    root:GROUP 0750  no one but root adds, renames or replaces inbox folders
//   SHARE/inbox/N/  N's account:GROUP 3730, sticky; new files u::rw,u:N:rw,g::---,o::---
//                   colleagues add mail but cannot list, read, change or delete what others
//                   added; N reads and removes it all; Attach.ini and its lock are N's,
//                   0660, which every sender updates in place
//   SHARE/server/   root:GROUP 3730, sticky; new files u::rw,g::---,o::---; a sender lets
//                   the recipient's account read what it leaves there
//   SHARE/book/     root:GROUP 2750  the address book and Accounts.ini, changed by root
//
// Each operation answers what it did or found, a line each; ok is false when something
// failed or deviates.
struct OfficeReport
{
    QStringList lines;
    bool ok = true;
};

// Makes (or brings back to the set-up) the share's folders, for the group's accounts. With
// mount, the path under which the office's machines reach the share, the address book gets
// the server folder as its entry "Server", flagged "Use as Server". Needs root.
OfficeReport initOffice(const std::string &share, const QString &group, const QString &mount);

// Makes person's inbox folder owned by the account login, the address entry that names it
// as mount names the share (the share itself when mount is empty), and records that the name
// mails from that account (Accounts.ini). Needs root.
OfficeReport addPerson(const std::string &share, const QString &name, const QString &login, const QString &mount);

// Folder by folder, who may read, change or delete what, and what deviates from the set-up.
OfficeReport checkOffice(const std::string &share);

// The group's members' address book may be edited by every member (a shared address book):
// the price is that any member can redirect anyone's mail.
inline constexpr const char *EditableBookCost =
    "every member may edit the address book, so any member can change where anyone's mail goes";
