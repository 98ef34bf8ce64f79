#pragma once

#include <QFile>
#include <QString>

#include <string>

// Folder texts come from the window as QString; file operations take the local path
// bytes. Names are joined by plain concatenation before this conversion.
inline std::string pathFromText(const QString &text)
{
    return QFile::encodeName(text).toStdString();
}

inline QString textFromPath(const std::string &path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}
