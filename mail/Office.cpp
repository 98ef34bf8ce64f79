#include "Office.h"

#include "Acl.h"
#include "AddressFile.h"
#include "DropFiles.h"
#include "FileOps.h"
#include "IoError.h"
#include "Paths.h"
#include "WindowsPaths.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t ShareMode = 0750;
constexpr mode_t InboxesMode = 0750;
constexpr mode_t BookMode = 02750;
constexpr mode_t DropBoxMode = 03730; // sticky, set-group-id, the group may add and look up only

// Accounts no real account has, to ask the lists what a colleague and an outsider may do.
constexpr uid_t SomeColleague = 0x7ffffff0;
constexpr uid_t SomeOutsider = 0x7ffffff1;

QString text(const std::string &s)
{
    return QString::fromLocal8Bit(s.c_str());
}

std::string withSlash(std::string path)
{
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

// A folder under the path by which the office's machines reach the share, joined with its
// own separator: a Windows office's book names F:\QUINDLE\inbox\Anna\.
QString underMount(const QString &mount, const QStringList &components)
{
    const QChar separator = isWindowsPath(mount) ? QLatin1Char('\\') : QLatin1Char('/');
    QString folder = mount;
    if (!folder.endsWith(separator))
        folder += separator;
    for (const QString &component : components)
        folder += component + separator;
    return folder;
}

std::string loginOf(uid_t uid)
{
    const struct passwd *pw = ::getpwuid(uid);
    return pw ? pw->pw_name : std::to_string(uid);
}

std::string groupOf(gid_t gid)
{
    const struct group *gr = ::getgrgid(gid);
    return gr ? gr->gr_name : std::to_string(gid);
}

std::string octal(mode_t mode)
{
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04o", unsigned(mode & 07777));
    return digits;
}

// A folder made when missing and given owner, group and mode; a link is never followed.
int folderAt(const std::string &path, uid_t uid, gid_t gid, mode_t mode, OfficeReport &report)
{
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        report.lines.append(QStringLiteral("cannot make %1: %2").arg(text(path), text(ioErrorMessage(errno))));
        report.ok = false;
        return -1;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 || ::fchown(fd, uid, gid) != 0 || ::fchmod(fd, mode) != 0) {
        report.lines.append(QStringLiteral("cannot give %1 to %2:%3 with mode %4: %5")
                                .arg(text(path), text(loginOf(uid)), text(groupOf(gid)), text(octal(mode)),
                                     text(ioErrorMessage(errno))));
        report.ok = false;
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    return fd;
}

// A file every sender updates in place (Attach.ini and its lock): the owner's and the
// group's to read and write, nobody else's, with no list of its own.
void sharedFileAt(int folder, const std::string &name, const std::string &shown, uid_t uid, gid_t gid,
                  OfficeReport &report)
{
    const int fd = ::openat(folder, name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0660);
    if (fd < 0 || ::fchown(fd, uid, gid) != 0 || !removeAccessAcl(fd) || ::fchmod(fd, 0660) != 0) {
        report.lines.append(QStringLiteral("cannot make %1 the group's to update: %2")
                                .arg(text(shown), text(ioErrorMessage(errno))));
        report.ok = false;
    }
    if (fd >= 0)
        ::close(fd);
}

// What the new files in a drop box get: their writer's, and the owner's when given.
Acl dropBoxDefaults(std::optional<uid_t> owner)
{
    Acl acl{{AclEntry::UserObj, 6, 0}, {AclEntry::GroupObj, 0, 0}, {AclEntry::Other, 0, 0}};
    if (owner)
        acl.push_back({AclEntry::User, 6, std::uint32_t(*owner)});
    return acl;
}

std::optional<gid_t> groupNamed(const QString &name)
{
    const struct group *gr = ::getgrnam(name.toLocal8Bit().constData());
    if (gr)
        return gr->gr_gid;
    return std::nullopt;
}

QString addEntry(const std::string &book, const QString &name, const QString &folder, bool server,
                 const QString &comment)
{
    bool updated = false;
    return putAddressEntry(addressFileName(text(book)), {name, folder, comment, server}, updated);
}

// The book's files are root's, for the group to read.
void bookFiles(const std::string &book, gid_t gid)
{
    for (const QString &title : {AddressFileTitle, AccountsFileTitle}) {
        const std::string path = book + pathFromText(title);
        if (::chown(path.c_str(), 0, gid) == 0)
            ::chmod(path.c_str(), 0640);
    }
}

} // namespace

