#include "ProfileFile.h"

#include "Cp1252.h"
#include "FileOps.h"
#include "IoError.h"
#include "PrivateFiles.h"

#include <QStringDecoder>
#include <QSet>
#include <QStringList>

#include <atomic>
#include <optional>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

constexpr qsizetype MaxValueLength = 2047;

// The lines of one profile file, without their line ends.
struct IniText
{
    QStringList lines;
    bool bom = false;  // starts with a UTF-8 byte order mark
    bool utf8 = false; // read as UTF-8
};

// All of an open file; a file too large to be a profile file throws.
QByteArray readWhole(const File &file)
{
    const std::int64_t size = file.size();
    if (size > TProfileFile::MaxBytes)
        raiseIoError(EFBIG);
    QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
    if (size > 0)
        file.readAt(0, bytes.data(), static_cast<std::size_t>(size));
    return bytes;
}

// The whole file when it is one to read: a missing file, or for a shared file anything that
// is no plain file, gives nothing. A file that exists but cannot be read, or is too large,
// throws, so a write never replaces it with the new key alone.
QByteArray readFileBytes(const std::string &path, ProfileKind kind)
{
    File file;
    try {
        file = kind == ProfileKind::Shared ? File::openPlainRead(path) : File::openRegularRead(path);
    } catch (const IoError &error) {
        if (error.code() == IoError::FileNotFound)
            return {};
        // A device such as /dev/zero would never end; a planted link is no file of ours.
        if (error.code() == IoError::NotPlainFile && (kind == ProfileKind::Shared || !folderExists(path)))
            return {};
        throw;
    }
    return readWhole(file);
}

bool isValidUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    return !decoder.hasError();
}

void dropDeadParts(QStringList &lines);

IniText parse(const QByteArray &bytes, ProfileKind kind)
{
    static const QByteArray bom("\xEF\xBB\xBF", 3);
    IniText ini;
    QString text;
    if (bytes.startsWith(bom)) {
        ini.bom = ini.utf8 = true;
        text = QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    } else if (kind == ProfileKind::Own && isValidUtf8(bytes)) {
        ini.utf8 = true;
        text = QString::fromUtf8(bytes);
    } else {
        text = fromCp1252(bytes);
    }
    ini.lines = text.split(QLatin1Char('\n'));
    // A final line end does not start another line.
    if (!ini.lines.isEmpty() && ini.lines.last().isEmpty())
        ini.lines.removeLast();
    for (QString &line : ini.lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    if (kind == ProfileKind::Shared)
        dropDeadParts(ini.lines);
    return ini;
}

bool fitsCp1252(QStringView text)
{
    for (QChar c : text)
        if (!unicodeToCp1252(c.unicode()))
            return false;
    return true;
}

QByteArray serialize(const IniText &ini, ProfileKind kind)
{
    QString text;
    for (const QString &line : ini.lines) {
        text += line;
        text += QStringLiteral("\r\n");
    }
    if (ini.bom)
        return QByteArray("\xEF\xBB\xBF", 3) + text.toUtf8();
    // Other copies read Windows-1252; a text it cannot hold stays readable here as UTF-8.
    if (kind == ProfileKind::Own && !fitsCp1252(text))
        return text.toUtf8();
    return toCp1252(text);
}

// "[name]", perhaps with a comment after it: the position of the closing bracket, or -1.
qsizetype sectionEnd(QStringView trimmed)
{
    if (!trimmed.startsWith(QLatin1Char('[')))
        return -1;
    const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
    if (close < 0)
        return -1;
    const QStringView rest = trimmed.mid(close + 1).trimmed();
    if (!rest.isEmpty() && !rest.startsWith(QLatin1Char(';')) && !rest.startsWith(QLatin1Char('#')))
        return -1;
    return close;
}

bool isSectionLine(QStringView line)
{
    return sectionEnd(line.trimmed()) >= 0;
}

QStringView sectionNameOf(QStringView line);

// What an in-place change leaves behind: the free section, and an old copy under its
// disabled header up to the next section.
void dropDeadParts(QStringList &lines)
{
    bool dead = false;
    QStringList kept;
    for (const QString &line : lines) {
        if (isSectionLine(line))
            dead = sectionNameOf(line).compare(QStringLiteral("quindle-free"), Qt::CaseInsensitive) == 0;
        else if (line.trimmed().startsWith(QLatin1Char(';')) && line.trimmed().endsWith(QLatin1Char(']')))
            dead = true;
        if (!dead)
            kept.append(line);
    }
    if (kept.size() != lines.size())
        lines = kept;
}

QStringView sectionNameOf(QStringView line)
{
    const QStringView trimmed = line.trimmed();
    return trimmed.mid(1, sectionEnd(trimmed) - 1).trimmed();
}

// The first line of the body of the section (after its header) and the line after its
// last one; -1 when there is no such section. The first of several equal sections counts.
struct SectionRange
{
    qsizetype header = -1;
    qsizetype end = -1;
};

SectionRange findSection(const QStringList &lines, QStringView section)
{
    SectionRange range;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!isSectionLine(lines[i]))
            continue;
        if (range.header >= 0) {
            range.end = i;
            return range;
        }
        if (sectionNameOf(lines[i]).compare(section, Qt::CaseInsensitive) == 0)
            range.header = i;
    }
    if (range.header >= 0)
        range.end = lines.size();
    return range;
}

