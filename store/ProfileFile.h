#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include "FileOps.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Who may have written a profile file, which decides how it is read and written.
enum class ProfileKind {
    // The user's own file ("main.ini"): a link is the user's choice, and a write replaces the
    // file it names. Read as UTF-8 when it is valid UTF-8 (edited by hand here), else as
    // Windows-1252; written in Windows-1252 when every character fits, else in UTF-8.
    Own,
    // A file in a folder every user of the office writes into (Attach.ini): a link or
    // anything else than a plain file under its name reads as no file and is replaced by the
    // next write, never written through. Windows-1252, which every copy reads.
    Shared,
};

// One profile (INI) file, named by its full path. Section and key names match without
// regard to letter case. Every read goes to the file and every write goes through to it
// at once, so another object or another copy of the program sees it. Reading never
// fails (whatever cannot be read gives the default); a failed write throws IoError
// "Unable to write to <path>". Files are written with CRLF line ends and read with CRLF
// or LF. A file larger than MaxBytes is taken as damaged: it reads as no file and is
// never rewritten (a write fails).
class TProfileFile
{
public:
    explicit TProfileFile(std::string path, ProfileKind kind = ProfileKind::Own);
    // A shared file in a folder held open (Attach.ini). Where the folder lets a writer add
    // files but not replace another's (a sticky bit), the file is changed in place so that a
    // writer killed at any moment leaves the old values or the new ones, never a loss.
    TProfileFile(const Folder &folder, std::string name);

    static constexpr std::int64_t MaxBytes = 4 * 1024 * 1024;

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

    // Every key of a section with the value ReadString gives for it, in file order and
    // each key once, from one reading of the file in time linear in its size.
    struct Entry
    {
        QString key;
        QString value;
    };
    std::vector<Entry> ReadSection(QStringView section) const;
    // Writes the section anew holding these entries alone, in one write of the file.
    void ReplaceSection(QStringView section, const std::vector<Entry> &entries);

private:
    QByteArray load() const; // throws
    QByteArray loadOrNothing() const;

    std::string m_path;
    ProfileKind m_kind;
    const Folder *m_folder = nullptr;
    std::string m_name;
};

// One change of a shared profile file (Attach.ini) of a folder held open, however many keys
// it touches: the file is read once and, at commit, written once, in place, so that a writer
// killed at any moment leaves the values before or after, never a loss, and the file keeps
// its owner, mode and access list whoever writes it. A missing file is made whole; a link or
// pipe planted under the name is replaced, never written through. The caller holds the lock
// that serialises the writers. Failures throw "Unable to write to <path>".
class ProfileEdit
{
public:
    // With create, a missing file is made at once (it is about to be written).
    ProfileEdit(const Folder &folder, std::string name, bool create = true);
    ~ProfileEdit();
    ProfileEdit(const ProfileEdit &) = delete;
    ProfileEdit &operator=(const ProfileEdit &) = delete;

    QString ReadString(QStringView section, QStringView key, const QString &defaultValue) const;
    int ReadInteger(QStringView section, QStringView key, int defaultValue) const;
    void WriteString(QStringView section, QStringView key, QStringView value);
    void WriteInteger(QStringView section, QStringView key, int value);
    void DeleteKey(QStringView section, QStringView key);
    void ReplaceSection(QStringView section, const std::vector<TProfileFile::Entry> &entries);
    // Writes what changed; nothing when nothing did. section is the one changed.
    void commit(QStringView section);

private:
    struct State;
    std::unique_ptr<State> m;
};

// The integer rule of ReadInteger applied to a text: "0x"/"0X" (more than two characters)
// and "$" introduce up to 32 hexadecimal bits, anything else is a signed decimal number.
int parseProfileInteger(QStringView text, int defaultValue);
