// The program stream's video through FFmpeg's MPEG-1/2 video decoder (the demuxing is our own,
// PsDemuxer), delivering in display order every picture the decoder reconstructs, damaged parts
// concealed as players do.
#pragma once

#include "decoderlib/avhandles.h"
#include "decoderlib/psdemux.h"

#include <cstdint>
#include <vector>

namespace decoderlib {

class VideoFile;

enum PictureType { kUnknownPicture = 0, kIPicture = 1, kPPicture = 2, kBPicture = 3 };

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

    // Restarts demuxing at a byte offset. The next picture delivered is the first one that
    // decodes without any picture from before the offset. Reading stops near `readLimit`, as if
    // the file ended there: a look at part of a file must not turn into reading all of it.
    void SeekToByte(std::int64_t pos, std::int64_t readLimit = INT64_MAX);

    // The next picture, or null at the end of the file. Its `pts` is set (90 kHz) and `pkt_pos`
    // is the offset of the packet that carried it; IsWhole tells whether any of it was concealed.
    // Valid until the next call.
    AVFrame* Next();
    // The first picture from here on, as Next gives it, but drained out of the decoder rather than
    // waiting for the next reference picture to be decoded (unless it does not decode at all).
    // Nothing follows it until the next SeekToByte.
    AVFrame* FirstAlone();

    // What the first `count` pictures from here on, in display order, are shown as: their
    // number (fewer where the file ends first), the fields they fill, and whether any is
    // interlaced. Read from their headers as the decoder would mark the frames, without decoding
    // them. The stream is left at an arbitrary position.
    struct Cadence {
        int frames = 0;
        int fields = 0;
        bool interlaced = false;
    };
    Cadence ReadCadence(int count);

    // The timestamps that the I- and P-pictures carried before `pos` have of their own, in the order
    // sent, which is the order shown: what decoding them would give each, read from their headers
    // instead. Empty where one has none, or is one field of a frame, as decoding would have to
    // guess that time. The stream is left at an arbitrary position.
    std::vector<std::int64_t> ReferenceTimesBefore(std::int64_t pos);
    // The time FirstAlone would give, read from the header of the I-picture it decodes: that
    // picture's own timestamp. AV_NOPTS_VALUE where it has none, or where a B-picture sent next is
    // shown before it, or no picture comes. The stream is left at an arbitrary position.
    std::int64_t FirstOwnTime();

    // Whether the first picture from here on holds a slice in its last row of macroblocks, as every
    // MPEG-2 picture `height` pixels high does whose bytes are all there, damaged or not, and none
    // cut short or made of bytes that only look like MPEG video. False for MPEG-1, whose slices may
    // run on over rows. Read from its bytes without decoding it. The stream is left at an arbitrary
    // position.
    bool FirstPictureReachesLastRow(int height);

    // Pictures displayed before `pts` are of no interest; B-pictures carried before `untilPos`
    // that provably come before it are then not decoded at all. A negative `pts` turns this off.
    void SkipBefore(std::int64_t pts, std::int64_t untilPos = INT64_MAX)
    {
        skipBefore_ = pts;
        skipUntilPos_ = untilPos;
    }
    // Decode only I- and P-pictures (B-pictures are never referenced in MPEG video).
    void SkipBPictures(bool skip) { skipB_ = skip; }
    // Where only the pictures' times matter: their contents are left unreconstructed, which
    // spares the motion compensation and the inverse transforms.
    void TimesOnly(bool only) { codec_->skip_idct = only ? AVDISCARD_ALL : AVDISCARD_DEFAULT; }
    // Until the next SeekToByte, packets carried from `pos` on are read, which completes the picture
    // before them, but not decoded: the decoder gives up the pictures it holds there instead.
    void DecodeBefore(std::int64_t pos) { decodeEnd_ = pos; }

    // Offset and PTS of the I-picture that decoding restarted from; -1 and AV_NOPTS_VALUE
    // before one was reached.
    std::int64_t KeyPos() const { return keyPos_; }
    std::int64_t KeyPts() const { return keyPts_; }

    const AVCodecContext& Codec() const { return *codec_; }
    // The aspect ratio code of the first sequence header, 0 before one was seen.
    int AspectCode() const { return aspectCode_; }
    // Nominal duration of one frame in 90 kHz ticks, from the sequence's frame rate.
    std::int64_t SequenceFrameTicks() const { return frameTicks_; }

private:
    struct SentPicture;
    bool ReadVideoPacket();
    // The next packet as decoding would take it, read from its headers; false at the end.
    // `progressiveSequence` holds what the last sequence extension said.
    bool ReadSent(SentPicture& picture, bool& progressiveSequence);
    bool WantPacket(const AVPacket& pkt);
    bool WantBPicture(const AVPacket& pkt, std::int64_t pts) const;
    // The time the next picture shown gets when it has none of its own.
    std::int64_t ShownNext() const;
    std::int64_t ToTicks(std::int64_t t) const;
    void NoteSequenceHeader(const AVPacket& pkt);

    PsDemuxer demuxer_;
    CodecContextPtr codec_;
    PacketPtr packet_;
    FramePtr frame_;
    std::int64_t seekPos_ = 0;
    std::int64_t readLimit_ = INT64_MAX;
    std::int64_t decodeEnd_ = INT64_MAX;
    std::int64_t lastPacketPos_ = 0;
    bool draining_ = false;
    bool drainAfterPicture_ = false;
    bool pictureSent_ = false;
    bool awaitKey_ = true;
    bool leadingBroken_ = false;
    std::int64_t keyPos_ = -1;
    std::int64_t keyPts_ = AV_NOPTS_VALUE;
    std::int64_t lastPts_ = AV_NOPTS_VALUE;
    std::int64_t lastRefPts_ = AV_NOPTS_VALUE;
    std::int64_t lastDuration_ = 0;
    // Where the B-pictures left undecoded since the last picture out of the decoder end: shown
    // before the reference picture coming out next, they count for its time.
    std::int64_t skippedEnd_ = AV_NOPTS_VALUE;
    std::int64_t skipBefore_ = -1;
    std::int64_t skipUntilPos_ = INT64_MAX;
    bool skipB_ = false;
    int aspectCode_ = 0;
    std::int64_t frameTicks_ = 3600;
};

} // namespace decoderlib
