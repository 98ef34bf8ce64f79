#pragma once

#include <stdexcept>
#include <string>

// The one error type of every checked file operation. The window's standard error box
// shows what(); code() is the number that goes with it.
class IoError : public std::runtime_error
{
public:
    IoError(int code, const std::string &message);
    int code() const { return m_code; }

    // Numbers of the failures that have no system error number of their own.
    static constexpr int FileNotFound = 2;
    static constexpr int InvalidFilename = 3;
    static constexpr int TooManyOpenFiles = 4;
    static constexpr int AccessDenied = 5;
    static constexpr int ReadBeyondEnd = 100;
    static constexpr int DiskFull = 101;
    static constexpr int InvalidNumericInput = 106;
    // A link, folder, pipe or device where a plain file was expected in a shared folder.
    static constexpr int NotPlainFile = 150;

private:
    int m_code;
};

// The message the user sees for a system error number (errno).
std::string ioErrorMessage(int errnum);

// Throws the IoError that belongs to a system error number.
[[noreturn]] void raiseIoError(int errnum);
// Throws "Read beyond end of file" (a record read that came back short).
[[noreturn]] void raiseReadBeyondEnd();
// Throws "Invalid filename" (an empty or malformed name).
[[noreturn]] void raiseInvalidFilename();
// Throws the error of a failed operation on a name: EINVAL there means the file system
// refused the name ("Invalid filename"); any other errno as raiseIoError.
[[noreturn]] void raiseNameError(int errnum);
// Throws NotPlainFile: "File access denied" for a folder, else notPlainFileText(path).
[[noreturn]] void raiseNotPlainFile(const std::string &path, bool folder = false);
std::string notPlainFileText(const std::string &path);
// Throws "Unable to write to %s" with the profile file's full path.
[[noreturn]] void raiseProfileWriteError(const std::string &path, int errnum);