// Where the value starts when the line holds the key, else -1. The key is matched as a
// prefix followed by '=', so names that hold '=' themselves (attachment names may) are
// still found.
qsizetype valueStart(QStringView line, QStringView key)
{
    qsizetype pos = 0;
    while (pos < line.size() && (line[pos] == QLatin1Char(' ') || line[pos] == QLatin1Char('\t')))
        ++pos;
    if (key.isEmpty() || line.size() - pos < key.size())
        return -1;
    if (line.mid(pos, key.size()).compare(key, Qt::CaseInsensitive) != 0)
        return -1;
    pos += key.size();
    while (pos < line.size() && (line[pos] == QLatin1Char(' ') || line[pos] == QLatin1Char('\t')))
        ++pos;
    if (pos >= line.size() || line[pos] != QLatin1Char('='))
        return -1;
    return pos + 1;
}

struct KeyLine
{
    qsizetype line = -1;
    qsizetype value = -1;
};

KeyLine findKey(const QStringList &lines, const SectionRange &range, QStringView key)
{
    if (range.header < 0)
        return {};
    for (qsizetype i = range.header + 1; i < range.end; ++i) {
        const qsizetype value = valueStart(lines[i], key);
        if (value >= 0)
            return {i, value};
    }
    return {};
}

bool isQuote(QChar c)
{
    return c == QLatin1Char('"') || c == QLatin1Char('\'');
}

QString valueOf(QStringView line, qsizetype start)
{
    QStringView value = line.mid(start).trimmed();
    if (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return value.toString();
}

// Values are stored verbatim, but one that a reader would trim or unquote is quoted so
// that it reads back as written.
QString encodeValue(QStringView value)
{
    if (value.isEmpty())
        return QString();
    const bool edgeSpace = value.front().isSpace() || value.back().isSpace();
    const bool quoted = value.size() >= 2 && isQuote(value.front()) && value.back() == value.front();
    if (edgeSpace || quoted)
        return QLatin1Char('"') + value.toString() + QLatin1Char('"');
    return value.toString();
}

// A line end or a zero inside a name or value would split the file's structure.
bool fitsOnOneLine(QStringView text)
{
    for (QChar c : text)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c.unicode() == 0)
            return false;
    return true;
}

// Writes the whole file beside itself and renames it over the old one, so a crash or a
// full disk leaves the old file or the new one, never a truncated file. The user's own file
// keeps a link and its permissions, and one that is no regular file (a device) is written
// in place; in a shared folder the new file simply replaces whatever stood under the name.
void writeFileBytes(const std::string &path, const QByteArray &bytes, ProfileKind kind)
{
    const std::string target = kind == ProfileKind::Own ? followLink(path) : path;
    struct stat st{};
    const bool exists = kind == ProfileKind::Own && ::stat(target.c_str(), &st) == 0;
    try {
        if (exists && S_ISDIR(st.st_mode))
            raiseIoError(EISDIR);
        if (exists && !S_ISREG(st.st_mode)) {
            File file = File::openReadWrite(target);
            file.truncate(0);
            file.writeAt(0, bytes.constData(), static_cast<std::size_t>(bytes.size()));
            file.sync();
            file.close();
            return;
        }
        if (kind == ProfileKind::Shared && folderExists(target))
            raiseIoError(EISDIR);
        // The user's own file (main.ini) is the user's alone.
        replaceFile(target, bytes.constData(), static_cast<std::size_t>(bytes.size()), exists,
                    kind == ProfileKind::Own ? PrivateFileMode : 0);
    } catch (const IoError &error) {
        raiseProfileWriteError(path, error.code());
    }
}

