#include "decoderlib/picturegate.h"

namespace decoderlib {

void PictureGate::Restart(const DecodeRequest& request)
{
    request_ = request;
    awaitKey_ = true;
    leadingBroken_ = false;
    keyPos_ = -1;
    keyPts_ = AV_NOPTS_VALUE;
    lastRefPts_ = AV_NOPTS_VALUE;
}

PictureGate::Verdict PictureGate::Judge(const AVPacket& pkt, PictureType type, std::int64_t pts)
{
    if (awaitKey_) {
        if (type != kIPicture)
            return Verdict::kBeforeKey;
        awaitKey_ = false;
        leadingBroken_ = !SelfContainedGop(pkt);
        keyPos_ = pkt.pos;
        keyPts_ = pts;
    }
    if (type == kIPicture || type == kPPicture) {
        if (type == kPPicture)
            leadingBroken_ = false;
        lastRefPts_ = pts;
        return Verdict::kTaken;
    }
    return type != kBPicture || WantBPicture(pkt, pts) ? Verdict::kTaken : Verdict::kLeftOut;
}

void PictureGate::Delivered(std::int64_t pts)
{
    if (request_.skipBefore >= 0 && pts >= request_.skipBefore)
        request_.skipBefore = -1;
}

bool PictureGate::WantBPicture(const AVPacket& pkt, std::int64_t pts) const
{
    if (request_.skipBPictures || leadingBroken_)
        return false;
    if (request_.skipBefore >= 0 && pkt.pos < request_.skipUntilPos) {
        if (pts != AV_NOPTS_VALUE)
            return pts >= request_.skipBefore;
        // It is shown before the reference picture that preceded it in the stream.
        if (lastRefPts_ != AV_NOPTS_VALUE && lastRefPts_ <= request_.skipBefore)
            return false;
    }
    return true;
}

}  // namespace decoderlib
