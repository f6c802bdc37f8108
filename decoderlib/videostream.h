// The program stream's video through FFmpeg's MPEG-1/2 video decoder (the demuxing is our own,
// PsDemuxer), delivering in display order every picture the decoder reconstructs, damaged parts
// concealed as players do.
#pragma once

#include "decoderlib/avhandles.h"
#include "decoderlib/picturegate.h"
#include "decoderlib/psdemux.h"

#include <cstdint>

namespace decoderlib {

class VideoFile;

// Whether a decoded picture came out without any damage concealed.
inline bool IsWhole(const AVFrame& f)
{
    return !f.decode_error_flags && !(f.flags & AV_FRAME_FLAG_CORRUPT);
}

// Why a file that holds no MPEG video is refused, in the user's words.
inline constexpr const char* kNoVideoMessage = "no MPEG video found: this is not a DVD video file";

class VideoStream {
public:
    // Throws DecodeError(kNoVideoMessage) when the file is no program stream with MPEG-1/2 video.
    explicit VideoStream(const VideoFile& file);
    ~VideoStream();
    VideoStream(const VideoStream&) = delete;
    VideoStream& operator=(const VideoStream&) = delete;

    // Restarts demuxing at a byte offset, for a run of decoding that skips and keeps what `request`
    // says until the next seek. The next picture delivered is the first one that decodes without any
    // picture from before the offset.
    void SeekToByte(std::int64_t pos, const DecodeRequest& request = {});

    // The next picture, or null at the end of the file. Its `pts` is set (90 kHz) and `pkt_pos`
    // is the offset of the packet that carried it; IsWhole tells whether any of it was concealed.
    // Valid until the next call.
    AVFrame* Next();
    // The first picture from here on, as Next gives it, but drained out of the decoder rather than
    // waiting for the next reference picture to be decoded (unless it does not decode at all).
    // Nothing follows it until the next SeekToByte.
    AVFrame* FirstAlone();

    // Offset and PTS of the I-picture that decoding restarted from; -1 and AV_NOPTS_VALUE
    // before one was reached.
    std::int64_t KeyPos() const { return gate_.KeyPos(); }
    std::int64_t KeyPts() const { return gate_.KeyPts(); }

    const AVCodecContext& Codec() const { return *codec_; }
    // The aspect ratio code of the first sequence header, 0 before one was seen.
    int AspectCode() const { return aspectCode_; }
    // Nominal duration of one frame in 90 kHz ticks, from the sequence's frame rate.
    std::int64_t SequenceFrameTicks() const { return frameTicks_; }
    // The demuxer, as it has found the video and times its packets.
    const PsDemuxer& Demuxer() const { return demuxer_; }

private:
    bool ReadVideoPacket();
    bool WantPacket(const AVPacket& pkt);
    // The time the next picture shown gets when it has none of its own.
    std::int64_t ShownNext() const;
    std::int64_t ToTicks(std::int64_t t) const;
    void NoteSequenceHeader(const AVPacket& pkt);

    PsDemuxer demuxer_;
    CodecContextPtr codec_;
    PacketPtr packet_;
    FramePtr frame_;
    std::int64_t seekPos_ = 0;
    DecodeRequest request_;  // as the last seek asked
    PictureGate gate_;
    std::int64_t lastPacketPos_ = 0;
    bool draining_ = false;
    bool drainAfterPicture_ = false;
    bool pictureSent_ = false;
    std::int64_t lastPts_ = AV_NOPTS_VALUE;
    std::int64_t lastDuration_ = 0;
    // Where the B-pictures left undecoded since the last picture out of the decoder end: shown
    // before the reference picture coming out next, they count for its time.
    std::int64_t skippedEnd_ = AV_NOPTS_VALUE;
    int aspectCode_ = 0;
    std::int64_t frameTicks_ = 3600;
};

} // namespace decoderlib