// A shared file changed in place by several writers (below) holds, beside the section in
// use, the old copy of it under a disabled header and a section of free bytes. They are
// left out when it is read, so the next full write drops them.
const QString FreeSection = QStringLiteral("quindle-free");

// The offset of the line that opens the section in use (the first one of that name), at its
// '[': -1 when there is none.
qsizetype headerOffset(const QByteArray &bytes, QStringView section)
{
    qsizetype line = 0;
    while (line < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', line);
        if (end < 0)
            end = bytes.size();
        const QString text = QString::fromLatin1(bytes.mid(line, end - line));
        if (isSectionLine(text) && sectionNameOf(text).compare(section, Qt::CaseInsensitive) == 0)
            return line + text.indexOf(QLatin1Char('['));
        line = end + 1;
    }
    return -1;
}

void writeAllAt(File &file, std::int64_t offset, const QByteArray &bytes)
{
    file.writeAt(offset, bytes.constData(), std::size_t(bytes.size()));
}

// An open file's bytes without asking its size first: for a file of a few kilobytes one
// read does, as a share counts every call.
QByteArray readOpen(const File &file)
{
    constexpr qsizetype Chunk = 64 * 1024;
    QByteArray bytes;
    qsizetype at = 0;
    for (;;) {
        bytes.resize(at + Chunk);
        const std::size_t got = file.readSomeAt(at, bytes.data() + at, std::size_t(Chunk));
        at += qsizetype(got);
        if (qsizetype(got) < Chunk)
            break;
        if (at > TProfileFile::MaxBytes)
            raiseIoError(EFBIG);
    }
    bytes.resize(at);
    return bytes;
}

// Changes a shared file in place so that a writer killed between any two of its writes
// leaves the file reading as before or as after, never as neither; it keeps its owner,
// mode and access list whoever writes it. When no section is in use, the new content goes
// after whatever stands there. Else it goes whole in front of the section in use when there
// is room, under a disabled header (";name]") where nothing reads it and followed by a
// barrier section that keeps the bytes after it out, then a one-byte write enables it (the
// first section of its name wins) and the file is cut after it; or it goes behind the
// section in use, which as the first of its name still wins until a one-byte write
// disables its header. Each step is flushed before the next.
void flipInPlace(File &file, const QByteArray &old, const QByteArray &next, QStringView section)
{
    const qsizetype live = headerOffset(old, section);
    const qsizetype header = headerOffset(next, section);
    const QByteArray barrier = "\r\n[" + FreeSection.toLatin1() + "]\r\n";
    if (live < 0) {
        writeAllAt(file, old.size(), old.isEmpty() ? next : barrier + next);
    } else if (live >= next.size() + barrier.size()) {
        QByteArray copy = next;
        if (header >= 0)
            copy[header] = ';';
        writeAllAt(file, 0, copy + barrier);
        file.sync();
        if (header >= 0)
            writeAllAt(file, header, QByteArray("["));
        // On disk before the cut: a truncation may land while a held-back write does not,
        // and the barrier with the new header disabled would be all that is left.
        file.sync();
        file.truncate(next.size());
    } else {
        writeAllAt(file, old.size(), barrier + next);
        file.sync();
        writeAllAt(file, live, QByteArray(";"));
    }
    file.sync();
    file.close();
}

