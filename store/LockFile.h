#pragma once

#include "FileOps.h"

#include <string>
#include <string_view>

// Opens (creating when missing) a lock file that other users of the office may have made,
// without following a link: read-write where allowed, else read-only, which a whole-file
// lock needs no more than. A new file gets mode (0664: usable by the group). Returns -1
// when no descriptor can be had (a read-only folder, a link or pipe under the name).
int openLockFile(const std::string &path, unsigned mode = 0664);
// The same for a name in a folder held open.
int openLockFile(const Folder &folder, std::string_view name, unsigned mode = 0664);
