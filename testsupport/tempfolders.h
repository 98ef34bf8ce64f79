#pragma once

#include <QTemporaryDir>

#include <exception>
#include <string>

// A temporary tree with a program folder, two users' inbox folders and two server
// folders. Every folder path ends with a separator, as the folder pickers make them.
class TempFolders
{
public:
    TempFolders();

    bool isValid() const { return m_dir.isValid(); }
    // Root of the tree, ending with a separator.
    std::string root() const;
    // Creates root + name + "/" when missing and returns it with the final separator.
    std::string folder(const std::string &name) const;

    std::string program() const { return folder("program"); }
    std::string userA() const { return folder("inbox-a"); }
    std::string userB() const { return folder("inbox-b"); }
    std::string server1() const { return folder("server1"); }
    std::string server2() const { return folder("server2"); }

private:
    QTemporaryDir m_dir;
};

// Whole-file helpers for assertions.
std::string readAll(const std::string &path);
void writeAll(const std::string &path, const std::string &bytes);

// The message of the E that operation throws, or "no error".
template<class E = std::exception, class F>
std::string errorOf(F &&operation)
{
    try {
        operation();
    } catch (const E &error) {
        return error.what();
    }
    return "no error";
}
