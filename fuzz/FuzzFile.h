#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

// The readers under test take a path, so each input is written to one file in a private
// temporary folder, made at the first call and removed at exit. The folder is in memory
// where it can be: on a disk, every rewrite would wait for the device.
inline const std::string &fuzzFile(const char *name)
{
    static const std::string folder = [] {
        const char *tmp = std::getenv("TMPDIR");
        const char *base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : tmp && *tmp ? tmp : "/tmp";
        std::string pattern = std::string(base) + "/quindle-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            std::abort();
        return pattern;
    }();
    static const std::string path = folder + "/" + name;
    static const bool cleanup = [] {
        std::atexit([] {
            ::unlink(path.c_str());
            ::rmdir(folder.c_str());
        });
        return true;
    }();
    (void)cleanup;
    return path;
}

inline void writeFuzzFile(const std::string &path, const std::uint8_t *data, std::size_t size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0600);
    if (fd < 0)
        std::abort();
    if (::ftruncate(fd, off_t(size)) != 0)
        std::abort();
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, data + done, size - done, off_t(done));
        if (n <= 0)
            std::abort();
        done += std::size_t(n);
    }
    ::close(fd);
}
