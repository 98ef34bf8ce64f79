#include "DropFiles.h"

#include "FileOps.h"
#include "IoError.h"
#include "Paths.h"

#include <QDir>

#include <array>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Hidden, and never ending in ".qdm", so no collector of any name can take them.
constexpr std::string_view TempPrefix = ".quindle-";
constexpr std::string_view TempSuffix = ".tmp";

// After a drop file name turned out to be taken: a name taken by something other than a
// file we can step over is searched past by NextDropNumber; a folder under the final name
// of the record's own folder fails as creating the file there would.
void checkTaken(const std::string &name)
{
    if (folderExists(name) && !nameTaken(name))
        raiseIoError(EISDIR);
}

// Where the folder allows neither a non-replacing rename nor hard links (a Samba share):
// the number is claimed by an exclusive create of an empty file, and the complete record
// then replaces it by rename, so a reader sees nothing, an empty file or the whole record,
// never a piece of one that a dying sender left.
int claimAndReplace(const std::string &folder, const QString &recipient, const std::string &tempName)
{
    for (;;) {
        const int n = NextDropNumber(folder, recipient);
        const std::string name = DropFileName(folder, recipient, n);
        File claim = File::createExclusive(name);
        if (!claim.isOpen()) {
            checkTaken(name);
            continue;
        }
        claim.close();
        try {
            renameReplace(tempName, name);
        } catch (...) {
            removeFile(name);
            throw;
        }
        return n;
    }
}

// The bytes of two open files are the same.
bool sameBytes(File &a, File &b)
{
    const std::int64_t size = a.size();
    if (size != b.size())
        return false;
    std::array<char, 64 * 1024> left;
    std::array<char, 64 * 1024> right;
    for (std::int64_t at = 0; at < size;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(left.size(), size - at));
        a.readAt(at, left.data(), n);
        b.readAt(at, right.data(), n);
        if (std::memcmp(left.data(), right.data(), n) != 0)
            return false;
        at += static_cast<std::int64_t>(n);
    }
    return true;
}

// Copies in blocks of 8,048 bytes through one buffer for every copy, as the protocol's
// block size is fixed. Stops after a read of 0 bytes.
void copyBlocks(File &in, File &out, const CopyCallbacks &callbacks)
{
    static std::array<char, CopyBlockSize> buffer;
    for (;;) {
        if (callbacks.beforeBlock)
            callbacks.beforeBlock();
        const std::size_t got = in.readSome(buffer.data(), buffer.size());
        if (got == 0)
            break;
        const std::size_t put = out.write(buffer.data(), got);
        if (callbacks.onBlock)
            callbacks.onBlock(static_cast<std::int64_t>(put));
        if (put < got)
            break;
    }
}

bool isDecimalWithoutLeadingZero(QStringView digits)
{
    if (digits.isEmpty() || digits.size() > 9 || digits.front() == QLatin1Char('0'))
        return false;
    for (QChar c : digits)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

} // namespace

std::string DropFileName(const std::string &folder, const QString &recipient, int n)
{
    return folder + pathFromText(recipient) + std::to_string(n) + ".qdm";
}

int NextDropNumber(const std::string &folder, const QString &recipient)
{
    const std::string prefix = folder + pathFromText(recipient);
    int n = 1;
    while (nameTaken(prefix + std::to_string(n) + ".qdm"))
        ++n;
    return n;
}

int WriteDropFile(const std::string &folder, const QString &recipient, const TMessageRecord &record,
                  DropFlush flush)
{
    // The temporary file must stand in the folder of the final name, which a folder without
    // its final separator moves.
    const std::string home = folderOf(DropFileName(folder, recipient, 1));
    std::string tempName;
    File temp = File::createUnique(home, std::string(TempPrefix) + "drop-", TempSuffix, tempName);
    try {
        temp.write(record.bytes.data(), record.bytes.size());
        if (flush == DropFlush::ToDisk)
            temp.sync();
        temp.close();
        for (;;) {
            const int n = NextDropNumber(folder, recipient);
            const std::string name = DropFileName(folder, recipient, n);
            switch (tryRenameNoReplace(tempName, name)) {
            case RenameResult::Renamed:
                // The folder is not flushed as well: after a crash the record is then at
                // worst still under its temporary name, whole, which the check reports.
                return n;
            case RenameResult::Taken:
                checkTaken(name);
                continue; // another sender took n meanwhile
            case RenameResult::Unsupported:
                return claimAndReplace(folder, recipient, tempName);
            }
        }
    } catch (...) {
        removeFile(tempName);
        throw;
    }
}

bool isTemporaryDropFile(const std::string &fileName)
{
    return fileName.size() > TempPrefix.size() + TempSuffix.size() && fileName.starts_with(TempPrefix)
        && fileName.ends_with(TempSuffix) && fileName.find('/') == std::string::npos;
}

bool isPlainFileName(QStringView name)
{
    if (name.isEmpty() || name == u"." || name == u"..")
        return false;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u == u'/' || u == u'\\' || u < 0x20 || (u >= 0x7f && u <= 0x9f))
            return false;
    }
    return true;
}

int dropFileNumber(QStringView fileName, QStringView recipient)
{
    if (!fileName.startsWith(recipient) || !fileName.endsWith(u".qdm"))
        return 0;
    const QStringView digits = fileName.mid(recipient.size(), fileName.size() - recipient.size() - 4);
    return isDecimalWithoutLeadingZero(digits) ? digits.toInt() : 0;
}

