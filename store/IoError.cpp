#include "IoError.h"

#include <cerrno>

IoError::IoError(int code, const std::string &message)
    : std::runtime_error(message)
    , m_code(code)
{
}

namespace {

int codeFor(int errnum)
{
    switch (errnum) {
    case ENOENT:
        return IoError::FileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
        return IoError::InvalidFilename;
    case EMFILE:
    case ENFILE:
        return IoError::TooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        return IoError::AccessDenied;
    case ENOSPC:
    case EDQUOT:
        return IoError::DiskFull;
    default:
        return errnum;
    }
}

} // namespace

std::string ioErrorMessage(int errnum)
{
    switch (errnum) {
    case ENOENT:
        return "File not found";
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
        return "Invalid filename";
    case EMFILE:
    case ENFILE:
        return "Too many open files";
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        return "File access denied";
    case ENOSPC:
    case EDQUOT:
        return "Disk full";
    default:
        return "I/O error " + std::to_string(errnum);
    }
}

void raiseIoError(int errnum)
{
    throw IoError(codeFor(errnum), ioErrorMessage(errnum));
}

void raiseReadBeyondEnd()
{
    throw IoError(IoError::ReadBeyondEnd, "Read beyond end of file");
}

void raiseInvalidFilename()
{
    throw IoError(IoError::InvalidFilename, "Invalid filename");
}

void raiseProfileWriteError(const std::string &path, int errnum)
{
    throw IoError(errnum ? errnum : IoError::AccessDenied, "Unable to write to " + path);
}
