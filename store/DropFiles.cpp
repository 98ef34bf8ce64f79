#include "DropFiles.h"

#include "FileOps.h"
#include "IoError.h"
#include "Paths.h"

#include <QDir>

#include <climits>
#include <optional>

#include <array>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Hidden, and never ending in ".qdm", so no collector of any name can take them.
constexpr std::string_view TempPrefix = ".quindle-";
constexpr std::string_view TempSuffix = ".tmp";

// Where the folder allows neither a non-replacing rename nor hard links (a Samba share):
// the number is claimed by an exclusive create of an empty file, and the complete record
// then replaces it by rename, so a reader sees nothing, an empty file or the whole record,
// never a piece of one that a dying sender left.
int claimAndReplace(const Folder &folder, const QString &recipient, const std::string &tempName, int from)
{
    for (int n = from;; ++n) {
        const std::string name = dropFileLeaf(recipient, n);
        File claim = folder.createExclusive(name);
        if (!claim.isOpen())
            continue;
        claim.close();
        try {
            folder.renameReplace(tempName, name);
        } catch (...) {
            folder.remove(name);
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

// The same blocks copied by the kernel where the file systems let it (copy_file_range): no
// byte passes through this process, a share copies on its server (CIFS, NFS 4.2), and the
// holes of a sparse file are gone past and stay holes. The callbacks see the same blocks,
// a hole as one step. Falls back to copyBlocks where the kernel cannot copy between the two.
void copyData(File &in, File &out, const CopyCallbacks &callbacks)
{
    const int from = in.descriptor();
    const int to = out.descriptor();
    loff_t at = 0;
    bool holes = true; // the source tells where its data is
    bool copied = false;
    for (;;) {
        if (callbacks.beforeBlock)
            callbacks.beforeBlock();
        if (holes) {
            const off_t data = ::lseek(from, at, SEEK_DATA);
            if (data < 0 && errno == ENXIO) {
                // Nothing but a hole to the end: the file is made as long without writing it.
                const std::int64_t end = in.size();
                if (end > at) {
                    out.truncate(end);
                    if (callbacks.onBlock)
                        callbacks.onBlock(end - at);
                }
                break;
            }
            if (data < 0)
                holes = false;
            else if (data > at) {
                if (callbacks.onBlock)
                    callbacks.onBlock(data - at);
                at = data;
            }
        }
        loff_t source = at;
        loff_t target = at;
        const ssize_t put = ::copy_file_range(from, &source, to, &target, CopyBlockSize, 0);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            if (!copied && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP
                            || errno == EBADF || errno == EPERM)) {
                // This pass has been announced already; the loop goes on from here.
                ::lseek(from, at, SEEK_SET);
                ::lseek(to, at, SEEK_SET);
                bool announced = true;
                CopyCallbacks rest = callbacks;
                rest.beforeBlock = [&] {
                    if (!announced && callbacks.beforeBlock)
                        callbacks.beforeBlock();
                    announced = false;
                };
                copyBlocks(in, out, rest);
                return;
            }
            raiseIoError(errno);
        }
        if (put == 0)
            break;
        copied = true;
        at += put;
        if (callbacks.onBlock)
            callbacks.onBlock(put);
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
    return folder + dropFileLeaf(recipient, n);
}

std::string dropFileLeaf(const QString &recipient, int n)
{
    return pathFromText(recipient) + std::to_string(n) + ".qdm";
}

namespace {

std::string foldedLeaf(const QString &recipient, int n)
{
    return pathFromText(QString::fromLocal8Bit(dropFileLeaf(recipient, n).c_str()).toCaseFolded());
}

} // namespace

int NextDropNumber(const Folder &folder, const QString &recipient)
{
    int n = 1;
    while (folder.nameTaken(dropFileLeaf(recipient, n)))
        ++n;
    return n;
}

int NextDropNumber(const std::string &folder, const QString &recipient)
{
    return NextDropNumber(Folder::open(folder), recipient);
}

int WriteDropFile(const Folder &folder, const QString &recipient, const TMessageRecord &record, DropFlush flush,
                  const std::function<void(File &)> &prepare)
{
    std::string tempName;
    File temp = folder.createUnique(std::string(TempPrefix) + "drop-", TempSuffix, tempName);
    try {
        temp.write(record.bytes.data(), record.bytes.size());
        if (prepare)
            prepare(temp);
        if (flush == DropFlush::ToDisk)
            temp.sync();
        temp.close();
        // The free number is found by the rename itself: a name that is taken refuses it,
        // whoever took it and whatever stands there. Where Windows copies write too, a name in
        // another letter case takes the number as well.
        const std::vector<std::string> folded = folder.windowsNames() ? folder.foldedNames() : std::vector<std::string>{};
        for (int n = 1;; ++n) {
            if (!folded.empty() && std::binary_search(folded.begin(), folded.end(), foldedLeaf(recipient, n)))
                continue;
            switch (folder.renameNoReplace(tempName, dropFileLeaf(recipient, n))) {
            case RenameResult::Renamed:
                // The folder is not flushed as well: after a crash the record is then at
                // worst still under its temporary name, whole, which the check reports.
                return n;
            case RenameResult::Taken:
                continue;
            case RenameResult::Unsupported:
                return claimAndReplace(folder, recipient, tempName, n);
            }
        }
    } catch (...) {
        folder.remove(tempName);
        throw;
    }
}

int WriteDropFile(const std::string &folder, const QString &recipient, const TMessageRecord &record,
                  DropFlush flush)
{
    return WriteDropFile(Folder::open(folder), recipient, record, flush);
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
    // Every other copy runs where names ignore letter case: anna1.qdm is Anna's.
    if (!fileName.startsWith(recipient, Qt::CaseInsensitive) || !fileName.endsWith(u".qdm", Qt::CaseInsensitive))
        return 0;
    const QStringView digits = fileName.mid(recipient.size(), fileName.size() - recipient.size() - 4);
    return isDecimalWithoutLeadingZero(digits) ? digits.toInt() : 0;
}

bool claimedByAnother(QStringView fileName, const QString &recipient, const QStringList &otherNames)
{
    for (const QString &other : otherNames)
        if (other.compare(recipient, Qt::CaseInsensitive) != 0 && dropFileNumber(fileName, other) > 0)
            return true;
    return false;
}

std::vector<DropName> dropFilesAbove(const Folder &folder, const QString &recipient, int above,
                                     const QStringList &otherNames, const std::function<void()> &afterEach)
{
    std::vector<DropName> found;
    // A folder one may write into but not list (a drop box) has only the run from 1.
    folder.eachName([&](std::string_view leaf) {
        const QString name = textFromPath(std::string(leaf));
        const int n = dropFileNumber(name, recipient);
        if (n > above && !claimedByAnother(name, recipient, otherNames))
            found.push_back({n, std::string(leaf)});
        if (afterEach)
            afterEach();
    });
    std::sort(found.begin(), found.end(), [](const DropName &a, const DropName &b) {
        return a.number != b.number ? a.number < b.number : a.leaf < b.leaf;
    });
    return found;
}

namespace {

bool isWindowsDevice(QStringView base)
{
    static const QStringList devices = {QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
                                        QStringLiteral("NUL")};
    if (devices.contains(base.toString(), Qt::CaseInsensitive))
        return true;
    return base.size() == 4
        && (base.left(3).compare(u"COM", Qt::CaseInsensitive) == 0 || base.left(3).compare(u"LPT", Qt::CaseInsensitive) == 0)
        && base[3] >= QLatin1Char('1') && base[3] <= QLatin1Char('9');
}

// Names a folder of the exchange or of Quindle holds for itself.
bool isReservedName(const QString &name)
{
    const auto is = [&](const char *title) { return name.compare(QLatin1String(title), Qt::CaseInsensitive) == 0; };
    const auto startsWith = [&](const char *title) { return name.startsWith(QLatin1String(title), Qt::CaseInsensitive); };
    return startsWith("Attach.ini") || name.endsWith(QLatin1String(".qdm"), Qt::CaseInsensitive)
        || startsWith("InBox.qd") || is("main.ini") || startsWith("tmprtf") || is("address list.qda")
        || is("packed.qdi");
}

} // namespace

QString plainAttachmentName(const QString &name)
{
    QString plain = name.left(TMessageRecord::NameFieldSize - 1);
    for (QChar &c : plain) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7f && u <= 0x9f) || QStringView(u"<>:\"/\\|?*=").contains(c))
            c = QLatin1Char('_');
    }
    if (plain.isEmpty())
        return QStringLiteral("_");
    if (plain.startsWith(QLatin1Char('.')) || plain.startsWith(QLatin1Char(';')) || plain.startsWith(QLatin1Char('[')))
        plain[0] = QLatin1Char('_');
    for (qsizetype i = 0; i < plain.size() && plain[i].isSpace(); ++i)
        plain[i] = QLatin1Char('_');
    for (qsizetype i = plain.size() - 1; i >= 0 && (plain[i].isSpace() || plain[i] == QLatin1Char('.')); --i)
        plain[i] = QLatin1Char('_');
    if (isReservedName(plain))
        plain.replace(QLatin1Char('.'), QLatin1Char('_'));
    const qsizetype dot = plain.indexOf(QLatin1Char('.'));
    if (isWindowsDevice(QStringView(plain).left(dot < 0 ? plain.size() : dot)))
        plain = (QLatin1Char('_') + plain).left(TMessageRecord::NameFieldSize - 1);
    return plain;
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

