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

void raiseNameError(int errnum)
{
    if (errnum == EINVAL)
        raiseInvalidFilename();
    raiseIoError(errnum);
}

void raiseNotPlainFile(const std::string &path, bool folder)
{
    // A folder where a file belongs is what the window has always called so.
    if (folder)
        throw IoError(IoError::NotPlainFile, "File access denied");
    throw IoError(IoError::NotPlainFile, notPlainFileText(path));
}

std::string notPlainFileText(const std::string &path)
{
    return path + " is not a plain file (a link, a folder or a special file): left alone";
}

void raiseProfileWriteError(const std::string &path, int errnum)
{
    throw IoError(errnum ? errnum : IoError::AccessDenied, "Unable to write to " + path);
}
