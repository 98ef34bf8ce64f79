#include "WindowsPaths.h"

#include "Paths.h"
#include "ProfileFile.h"
#include "Settings.h"

#include <QByteArray>
#include <QStringList>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

bool same(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool isSeparator(QChar c)
{
    return c == QLatin1Char('\\') || c == QLatin1Char('/');
}

// A Windows path as Windows reads it.
struct WindowsPath
{
    bool unc = false;
    QString root;           // "F:", or the server for a UNC path
    QString share;          // a UNC path's share
    QStringList components; // the folders below the drive or share
    QString prefix;         // the last component of a text without its final separator, as written
    QString problem;        // why it names no folder
};

// A component as Windows names it: without its trailing dots and spaces.
QString windowsName(QString component)
{
    while (!component.isEmpty() && (component.back() == QLatin1Char('.') || component.back() == QLatin1Char(' ')))
        component.chop(1);
    return component;
}

bool nameWindowsRefuses(const QString &name)
{
    return name.isEmpty() || std::any_of(name.begin(), name.end(), [](QChar c) {
               return c.unicode() < 0x20 || QStringView(u"<>:\"|?*").contains(c);
           });
}

// text is a Windows path; with lastIsPrefix, a last component without a final separator is a
// name prefix rather than a folder (a map key names folders only).
WindowsPath parseWindowsPath(const QString &text, bool lastIsPrefix)
{
    WindowsPath path;
    path.unc = isSeparator(text[0]);
    QStringList parts = QString(text).replace(QLatin1Char('\\'), QLatin1Char('/')).split(QLatin1Char('/'),
                                                                                          Qt::SkipEmptyParts);
    qsizetype first = 1;
    path.root = parts.value(0);
    if (path.unc) {
        path.share = parts.value(1);
        first = 2;
        const auto special = [](const QString &p) { return p == QLatin1String(".") || p == QLatin1String(".."); };
        if (parts.size() < 2 || special(path.root) || special(path.share) || nameWindowsRefuses(path.root)
            || nameWindowsRefuses(path.share)) {
            path.problem = QStringLiteral("%1: names no share").arg(text);
            return path;
        }
    }
    qsizetype end = parts.size();
    if (lastIsPrefix && !isSeparator(text.back()) && end > first) {
        path.prefix = parts[--end];
        if (nameWindowsRefuses(windowsName(path.prefix))) {
            path.problem = QStringLiteral("%1: its last part \"%2\" names no folder Windows can reach")
                               .arg(text, path.prefix);
            return path;
        }
    }
    for (qsizetype i = first; i < end; ++i) {
        if (parts[i] == QLatin1String("."))
            continue;
        if (parts[i] == QLatin1String("..")) {
            if (!path.components.isEmpty())
                path.components.removeLast();
            continue;
        }
        const QString name = windowsName(parts[i]);
        if (nameWindowsRefuses(name)) {
            path.problem = QStringLiteral("%1: \"%2\" names no folder Windows can reach").arg(text, parts[i]);
            return path;
        }
        path.components.append(name);
    }
    return path;
}

// The path as Windows reads it, for messages.
QString windowsText(const WindowsPath &path)
{
    QString text = path.unc ? QStringLiteral("\\\\%1\\%2\\").arg(path.root, path.share) : path.root + QLatin1Char('\\');
    for (const QString &component : path.components)
        text += component + QLatin1Char('\\');
    return text + path.prefix;
}

bool sameRoot(const WindowsPath &a, const WindowsPath &b)
{
    return a.unc == b.unc && same(a.root, b.root) && (!a.unc || same(a.share, b.share));
}

// Does the key (a folder) hold the path?
bool holds(const WindowsPath &key, const WindowsPath &path)
{
    if (!sameRoot(key, path) || key.components.size() > path.components.size())
        return false;
    for (qsizetype i = 0; i < key.components.size(); ++i) {
        if (!same(key.components[i], path.components[i]))
            return false;
    }
    return true;
}

// Two keys that name the same Windows folder have one form.
QString keyForm(const QString &key)
{
    if (!isWindowsPath(key))
        return key.toCaseFolded();
    const WindowsPath path = parseWindowsPath(key, false);
    return windowsText(path).toCaseFolded();
}

// The names in folder equal to component without regard to letter case, sorted.
std::vector<std::string> namesAnyCase(const Folder &folder, const QString &component)
{
    std::vector<std::string> found;
    for (const std::string &leaf : folder.names()) {
        if (same(textFromPath(leaf), component))
            found.push_back(leaf);
    }
    std::sort(found.begin(), found.end());
    return found;
}

QString bothNames(const QString &text, const Folder &folder, const std::vector<std::string> &found)
{
    return QStringLiteral("%1: %2 holds both %3 and %4, and Windows cannot tell them apart")
        .arg(text, textFromPath(folder.text()), textFromPath(found[0]), textFromPath(found[1]));
}

// The folder component in current, as Windows matches it: the exact name when anything stands
// under it, else the one name equal to it without regard to letter case (two such set
// problem), never through a link. name receives the name chosen.
Folder enter(const Folder &current, const QString &component, const QString &text, QString &problem, std::string &name)
{
    name = pathFromText(component);
    Folder next = current.folderIn(name);
    if (next.isOpen() || current.nameTaken(name))
        return next;
    const std::vector<std::string> found = namesAnyCase(current, component);
    if (found.size() > 1)
        problem = bothNames(text, current, found);
    if (found.size() != 1)
        return next;
    name = found[0];
    return current.folderIn(name);
}

// Below base (the user's or administrator's own folder, reached through links), each
// component as Windows matches it.
LocalFolder walk(const QString &text, const std::string &base, const QStringList &components, const QString &prefix)
{
    LocalFolder local;
    local.windows = true;
    Folder current = Folder::openThroughLinks(base);
    std::string path = base;
    for (const QString &component : components) {
        std::string name = pathFromText(component);
        if (current.isOpen())
            current = enter(current, component, text, local.problem, name);
        if (!local.problem.isEmpty())
            return local;
        path += name + '/';
    }
    if (!prefix.isEmpty() && current.isOpen()) {
        // Names go beside the last component, which must be a folder all the same.
        std::string name;
        const Folder named = enter(current, windowsName(prefix), text, local.problem, name);
        if (!local.problem.isEmpty())
            return local;
        current = named.isOpen() ? current.withPrefix(pathFromText(prefix))
                                 : Folder::none(path + pathFromText(prefix), named.why());
    }
    path += pathFromText(prefix);
    local.path = path;
    local.folder = current.isOpen() ? std::move(current) : Folder::none(path, current.why());
    return local;
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

struct MountLine
{
    std::string source;
    std::string target;
    std::string type;
};

std::vector<MountLine> mountLines(const std::string &table)
{
    std::vector<MountLine> lines;
    std::istringstream in(table);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        MountLine entry;
        if (fields >> entry.source >> entry.target >> entry.type) {
            entry.source = unescapeMount(entry.source);
            entry.target = unescapeMount(entry.target);
            if (!entry.target.ends_with('/'))
                entry.target += '/';
            lines.push_back(entry);
        }
    }
    return lines;
}

// The fields of a GVfs folder name "smb-share:server=S,share=H,user=U", values unescaped.
bool gvfsNamesShare(const QString &name, const QString &server, const QString &share)
{
    const QString kind = QStringLiteral("smb-share:");
    if (!name.startsWith(kind))
        return false;
    QString foundServer;
    QString foundShare;
    for (const QString &field : name.mid(kind.size()).split(QLatin1Char(','))) {
        const qsizetype equals = field.indexOf(QLatin1Char('='));
        const QString value = QString::fromUtf8(QByteArray::fromPercentEncoding(field.mid(equals + 1).toUtf8()));
        if (field.left(equals) == QLatin1String("server"))
            foundServer = value;
        else if (field.left(equals) == QLatin1String("share"))
            foundShare = value;
    }
    return !foundServer.isEmpty() && same(foundServer, server) && same(foundShare, share);
}

// Where the share of a UNC path is mounted, and how many of its components the mount covers.
struct MountedShare
{
    std::string root; // empty: not mounted
    qsizetype covered = 0;
};

MountedShare mountedShare(const WindowsPath &path, const Mounts &mounts)
{
    const std::vector<MountLine> lines = mountLines(mounts.table);
    MountedShare found;
    qsizetype best = -1;
    for (const MountLine &mount : lines) {
        if (mount.type != "cifs" && mount.type != "smb3" && mount.type != "smbfs")
            continue;
        const QStringList source =
            QString::fromStdString(mount.source).replace(QLatin1Char('\\'), QLatin1Char('/')).split(QLatin1Char('/'), Qt::SkipEmptyParts);
        if (source.size() < 2 || !same(source[0], path.root) || !same(source[1], path.share))
            continue;
        const QStringList sub = source.mid(2);
        if (sub.size() <= best || sub.size() > path.components.size())
            continue;
        bool covers = true;
        for (qsizetype i = 0; i < sub.size() && covers; ++i)
            covers = same(windowsName(sub[i]), path.components[i]);
        if (covers) {
            best = sub.size();
            found = {mount.target, best};
        }
    }
    if (best >= 0)
        return found;
    for (const MountLine &mount : lines) {
        if (mount.type != "fuse.smbnetfs")
            continue;
        // MOUNT/SERVER/SHARE: folders of the mount, through links as smbnetfs may give them.
        std::string root = mount.target;
        bool there = true;
        for (const QString &part : {path.root, path.share}) {
            const Folder folder = Folder::openThroughLinks(root);
            std::string name = pathFromText(part);
            if (folder.isOpen() && !folder.nameTaken(name)) {
                const std::vector<std::string> found = namesAnyCase(folder, part);
                name = found.size() == 1 ? found[0] : std::string();
            }
            there = folder.isOpen() && !name.empty();
            if (!there)
                break;
            root += name + '/';
        }
        if (there && Folder::openThroughLinks(root).isOpen())
            return {root, 0};
    }
    if (!mounts.gvfsFolder.empty()) {
        std::vector<std::string> names = Folder::openThroughLinks(mounts.gvfsFolder).names();
        std::sort(names.begin(), names.end());
        for (const std::string &name : names) {
            if (gvfsNamesShare(textFromPath(name), path.root, path.share))
                return {mounts.gvfsFolder + name + '/', 0};
        }
    }
    return found;
}

LocalFolder resolve(const QString &text, const PathMap &map, const Mounts *mounts)
{
    LocalFolder local;
    if (!isWindowsPath(text)) {
        local.path = pathFromText(text);
        return local;
    }
    local.windows = true;
    const WindowsPath path = parseWindowsPath(text, true);
    if (!path.problem.isEmpty()) {
        local.problem = path.problem;
        return local;
    }
    const PathMapEntry *best = nullptr;
    qsizetype covered = -1;
    bool driveKnown = false;
    for (const PathMapEntry &entry : map) {
        if (!isWindowsPath(entry.windows))
            continue;
        const WindowsPath key = parseWindowsPath(entry.windows, false);
        if (!key.problem.isEmpty())
            continue;
        driveKnown = driveKnown || sameRoot(key, path);
        if (key.components.size() > covered && holds(key, path)) {
            best = &entry;
            covered = key.components.size();
        }
    }
    std::string base;
    if (best) {
        base = pathFromText(best->local);
        if (!base.ends_with('/'))
            base += '/';
    } else if (path.unc) {
        const MountedShare share = mountedShare(path, mounts ? *mounts : currentMounts());
        base = share.root;
        covered = share.covered;
        if (base.empty()) {
            local.problem = QStringLiteral("%1: no path map entry holds it and the share \\\\%2\\%3 is not mounted here")
                                .arg(text, path.root, path.share);
            return local;
        }
    } else {
        local.problem = driveKnown ? QStringLiteral("%1: no path map entry holds %2").arg(text, windowsText(path))
                                   : QStringLiteral("%1: no path map entry holds the drive %2").arg(text, path.root);
        return local;
    }
    return walk(text, base, path.components.mid(covered), path.prefix);
}

} // namespace

