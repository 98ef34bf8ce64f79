#pragma once

#include <string>

// The user's own files (the inbox datafile, its marks and journals, main.ini, the body file)
// are readable by the user alone, and the program folder is the user's alone, whatever the
// umask: a colleague on the same machine or server reads none of them.
inline constexpr unsigned PrivateFileMode = 0600;
inline constexpr unsigned PrivateFolderMode = 0700;

// Narrows an existing file or folder to the private mode when it is wider (mode
// PrivateFileMode or PrivateFolderMode), following a link of the user's. Answers whether it
// was wider and is now narrowed; a missing file or one that cannot be changed answers false.
bool narrowToPrivate(const std::string &path, unsigned mode);