// Gives a new file the access of the one it replaces: its owner and group where we may give
// them (root, as repair runs, gives both; anyone else the group, when a member of it), the
// permission bits and an access control list, so a file the group may write stays so
// whoever rewrites it.
void copyAccess(const File &from, File &to)
{
    struct stat st{};
    struct stat mine{};
    if (::fstat(from.descriptor(), &st) != 0 || !S_ISREG(st.st_mode) || ::fstat(to.descriptor(), &mine) != 0)
        return;
    if ((mine.st_uid != st.st_uid || mine.st_gid != st.st_gid) && ::fchown(to.descriptor(), st.st_uid, st.st_gid) != 0)
        (void)::fchown(to.descriptor(), uid_t(-1), st.st_gid);
    char acl[4096];
    const ssize_t size = ::fgetxattr(from.descriptor(), "system.posix_acl_access", acl, sizeof acl);
    if (size > 0) {
        ::fsetxattr(to.descriptor(), "system.posix_acl_access", acl, std::size_t(size), 0);
    } else {
        // The folder's default list would otherwise decide, which the old file did not follow.
        ::fremovexattr(to.descriptor(), "system.posix_acl_access");
        ::fchmod(to.descriptor(), st.st_mode & 07777);
    }
}

// The changes a writer makes most, in one write that a kill cannot tear, which leave the file
// as a full rewrite would: new lines after the last (a sender counting a new attachment;
// torn, only the lines of a message that never came are cut), or bytes changed within one
// page of a file that keeps its length (a count that goes from 1 to 2). Answers false for
// any other change.
bool writeSmallChange(File &file, const QByteArray &old, const QByteArray &next)
{
    constexpr qsizetype Page = 4096;
    if (next.size() > old.size() && next.startsWith(old)) {
        writeAllAt(file, old.size(), next.mid(old.size()));
        return true;
    }
    if (next.size() != old.size())
        return false;
    qsizetype first = 0;
    while (first < old.size() && old[first] == next[first])
        ++first;
    if (first == old.size())
        return true; // nothing changed
    qsizetype last = old.size() - 1;
    while (old[last] == next[last])
        --last;
    if (first / Page != last / Page)
        return false;
    writeAllAt(file, first, next.mid(first, last - first + 1));
    return true;
}

// A file the folder's access lists and modes give it (or accessOf's), under a fresh name
// renamed into place.
// With replace false an existing file is left alone (false answered).
bool writeWhole(const Folder &folder, const std::string &name, const QByteArray &bytes, bool replace,
                File *accessOf = nullptr)
{
    std::string tempName;
    File temp = folder.createUnique(".quindle-", ".tmp", tempName);
    try {
        if (accessOf && accessOf->isOpen()) {
            copyAccess(*accessOf, temp);
            // Closed before the rename: a share refuses to rename over a file that is open.
            *accessOf = File();
        }
        writeAllAt(temp, 0, bytes);
        temp.sync();
        temp.close();
        if (replace) {
            folder.renameReplace(tempName, name);
            return true;
        }
        if (folder.renameNoReplace(tempName, name) != RenameResult::Taken)
            return true;
        folder.remove(tempName);
        return false;
    } catch (...) {
        temp = File();
        folder.remove(tempName);
        throw;
    }
}

} // namespace

// One change of a shared file of a folder held open: opened for reading and writing once,
// changed in place (see updateInPlace). A missing file is made whole under a fresh name; a
// link or pipe planted under the name is replaced, never written through.
struct SharedWrite
{
    const Folder &folder;
    std::string name;
    std::string path;
    File file;
    QByteArray old;
    File readOnly;         // another's file or one too large, replaced: its access goes to the new one
    bool replace = false;  // something not a plain file stands under the name, or another's
    bool tooLarge = false; // more than a profile file holds: only rebuilt whole

    SharedWrite(const Folder &f, std::string n, std::string p, bool create)
        : folder(f)
        , name(std::move(n))
        , path(std::move(p))
    {
        try {
            file = File::adopt(folder.openForUpdate(name, create), path);
        } catch (const IoError &error) {
            if (error.code() == IoError::FileNotFound)
                return;
            if (error.code() == IoError::AccessDenied) {
                // Another's file we may not write: replaced by rename where the folder allows
                // it (no sticky bit), keeping its access.
                try {
                    readOnly = File::adopt(folder.openForRead(name), path);
                    old = readOpen(readOnly);
                } catch (const IoError &) {
                    // A pipe, or a file we may not even read: nothing of ours to keep.
                    readOnly = File();
                    old.clear();
                }
                replace = true;
                return;
            }
            if (error.code() != IoError::NotPlainFile)
                raiseProfileWriteError(path, error.code());
            replace = true;
            return;
        }
        try {
            old = readOpen(file);
        } catch (const IoError &error) {
            tooLarge = error.code() == EFBIG;
            // What is too large to be a profile file is rebuilt whole, with the owner and access
            // it had; a pipe or device is no file of ours.
            if (tooLarge)
                readOnly = std::move(file);
            file = File();
            replace = true;
        }
    }

