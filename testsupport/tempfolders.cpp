#include "tempfolders.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

TempFolders::TempFolders() = default;

std::string TempFolders::root() const
{
    return m_dir.path().toStdString() + "/";
}

std::string TempFolders::folder(const std::string &name) const
{
    const std::string path = root() + name + "/";
    std::filesystem::create_directories(path);
    return path;
}

std::string readAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeAll(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}
