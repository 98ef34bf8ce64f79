#include "Acl.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace {

constexpr const char *AccessName = "system.posix_acl_access";
constexpr const char *DefaultName = "system.posix_acl_default";
constexpr std::uint32_t Version = 2;
constexpr std::uint32_t NoId = 0xFFFFFFFFu;

std::optional<Acl> readList(int fd, const char *name)
{
    char bytes[8192];
    const ssize_t size = ::fgetxattr(fd, name, bytes, sizeof bytes);
    if (size < 4)
        return std::nullopt;
    std::uint32_t version;
    std::memcpy(&version, bytes, 4);
    if (version != Version || (size - 4) % 8 != 0)
        return std::nullopt;
    Acl acl;
    for (ssize_t at = 4; at < size; at += 8) {
        AclEntry entry{};
        std::uint16_t tag;
        std::memcpy(&tag, bytes + at, 2);
        std::memcpy(&entry.perm, bytes + at + 2, 2);
        std::memcpy(&entry.id, bytes + at + 4, 4);
        entry.tag = AclEntry::Tag(tag);
        acl.push_back(entry);
    }
    return acl;
}

Acl fromMode(mode_t mode)
{
    return {{AclEntry::UserObj, std::uint16_t((mode >> 6) & 7), NoId},
            {AclEntry::GroupObj, std::uint16_t((mode >> 3) & 7), NoId},
            {AclEntry::Other, std::uint16_t(mode & 7), NoId}};
}

// Sorted as the kernel wants them, with a mask over the group class where there are named
// entries.
void complete(Acl &acl)
{
    acl.erase(std::remove_if(acl.begin(), acl.end(), [](const AclEntry &e) { return e.tag == AclEntry::Mask; }),
              acl.end());
    std::uint16_t mask = 0;
    bool named = false;
    for (const AclEntry &e : acl) {
        if (e.tag == AclEntry::User || e.tag == AclEntry::Group)
            named = true;
        if (e.tag == AclEntry::User || e.tag == AclEntry::Group || e.tag == AclEntry::GroupObj)
            mask |= e.perm;
    }
    if (named)
        acl.push_back({AclEntry::Mask, mask, NoId});
    std::sort(acl.begin(), acl.end(), [](const AclEntry &a, const AclEntry &b) {
        return a.tag != b.tag ? a.tag < b.tag : a.id < b.id;
    });
}

bool writeList(int fd, const char *name, Acl acl)
{
    complete(acl);
    std::string bytes(4, '\0');
    std::memcpy(bytes.data(), &Version, 4);
    for (const AclEntry &e : acl) {
        char entry[8];
        const std::uint16_t tag = e.tag;
        const std::uint32_t id = e.tag == AclEntry::User || e.tag == AclEntry::Group ? e.id : NoId;
        std::memcpy(entry, &tag, 2);
        std::memcpy(entry + 2, &e.perm, 2);
        std::memcpy(entry + 4, &id, 4);
        bytes.append(entry, 8);
    }
    return ::fsetxattr(fd, name, bytes.data(), bytes.size(), 0) == 0;
}

} // namespace

Acl accessAcl(int fd)
{
    if (std::optional<Acl> acl = readList(fd, AccessName))
        return *acl;
    struct stat st{};
    return ::fstat(fd, &st) == 0 ? fromMode(st.st_mode) : Acl{};
}

Acl defaultAcl(int fd)
{
    return readList(fd, DefaultName).value_or(Acl{});
}

bool setAccessAcl(int fd, Acl acl)
{
    return writeList(fd, AccessName, std::move(acl));
}

bool setDefaultAcl(int fd, Acl acl)
{
    return writeList(fd, DefaultName, std::move(acl));
}

bool removeAccessAcl(int fd)
{
    return ::fremovexattr(fd, AccessName) == 0 || errno == ENODATA;
}

bool removeDefaultAcl(int fd)
{
    return ::fremovexattr(fd, DefaultName) == 0 || errno == ENODATA;
}

bool grantUser(int fd, uid_t user, bool write)
{
    Acl acl = accessAcl(fd);
    const std::uint16_t perm = write ? 6 : 4;
    bool found = false;
    for (AclEntry &e : acl) {
        if (e.tag == AclEntry::User && e.id == user) {
            e.perm |= perm;
            found = true;
        }
    }
    if (!found)
        acl.push_back({AclEntry::User, perm, std::uint32_t(user)});
    return setAccessAcl(fd, acl);
}

unsigned allowedTo(const Acl &acl, uid_t owner, gid_t ownerGroup, uid_t uid, const std::vector<gid_t> &groups)
{
    if (uid == 0)
        return 7;
    unsigned mask = 7;
    for (const AclEntry &e : acl)
        if (e.tag == AclEntry::Mask)
            mask = e.perm;
    const auto perm = [&](AclEntry::Tag tag) {
        for (const AclEntry &e : acl)
            if (e.tag == tag)
                return unsigned(e.perm);
        return 0u;
    };
    if (uid == owner)
        return perm(AclEntry::UserObj);
    for (const AclEntry &e : acl)
        if (e.tag == AclEntry::User && e.id == uid)
            return e.perm & mask;
    const bool inOwnerGroup = std::find(groups.begin(), groups.end(), ownerGroup) != groups.end();
    unsigned fromGroups = 0;
    bool anyGroup = false;
    if (inOwnerGroup) {
        fromGroups |= perm(AclEntry::GroupObj);
        anyGroup = true;
    }
    for (const AclEntry &e : acl) {
        if (e.tag == AclEntry::Group && std::find(groups.begin(), groups.end(), gid_t(e.id)) != groups.end()) {
            fromGroups |= e.perm;
            anyGroup = true;
        }
    }
    if (anyGroup)
        return fromGroups & mask;
    return perm(AclEntry::Other);
}

std::string aclText(const Acl &acl)
{
    const auto bits = [](unsigned p) {
        return std::string{p & 4 ? 'r' : '-', p & 2 ? 'w' : '-', p & 1 ? 'x' : '-'};
    };
    std::string text;
    for (const AclEntry &e : acl) {
        if (!text.empty())
            text += ',';
        switch (e.tag) {
        case AclEntry::UserObj:
            text += "u::";
            break;
        case AclEntry::User: {
            const struct passwd *pw = ::getpwuid(e.id);
            text += "u:" + (pw ? std::string(pw->pw_name) : std::to_string(e.id)) + ":";
            break;
        }
        case AclEntry::GroupObj:
            text += "g::";
            break;
        case AclEntry::Group: {
            const struct group *gr = ::getgrgid(e.id);
            text += "g:" + (gr ? std::string(gr->gr_name) : std::to_string(e.id)) + ":";
            break;
        }
        case AclEntry::Mask:
            text += "m::";
            break;
        case AclEntry::Other:
            text += "o::";
            break;
        }
        text += bits(e.perm);
    }
    return text;
}