    void commit(const QByteArray &next, QStringView section)
    {
        try {
            if (file.isOpen()) {
                if (writeSmallChange(file, old, next)) {
                    file.sync();
                    file.close();
                    return;
                }
                // Any other change: the file rewritten whole, renamed over the old one with its
                // access, where the folder lets us; changed in place behind what is read where
                // it does not (a sticky bit: another's file).
                try {
                    writeWhole(folder, name, next, true, &file);
                    return;
                } catch (const IoError &error) {
                    if (error.code() != IoError::AccessDenied)
                        throw;
                }
                file = File::adopt(folder.openForUpdate(name), path);
                flipInPlace(file, old, next, section);
                return;
            }
            if (replace) {
                writeWhole(folder, name, next, true, &readOnly);
                return;
            }
            // Made meanwhile by another: changed as it now stands.
            if (!writeWhole(folder, name, next, false))
                raiseIoError(EEXIST);
        } catch (const IoError &error) {
            raiseProfileWriteError(path, error.code());
        }
    }
};

namespace {

// Hexadecimal digits only; up to 32 bits, which wrap to a signed number.
std::optional<int> parseHex(QStringView digits)
{
    if (digits.isEmpty())
        return std::nullopt;
    quint64 number = 0;
    for (QChar c : digits) {
        const char16_t u = c.unicode();
        const int digit = (u >= '0' && u <= '9')   ? u - '0'
                        : (u >= 'a' && u <= 'f') ? u - 'a' + 10
                        : (u >= 'A' && u <= 'F') ? u - 'A' + 10
                                                 : -1;
        if (digit < 0)
            return std::nullopt;
        number = number * 16 + static_cast<quint64>(digit);
        if (number > 0xFFFFFFFFULL)
            return std::nullopt;
    }
    return static_cast<int>(static_cast<quint32>(number));
}

std::optional<int> parseDecimal(QStringView text)
{
    qsizetype pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == QLatin1Char('-') || text[pos] == QLatin1Char('+')))
        negative = text[pos++] == QLatin1Char('-');
    if (pos == text.size())
        return std::nullopt;
    qint64 number = 0;
    for (; pos < text.size(); ++pos) {
        const char16_t u = text[pos].unicode();
        if (u < '0' || u > '9')
            return std::nullopt;
        number = number * 10 + (u - '0');
        if (number > qint64(INT_MAX) + 1)
            return std::nullopt;
    }
    if (negative)
        number = -number;
    if (number > INT_MAX)
        return std::nullopt;
    return static_cast<int>(number);
}

} // namespace

int parseProfileInteger(QStringView text, int defaultValue)
{
    std::optional<int> number;
    if (text.size() > 2 && (text.startsWith(QLatin1String("0x")) || text.startsWith(QLatin1String("0X"))))
        number = parseHex(text.mid(2));
    else if (text.startsWith(QLatin1Char('$')))
        number = parseHex(text.mid(1));
    else
        number = parseDecimal(text);
    return number.value_or(defaultValue);
}

TProfileFile::TProfileFile(std::string path, ProfileKind kind)
    : m_path(std::move(path))
    , m_kind(kind)
{
}

TProfileFile::TProfileFile(const Folder &folder, std::string name)
    : m_path(folder.pathOf(name))
    , m_kind(ProfileKind::Shared)
    , m_folder(&folder)
    , m_name(std::move(name))
{
}

QByteArray TProfileFile::load() const
{
    if (!m_folder)
        return readFileBytes(m_path, m_kind);
    File file;
    try {
        file = File::adopt(m_folder->openForRead(m_name), m_path);
    } catch (const IoError &error) {
        if (error.code() == IoError::FileNotFound || error.code() == IoError::NotPlainFile)
            return {};
        throw;
    }
    try {
        return readOpen(file);
    } catch (const IoError &error) {
        if (error.code() == EFBIG)
            throw;
        return {}; // a pipe or device is no file of ours
    }
}

QByteArray TProfileFile::loadOrNothing() const
{
    try {
        return load();
    } catch (const IoError &) {
        return {};
    }
}

