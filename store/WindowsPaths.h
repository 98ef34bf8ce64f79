#pragma once

#include <QString>

#include <string>
#include <vector>

// The other copies of the program run on Windows, and the folder texts they write into shared
// files (an address entry's inbox folder) are Windows paths: a drive (F:\QUINDLE\INBOX\ANNA\)
// or a UNC share (\\files\quindle\inbox\anna\). Such a text is read here as a local folder
// through the user's path map, or for a UNC path through the mount table; the shared files
// keep the Windows text byte for byte.

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
// Adds the entry, or replaces the one whose key is the same prefix (letter case and \ or /
// aside). Throws IoError as a failed write of main.ini does.
void setPathMapEntry(const std::string &programFolder, const QString &windows, const QString &local);

// "X:\..." or "X:/...", or "\\server\share..." (slashes either way).
bool isWindowsPath(QStringView text);

// Where a folder text leads on this machine.
struct LocalFolder
{
    std::string path;   // the local folder text (ends with '/' when the text did); empty: none
    QString problem;    // why there is none, or why a component could not be decided
    bool windows = false; // it was a Windows path: names there compare as Windows compares them
};

// A text that is no Windows path is used as it is. A Windows path that begins with a map
// key (letter case aside, \ and / alike; the longest key wins) becomes the key's local folder
// followed by the rest, \ read as /; without a key, a UNC path \\SERVER\SHARE\rest is looked
// for among the mounts: a CIFS mount of //SERVER/SHARE, a GVfs SMB mount
// ($XDG_RUNTIME_DIR/gvfs/smb-share:server=SERVER,share=SHARE) or an smbnetfs mount
// (MOUNT/SERVER/SHARE), server and share without regard to letter case. Each component of
// the rest is then matched on disk as Windows matches it: the exact name when it exists,
// else the one name in that folder equal to it without regard to letter case; two such
// names, or no key and no mount, leave no folder and say why.
LocalFolder resolveFolderText(const QString &text, const PathMap &map);

// The Windows form of a local folder under a mapped one: the first key whose local folder
// holds it, then the rest with \; empty when no entry holds it.
QString windowsFormOf(const QString &localFolder, const PathMap &map);

// Mount table lines as the kernel gives them, for tests to replace: source, target, type.
struct MountEntry
{
    std::string source;
    std::string target;
    std::string type;
};
std::vector<MountEntry> currentMounts();
