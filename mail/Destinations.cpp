#include "Destinations.h"

#include "Paths.h"

Folder openDestination(const QString &text, const PathMap &map)
{
    const LocalFolder local = resolveFolderText(text, map);
    if (!local.problem.isEmpty())
        return Folder::none(pathFromText(text), local.problem.toLocal8Bit().toStdString());
    Folder folder = Folder::openIfFolder(local.path);
    if (!local.windows)
        return folder;
    folder.setWindowsNames(true);
    if (!folder.isOpen())
        return Folder::none(local.path, pathFromText(text) + " (here " + local.path + "): " + folder.why());
    return folder;
}