bool adoptFile(const Folder &folder, const std::string &leaf)
{
    std::string tempName;
    try {
        struct stat st{};
        File there = folder.openPlainRead(leaf, st);
        if (st.st_uid == ::geteuid())
            return false;
        File temp = folder.createUnique(std::string(TempPrefix) + "attach-", TempSuffix, tempName);
        try {
            copyBlocks(there, temp, {});
            there.close();
            temp.close();
            folder.renameReplace(tempName, leaf);
            return true;
        } catch (const IoError &) {
            temp = File();
            folder.remove(tempName);
        }
    } catch (const IoError &) {
    }
    return false;
}

namespace {

// Under the folder's lock: the name an attachment copy (in temp) gets, plainName or the first
// free "name (n).ext", or one that holds these very bytes (then reused: reused is set and the
// copy removed). Anything else under a name, also a file this user may not read (another
// sender's in a drop box), or one in another letter case where Windows copies write, keeps it.
QString nameCopy(const Folder &folder, const std::string &temp, const QString &plainName,
                 const std::vector<std::string> &folded, const std::function<void(File &)> &prepare, bool &reused)
{
    reused = false;
    for (int n = 1; n <= 10000; ++n) {
        const QString name = n == 1 ? plainName : numberedAttachmentName(plainName, n);
        const std::string leaf = pathFromText(name);
        if (!folded.empty() && std::binary_search(folded.begin(), folded.end(), pathFromText(name.toCaseFolded()))
            && !folder.nameTaken(leaf))
            continue; // another file in another letter case: Windows would take it for this one
        // The rename itself finds the name free or taken.
        RenameResult result = folder.renameNoReplace(temp, leaf);
        if (result == RenameResult::Unsupported && !folder.nameTaken(leaf)) {
            folder.renameReplace(temp, leaf); // free a moment ago, and we hold the lock
            result = RenameResult::Renamed;
        }
        if (result == RenameResult::Renamed)
            return name;
        bool same = false;
        try {
            struct stat st{};
            File there = folder.openPlainRead(leaf, st);
            File copy = folder.openPlainRead(temp);
            same = (!prepare || st.st_uid == ::geteuid()) && sameBytes(there, copy);
            if (same && prepare)
                prepare(there);
        } catch (const IoError &error) {
            if (error.code() != IoError::NotPlainFile && error.code() != IoError::AccessDenied
                && error.code() != IoError::FileNotFound)
                throw;
        }
        if (!same)
            continue;
        folder.remove(temp);
        reused = true;
        return name;
    }
    raiseIoError(EEXIST);
}

} // namespace

