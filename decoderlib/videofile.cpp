#include "decoderlib/videofile.h"

#include "decoderlib/avhandles.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace decoderlib {

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
    if (source_)
        return source_->ReadAt(offset, buffer, count);
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count && offset + static_cast<std::int64_t>(done) < size_) {
        ssize_t n = ::pread(fd_, out + done, count - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

} // namespace decoderlib
