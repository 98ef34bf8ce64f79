#include "WindowsPaths.h"

#include "FileOps.h"
#include "Paths.h"
#include "ProfileFile.h"
#include "Settings.h"

#include <QStringList>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace {

QString slashed(QString text)
{
    text.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return text;
}

// Two prefixes that name the same Windows folder: letter case aside, \ and / alike, with or
// without a final separator.
QString keyForm(const QString &text)
{
    QString key = slashed(text).toCaseFolded();
    while (key.endsWith(QLatin1Char('/')))
        key.chop(1);
    return key;
}

// Does text begin with the Windows folder prefix (a whole component at its end)?
bool beginsWith(const QString &text, const QString &prefix)
{
    const QString t = slashed(text).toCaseFolded();
    const QString p = keyForm(prefix);
    return t.startsWith(p) && (t.size() == p.size() || t[p.size()] == QLatin1Char('/'));
}

// The mount table's escapes (\040 for a space).
std::string unescapeMount(const std::string &field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits = field.substr(i + 1, 3);
            if (digits.size() == 3 && digits.find_first_not_of("01234567") == std::string::npos) {
                out += char(std::stoi(digits, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

// The names in folder equal to name without regard to letter case.
QStringList caseVariants(const std::string &folder, const QString &name)
{
    QStringList found;
    const Folder handle = Folder::openIfFolder(folder.empty() ? std::string("./") : folder);
    for (const std::string &leaf : handle.names()) {
        const QString candidate = textFromPath(leaf);
        if (candidate.compare(name, Qt::CaseInsensitive) == 0)
            found.append(candidate);
    }
    return found;
}

// base (a local folder with its final '/') and the components of the rest, each matched as
// Windows matches names. The last component is matched too unless it is a name prefix (the
// text had no final separator).
LocalFolder matchComponents(std::string base, const QStringList &components, bool lastIsFolder)
{
    LocalFolder local;
    local.windows = true;
    for (qsizetype i = 0; i < components.size(); ++i) {
        const QString &component = components[i];
        const bool last = i == components.size() - 1;
        std::string chosen = pathFromText(component);
        struct stat st{};
        if ((!last || lastIsFolder) && ::lstat((base + chosen).c_str(), &st) != 0) {
            const QStringList variants = caseVariants(base, component);
            if (variants.size() > 1) {
                local.problem = QStringLiteral("%1 holds both %2 and %3, and Windows cannot tell them apart")
                                    .arg(textFromPath(base), variants[0], variants[1]);
                return local;
            }
            if (variants.size() == 1)
                chosen = pathFromText(variants[0]);
        }
        base += chosen;
        if (!last || lastIsFolder)
            base += '/';
    }
    local.path = base;
    return local;
}

// \\SERVER\SHARE\rest: the local folder of the share among the mounts, or empty.
std::string mountedShare(const QString &server, const QString &share)
{
    const auto same = [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; };
    for (const MountEntry &mount : currentMounts()) {
        const QString type = QString::fromStdString(mount.type);
        if (type == QLatin1String("cifs") || type == QLatin1String("smb3") || type == QLatin1String("smbfs")) {
            const QStringList parts = QString::fromStdString(mount.source).split(QLatin1Char('/'), Qt::SkipEmptyParts);
            if (parts.size() >= 2 && same(parts[0], server) && same(parts[1], share))
                return mount.target + "/";
        }
        if (type == QLatin1String("fuse.smbnetfs")) {
            const LocalFolder found = matchComponents(mount.target + "/", {server, share}, true);
            struct stat st{};
            if (!found.path.empty() && ::stat(found.path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
                return found.path;
        }
    }
    if (const char *runtime = std::getenv("XDG_RUNTIME_DIR")) {
        const std::string gvfs = std::string(runtime) + "/gvfs/";
        const QString wanted = QStringLiteral("smb-share:server=%1,share=%2").arg(server, share);
        const QStringList found = caseVariants(gvfs, wanted);
        if (found.size() == 1)
            return gvfs + pathFromText(found[0]) + "/";
    }
    return std::string();
}

} // namespace

std::vector<MountEntry> currentMounts()
{
    std::vector<MountEntry> mounts;
    std::ifstream in("/proc/self/mounts");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        MountEntry entry;
        if (fields >> entry.source >> entry.target >> entry.type) {
            entry.source = unescapeMount(entry.source);
            entry.target = unescapeMount(entry.target);
            mounts.push_back(entry);
        }
    }
    return mounts;
}

bool isWindowsPath(QStringView text)
{
    if (text.size() >= 3 && text[0].isLetter() && text[1] == QLatin1Char(':')
        && (text[2] == QLatin1Char('\\') || text[2] == QLatin1Char('/')))
        return true;
    return text.size() >= 3 && text[0] == QLatin1Char('\\') && text[1] == QLatin1Char('\\')
        && text[2] != QLatin1Char('\\') && text[2] != QLatin1Char('/');
}

PathMap readPathMap(const std::string &programFolder)
{
    PathMap map;
    for (const TProfileFile::Entry &entry : TProfileFile(settingsFileName(programFolder)).ReadSection(PathMapSection))
        map.push_back({entry.key, entry.value});
    return map;
}

void setPathMapEntry(const std::string &programFolder, const QString &windows, const QString &local)
{
    TProfileFile ini(settingsFileName(programFolder));
    // The same prefix written otherwise (F:\QUINDLE vs f:/quindle/) is one key.
    for (const PathMapEntry &entry : readPathMap(programFolder)) {
        if (keyForm(entry.windows) == keyForm(windows))
            ini.DeleteKey(PathMapSection, entry.windows);
    }
    ini.WriteString(PathMapSection, windows, local);
}

LocalFolder resolveFolderText(const QString &text, const PathMap &map)
{
    LocalFolder local;
    if (!isWindowsPath(text)) {
        local.path = pathFromText(text);
        return local;
    }
    local.windows = true;
    const bool lastIsFolder = text.endsWith(QLatin1Char('\\')) || text.endsWith(QLatin1Char('/'));
    const PathMapEntry *best = nullptr;
    for (const PathMapEntry &entry : map) {
        if (beginsWith(text, entry.windows) && (!best || keyForm(entry.windows).size() > keyForm(best->windows).size()))
            best = &entry;
    }
    std::string base;
    QString rest;
    if (best) {
        base = pathFromText(best->local);
        if (base.empty() || base.back() != '/')
            base += '/';
        rest = slashed(text).mid(keyForm(best->windows).size());
    } else {
        const QStringList parts = slashed(text).split(QLatin1Char('/'), Qt::SkipEmptyParts);
        const bool unc = text.startsWith(QLatin1String("\\\\"));
        if (unc && parts.size() >= 2)
            base = mountedShare(parts[0], parts[1]);
        if (base.empty()) {
            local.problem = unc ? QStringLiteral("%1: no path map entry holds it and the share \\\\%2\\%3 is not "
                                                 "mounted here")
                                      .arg(text, parts.value(0), parts.value(1))
                                : QStringLiteral("%1: no path map entry holds the drive %2").arg(text, text.left(2));
            return local;
        }
        rest = parts.mid(2).join(QLatin1Char('/'));
    }
    const QStringList components = rest.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    LocalFolder matched = matchComponents(base, components, lastIsFolder || components.isEmpty());
    return matched;
}

QString windowsFormOf(const QString &localFolder, const PathMap &map)
{
    for (const PathMapEntry &entry : map) {
        QString root = entry.local;
        if (!root.endsWith(QLatin1Char('/')))
            root += QLatin1Char('/');
        if (!localFolder.startsWith(root) && localFolder != root.chopped(1))
            continue;
        QString windows = entry.windows;
        windows.replace(QLatin1Char('/'), QLatin1Char('\\'));
        if (!windows.endsWith(QLatin1Char('\\')))
            windows += QLatin1Char('\\');
        QString rest = localFolder.mid(root.size());
        rest.replace(QLatin1Char('/'), QLatin1Char('\\'));
        return windows + rest;
    }
    return QString();
}