std::vector<QString> PlaceAttachments(const Folder &folder, std::vector<AttachmentCopy> &copies, bool count,
                                      const std::function<void()> &whileWaiting,
                                      const std::function<void(File &)> &prepare)
{
    // Each copy goes to a temporary file first, outside the lock, which a large one would hold
    // from every other sender for long.
    std::vector<std::string> temps;
    std::vector<QString> placed;
    std::vector<std::string> fresh; // placed under a name that was free: theirs to remove on failure
    try {
        for (AttachmentCopy &copy : copies) {
            if (copy.callbacks.onTotal)
                copy.callbacks.onTotal(copy.source.size());
            std::string tempName;
            File temp = folder.createUnique(std::string(TempPrefix) + "attach-", TempSuffix, tempName);
            temps.push_back(tempName);
            copyData(copy.source, temp, copy.callbacks);
            copy.source.close();
            if (prepare)
                prepare(temp);
            // Closed before it is renamed: a share refuses to rename a file that is open.
            temp.close();
            if (copy.afterCopy)
                copy.afterCopy();
        }
        // Every name and count of this folder under one hold of its lock, and Attach.ini read
        // and written once, so that placing and counting are one step for every other copy.
        const AttachmentLock lock(folder, whileWaiting);
        const std::vector<std::string> folded =
            folder.windowsNames() ? folder.foldedNames() : std::vector<std::string>{};
        std::optional<ProfileEdit> ini;
        if (count)
            ini.emplace(folder, pathFromText(AttachIniTitle));
        for (std::size_t i = 0; i < copies.size(); ++i) {
            bool reused = false;
            const QString name = nameCopy(folder, temps[i], plainAttachmentName(copies[i].name), folded, prepare, reused);
            temps[i].clear();
            placed.push_back(name);
            if (!reused)
                fresh.push_back(pathFromText(name));
            if (ini) {
                const int n = ini->ReadInteger(AttachmentsSection, name, 0);
                ini->WriteInteger(AttachmentsSection, name, n == INT_MAX ? n : n + 1);
            }
        }
        if (ini)
            ini->commit(AttachmentsSection);
    } catch (...) {
        for (const std::string &temp : temps)
            if (!temp.empty())
                folder.remove(temp);
        // A copy nobody counts would stay for ever.
        if (count)
            for (const std::string &leaf : fresh)
                folder.remove(leaf);
        throw;
    }
    return placed;
}

