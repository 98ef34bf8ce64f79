#include "PrivateFiles.h"

#include <sys/stat.h>
#include <unistd.h>

bool narrowToPrivate(const std::string &path, unsigned mode)
{
    struct stat st{};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || (st.st_mode & 0777 & ~mode_t(mode)) == 0)
        return false;
    return ::chmod(path.c_str(), (st.st_mode & 07000) | (st.st_mode & 0777 & mode_t(mode))) == 0;
}

std::vector<std::string> narrowPrivateFiles(const std::string &programFolder, const std::string &datafileName)
{
    std::vector<std::string> narrowed;
    const auto narrow = [&](const std::string &path, unsigned mode) {
        if (narrowToPrivate(path, mode))
            narrowed.push_back(path + " was readable by others: now by you alone");
    };
    struct stat st{};
    // A portable copy's folder may be shared with others on purpose: only the user's own.
    if (!programFolder.empty() && ::stat(programFolder.c_str(), &st) == 0 && st.st_uid == ::geteuid())
        narrow(programFolder, PrivateFolderMode);
    if (!programFolder.empty()) {
        narrow(programFolder + "main.ini", PrivateFileMode);
        narrow(programFolder + "tmprtf.tmp", PrivateFileMode);
    }
    if (!datafileName.empty()) {
        std::string marks = datafileName;
        if (marks.size() > 4 && marks.compare(marks.size() - 4, 4, ".qdi") == 0)
            marks.replace(marks.size() - 4, 4, ".qdx");
        for (const std::string &path : {datafileName, marks, datafileName + ".taking", datafileName + ".taken",
                                        datafileName + ".lock"})
            narrow(path, PrivateFileMode);
    }
    return narrowed;
}
