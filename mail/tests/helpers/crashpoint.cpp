// Preloaded into a child process to stop it as a power cut would. Positioned writes stay in
// this process until the file is flushed or closed, and QUINDLE_CRASH_AT=k kills the
// process with SIGKILL just before its k-th positioned write, flush or delete, so whatever
// was written but not flushed is lost. QUINDLE_CRASH_COUNT=file writes the number of such
// points at a normal exit. QUINDLE_CRASH_MODE=kill stops it as a kill would instead: writes
// reach the file at once, and the positioned write at the crash point is torn, only its
// first half written, as a share that takes a record in pieces leaves it.
#include <dlfcn.h>
#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct PendingWrite
{
    int fd;
    off_t offset;
    std::string bytes;
};

std::vector<PendingWrite> &pending()
{
    static std::vector<PendingWrite> writes;
    return writes;
}

long points = 0;

bool killMode()
{
    static const bool kill = [] {
        const char *mode = std::getenv("QUINDLE_CRASH_MODE");
        return mode && std::strcmp(mode, "kill") == 0;
    }();
    return kill;
}

template<class F>
F real(const char *name)
{
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

// True when this is the crash point; the caller then kills the process.
bool atCrashPoint()
{
    static const long crashAt = [] {
        const char *value = std::getenv("QUINDLE_CRASH_AT");
        return value ? std::atol(value) : 0L;
    }();
    return ++points == crashAt;
}

void point()
{
    if (atCrashPoint())
        ::kill(::getpid(), SIGKILL);
}

void apply(int fd)
{
    static auto realPwrite = real<ssize_t (*)(int, const void *, size_t, off_t)>("pwrite");
    auto &writes = pending();
    for (auto it = writes.begin(); it != writes.end();) {
        if (it->fd == fd) {
            realPwrite(fd, it->bytes.data(), it->bytes.size(), it->offset);
            it = writes.erase(it);
        } else {
            ++it;
        }
    }
}

struct Report
{
    ~Report()
    {
        if (const char *file = std::getenv("QUINDLE_CRASH_COUNT")) {
            if (std::FILE *out = std::fopen(file, "w")) {
                std::fprintf(out, "%ld\n", points);
                std::fclose(out);
            }
        }
    }
} report;

} // namespace

extern "C" {

ssize_t pwrite(int fd, const void *data, size_t n, off_t offset)
{
    static auto realPwrite = real<ssize_t (*)(int, const void *, size_t, off_t)>("pwrite");
    if (killMode()) {
        if (atCrashPoint()) {
            realPwrite(fd, data, n / 2, offset);
            ::kill(::getpid(), SIGKILL);
        }
        return realPwrite(fd, data, n, offset);
    }
    point();
    pending().push_back({fd, offset, std::string(static_cast<const char *>(data), n)});
    return static_cast<ssize_t>(n);
}

ssize_t pwrite64(int fd, const void *data, size_t n, off_t offset)
{
    return pwrite(fd, data, n, offset);
}

int fsync(int fd)
{
    point();
    apply(fd);
    return real<int (*)(int)>("fsync")(fd);
}

int fdatasync(int fd)
{
    point();
    apply(fd);
    return real<int (*)(int)>("fdatasync")(fd);
}

int close(int fd)
{
    // A process that closes a file normally leaves its writes to the system.
    apply(fd);
    return real<int (*)(int)>("close")(fd);
}

int unlink(const char *path)
{
    point();
    return real<int (*)(const char *)>("unlink")(path);
}

} // extern "C"