QString PlaceAttachment(const std::string &source, AttachmentSource kind, const Folder &folder,
                        const QString &attachName, bool count, const CopyCallbacks &callbacks,
                        const std::function<void()> &whileWaiting, const std::function<void(File &)> &prepare)
{
    std::vector<AttachmentCopy> copies(1);
    copies[0].source = kind == AttachmentSource::Shared ? File::openPlainRead(source) : File::openRegularRead(source);
    copies[0].name = attachName;
    copies[0].callbacks = callbacks;
    return PlaceAttachments(folder, copies, count, whileWaiting, prepare).front();
}

QString PlaceAttachment(const std::string &source, AttachmentSource kind, const std::string &folder,
                        const QString &attachName, bool count, const CopyCallbacks &callbacks,
                        const std::function<void()> &whileWaiting)
{
    return PlaceAttachment(source, kind, Folder::open(folder), attachName, count, callbacks, whileWaiting);
}

QString PlaceAttachment(const Folder &sourceFolder, const std::string &sourceName, const Folder &folder,
                        const QString &attachName, bool count, const CopyCallbacks &callbacks,
                        const std::function<void()> &whileWaiting)
{
    std::vector<AttachmentCopy> copies(1);
    copies[0].source = sourceFolder.openPlainRead(sourceName);
    copies[0].name = attachName;
    copies[0].callbacks = callbacks;
    return PlaceAttachments(folder, copies, count, whileWaiting).front();
}