bool claimedByAnother(QStringView fileName, const QString &recipient, const QStringList &otherNames)
{
    for (const QString &other : otherNames)
        if (other != recipient && dropFileNumber(fileName, other) > 0)
            return true;
    return false;
}

std::vector<int> dropNumbersAbove(const std::string &folder, const QString &recipient, int above,
                                  const QStringList &otherNames)
{
    // The recipient's drop files stand in the folder of the first one's name.
    const std::string first = DropFileName(folder, recipient, 1);
    const std::string home = folderOf(first);
    const QString prefix = textFromPath(first.substr(home.size()));
    const QString stem = prefix.left(prefix.size() - 5); // without "1.qdm"
    std::vector<int> numbers;
    DIR *dir = ::opendir(home.empty() ? "." : home.c_str());
    // A folder one may write into but not list (a drop box) has only the run from 1.
    if (!dir)
        return numbers;
    while (const dirent *entry = ::readdir(dir)) {
        const QString name = textFromPath(entry->d_name);
        const int n = dropFileNumber(name, stem);
        if (n > above && !claimedByAnother(name, stem, otherNames))
            numbers.push_back(n);
    }
    ::closedir(dir);
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

QString attachmentKeyName(const QString &name)
{
    QString key = name;
    key.replace(QLatin1Char('='), QLatin1Char('_'));
    if (key.startsWith(QLatin1Char(';')) || key.startsWith(QLatin1Char('[')))
        key[0] = QLatin1Char('_');
    for (qsizetype i = 0; i < key.size() && key[i].isSpace(); ++i)
        key[i] = QLatin1Char('_');
    for (qsizetype i = key.size() - 1; i >= 0 && key[i].isSpace(); --i)
        key[i] = QLatin1Char('_');
    return key;
}

QString numberedAttachmentName(const QString &name, int n)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const qsizetype split = dot > 0 ? dot : name.size();
    const QString suffix = QStringLiteral(" (%1)").arg(n) + name.mid(split);
    // The name must still fit the record's field.
    const qsizetype room = TMessageRecord::NameFieldSize - 1 - suffix.size();
    return name.left(std::min(split, room)) + suffix;
}

void CopyAttachment(const std::string &source, const std::string &folder, const QString &attachName,
                    const CopyCallbacks &callbacks)
{
    const std::string target = folder + pathFromText(attachName);
    File in = File::openRegularRead(source);
    const std::int64_t total = in.size();
    if (callbacks.onTotal)
        callbacks.onTotal(total);
    try {
        File existing = File::openPlainRead(target);
        if (existing.isSameFileAs(in))
            return;
    } catch (const IoError &) {
    }
    std::string tempName;
    File out = File::createUnique(folderOf(target), std::string(TempPrefix) + "attach-", TempSuffix, tempName);
    try {
        copyBlocks(in, out, callbacks);
        out.close();
        in.close();
        renameReplace(tempName, target);
    } catch (...) {
        out = File();
        removeFile(tempName);
        throw;
    }
}

QString PlaceAttachment(const std::string &source, AttachmentSource kind, const std::string &folder,
                        const QString &attachName, bool count, const CopyCallbacks &callbacks,
                        const std::function<void()> &whileWaiting)
{
    const QString keyName = attachmentKeyName(attachName);
    if (!isPlainFileName(keyName))
        raiseInvalidFilename();
    File in = kind == AttachmentSource::Shared ? File::openPlainRead(source) : File::openRegularRead(source);
    if (callbacks.onTotal)
        callbacks.onTotal(in.size());
    std::string tempName;
    File temp = File::createUnique(folder, std::string(TempPrefix) + "attach-", TempSuffix, tempName);
    try {
        copyBlocks(in, temp, callbacks);
        in.close();
        // Closed before it is renamed: a share refuses to rename a file that is open.
        temp.close();

        const AttachmentLock lock(folder, whileWaiting);
        for (int n = 1; n <= 10000; ++n) {
            const QString name = n == 1 ? keyName : numberedAttachmentName(keyName, n);
            const std::string path = folder + pathFromText(name);
            if (!nameTaken(path)) {
                const RenameResult result = tryRenameNoReplace(tempName, path);
                if (result == RenameResult::Taken)
                    continue;
                if (result == RenameResult::Unsupported)
                    renameReplace(tempName, path); // free a moment ago, and we hold the lock
                if (count) {
                    try {
                        CountAttachment(lock, name);
                    } catch (...) {
                        removeFile(path); // a copy nobody counts would stay for ever
                        throw;
                    }
                }
                return name;
            }
            // Anything but a plain file with these very bytes keeps its name.
            bool same = false;
            {
                File there;
                try {
                    there = File::openPlainRead(path);
                } catch (const IoError &error) {
                    if (error.code() == IoError::NotPlainFile)
                        continue;
                    throw;
                }
                File copy = File::openRead(tempName);
                same = sameBytes(there, copy);
            }
            if (!same)
                continue;
            removeFile(tempName);
            if (count)
                CountAttachment(lock, name);
            return name;
        }
        raiseIoError(EEXIST);
    } catch (...) {
        temp = File();
        removeFile(tempName);
        throw;
    }
}
