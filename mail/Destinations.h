#pragma once

#include "FileOps.h"
#include "WindowsPaths.h"

#include <QString>

#include <string>

// A destination folder as an address entry names it (a server's or a recipient's inbox),
// opened once for the operation: a Windows path through the user's path map or the mount
// table (see resolveFolderText; the folder is then reached component by component and names
// there compare as Windows compares them), any other text as it is. A folder that is not
// there, or that no map entry or mount leads to, is not open, and why() says what the text is
// and, for a Windows path, what it led to.
Folder openDestination(const QString &text, const PathMap &map);
