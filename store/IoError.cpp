#include "IoError.h"

#include <cerrno>

IoError::IoError(int code, const std::string &message)
    : std::runtime_error(message)
    , m_code(code)
{
}

namespace {

struct Failure
{
    int code;
    const char *message; // nullptr: "I/O error <errno>"
};

// The failures the user is told about in words; every other errno is shown by number.
Failure classify(int errnum)
{
    switch (errnum) {
    case ENOENT:
        return {IoError::FileNotFound, "File not found"};
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
        return {IoError::InvalidFilename, "Invalid filename"};
    case EMFILE:
    case ENFILE:
        return {IoError::TooManyOpenFiles, "Too many open files"};
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        return {IoError::AccessDenied, "File access denied"};
    case ENOSPC:
    case EDQUOT:
        return {IoError::DiskFull, "Disk full"};
    default:
        return {errnum, nullptr};
    }
}

} // namespace

std::string ioErrorMessage(int errnum)
{
    const Failure failure = classify(errnum);
    return failure.message ? failure.message : "I/O error " + std::to_string(errnum);
}

void raiseIoError(int errnum)
{
    throw IoError(classify(errnum).code, ioErrorMessage(errnum));
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
