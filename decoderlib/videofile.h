// A video file opened for reading at arbitrary offsets. Both the demuxer and the
// timestamp scanner read through it, so neither disturbs the other's position.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace decoderlib {

// Bytes that come from elsewhere than one plain file, such as a disc's title spread over several.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::int64_t Size() const = 0;
    // Reads up to `count` bytes at `offset`; fewer only at the end or at the first byte that cannot be
    // read, leaving errno as the failed read set it.
    virtual std::size_t ReadAt(std::int64_t offset, void* buffer, std::size_t count) const = 0;
    // The DVD cell that plays at `offset` (mpegps::CellId), or -1 where the source does not know.
    virtual int CellAt(std::int64_t /*offset*/) const { return -1; }
    // The first byte after `offset` where a new DVD cell begins, -1 where none does or the source
    // does not know.
    virtual std::int64_t CellStartAfter(std::int64_t /*offset*/) const { return -1; }
};

// Bytes of the video that could not be read.
struct UnreadableRun {
    std::int64_t offset = 0;
    std::int64_t length = 0;
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

    // Reads up to `count` bytes at `offset`; fewer only at the end of the file. A scratched disc or a
    // failing drive must not end the video early: what cannot be read after a few attempts reads as
    // zeros, which the demuxer and the decoder take as damage, and is kept in Unreadable(). A file
    // that has shrunk since it opened ends where it ends now, the rest of it counted as unreadable.
    std::size_t ReadAt(std::int64_t offset, void* buffer, std::size_t count) const;
    // What could not be read so far, in order of offset, adjoining runs joined.
    std::vector<UnreadableRun> Unreadable() const;
    // The system's error of the last read that failed (EIO), 0 while none has.
    int ReadError() const;
    // The DVD cell at `offset` where the source knows its cells (a disc's title), else -1.
    int CellAt(std::int64_t offset) const { return source_ ? source_->CellAt(offset) : -1; }
    std::int64_t CellStartAfter(std::int64_t offset) const { return source_ ? source_->CellStartAfter(offset) : -1; }

private:
    // Reads from `offset` until `count` bytes or the first failure; keeps its errno.
    std::size_t ReadPlainly(std::int64_t offset, unsigned char* out, std::size_t count) const;
    // Reads on from a failure one block at a time, zeros for the blocks that keep failing.
    std::size_t ReadAround(std::int64_t offset, unsigned char* out, std::size_t count) const;
    // Whether the file has become shorter than `offset`.
    bool EndsBefore(std::int64_t offset) const;
    bool KnownUnreadable(std::int64_t offset) const;
    bool TouchesUnreadable(std::int64_t offset, std::size_t count) const;
    void NoteUnreadable(std::int64_t offset, std::int64_t length, int error) const;

    int fd_ = -1;
    std::unique_ptr<ByteSource> source_;
    std::int64_t size_ = 0;

    // Readers on several threads (the decoding worker, a seek's scanner) meet the same damage.
    mutable std::mutex unreadableMutex_;
    mutable std::atomic<bool> anyUnreadable_{false};
    mutable std::vector<UnreadableRun> unreadable_;
    mutable int readError_ = 0;
};

} // namespace decoderlib
