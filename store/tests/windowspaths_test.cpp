#include "WindowsPaths.h"
#include "tempfolders.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

QString qs(const std::string &text) { return QString::fromStdString(text); }

std::string pathOf(const QString &text, const PathMap &map, const Mounts &mounts = {})
{
    return resolveFolderText(text, map, mounts).path;
}

TEST(WindowsPaths, DrivePathsReadAsWindowsReadsThem)
{
    TempFolders t;
    const std::string share = t.folder("share");
    const std::string anna = t.folder("share/inbox/Anna");
    const std::string other = t.folder("other");
    const PathMap map{{qs("F:\\"), qs(other)}, {qs("f:/quindle"), qs(share.substr(0, share.size() - 1))}};

    // The longest key wins; components match without regard to letter case.
    const LocalFolder found = resolveFolderText(qs("F:\\QUINDLE\\INBOX\\ANNA\\"), map);
    EXPECT_EQ(found.path, anna);
    EXPECT_TRUE(found.folder.isOpen() && found.windows);
    const LocalFolder missing = resolveFolderText(qs("F:\\QUINDLE\\INBOX\\NEW\\"), map);
    EXPECT_EQ(missing.path, share + "inbox/NEW/");
    EXPECT_EQ(missing.folder.why(), share + "inbox/NEW does not exist");
    EXPECT_EQ(pathOf(qs("/local/path/"), map), "/local/path/");
    // "." and ".." as Windows reads them, never above the drive; trailing dots and spaces go.
    EXPECT_EQ(pathOf(qs("F:\\QUINDLE\\INBOX\\..\\..\\..\\..\\QUINDLE\\.\\inbox//Anna.. \\"), map), anna);
    EXPECT_EQ(pathOf(qs("F:\\QUINDLE\\..\\..\\..\\tmp\\"), map), other + "tmp/");
    const LocalFolder above = resolveFolderText(qs("F:\\QUINDLE\\..\\..\\tmp\\"), {map[1]});
    EXPECT_EQ(above.path, "");
    EXPECT_EQ(above.problem, qs("F:\\QUINDLE\\..\\..\\tmp\\: no path map entry holds F:\\tmp\\"));
    EXPECT_EQ(resolveFolderText(qs("G:\\X\\"), map).problem, qs("G:\\X\\: no path map entry holds the drive G:"));
    EXPECT_EQ(resolveFolderText(qs("F:\\QUINDLE\\A:B\\"), map).problem,
              qs("F:\\QUINDLE\\A:B\\: \"A:B\" names no folder Windows can reach"));
    // Without the final separator the last component prefixes the names, as written.
    const LocalFolder beside = resolveFolderText(qs("F:\\QUINDLE\\INBOX\\ANNA"), map);
    EXPECT_EQ(beside.path, share + "inbox/ANNA");
    EXPECT_EQ(beside.folder.prefix(), "ANNA");

    // The user's own local folder is reached through its link, so names under it match in any
    // letter case; a link found on the share is never followed.
    fs::create_directory_symlink(share, t.root() + "link");
    fs::create_directory_symlink(other, share + "inbox/carla");
    const PathMap linked{{qs("H:\\"), qs(t.root() + "link")}};
    EXPECT_EQ(pathOf(qs("H:\\INBOX\\ANNA\\"), linked), t.root() + "link/inbox/Anna/");
    t.folder("other/x");
    const LocalFolder planted = resolveFolderText(qs("H:\\Inbox\\Carla\\X\\"), linked);
    EXPECT_EQ(planted.path, t.root() + "link/inbox/carla/X/");
    EXPECT_FALSE(planted.folder.isOpen());
    EXPECT_EQ(planted.folder.why(), t.root() + "link/inbox/carla is a symbolic link, which is never followed to a folder");

    // Two names that differ in letter case alone: Windows could not tell them apart.
    t.folder("share/inbox/ANNA");
    const LocalFolder twice = resolveFolderText(qs("F:\\QUINDLE\\INBOX\\anna\\"), map);
    EXPECT_EQ(twice.path, "");
    EXPECT_EQ(twice.problem, qs("F:\\QUINDLE\\INBOX\\anna\\: " + share + "inbox/ holds both ANNA and Anna, and "
                                "Windows cannot tell them apart"));
}