OfficeReport initOffice(const std::string &shareText, const QString &groupName, const QString &mount)
{
    OfficeReport report;
    const std::optional<gid_t> gid = groupNamed(groupName);
    if (!gid) {
        report.lines.append(QStringLiteral("no group %1: make it and put every person of the office in it").arg(groupName));
        report.ok = false;
        return report;
    }
    const std::string share = withSlash(shareText);
    const std::string group = groupName.toLocal8Bit().toStdString();
    const auto made = [&](const std::string &path, mode_t mode, const char *what) {
        const int fd = folderAt(path, 0, *gid, mode, report);
        if (fd >= 0)
            report.lines.append(QStringLiteral("%1: root:%2 %3, %4").arg(text(path), text(group), text(octal(mode)),
                                                                        QLatin1String(what)));
        return fd;
    };
    int fd = made(share, ShareMode, "the office enters it, an account outside it sees nothing");
    if (fd < 0)
        return report;
    removeDefaultAcl(fd);
    ::close(fd);
    for (const auto &[name, mode, what] :
         {std::tuple{"inbox/", InboxesMode, "no one but root adds, renames or replaces an inbox folder"},
          std::tuple{"book/", BookMode, "the address book: the office reads it, root changes it"}}) {
        fd = made(share + name, mode, what);
        if (fd >= 0) {
            removeDefaultAcl(fd);
            ::close(fd);
        }
    }
    fd = made(share + "server/", DropBoxMode,
              "a drop box: the office adds mail, each recipient's account reads its own, no one lists it");
    if (fd >= 0) {
        setDefaultAcl(fd, dropBoxDefaults(std::nullopt));
        sharedFileAt(fd, "Attach.ini", share + "server/Attach.ini", 0, *gid, report);
        sharedFileAt(fd, "Attach.ini.lock", share + "server/Attach.ini.lock", 0, *gid, report);
        ::close(fd);
    }
    if (!mount.isEmpty() && report.ok) {
        const QString folder = underMount(mount, {QStringLiteral("server")});
        const QString problem = addEntry(share + "book/", QStringLiteral("Server"), folder, true,
                                         QStringLiteral("Mail for people whose folder cannot be reached"));
        if (!problem.isEmpty()) {
            report.lines.append(problem);
            report.ok = false;
        } else {
            report.lines.append(QStringLiteral("address book: Server, %1, Use as Server").arg(folder));
        }
        bookFiles(share + "book/", *gid);
    }
    return report;
}

OfficeReport addPerson(const std::string &shareText, const QString &name, const QString &login, const QString &mount)
{
    OfficeReport report;
    const std::string share = withSlash(shareText);
    const struct passwd *pw = ::getpwnam(login.toLocal8Bit().constData());
    struct stat st{};
    if (!pw) {
        report.lines.append(QStringLiteral("no account %1").arg(login));
        report.ok = false;
        return report;
    }
    if (::stat((share + "inbox").c_str(), &st) != 0) {
        report.lines.append(QStringLiteral("%1inbox/ does not exist: run office init first").arg(text(share)));
        report.ok = false;
        return report;
    }
    const QString nameProblem = recipientNameProblem(name);
    if (!nameProblem.isEmpty()) {
        report.lines.append(nameProblem);
        report.ok = false;
        return report;
    }
    const uid_t uid = pw->pw_uid;
    const gid_t gid = st.st_gid;
    const std::string folder = share + "inbox/" + pathFromText(name) + "/";
    const int fd = folderAt(folder, uid, gid, DropBoxMode, report);
    if (fd < 0)
        return report;
    setDefaultAcl(fd, dropBoxDefaults(uid));
    sharedFileAt(fd, "Attach.ini", folder + "Attach.ini", uid, gid, report);
    sharedFileAt(fd, "Attach.ini.lock", folder + "Attach.ini.lock", uid, gid, report);
    ::close(fd);
    report.lines.append(QStringLiteral("%1: %2:%3 %4, new files u::rw-,u:%2:rw-,g::---,o::---: colleagues add mail, "
                                       "only %2 reads and removes it")
                            .arg(text(folder), login, text(groupOf(gid)), text(octal(DropBoxMode))));
    const QString entryFolder = underMount(mount.isEmpty() ? text(share) : mount, {QStringLiteral("inbox"), name});
    const QString problem = addEntry(share + "book/", name, entryFolder, false, QString());
    if (!problem.isEmpty()) {
        report.lines.append(problem);
        report.ok = false;
        return report;
    }
    setOfficeAccount(text(share + "book/"), name, login);
    bookFiles(share + "book/", gid);
    report.lines.append(QStringLiteral("address book: %1, %2; mails from the account %3").arg(name, entryFolder, login));
    return report;
}