namespace {

QString readStringIn(const IniText &ini, QStringView section, QStringView key, const QString &defaultValue)
{
    const KeyLine found = findKey(ini.lines, findSection(ini.lines, section.trimmed()), key.trimmed());
    if (found.line < 0)
        return defaultValue.left(MaxValueLength);
    return valueOf(ini.lines[found.line], found.value).left(MaxValueLength);
}

// False for a name or value no line can hold.
bool writeKeyIn(IniText &ini, QStringView section, QStringView key, QStringView value)
{
    const QStringView sectionName = section.trimmed();
    const QStringView keyName = key.trimmed();
    if (sectionName.isEmpty() || keyName.isEmpty() || !fitsOnOneLine(sectionName) || !fitsOnOneLine(keyName)
        || !fitsOnOneLine(value))
        return false;
    const SectionRange range = findSection(ini.lines, sectionName);
    const KeyLine found = findKey(ini.lines, range, keyName);
    if (found.line >= 0) {
        // The key keeps the spelling it has in the file.
        QString &line = ini.lines[found.line];
        line = line.left(found.value - 1).trimmed() + QLatin1Char('=') + encodeValue(value);
    } else {
        const QString line = keyName.toString() + QLatin1Char('=') + encodeValue(value);
        if (range.header < 0) {
            ini.lines.append(QLatin1Char('[') + sectionName.toString() + QLatin1Char(']'));
            ini.lines.append(line);
        } else {
            // After the section's last non-blank line, so blank separators stay in place.
            qsizetype at = range.end;
            while (at > range.header + 1 && ini.lines[at - 1].trimmed().isEmpty())
                --at;
            ini.lines.insert(at, line);
        }
    }
    return true;
}

bool deleteKeyIn(IniText &ini, QStringView section, QStringView key)
{
    const KeyLine found = findKey(ini.lines, findSection(ini.lines, section.trimmed()), key.trimmed());
    if (found.line < 0)
        return false;
    ini.lines.removeAt(found.line);
    return true;
}

bool replaceSectionIn(IniText &ini, QStringView section, const std::vector<TProfileFile::Entry> &entries)
{
    for (SectionRange range = findSection(ini.lines, section.trimmed()); range.header >= 0;
         range = findSection(ini.lines, section.trimmed()))
        ini.lines.erase(ini.lines.begin() + range.header, ini.lines.begin() + range.end);
    ini.lines.append(QLatin1Char('[') + section.trimmed().toString() + QLatin1Char(']'));
    for (const TProfileFile::Entry &entry : entries) {
        if (entry.key.trimmed().isEmpty() || !fitsOnOneLine(entry.key) || !fitsOnOneLine(entry.value))
            return false;
        ini.lines.append(entry.key.trimmed() + QLatin1Char('=') + encodeValue(entry.value));
    }
    return true;
}

} // namespace

struct ProfileEdit::State
{
    SharedWrite write;
    IniText ini;
    bool changed = false;
    bool rebuilt = false;
};

ProfileEdit::ProfileEdit(const Folder &folder, std::string name, bool create)
{
    const std::string path = folder.pathOf(name);
    m = std::unique_ptr<State>(new State{SharedWrite(folder, std::move(name), path, create), {}, false, false});
    m->ini = parse(m->write.old, ProfileKind::Shared);
}

ProfileEdit::~ProfileEdit() = default;

QString ProfileEdit::ReadString(QStringView section, QStringView key, const QString &defaultValue) const
{
    return readStringIn(m->ini, section, key, defaultValue);
}

int ProfileEdit::ReadInteger(QStringView section, QStringView key, int defaultValue) const
{
    return parseProfileInteger(ReadString(section, key, QString()), defaultValue);
}

void ProfileEdit::WriteString(QStringView section, QStringView key, QStringView value)
{
    if (!writeKeyIn(m->ini, section, key, value))
        raiseProfileWriteError(m->write.path, IoError::InvalidFilename);
    m->changed = true;
}

void ProfileEdit::WriteInteger(QStringView section, QStringView key, int value)
{
    WriteString(section, key, QString::number(value));
}

void ProfileEdit::DeleteKey(QStringView section, QStringView key)
{
    m->changed = deleteKeyIn(m->ini, section, key) || m->changed;
}

