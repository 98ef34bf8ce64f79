#pragma once

#include "FileOps.h"

#include <QString>

#include <string>
#include <vector>

// The other copies of the program run on Windows, and the folder texts they write into shared
// files (an address entry's inbox folder) are Windows paths: a drive (F:\QUINDLE\INBOX\ANNA\)
// or a UNC share (\\files\quindle\inbox\anna\). Such a text is read here as a local folder
// through the user's path map, or for a UNC path through the mounts; the shared files keep the
// Windows text byte for byte.

// One line of the section "Path Map" of main.ini: a Windows folder prefix (a drive or a UNC
// share, with or without a folder after it) and the local folder it stands for.
struct PathMapEntry
{
    QString windows;
    QString local;
    bool operator==(const PathMapEntry &) const = default;
};
using PathMap = std::vector<PathMapEntry>;

inline const QString PathMapSection = QStringLiteral("Path Map");

// The map in programFolder's main.ini, in file order.
PathMap readPathMap(const std::string &programFolder);
// Adds the entry, or replaces the one whose key names the same Windows folder (letter case,
// \ or /, repeated or final separators aside). Throws IoError as a failed write of main.ini does.
void setPathMapEntry(const std::string &programFolder, const QString &windows, const QString &local);

// "X:\..." or "X:/..." with X a letter A to Z in either case, or "\\server..." (a third
// character that is no separator; after the first two, slashes either way).
bool isWindowsPath(QStringView text);

// What this machine has mounted, where a UNC path is looked for: the mount table's text as
// /proc/self/mounts gives it, and the folder of the user's GVfs mounts.
struct Mounts
{
    std::string table;
    std::string gvfsFolder; // with its final '/'; empty: none
};
// /proc/self/mounts and $XDG_RUNTIME_DIR/gvfs/, read now.
Mounts currentMounts();

// Where a folder text leads on this machine.
struct LocalFolder
{
    std::string path;     // the local folder text (ends with '/' when the text did); empty: none
    QString problem;      // why there is none: the text as written, then the reason
    bool windows = false; // it was a Windows path: names there compare as Windows compares them
    // A Windows path's folder as the walk below reached it, open for the operation; when it is
    // not open, why() says what stopped it (a component missing, a link, no folder).
    Folder folder;
};

// A text that is no Windows path is used as it is (nothing is opened). A Windows path is first
// read as Windows reads it: \ and / alike, repeated separators as one, "." dropped and ".."
// taking off the component before it but never the drive ("F:") or the share ("\\S\H") itself,
// and every component without its trailing dots and spaces; a component left empty so, or
// holding a character Windows refuses in names (control characters, < > : " | ? *), leaves
// no folder. A text without its final separator names files beside its last component, which
// stays as written (names are joined to it) and must be a folder there all the same.
//
// Then the longest map key that holds it (its drive or share and its components equal letter
// case aside, read as above; of equal ones the first in file order) gives the key's local
// folder; without a key, a UNC path \\S\H\rest is looked for among the mounts, server and share
// letter case aside: the CIFS mount (cifs, smb3, smbfs) of //S/H or of //S/H/sub... whose
// subfolders begin the rest (the longest such; the remaining components go below its mount
// point), else an smbnetfs mount's MOUNT/S/H, else a GVfs folder smb-share:... of mounts'
// gvfsFolder whose fields (in any order, beside others such as user=, domain=, port=) hold
// server=S and share=H (the first name in sorted order). The local folder or mount point is the
// user's or administrator's own and is reached through links; below it each component is
// matched on the share as Windows matches it: the exact name when anything stands under it,
// else the one name in that folder equal to it without regard to letter case (two such: no
// folder, naming both), and never through a symbolic link. A component missing on the share
// keeps its text and leaves the folder unopened. No key and no mount: no folder, saying why.
LocalFolder resolveFolderText(const QString &text, const PathMap &map);
// The same with the mounts given (the other form reads them only for a UNC path no key holds).
LocalFolder resolveFolderText(const QString &text, const PathMap &map, const Mounts &mounts);

// The Windows form of a local folder under a mapped one: for each entry in file order whose
// local folder holds it, the key (with \) followed by the rest with \; the first form that
// resolves to the very same local folder text wins. Empty when none does.
QString windowsFormOf(const QString &localFolder, const PathMap &map);
