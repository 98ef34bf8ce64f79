#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <string>

// One profile (INI) file, named by its full path. Section and key names match without
// regard to letter case. Every read goes to the file and every write goes through to it
// at once, so another object or another copy of the program sees it. Reading never
// fails (whatever cannot be read gives the default); a failed write throws IoError
// "Unable to write to <path>". Files are written with CRLF line ends and read with CRLF
// or LF; their text is Windows-1252.
class TProfileFile
{
public:
    explicit TProfileFile(std::string path);

    const std::string &path() const { return m_path; }

    // At most 2,047 characters come back.
    QString ReadString(QStringView section, QStringView key, const QString &defaultValue) const;
    void WriteString(QStringView section, QStringView key, QStringView value);

    // "0x1A"/"0X1A" (more than two characters) and "$1A" are hexadecimal, anything else
    // decimal; an empty text, a missing key or a text that is no number gives the default.
    int ReadInteger(QStringView section, QStringView key, int defaultValue) const;
    void WriteInteger(QStringView section, QStringView key, int value);

    // On when the integer read (default 1 for on, 0 for off) is not 0.
    bool ReadBool(QStringView section, QStringView key, bool defaultValue) const;
    void WriteBool(QStringView section, QStringView key, bool value); // "1" / "0"

    // Removes the key; a missing key or a failure is not reported.
    void DeleteKey(QStringView section, QStringView key);

    // The keys of a section in file order, each once (letter case aside): the text before
    // the first '=' of every line that has one, comment lines (';') left out.
    QStringList ReadKeys(QStringView section) const;

private:
    std::string m_path;
};

// The integer rule of ReadInteger applied to a text: "0x"/"0X" (more than two characters)
// and "$" introduce up to 32 hexadecimal bits, anything else is a signed decimal number.
int parseProfileInteger(QStringView text, int defaultValue);
