// The pictures of a video as their headers tell what decoding them would give, read without
// decoding them, through a demuxer of their own: the stream being decoded keeps its place. Each
// question reads on from where the one before stopped.
#pragma once

#include "decoderlib/avhandles.h"
#include "decoderlib/picturegate.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace decoderlib {

class PsDemuxer;
class VideoStream;

class PictureHeaders {
public:
    // The video `stream` decodes, read from `pos` and taking the pictures a decode from there with
    // `request` would take, up to its read limit.
    PictureHeaders(const VideoStream& stream, std::int64_t pos, const DecodeRequest& request = {});
    ~PictureHeaders();
    PictureHeaders(const PictureHeaders&) = delete;
    PictureHeaders& operator=(const PictureHeaders&) = delete;

    // What the first `count` pictures, in display order, are shown as: their number (fewer where
    // the file ends first), the fields they fill, and whether any is interlaced, as the decoder would
    // mark the frames.
    struct Cadence {
        int frames = 0;
        int fields = 0;
        bool interlaced = false;
    };
    Cadence ReadCadence(int count);

    // The timestamps that the I- and P-pictures carried before `pos` have of their own, in the order
    // sent, which is the order shown: what decoding them would give each. Empty where one has none,
    // or is one field of a frame, as decoding would have to guess that time.
    std::vector<std::int64_t> ReferenceTimesBefore(std::int64_t pos);
    // The time the stream's FirstAlone would give, read from the header of the I-picture it decodes:
    // that picture's own timestamp. AV_NOPTS_VALUE where it has none, or where a B-picture sent next
    // is shown before it, or no picture comes.
    std::int64_t FirstOwnTime();

    // Whether the first picture holds a slice in its last row of macroblocks, as every MPEG-2 picture
    // `height` pixels high does whose bytes are all there, damaged or not, and none cut short or made
    // of bytes that only look like MPEG video. False for MPEG-1, whose slices may run on over rows.
    bool FirstPictureReachesLastRow(int height);

private:
    struct Sent;
    bool ReadPacket();
    // The next packet as decoding would take it; false at the end.
    bool ReadSent(Sent& picture);

    std::unique_ptr<PsDemuxer> demuxer_;
    PacketPtr packet_;
    PictureGate gate_;
    std::int64_t lastPacketPos_;
    // What the last sequence extension said, for the pictures after it.
    bool progressiveSequence_ = true;
};

}  // namespace decoderlib
