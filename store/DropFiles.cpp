#include "DropFiles.h"

#include "FileOps.h"
#include "IoError.h"
#include "Paths.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Hidden, and never ending in ".qdm", so no collector of any name can take it.
constexpr std::string_view TempPrefix = ".quindle-drop-";
constexpr std::string_view TempSuffix = ".tmp";

std::string temporaryName(const std::string &folder)
{
    // The pid alone is not unique across the machines that share one folder.
    static std::mt19937_64 random{std::random_device{}() ^ (std::uint64_t(::getpid()) << 32)};
    char unique[17];
    std::snprintf(unique, sizeof unique, "%016llx", static_cast<unsigned long long>(random()));
    return folder + std::string(TempPrefix) + unique + std::string(TempSuffix);
}

File createTemporary(const std::string &folder, std::string &name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = temporaryName(folder);
        File file = File::createExclusive(name);
        if (file.isOpen())
            return file;
    }
    raiseIoError(EEXIST);
}

// After a drop file name turned out to be taken: returns when the number search will move
// past it. A name held by something the collector never reads (a folder, a dangling link)
// would stop the collector at that number for good, and the search here would meet it
// again and again: fail as creating the file there would.
void checkTaken(const std::string &name)
{
    if (fileExists(name))
        return;
    struct stat link{};
    if (::lstat(name.c_str(), &link) != 0 || S_ISREG(link.st_mode))
        return; // gone or replaced by a file meanwhile: search again
    struct stat target{};
    raiseIoError(::stat(name.c_str(), &target) == 0 && S_ISDIR(target.st_mode) ? EISDIR : EEXIST);
}

// Last resort where the folder allows neither a non-replacing rename nor hard links: the
// final name is created exclusively, so a number is still never taken twice.
int writeInPlace(const std::string &folder, const QString &recipient, const TMessageRecord &record, DropFlush flush)
{
    for (;;) {
        const int n = NextDropNumber(folder, recipient);
        const std::string name = DropFileName(folder, recipient, n);
        File file = File::createExclusive(name);
        if (!file.isOpen()) {
            checkTaken(name);
            continue;
        }
        file.write(record.bytes.data(), record.bytes.size());
        if (flush == DropFlush::ToDisk)
            file.sync();
        file.close();
        return n;
    }
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
    while (fileExists(prefix + std::to_string(n) + ".qdm"))
        ++n;
    return n;
}

int WriteDropFile(const std::string &folder, const QString &recipient, const TMessageRecord &record,
                  DropFlush flush)
{
    // The temporary file must stand in the folder of the final name, which a recipient
    // name with a separator or a folder without its final separator moves.
    const std::string home = folderOf(DropFileName(folder, recipient, 1));
    std::string tempName;
    File temp = createTemporary(home, tempName);
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
                removeFile(tempName);
                return writeInPlace(folder, recipient, record, flush);
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

void CopyAttachment(const std::string &source, const std::string &folder, const QString &attachName,
                    const CopyCallbacks &callbacks)
{
    // One buffer for every copy, as the protocol's block size is fixed.
    static std::array<char, CopyBlockSize> buffer;

    File in = File::openRead(source);
    // Opened without truncating, so that a file sent from the destination folder itself
    // is recognised before it could be emptied.
    File out = File::openOrCreate(folder + pathFromText(attachName));
    const std::int64_t total = in.size();
    if (callbacks.onTotal)
        callbacks.onTotal(total);
    if (out.isSameFileAs(in)) {
        out.close();
        in.close();
        return;
    }
    if (out.size() != 0)
        out.truncate(0);
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
    out.close();
    in.close();
}
