#include "decoderlib/pictureheaders.h"

#include "decoderlib/psdemux.h"
#include "decoderlib/videostream.h"

#include <optional>
#include <utility>

namespace decoderlib {

struct PictureHeaders::Sent {
    std::int64_t pos = 0;
    std::int64_t pts = AV_NOPTS_VALUE;  // its own
    bool wanted = false;  // decoding would take it; only then is `shown` read
    Shown shown;
};

PictureHeaders::PictureHeaders(const VideoStream& stream, std::int64_t pos, const DecodeRequest& request)
    : demuxer_(PsDemuxer::Fork(stream.Demuxer())), packet_(MakePacket()), lastPacketPos_(pos)
{
    demuxer_->SeekToByte(pos);
    gate_.Restart(request);
}

PictureHeaders::~PictureHeaders() = default;

bool PictureHeaders::ReadPacket()
{
    av_packet_unref(packet_.get());
    if (demuxer_->ReadPosition() > gate_.Request().readLimit || !demuxer_->Read(*packet_))
        return false;
    // Pictures the parser splits out of one PES come without a position, as in the decoded stream.
    if (packet_->pos < 0)
        packet_->pos = lastPacketPos_;
    lastPacketPos_ = packet_->pos;
    return true;
}

bool PictureHeaders::ReadSent(Sent& picture)
{
    if (!ReadPacket())
        return false;
    picture.pos = packet_->pos;
    picture.pts = packet_->pts;
    picture.wanted = gate_.Judge(*packet_, CodingType(*packet_), packet_->pts) == PictureGate::Verdict::kTaken;
    picture.shown = picture.wanted ? ReadShown(*packet_, progressiveSequence_) : Shown{};
    return true;
}

PictureHeaders::Cadence PictureHeaders::ReadCadence(int count)
{
    Cadence cadence;
    const auto show = [&cadence](const Shown& picture) {
        ++cadence.frames;
        cadence.fields += picture.fields;
        cadence.interlaced = cadence.interlaced || picture.interlaced;
    };
    Sent sent;
    std::optional<Shown> firstField;
    // The decoder holds each I- or P-picture back until the next one comes, showing the
    // B-pictures sent between them first.
    std::optional<Shown> held;
    while (cadence.frames < count && ReadSent(sent)) {
        Shown picture = sent.shown;
        if (picture.type == kUnknownPicture)
            continue;
        if (picture.halfFrame) {
            if (!firstField) {
                firstField = picture;
                continue;
            }
            picture = *std::exchange(firstField, std::nullopt);
        }
        if (picture.type == kBPicture) {
            show(picture);
        } else {
            if (held)
                show(*held);
            held = picture;
        }
    }
    if (held && cadence.frames < count)
        show(*held);
    return cadence;
}

std::vector<std::int64_t> PictureHeaders::ReferenceTimesBefore(std::int64_t pos)
{
    std::vector<std::int64_t> times;
    Sent sent;
    while (ReadSent(sent) && sent.pos < pos) {
        if (sent.shown.type != kIPicture && sent.shown.type != kPPicture)
            continue;
        if (sent.pts == AV_NOPTS_VALUE || sent.shown.halfFrame)
            return {};
        times.push_back(sent.pts);
    }
    return times;
}

std::int64_t PictureHeaders::FirstOwnTime()
{
    std::optional<std::int64_t> key;
    Sent sent;
    while (ReadSent(sent)) {
        if (!sent.wanted)
            continue;
        if (key)
            return sent.shown.type == kBPicture ? AV_NOPTS_VALUE : *key;
        if (sent.pts == AV_NOPTS_VALUE || sent.shown.halfFrame)
            return AV_NOPTS_VALUE;
        key = sent.pts;
    }
    return key.value_or(AV_NOPTS_VALUE);
}

bool PictureHeaders::FirstPictureReachesLastRow(int height)
{
    while (ReadPacket()) {
        if (gate_.Judge(*packet_, CodingType(*packet_), packet_->pts) == PictureGate::Verdict::kTaken)
            return ReachesLastRow(*packet_, height);
    }
    return false;
}

}  // namespace decoderlib
