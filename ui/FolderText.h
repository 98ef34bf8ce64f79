#pragma once

#include "FileOps.h"
#include "Paths.h"

#include <QString>

// File names are joined straight onto a folder text, so a typed folder without its final
// separator puts them in the folder above, its last component before each name.
namespace FolderText {

// The separator the text itself uses: a folder written on Windows keeps its backslashes.
inline QChar separatorOf(const QString &text)
{
    return text.contains(QLatin1Char('\\')) && !text.contains(QLatin1Char('/')) ? QLatin1Char('\\')
                                                                                  : QLatin1Char('/');
}

// The text names an existing folder and ends without a separator.
inline bool lacksSeparator(const QString &text)
{
    return !text.isEmpty() && !text.endsWith(QLatin1Char('/')) && !text.endsWith(QLatin1Char('\\'))
           && folderExists(pathFromText(text));
}

inline QString withSeparator(const QString &text)
{
    return text + separatorOf(text);
}

// The folder the joined names land in, and the start every one of them gets there.
inline QString folderAbove(const QString &text)
{
    return text.left(text.lastIndexOf(separatorOf(text)) + 1);
}
inline QString lastComponent(const QString &text)
{
    return text.mid(text.lastIndexOf(separatorOf(text)) + 1);
}

} // namespace FolderText
