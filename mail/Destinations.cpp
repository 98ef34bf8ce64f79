#include "Destinations.h"

#include "Paths.h"

Folder openDestination(const QString &text, const PathMap &map)
{
    LocalFolder local = resolveFolderText(text, map);
    if (!local.problem.isEmpty())
        return Folder::none(pathFromText(text), local.problem.toLocal8Bit().toStdString());
    if (!local.windows)
        return Folder::openIfFolder(local.path);
    Folder folder = std::move(local.folder);
    if (!folder.isOpen())
        return Folder::none(local.path, pathFromText(text) + " (here " + local.path + "): " + folder.why());
    folder.setWindowsNames(true);
    return folder;
}
