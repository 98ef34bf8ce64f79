#include "InboxAttachments.h"

#include "AddressFile.h"
#include "Build.h"
#include "DropFiles.h"
#include "FileOps.h"
#include "InboxFile.h"
#include "IoError.h"
#include "Paths.h"
#include "ProfileFile.h"
#include "Settings.h"

#include <QSet>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Names Quindle itself keeps in a folder that may be an inbox folder as well.
bool isQuindleFile(const QString &name)
{
    const auto is = [&](const QString &title) { return name.compare(title, Qt::CaseInsensitive) == 0; };
    const auto startsWith = [&](const QString &title) { return name.startsWith(title, Qt::CaseInsensitive); };
    return name.startsWith(QLatin1Char('.')) || name.endsWith(DropFileExtension, Qt::CaseInsensitive)
        || startsWith(AttachIniTitle) || startsWith(InboxFileTitle) || startsWith(QStringLiteral("InBox.qdx"))
        || is(SettingsNames::FileName) || is(BodyFileTitle) || startsWith(QStringLiteral("tmprtf"))
        || is(AddressFileTitle) || is(QStringLiteral("packed.qdi"));
}

namespace {

void nameAll(const TMessageRecord &record, QSet<QString> &names)
{
    for (int k = 1; k <= TMessageRecord::SlotCount; ++k) {
        const QString name = record.AttachName(k);
        if (!name.isEmpty())
            names.insert(name.toCaseFolded());
    }
}

} // namespace

std::vector<UnusedAttachment> unusedAttachments(const std::string &ownFolder, const TInboxData &inbox)
{
    std::vector<UnusedAttachment> unused;
    if (!folderExists(ownFolder))
        return unused;
    QSet<QString> named;
    for (const TMessageRecord &record : inbox) {
        if (!record.isEmpty())
            nameAll(record, named);
    }
    for (const TProfileFile::Entry &entry :
         TProfileFile(ownFolder + pathFromText(AttachIniTitle), ProfileKind::Shared).ReadSection(AttachmentsSection)) {
        if (parseProfileInteger(entry.value, 0) > 0)
            named.insert(entry.key.toCaseFolded());
    }
    std::vector<std::pair<QString, std::int64_t>> candidates;
    DIR *dir = ::opendir(ownFolder.c_str());
    if (!dir)
        return unused;
    while (const dirent *entry = ::readdir(dir)) {
        const QString name = textFromPath(entry->d_name);
        struct stat st{};
        if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISREG(st.st_mode) && name.endsWith(DropFileExtension, Qt::CaseInsensitive)) {
            // A waiting message, for anyone: what it names stays.
            TMessageRecord record;
            try {
                File::openPlainRead(ownFolder + entry->d_name).readAt(0, record.bytes.data(), TMessageRecord::Size);
                nameAll(record, named);
            } catch (const IoError &) {
            }
            continue;
        }
        if (S_ISREG(st.st_mode) && !isQuindleFile(name))
            candidates.emplace_back(name, std::int64_t(st.st_size));
    }
    ::closedir(dir);
    for (const auto &[name, size] : candidates) {
        if (!named.contains(name.toCaseFolded()))
            unused.push_back({name, size});
    }
    std::sort(unused.begin(), unused.end(), [](const auto &a, const auto &b) { return a.name < b.name; });
    return unused;
}

AttachmentCleanup removeUnusedAttachments(const std::string &ownFolder, const TInboxData &inbox)
{
    AttachmentCleanup cleanup;
    try {
        const AttachmentLock lock(ownFolder);
        for (const UnusedAttachment &file : unusedAttachments(ownFolder, inbox)) {
            if (::unlink((ownFolder + pathFromText(file.name)).c_str()) == 0) {
                ++cleanup.removed;
                cleanup.bytes += file.size;
            } else {
                cleanup.notices.append(QStringLiteral("%1 could not be removed from %2 (%3).")
                                           .arg(file.name, textFromPath(ownFolder),
                                                QString::fromStdString(ioErrorMessage(errno))));
            }
        }
    } catch (const IoError &error) {
        cleanup.notices.append(QString::fromStdString(error.what()));
    }
    return cleanup;
}

QString sizeText(std::int64_t bytes)
{
    if (bytes < 1000)
        return QStringLiteral("%1 %2").arg(bytes).arg(bytes == 1 ? QStringLiteral("byte") : QStringLiteral("bytes"));
    const char *units[] = {"kB", "MB", "GB", "TB"};
    double value = double(bytes) / 1000;
    int unit = 0;
    while (value >= 1000 && unit < 3) {
        value /= 1000;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(value, 0, 'f', value < 10 ? 1 : 0).arg(QLatin1String(units[unit]));
}

QString attachmentCleanupText(const std::string &ownFolder, const AttachmentCleanup &cleanup)
{
    const QString files = cleanup.removed == 1 ? QStringLiteral("1 attachment file that no message names was")
                                               : QStringLiteral("%1 attachment files that no message names were")
                                                     .arg(cleanup.removed);
    return QStringLiteral("%1 removed from %2: %3 came free.")
        .arg(files, textFromPath(ownFolder), sizeText(cleanup.bytes));
}
