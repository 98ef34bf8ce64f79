#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// POSIX access control lists of files and folders on the file server, read and written as
// the kernel keeps them (the extended attributes system.posix_acl_access and
// system.posix_acl_default), so no library is needed. Where a file system has none, every
// call answers as for a file with its permission bits alone, or false.
struct AclEntry
{
    enum Tag : std::uint16_t { UserObj = 1, User = 2, GroupObj = 4, Group = 8, Mask = 0x10, Other = 0x20 };
    Tag tag;
    std::uint16_t perm; // 4 read, 2 write, 1 execute
    std::uint32_t id;   // the user or group of User and Group entries
};
using Acl = std::vector<AclEntry>;

// The access list of an open file or folder (fd), or of the one its mode gives when it has
// none; the default list of a folder (empty when it has none).
Acl accessAcl(int fd);
Acl defaultAcl(int fd);
// Writes the list, entries sorted and the mask worked out; answers success.
bool setAccessAcl(int fd, Acl acl);
bool setDefaultAcl(int fd, Acl acl);
// Back to the permission bits alone.
bool removeAccessAcl(int fd);
bool removeDefaultAcl(int fd);

// Lets a user read (and with write, also write) an open file of ours: the entry is added to
// its access list. Answers success.
bool grantUser(int fd, uid_t user, bool write = false);

// What the list allows the user uid, of group gid (and its supplementary groups), on a file
// or folder owned by owner and ownerGroup: 4, 2, 1 bits.
unsigned allowedTo(const Acl &acl, uid_t owner, gid_t ownerGroup, uid_t uid, const std::vector<gid_t> &groups);

// "u::rwx,u:anna:rw-,g::---,m::rw-,o::---", with names where the system knows them.
std::string aclText(const Acl &acl);
