#include "PrivateFiles.h"

#include <sys/stat.h>

bool narrowToPrivate(const std::string &path, unsigned mode)
{
    struct stat st{};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || (st.st_mode & 0777 & ~mode_t(mode)) == 0)
        return false;
    return ::chmod(path.c_str(), (st.st_mode & 07000) | (st.st_mode & 0777 & mode_t(mode))) == 0;
}