namespace {

struct Seen
{
    struct stat st{};
    Acl access;
    Acl defaults;
};

std::optional<Seen> look(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    Seen seen;
    ::fstat(fd, &seen.st);
    seen.access = accessAcl(fd);
    if (S_ISDIR(seen.st.st_mode))
        seen.defaults = defaultAcl(fd);
    ::close(fd);
    return seen;
}

unsigned colleague(const Seen &s)
{
    return allowedTo(s.access, s.st.st_uid, s.st.st_gid, SomeColleague, {s.st.st_gid});
}

unsigned outsider(const Seen &s)
{
    return allowedTo(s.access, s.st.st_uid, s.st.st_gid, SomeOutsider, {});
}

bool sticky(const Seen &s)
{
    return (s.st.st_mode & S_ISVTX) != 0;
}

// What a person other than the owner may do in a folder, in words.
QString folderRights(unsigned p, bool stick)
{
    if ((p & 1) == 0)
        return QStringLiteral("nothing");
    QStringList can;
    if (p & 4)
        can << QStringLiteral("list it");
    if (p & 2)
        can << (stick ? QStringLiteral("add files (not remove or rename others')")
                      : QStringLiteral("add, remove and rename any file"));
    if (can.isEmpty())
        can << QStringLiteral("reach files by name");
    return can.join(QStringLiteral(", "));
}

QString heading(const std::string &path, const Seen &s)
{
    return QStringLiteral("%1: %2:%3 %4%5")
        .arg(text(path), text(loginOf(s.st.st_uid)), text(groupOf(s.st.st_gid)), text(octal(s.st.st_mode)),
             s.access.size() > 3 ? QStringLiteral(" ") + text(aclText(s.access)) : QString());
}

void differs(OfficeReport &report, const QString &why)
{
    report.lines.append(QStringLiteral("  differs: ") + why);
    report.ok = false;
}

// The files in a drop box that a colleague other than their writer could read or change, and
// an Attach.ini or its lock that is not the folder's owner's (owner), as the set-up makes them.
void checkFilesIn(const std::string &folder, uid_t owner, OfficeReport &report)
{
    const Folder handle = Folder::openIfFolder(folder);
    for (const std::string &leaf : handle.names()) {
        const std::optional<Seen> s = look(folder + leaf);
        if (!s || !S_ISREG(s->st.st_mode))
            continue;
        const bool shared = QString::fromLocal8Bit(leaf.c_str()).startsWith(AttachIniTitle, Qt::CaseInsensitive);
        const unsigned c = colleague(*s);
        if (outsider(*s) != 0)
            differs(report, QStringLiteral("%1 is open to accounts outside the office").arg(text(leaf)));
        else if (!shared && (c & 6) != 0)
            differs(report, QStringLiteral("%1 can be %2 by colleagues").arg(text(leaf),
                                                                            c & 2 ? QStringLiteral("read and changed")
                                                                                  : QStringLiteral("read")));
        else if (shared && (c & 6) != 6)
            differs(report, QStringLiteral("%1 cannot be updated by the senders: attachments sent here fail")
                                .arg(text(leaf)));
        if (shared && s->st.st_uid != owner)
            differs(report, QStringLiteral("%1 belongs to %2, not to %3").arg(text(leaf), text(loginOf(s->st.st_uid)),
                                                                            text(loginOf(owner))));
    }
}

} // namespace

