// Preloaded into a process (LD_PRELOAD), makes reads of one file fail with EIO over given byte runs,
// as a scratched disc or a failing drive does once the file has opened:
//   STILLREEL_FAIL_READS="PATH:OFFSET:LENGTH[:PATH:OFFSET:LENGTH...]"
// A read that touches a failing run fails whole, as a drive's multi-sector read does: whoever reads
// must narrow down to what can still be read. Every other file, and the open itself, are untouched.
#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct FailingRun {
    dev_t device = 0;
    ino_t inode = 0;
    std::int64_t offset = 0;
    std::int64_t length = 0;
};

// Parsed again whenever the variable changes, so a test can move the failing runs between cases; the
// files must exist by the first read after a change.
std::vector<FailingRun> Parse(const std::string& wanted)
{
    std::vector<FailingRun> parsed;
    std::vector<std::string> fields;
    std::string field;
    for (const char c : wanted + ':') {
        if (c == ':') {
            fields.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    for (std::size_t i = 0; i + 2 < fields.size(); i += 3) {
        struct stat st {};
        if (::stat(fields[i].c_str(), &st) == 0)
            parsed.push_back({st.st_dev, st.st_ino, std::stoll(fields[i + 1]), std::stoll(fields[i + 2])});
    }
    return parsed;
}

std::vector<FailingRun> Runs()
{
    static std::mutex mutex;
    static std::string parsedWanted;
    static std::vector<FailingRun> runs;
    const char* wanted = std::getenv("STILLREEL_FAIL_READS");
    std::lock_guard lock(mutex);
    if (!wanted)
        return {};
    if (parsedWanted != wanted) {
        parsedWanted = wanted;
        runs = Parse(parsedWanted);
    }
    return runs;
}

bool Fails(int fd, std::int64_t offset, std::size_t count)
{
    if (count == 0 || !std::getenv("STILLREEL_FAIL_READS"))
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    for (const FailingRun& run : Runs())
        if (run.device == st.st_dev && run.inode == st.st_ino && offset < run.offset + run.length &&
            run.offset < offset + static_cast<std::int64_t>(count))
            return true;
    return false;
}

template <typename T>
T Next(const char* name)
{
    return reinterpret_cast<T>(::dlsym(RTLD_NEXT, name));
}

ssize_t Failed()
{
    errno = EIO;
    return -1;
}

std::size_t Total(const struct iovec* iov, int count)
{
    std::size_t total = 0;
    for (int i = 0; i < count; ++i)
        total += iov[i].iov_len;
    return total;
}

}  // namespace

extern "C" {

ssize_t read(int fd, void* buffer, size_t count)
{
    static const auto next = Next<ssize_t (*)(int, void*, size_t)>("read");
    if (Fails(fd, ::lseek(fd, 0, SEEK_CUR), count))
        return Failed();
    return next(fd, buffer, count);
}

ssize_t pread(int fd, void* buffer, size_t count, off_t offset)
{
    static const auto next = Next<ssize_t (*)(int, void*, size_t, off_t)>("pread");
    if (Fails(fd, offset, count))
        return Failed();
    return next(fd, buffer, count, offset);
}

ssize_t pread64(int fd, void* buffer, size_t count, off_t offset)
{
    static const auto next = Next<ssize_t (*)(int, void*, size_t, off_t)>("pread64");
    if (Fails(fd, offset, count))
        return Failed();
    return next(fd, buffer, count, offset);
}

ssize_t readv(int fd, const struct iovec* iov, int count)
{
    static const auto next = Next<ssize_t (*)(int, const struct iovec*, int)>("readv");
    if (Fails(fd, ::lseek(fd, 0, SEEK_CUR), Total(iov, count)))
        return Failed();
    return next(fd, iov, count);
}

}  // extern "C"
