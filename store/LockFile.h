#pragma once

#include <string>

// Opens (creating when missing) a lock file that other users of the office may have made,
// without following a link: read-write where allowed, else read-only, which a whole-file
// lock needs no more than. A new file is made usable by the group. Returns -1 when no
// descriptor can be had (a read-only folder, a link or pipe under the name).
int openLockFile(const std::string &path);
