// A video file opened for reading at arbitrary offsets. Both the demuxer and the
// timestamp scanner read through it, so neither disturbs the other's position.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace decoderlib {

// Bytes that come from elsewhere than one plain file, such as a disc's title spread over several.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::int64_t Size() const = 0;
    virtual std::size_t ReadAt(std::int64_t offset, void* buffer, std::size_t count) const = 0;
    // The DVD cell that plays at `offset` (mpegps::CellId), or -1 where the source does not know.
    virtual int CellAt(std::int64_t /*offset*/) const { return -1; }
    // The first byte after `offset` where a new DVD cell begins, -1 where none does or the source
    // does not know.
    virtual std::int64_t CellStartAfter(std::int64_t /*offset*/) const { return -1; }
};

class VideoFile {
public:
    // Throws DecodeError for a missing, unreadable, empty or non-regular file, or a folder; the message
    // is the reason alone ("Permission denied"), as the caller names the file.
    explicit VideoFile(const std::string& path);
    // Throws DecodeError for an empty source.
    explicit VideoFile(std::unique_ptr<ByteSource> source);
    ~VideoFile();
    VideoFile(const VideoFile&) = delete;
    VideoFile& operator=(const VideoFile&) = delete;

    std::int64_t Size() const { return size_; }

    // Reads up to `count` bytes at `offset`; fewer only at the end of the file or on error.
    std::size_t ReadAt(std::int64_t offset, void* buffer, std::size_t count) const;
    // The DVD cell at `offset` where the source knows its cells (a disc's title), else -1.
    int CellAt(std::int64_t offset) const { return source_ ? source_->CellAt(offset) : -1; }
    std::int64_t CellStartAfter(std::int64_t offset) const { return source_ ? source_->CellStartAfter(offset) : -1; }

private:
    int fd_ = -1;
    std::unique_ptr<ByteSource> source_;
    std::int64_t size_ = 0;
};

} // namespace decoderlib
