// Which pictures a run of decoding takes after a restart, and what the run was asked to skip: the
// one place decoding and the reading of picture headers agree on it.
#pragma once

#include "decoderlib/avhandles.h"
#include "decoderlib/picturebytes.h"

#include <cstdint>

namespace decoderlib {

// What one run of decoding, from a seek to the next, skips and keeps. Each seek states its own, so
// nothing one caller asked for carries over to the next.
struct DecodeRequest {
    // Pictures shown before this PTS (90 kHz) are of no interest: B-pictures carried before
    // `skipUntilPos` that provably come before it are not decoded. Negative: none. It ends with the
    // first picture delivered at or after it, so that what follows decodes as playing decodes it.
    std::int64_t skipBefore = -1;
    std::int64_t skipUntilPos = INT64_MAX;
    // Only I- and P-pictures (B-pictures are never referenced in MPEG video).
    bool skipBPictures = false;
    // Where only the pictures' times matter: their contents are left unreconstructed, which spares
    // the motion compensation and the inverse transforms.
    bool timesOnly = false;
    // Packets carried from here on are read, which completes the picture before them, but not
    // decoded: the decoder gives up the pictures it holds there instead.
    std::int64_t decodeEnd = INT64_MAX;
    // Reading stops near here, as if the file ended: a look at part of a file must not turn into
    // reading all of it.
    std::int64_t readLimit = INT64_MAX;
};

class PictureGate {
public:
    enum class Verdict {
        kTaken,
        kBeforeKey,  // nothing before the first I-picture can be reconstructed
        kLeftOut,  // a B-picture the run does without
    };

    void Restart(const DecodeRequest& request);
    Verdict Judge(const AVPacket& pkt, PictureType type, std::int64_t pts);
    // A picture shown at `pts` was delivered: skipping before the request's time ends there.
    void Delivered(std::int64_t pts);

    const DecodeRequest& Request() const { return request_; }
    // Offset and PTS of the I-picture the run restarted from; -1 and AV_NOPTS_VALUE before one.
    std::int64_t KeyPos() const { return keyPos_; }
    std::int64_t KeyPts() const { return keyPts_; }

private:
    bool WantBPicture(const AVPacket& pkt, std::int64_t pts) const;

    DecodeRequest request_;
    bool awaitKey_ = true;
    // The B-pictures right after the I-picture restarted from predict from the GOP before it.
    bool leadingBroken_ = false;
    std::int64_t keyPos_ = -1;
    std::int64_t keyPts_ = AV_NOPTS_VALUE;
    std::int64_t lastRefPts_ = AV_NOPTS_VALUE;
};

}  // namespace decoderlib