TEST(WindowsPaths, UncPathsFoundAmongTheMounts)
{
    TempFolders t;
    const std::string r = t.root();
    t.folder("cifs-root/server");
    t.folder("cifs inbox/Anna");
    t.folder("gvfs/smb-share:domain=OFFICE,server=nas,share=mail%20box,user=anna/Ben");
    t.folder("smbnetfs/Printer/Scans");
    const Mounts mounts{"/dev/sda1 / ext4 rw 0 0\n"
                        "//files/quindle " + r + "cifs-root cifs rw 0 0\n"
                        "//FILES/Quindle/Inbox " + r + "cifs\\040inbox cifs rw 0 0\n"
                        "//files/quindle/other " + r + "other smb3 rw 0 0\n"
                        "smbnetfs " + r + "smbnetfs fuse.smbnetfs rw 0 0\n",
                        r + "gvfs/"};
    // A mount of a subfolder serves the paths below it, and the longest source wins.
    EXPECT_EQ(pathOf(qs("\\\\files\\QUINDLE\\inbox\\anna\\"), {}, mounts), r + "cifs inbox/Anna/");
    EXPECT_EQ(pathOf(qs("\\\\files\\quindle\\..\\.\\Inbox\\Anna\\"), {}, mounts), r + "cifs inbox/Anna/");
    EXPECT_EQ(pathOf(qs("\\\\Files\\Quindle\\SERVER\\"), {}, mounts), r + "cifs-root/server/");
    EXPECT_EQ(pathOf(qs("\\\\files\\quindle\\inboxes\\"), {}, mounts), r + "cifs-root/inboxes/");
    // GVfs names its folders with more fields, in its own order.
    EXPECT_EQ(pathOf(qs("\\\\NAS\\Mail Box\\ben\\"), {}, mounts),
              r + "gvfs/smb-share:domain=OFFICE,server=nas,share=mail%20box,user=anna/Ben/");
    EXPECT_EQ(pathOf(qs("\\\\printer\\scans\\"), {}, mounts), r + "smbnetfs/Printer/Scans/");
    // A key wins over the mounts.
    EXPECT_EQ(pathOf(qs("\\\\files\\quindle\\inbox\\"), {{qs("\\\\FILES\\Quindle"), qs(r + "key")}}, mounts),
              r + "key/inbox/");
    EXPECT_EQ(resolveFolderText(qs("\\\\files\\other\\x\\"), {}, mounts).problem,
              qs("\\\\files\\other\\x\\: no path map entry holds it and the share \\\\files\\other is not mounted "
                 "here"));
}

TEST(WindowsPaths, WindowsFormOnlyWhereItLeadsBack)
{
    TempFolders t;
    const std::string m = t.folder("m");
    const std::string q = t.folder("q");
    t.folder("q/inbox/Dora");
    const PathMap map{{qs("F:\\"), qs(m)}, {qs("F:/QUINDLE"), qs(q)}};
    // F:\QUINDLE\x\ would lead to the longer key's folder, not to m/QUINDLE/x/.
    EXPECT_EQ(windowsFormOf(qs(m + "QUINDLE/x/"), map), QString());
    EXPECT_EQ(windowsFormOf(qs(m + "other/x/"), map), qs("F:\\other\\x\\"));
    EXPECT_EQ(windowsFormOf(qs(q + "inbox/Dora/"), map), qs("F:\\QUINDLE\\inbox\\Dora\\"));
    // The Windows form of inbox/dora/ leads to Dora, a folder other than the one typed.
    EXPECT_EQ(windowsFormOf(qs(q + "inbox/dora/"), map), QString());
    EXPECT_EQ(windowsFormOf(qs(t.root() + "elsewhere/"), map), QString());
}

} // namespace