Mounts currentMounts()
{
    Mounts mounts;
    std::ifstream in("/proc/self/mounts");
    std::ostringstream table;
    table << in.rdbuf();
    mounts.table = table.str();
    if (const char *runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        mounts.gvfsFolder = std::string(runtime) + "/gvfs/";
    return mounts;
}

bool isWindowsPath(QStringView text)
{
    if (text.size() < 3)
        return false;
    const char16_t drive = text[0].unicode();
    if (((drive >= u'A' && drive <= u'Z') || (drive >= u'a' && drive <= u'z')) && text[1] == QLatin1Char(':')
        && isSeparator(text[2]))
        return true;
    return text[0] == QLatin1Char('\\') && text[1] == QLatin1Char('\\') && !isSeparator(text[2]);
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
    // The same folder written otherwise (F:\QUINDLE vs f:/quindle/) is one key.
    for (const PathMapEntry &entry : readPathMap(programFolder)) {
        if (keyForm(entry.windows) == keyForm(windows))
            ini.DeleteKey(PathMapSection, entry.windows);
    }
    ini.WriteString(PathMapSection, windows, local);
}

LocalFolder resolveFolderText(const QString &text, const PathMap &map)
{
    return resolve(text, map, nullptr);
}

LocalFolder resolveFolderText(const QString &text, const PathMap &map, const Mounts &mounts)
{
    return resolve(text, map, &mounts);
}

QString windowsFormOf(const QString &localFolder, const PathMap &map)
{
    const std::string wanted = pathFromText(localFolder);
    for (const PathMapEntry &entry : map) {
        QString root = entry.local;
        if (!root.endsWith(QLatin1Char('/')))
            root += QLatin1Char('/');
        if (!isWindowsPath(entry.windows) || !localFolder.startsWith(root))
            continue;
        QString windows = entry.windows;
        windows.replace(QLatin1Char('/'), QLatin1Char('\\'));
        if (!windows.endsWith(QLatin1Char('\\')))
            windows += QLatin1Char('\\');
        QString rest = localFolder.mid(root.size());
        rest.replace(QLatin1Char('/'), QLatin1Char('\\'));
        // Only a form that leads back here: a longer key, a name matched in another letter
        // case or a component Windows reads otherwise would send the mail elsewhere.
        const Mounts none;
        const LocalFolder back = resolve(windows + rest, map, &none);
        if (back.problem.isEmpty() && back.path == wanted)
            return windows + rest;
    }
    return QString();
}
