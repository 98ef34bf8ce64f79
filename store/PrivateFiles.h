#pragma once

#include <string>
#include <vector>

// The user's own files (the inbox datafile, its marks and journals, main.ini, the body file)
// are readable by the user alone, and the program folder is the user's alone, whatever the
// umask: a colleague on the same machine or server reads none of them.
inline constexpr unsigned PrivateFileMode = 0600;
inline constexpr unsigned PrivateFolderMode = 0700;

// Narrows an existing file or folder to the private mode when it is wider (mode
// PrivateFileMode or PrivateFolderMode), following a link of the user's. Answers whether it
// was wider and is now narrowed; a missing file or one that cannot be changed answers false.
bool narrowToPrivate(const std::string &path, unsigned mode);

// Narrows the user's own files that are wider: the program folder (when it is the user's),
// main.ini and the body file in it, and the inbox datafile with its marks, journals and lock
// file. Answers one line for each file narrowed.
std::vector<std::string> narrowPrivateFiles(const std::string &programFolder, const std::string &datafileName);