void ProfileEdit::ReplaceSection(QStringView section, const std::vector<TProfileFile::Entry> &entries)
{
    if (!replaceSectionIn(m->ini, section, entries))
        raiseProfileWriteError(m->write.path, IoError::InvalidFilename);
    m->changed = true;
    m->rebuilt = true;
}

void ProfileEdit::commit(QStringView section)
{
    if (!m->changed)
        return;
    // A file too large to read is damaged: only a rebuild writes it.
    if (m->write.tooLarge && !m->rebuilt)
        raiseProfileWriteError(m->write.path, EFBIG);
    m->write.commit(serialize(m->ini, ProfileKind::Shared), section.trimmed());
    m->changed = false;
}

QString TProfileFile::ReadString(QStringView section, QStringView key, const QString &defaultValue) const
{
    return readStringIn(parse(loadOrNothing(), m_kind), section, key, defaultValue);
}

void TProfileFile::WriteString(QStringView section, QStringView key, QStringView value)
{
    if (m_folder) {
        ProfileEdit edit(*m_folder, m_name);
        edit.WriteString(section, key, value);
        edit.commit(section);
        return;
    }
    IniText ini;
    try {
        ini = parse(load(), m_kind);
    } catch (const IoError &error) {
        raiseProfileWriteError(m_path, error.code());
    }
    if (!writeKeyIn(ini, section, key, value))
        raiseProfileWriteError(m_path, IoError::InvalidFilename);
    writeFileBytes(m_path, serialize(ini, m_kind), m_kind);
}

int TProfileFile::ReadInteger(QStringView section, QStringView key, int defaultValue) const
{
    return parseProfileInteger(ReadString(section, key, QString()), defaultValue);
}

void TProfileFile::WriteInteger(QStringView section, QStringView key, int value)
{
    WriteString(section, key, QString::number(value));
}

bool TProfileFile::ReadBool(QStringView section, QStringView key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TProfileFile::WriteBool(QStringView section, QStringView key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QStringList TProfileFile::ReadKeys(QStringView section) const
{
    QStringList keys;
    for (const Entry &entry : ReadSection(section))
        keys.append(entry.key);
    return keys;
}

std::vector<TProfileFile::Entry> TProfileFile::ReadSection(QStringView section) const
{
    const IniText ini = parse(loadOrNothing(), m_kind);
    const SectionRange range = findSection(ini.lines, section.trimmed());
    std::vector<Entry> entries;
    QSet<QString> seen;
    for (qsizetype i = range.header + 1; range.header >= 0 && i < range.end; ++i) {
        const QStringView line = QStringView(ini.lines[i]).trimmed();
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0 || line.startsWith(QLatin1Char(';')))
            continue;
        const QString key = line.left(equals).trimmed().toString();
        // The first line that holds a key is the one ReadString finds.
        if (seen.contains(key.toCaseFolded()))
            continue;
        seen.insert(key.toCaseFolded());
        entries.push_back({key, valueOf(ini.lines[i], ini.lines[i].indexOf(QLatin1Char('=')) + 1).left(MaxValueLength)});
    }
    return entries;
}

void TProfileFile::ReplaceSection(QStringView section, const std::vector<Entry> &entries)
{
    if (m_folder) {
        ProfileEdit edit(*m_folder, m_name);
        edit.ReplaceSection(section, entries);
        edit.commit(section);
        return;
    }
    IniText ini;
    try {
        ini = parse(load(), m_kind);
    } catch (const IoError &error) {
        if (error.code() != EFBIG)
            raiseProfileWriteError(m_path, error.code());
        // A file too large to read is what a rebuild replaces.
    }
    if (!replaceSectionIn(ini, section, entries))
        raiseProfileWriteError(m_path, IoError::InvalidFilename);
    writeFileBytes(m_path, serialize(ini, m_kind), m_kind);
}

void TProfileFile::DeleteKey(QStringView section, QStringView key)
{
    try {
        if (m_folder) {
            ProfileEdit edit(*m_folder, m_name, false);
            edit.DeleteKey(section, key);
            edit.commit(section);
            return;
        }
        IniText ini = parse(load(), m_kind);
        if (deleteKeyIn(ini, section, key))
            writeFileBytes(m_path, serialize(ini, m_kind), m_kind);
    } catch (const IoError &) {
    }
}
