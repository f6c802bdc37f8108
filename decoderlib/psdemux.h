// The video of an MPEG program stream as whole pictures, with no libavformat: packs and PES packets
// read here, the pictures cut out by libavcodec's MPEG video parser, and each packet timed as
// FFmpeg's demuxer times it, so the decoder sees the same packets either way.
#pragma once

#include "decoderlib/avhandles.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace decoderlib {

class VideoFile;

class PsDemuxer {
public:
    explicit PsDemuxer(const VideoFile& file);
    // A demuxer of its own over `found`'s file and video stream, timing packets as `found` has come
    // to (the clock's wrap, the origin of times, what the parser learnt), so that reading elsewhere
    // leaves `found`'s place alone. It starts at the file's start.
    static std::unique_ptr<PsDemuxer> Fork(const PsDemuxer& found);
    ~PsDemuxer();
    PsDemuxer(const PsDemuxer&) = delete;
    PsDemuxer& operator=(const PsDemuxer&) = delete;

    // Reads the start of the file, at most to `limit`, for its video stream, then rewinds to the
    // start; false when there is none.
    bool FindVideo(std::int64_t limit);
    // Restarts reading at a byte offset, forgetting any picture begun before it.
    void SeekToByte(std::int64_t pos);
    // The next picture of the first video stream into `pkt`: its bytes, timestamps in 90 kHz and
    // the offset of the PES packet it began in (-1 for a picture after the first begun in one
    // PES). False at the end of the file.
    bool Read(AVPacket& pkt);
    // How far into the file reading has gone.
    std::int64_t ReadPosition() const { return readPos_; }
    // Whether a video stream has been met.
    bool HasVideo() const { return videoId_ >= 0; }
    // MPEG-1 or MPEG-2 video, as the headers read so far say.
    AVCodecID CodecId() const;

private:
    // One video PES packet: where it starts, its header's times, its payload.
    struct Pes {
        std::int64_t pos = -1;
        std::int64_t pts = AV_NOPTS_VALUE;
        std::int64_t dts = AV_NOPTS_VALUE;
        std::vector<std::uint8_t> payload;  // `size` bytes, then zeros as the parser needs
        std::size_t size = 0;
    };

    // How reading a packet's header ended: read, not adding up, not a PES header, or at the end
    // of the file.
    enum class HeaderEnd { kRead, kBroken, kNotPes, kFileEnd };

    bool NextPes(Pes& pes);
    int NextStartCode();
    // `len` counts down what is left of the packet.
    HeaderEnd ReadHeader(int& len, std::int64_t& pts, std::int64_t& dts, bool& extendedId);
    HeaderEnd ReadMpeg2Header(int& len, std::int64_t& pts, std::int64_t& dts, bool& extendedId);
    bool Fill(std::size_t bytes);
    std::int64_t Tell() const;
    void Skip(std::size_t bytes);
    int Byte();
    int Word();
    void SkipStreamMap();
    bool Timestamp(int first, std::int64_t& ts);
    // A PTS, then a DTS `withDts`, else the PTS again; `first` is the PTS's first byte where read.
    bool Timestamps(int first, bool withDts, std::int64_t& pts, std::int64_t& dts);
    std::int64_t Wrap(std::int64_t ts) const;
    void NoteWrapReference(std::int64_t pts, std::int64_t dts);
    void ResetParser();
    void Parse(const std::uint8_t* data, int size, std::int64_t pts, std::int64_t dts, std::int64_t pos, bool flush);
    void UpdateInitial(std::int64_t dts);
    void Time(AVPacket& pkt, std::int64_t nextPts, std::int64_t nextDts);

    const VideoFile& file_;
    std::vector<std::uint8_t> buffer_;
    std::size_t bufferStart_ = 0;  // the next byte to read in buffer_
    std::int64_t bufferPos_ = 0;  // file offset of buffer_[0]
    std::int64_t readPos_ = 0;  // file offset after the last byte read from the file
    int videoId_ = -1;
    ParserPtr parser_;
    CodecContextPtr parserCodec_;
    Pes pes_;
    std::deque<PacketPtr> queue_;
    bool ended_ = false;

    // What times the packets: the wrap of the 33-bit clock, and the running decoding time.
    std::int64_t wrapReference_ = AV_NOPTS_VALUE;
    bool wrapAdds_ = true;
    std::int64_t curDts_;
    std::int64_t firstDts_ = AV_NOPTS_VALUE;
    std::int64_t lastIpPts_ = AV_NOPTS_VALUE;
    std::int64_t lastIpDuration_ = 0;
};

}  // namespace decoderlib
