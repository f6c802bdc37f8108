#include "decoderlib/videofile.h"

#include "decoderlib/avhandles.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace decoderlib {

namespace {

// What is read again, and given up as zeros, after a failure: a DVD sector, and a pack of a
// program stream, so one bad sector costs no more than itself.
constexpr std::int64_t kRescueBlock = 2048;
// A sector that fails once may still read on a second or third try, as drives recover some; one
// right after a sector that kept failing is tried once, as a scratch spans many and each failed
// try of a real drive can take seconds.
constexpr int kReadAttempts = 3;

}  // namespace

VideoFile::VideoFile(const std::string& path)
{
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        throw DecodeError(std::strerror(errno));
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        // A folder that is or holds VIDEO_TS opens as a disc, so a folder here is none.
        throw DecodeError(S_ISDIR(st.st_mode) ? "a folder without VIDEO_TS" : "not a regular file");
    }
    size_ = st.st_size;
    if (size_ == 0) {
        ::close(fd_);
        throw DecodeError("the file is empty");
    }
}

VideoFile::VideoFile(std::unique_ptr<ByteSource> source) : source_(std::move(source)), size_(source_->Size())
{
    if (size_ == 0)
        throw DecodeError("empty video");
}

VideoFile::~VideoFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::size_t VideoFile::ReadAt(std::int64_t offset, void* buffer, std::size_t count) const
{
    if (offset < 0 || offset >= size_)
        return 0;
    count = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(count), size_ - offset));
    auto* out = static_cast<unsigned char*>(buffer);
    // A part known to fail is not asked of the drive again as a whole: each failed try can take seconds.
    const std::size_t done = TouchesUnreadable(offset, count) ? 0 : ReadPlainly(offset, out, count);
    if (done == count)
        return done;
    return done + ReadAround(offset + static_cast<std::int64_t>(done), out + done, count - done);
}

std::size_t VideoFile::ReadPlainly(std::int64_t offset, unsigned char* out, std::size_t count) const
{
    errno = 0;
    if (source_)
        return source_->ReadAt(offset, out, count);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(fd_, out + done, count - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::size_t VideoFile::ReadAround(std::int64_t offset, unsigned char* out, std::size_t count) const
{
    std::size_t done = 0;
    while (done < count) {
        const std::int64_t pos = offset + static_cast<std::int64_t>(done);
        const auto n = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(count - done), kRescueBlock - pos % kRescueBlock));
        std::size_t got = 0;
        int error = 0;
        if (!KnownUnreadable(pos)) {
            const int attempts = pos > 0 && KnownUnreadable(pos - 1) ? 1 : kReadAttempts;
            for (int attempt = 0; attempt < attempts && got == 0; ++attempt) {
                got = ReadPlainly(pos, out + done, n);
                error = errno;
            }
        }
        if (got > 0) {
            done += got;
            continue;
        }
        if (EndsBefore(pos)) {
            // Nothing from here on can be read any more; it is not there to be retried block by block.
            NoteUnreadable(pos, size_ - pos, 0);
            return done;
        }
        NoteUnreadable(pos, static_cast<std::int64_t>(n), error);
        std::memset(out + done, 0, n);
        done += n;
    }
    return done;
}

bool VideoFile::EndsBefore(std::int64_t offset) const
{
    struct stat st {};
    return fd_ >= 0 && ::fstat(fd_, &st) == 0 && st.st_size <= offset;
}

bool VideoFile::KnownUnreadable(std::int64_t offset) const
{
    return TouchesUnreadable(offset, 1);
}

bool VideoFile::TouchesUnreadable(std::int64_t offset, std::size_t count) const
{
    if (!anyUnreadable_.load(std::memory_order_relaxed))
        return false;
    std::lock_guard lock(unreadableMutex_);
    // The last run that starts before the end of [offset, offset + count) is the one to reach into it.
    const std::int64_t end = offset + static_cast<std::int64_t>(count);
    const auto after = std::lower_bound(unreadable_.begin(), unreadable_.end(), end,
                                        [](const UnreadableRun& r, std::int64_t e) { return r.offset < e; });
    return after != unreadable_.begin() && offset < std::prev(after)->offset + std::prev(after)->length;
}

void VideoFile::NoteUnreadable(std::int64_t offset, std::int64_t length, int error) const
{
    std::lock_guard lock(unreadableMutex_);
    anyUnreadable_ = true;
    // A read that ends early without an error of its own counts as the drive's failure to read.
    readError_ = error != 0 ? error : EIO;
    auto at = std::lower_bound(unreadable_.begin(), unreadable_.end(), offset,
                               [](const UnreadableRun& r, std::int64_t o) { return r.offset < o; });
    at = unreadable_.insert(at, {offset, length});
    // Joined with the run before and the runs after that it touches or overlaps.
    if (at != unreadable_.begin() && std::prev(at)->offset + std::prev(at)->length >= at->offset)
        at = std::prev(at);
    std::int64_t end = at->offset + at->length;
    auto next = std::next(at);
    while (next != unreadable_.end() && next->offset <= end) {
        end = std::max(end, next->offset + next->length);
        ++next;
    }
    at->length = std::max(at->length, end - at->offset);
    unreadable_.erase(std::next(at), next);
}

std::vector<UnreadableRun> VideoFile::Unreadable() const
{
    std::lock_guard lock(unreadableMutex_);
    return unreadable_;
}

int VideoFile::ReadError() const
{
    std::lock_guard lock(unreadableMutex_);
    return readError_;
}

} // namespace decoderlib