OfficeReport checkOffice(const std::string &shareText)
{
    OfficeReport report;
    const std::string share = withSlash(shareText);
    const std::optional<Seen> root = look(share);
    if (!root || !S_ISDIR(root->st.st_mode)) {
        report.lines.append(QStringLiteral("%1 is no folder").arg(text(share)));
        report.ok = false;
        return report;
    }
    report.lines.append(heading(share, *root) + QStringLiteral(": colleagues %1; outsiders %2")
                                                     .arg(folderRights(colleague(*root), sticky(*root)),
                                                          folderRights(outsider(*root), sticky(*root))));
    if (outsider(*root) != 0)
        differs(report, QStringLiteral("accounts outside the office can enter the share"));
    if (colleague(*root) & 2)
        differs(report, QStringLiteral("colleagues can rename or replace the share's folders"));

    const std::optional<Seen> inboxes = look(share + "inbox/");
    if (inboxes) {
        report.lines.append(heading(share + "inbox/", *inboxes)
                            + QStringLiteral(": colleagues %1").arg(folderRights(colleague(*inboxes), sticky(*inboxes))));
        if (colleague(*inboxes) & 2)
            differs(report, QStringLiteral("colleagues can rename, replace or redirect anyone's inbox folder"));
    }
    const std::optional<Seen> book = look(share + "book/");
    if (book) {
        report.lines.append(heading(share + "book/", *book)
                            + QStringLiteral(": colleagues %1").arg(folderRights(colleague(*book), sticky(*book))));
        if (colleague(*book) & 2)
            differs(report, QLatin1String(EditableBookCost));
        for (const QString &title : {AddressFileTitle, AccountsFileTitle}) {
            const std::optional<Seen> file = look(share + "book/" + pathFromText(title));
            if (file && (colleague(*file) & 2))
                differs(report, QStringLiteral("%1: %2").arg(title, QLatin1String(EditableBookCost)));
            if (file && outsider(*file) != 0 && outsider(*root) != 0)
                differs(report, QStringLiteral("%1 is open to accounts outside the office").arg(title));
        }
    }

    const auto dropBox = [&](const std::string &path, std::optional<uid_t> owner, const QString &whose) {
        const std::optional<Seen> s = look(path);
        if (!s || !S_ISDIR(s->st.st_mode))
            return;
        report.lines.append(heading(path, *s) + QStringLiteral(" new files %1: colleagues %2")
                                                    .arg(text(aclText(s->defaults)),
                                                         folderRights(colleague(*s), sticky(*s))));
        const unsigned c = colleague(*s);
        if ((c & 3) != 3)
            differs(report, QStringLiteral("colleagues cannot add mail here"));
        if ((c & 2) && !sticky(*s))
            differs(report, QStringLiteral("colleagues can remove or rename mail %1").arg(whose));
        if (c & 4)
            differs(report, QStringLiteral("colleagues can list the mail waiting here"));
        if (owner && s->st.st_uid != *owner)
            differs(report, QStringLiteral("it belongs to %1, not to %2").arg(text(loginOf(s->st.st_uid)),
                                                                               text(loginOf(*owner))));
        Seen future = *s;
        future.access = s->defaults.empty() ? Acl{} : s->defaults;
        future.st.st_uid = SomeColleague + 2; // a file another colleague writes
        if (s->defaults.empty())
            differs(report, QStringLiteral("new files follow the writer's umask: mail may be readable by colleagues"));
        else if (colleague(future) & 4)
            differs(report, QStringLiteral("new mail here can be read by colleagues"));
        if (owner && !s->defaults.empty()
            && !(allowedTo(future.access, future.st.st_uid, future.st.st_gid, *owner, {}) & 4))
            differs(report, QStringLiteral("%1 cannot read the mail colleagues add").arg(text(loginOf(*owner))));
        checkFilesIn(path, owner.value_or(s->st.st_uid), report);
    };
    dropBox(share + "server/", std::nullopt, QStringLiteral("waiting for others"));
    const Folder inbox = Folder::openIfFolder(share + "inbox/");
    std::vector<std::string> people = inbox.names();
    std::sort(people.begin(), people.end());
    for (const std::string &person : people) {
        const QString name = text(person);
        const QString login = officeAccount(text(share + "book/"), name);
        std::optional<uid_t> owner;
        if (const struct passwd *pw = login.isEmpty() ? nullptr : ::getpwnam(login.toLocal8Bit().constData()))
            owner = pw->pw_uid;
        else
            report.lines.append(QStringLiteral("  note: the office records no account for %1").arg(name));
        dropBox(share + "inbox/" + person + "/", owner, QStringLiteral("addressed to %1").arg(name));
    }
    report.lines.append(report.ok ? QStringLiteral("as set up") : QStringLiteral("differs from the set-up"));
    return report;
}
