#include "decoderlib/videostream.h"

#include "decoderlib/videofile.h"

#include "mpeg/mpegps.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include <algorithm>
#include <cstddef>
#include <optional>
#include <utility>

namespace decoderlib {

namespace {

// How far into a file its video must have begun; DVD menus and titles start with it.
constexpr std::int64_t kVideoSearchLimit = 16 * 1024 * 1024;
const AVRational kTicks{1, 90000};
// A picture's own timestamp this close behind the last one shown is taken for a slip of a few
// frames; further back, it is the stream's own (a damaged one, or a restart).
constexpr std::int64_t kGuessSlack = 90000 / 2;

mpegps::Bytes PacketBytes(const AVPacket& pkt)
{
    return {pkt.data, pkt.size > 0 ? static_cast<std::size_t>(pkt.size) : 0};
}

// The first header with start code `code` in `data`, when its first `bytes` bytes are there too.
const std::uint8_t* FindHeader(mpegps::Bytes data, std::uint8_t code, std::size_t bytes)
{
    if (data.size() < bytes)
        return nullptr;
    // Searching all but the header's tail leaves the whole header inside the data.
    const auto at = mpegps::FindStartCode(data.first(data.size() - (bytes - mpegps::kStartCodeSize)), code);
    return at ? data.data() + *at : nullptr;
}

const std::uint8_t* FindHeader(const AVPacket& pkt, std::uint8_t code, std::size_t bytes)
{
    return FindHeader(PacketBytes(pkt), code, bytes);
}

// Whether the B-pictures that follow this I-picture predict only from it: a closed GOP
// whose link to the one before is not broken.
bool SelfContainedGop(const AVPacket& pkt)
{
    const std::uint8_t* gop = FindHeader(pkt, mpegps::kGroupStart, mpegps::kGopHeaderBytes);
    return gop && mpegps::ClosedGop(gop) && !mpegps::BrokenLink(gop);
}

// Whether the picture is shown for three fields instead of two (film with 3:2 pulldown).
bool RepeatsField(const AVPacket& pkt)
{
    const mpegps::Bytes data = PacketBytes(pkt);
    const std::uint8_t* picture = FindHeader(data, mpegps::kPictureStart, mpegps::kPictureHeaderBytes);
    if (!picture)
        return false;
    const std::uint8_t* extension = FindHeader(data.subspan(static_cast<std::size_t>(picture - data.data())),
                                               mpegps::kExtensionStart, mpegps::kPictureCodingExtensionBytes);
    return extension && mpegps::ExtensionId(extension) == mpegps::kPictureCodingExtension &&
           mpegps::RepeatFirstField(extension);
}

// How a picture is shown, as its headers tell the decoder, which marks the frame it makes so.
struct Shown {
    PictureType type = kUnknownPicture;
    bool halfFrame = false; // one field, the other coded as a picture of its own
    int fields = 2;
    bool interlaced = false;
};

// `progressiveSequence` holds what the last sequence extension said, for the pictures after it.
Shown ReadShown(const AVPacket& pkt, bool& progressiveSequence)
{
    const mpegps::Bytes data = PacketBytes(pkt);
    Shown shown;
    const std::uint8_t* picture = FindHeader(data, mpegps::kPictureStart, mpegps::kPictureHeaderBytes);
    if (!picture)
        return shown;
    const auto at = static_cast<std::size_t>(picture - data.data());
    if (const std::uint8_t* sequence = FindHeader(data.first(at), mpegps::kSequenceHeader, mpegps::kSequenceHeaderBytes)) {
        const auto from = static_cast<std::size_t>(sequence - data.data()) + mpegps::kStartCodeSize;
        const std::uint8_t* extension =
            FindHeader(data.subspan(from, at - from), mpegps::kExtensionStart, mpegps::kSequenceExtensionBytes);
        if (extension && mpegps::ExtensionId(extension) == mpegps::kSequenceExtension)
            progressiveSequence = mpegps::ProgressiveSequence(extension);
    }
    const int type = mpegps::PictureCodingType(picture);
    shown.type = type >= kIPicture && type <= kBPicture ? static_cast<PictureType>(type) : kUnknownPicture;
    const mpegps::Bytes rest = data.subspan(at + mpegps::kStartCodeSize);
    const std::uint8_t* extension = FindHeader(rest, mpegps::kExtensionStart, mpegps::kPictureCodingExtensionBytes);
    if (!extension || mpegps::ExtensionId(extension) != mpegps::kPictureCodingExtension)
        return shown; // MPEG-1: progressive frames
    const bool progressiveFrame = mpegps::ProgressiveFrame(extension);
    shown.interlaced = !progressiveFrame && !progressiveSequence;
    if (mpegps::PictureStructure(extension) != mpegps::kFramePicture)
        shown.halfFrame = !FindHeader(rest, mpegps::kPictureStart, mpegps::kPictureHeaderBytes);
    else if (mpegps::RepeatFirstField(extension))
        shown.fields += progressiveSequence ? (mpegps::TopFieldFirst(extension) ? 4 : 2) : (progressiveFrame ? 1 : 0);
    return shown;
}

// Slice start codes number the row of macroblocks the slice begins in, from 1.
constexpr int kLastSliceRow = 0xAF;

// Whether each picture in the packet holds a slice in its last row of macroblocks: in MPEG-2 every
// row begins one, as a slice never runs on into the next row.
bool ReachesLastRow(const AVPacket& pkt, int height)
{
    mpegps::Bytes data = PacketBytes(pkt);
    bool seen = false;
    while (const auto picture = mpegps::FindStartCode(data, mpegps::kPictureStart)) {
        data = data.subspan(*picture + mpegps::kStartCodeSize);
        // The picture coding extension comes next in MPEG-2; MPEG-1 has none.
        const auto next = mpegps::FindStartCode(data);
        if (!next || data.size() < *next + mpegps::kPictureCodingExtensionBytes ||
            data[*next + 3] != mpegps::kExtensionStart ||
            mpegps::ExtensionId(&data[*next]) != mpegps::kPictureCodingExtension)
            return false;
        const bool field = mpegps::PictureStructure(&data[*next]) != mpegps::kFramePicture;
        const int lastRow = field ? (height + 31) / 32 : (height + 15) / 16;
        bool reached = false;
        for (auto at = mpegps::FindStartCode(data); at && data[*at + 3] != mpegps::kPictureStart;
             at = mpegps::FindStartCode(data)) {
            reached = reached || (lastRow <= kLastSliceRow && data[*at + 3] == lastRow);
            data = data.subspan(*at + mpegps::kStartCodeSize);
        }
        if (!reached)
            return false;
        seen = true;
    }
    return seen;
}

// The decoder's memory for a picture, blackened: where damage leaves part of a picture unwritten
// (the decoder's concealment can miss a macroblock), it would otherwise show whichever earlier
// picture last used that memory, and which one that is depends on when the caller let go of it.
int BlackBuffer(AVCodecContext* codec, AVFrame* frame, int flags)
{
    const int rc = avcodec_default_get_buffer2(codec, frame, flags);
    if (rc < 0)
        return rc;
    const std::ptrdiff_t linesize[4] = {frame->linesize[0], frame->linesize[1], frame->linesize[2], frame->linesize[3]};
    // It fails only for formats without pixels of their own, which an MPEG video decoder never gives.
    av_image_fill_black(frame->data, linesize, static_cast<AVPixelFormat>(frame->format), AVCOL_RANGE_MPEG,
                        frame->width, frame->height);
    return 0;
}

PictureType CodingType(const AVPacket& pkt)
{
    const std::uint8_t* picture = FindHeader(pkt, mpegps::kPictureStart, mpegps::kPictureHeaderBytes);
    if (!picture)
        return kUnknownPicture;
    const int type = mpegps::PictureCodingType(picture);
    return type >= kIPicture && type <= kBPicture ? static_cast<PictureType>(type) : kUnknownPicture;
}

} // namespace

VideoStream::VideoStream(const VideoFile& file) : demuxer_(file), packet_(MakePacket()), frame_(MakeFrame())
{
    if (!demuxer_.FindVideo(kVideoSearchLimit))
        throw DecodeError(kNoVideoMessage);
    const AVCodec* decoder = avcodec_find_decoder(demuxer_.CodecId());
    if (!decoder)
        throw DecodeError("no MPEG video decoder");
    codec_.reset(avcodec_alloc_context3(decoder));
    if (!codec_)
        throw DecodeError("out of memory");
    codec_->pkt_timebase = kTicks;
    // Two decodes of the same damaged bytes must give the same pictures. The decoder's slice threads
    // conceal damage by timing, so it runs on none of its own; the library's worker overlaps the
    // caller's work.
    codec_->thread_type = 0;
    codec_->get_buffer2 = BlackBuffer;
    CheckRc(avcodec_open2(codec_.get(), decoder, nullptr), "opening the video decoder");

    SeekToByte(0);
}

VideoStream::~VideoStream() = default;

void VideoStream::SeekToByte(std::int64_t pos, std::int64_t readLimit)
{
    seekPos_ = pos;
    readLimit_ = readLimit;
    decodeEnd_ = INT64_MAX;
    lastPacketPos_ = pos;
    demuxer_.SeekToByte(pos);
    avcodec_flush_buffers(codec_.get());
    draining_ = false;
    pictureSent_ = false;
    awaitKey_ = true;
    leadingBroken_ = false;
    keyPos_ = -1;
    keyPts_ = AV_NOPTS_VALUE;
    lastPts_ = AV_NOPTS_VALUE;
    lastRefPts_ = AV_NOPTS_VALUE;
    lastDuration_ = frameTicks_;
    skippedEnd_ = AV_NOPTS_VALUE;
}

bool VideoStream::ReadVideoPacket()
{
    if (demuxer_.ReadPosition() > readLimit_ || !demuxer_.Read(*packet_))
        return false;
    // Pictures that the parser splits out of one PES come without a position; they lie where the
    // one before them does, which places them on the right stretch of time.
    if (packet_->pos < 0)
        packet_->pos = lastPacketPos_;
    lastPacketPos_ = packet_->pos;
    return true;
}

std::int64_t VideoStream::ToTicks(std::int64_t t) const
{
    return t == AV_NOPTS_VALUE ? t : av_rescale_q(t, codec_->pkt_timebase, kTicks);
}

void VideoStream::NoteSequenceHeader(const AVPacket& pkt)
{
    const std::uint8_t* sequence = FindHeader(pkt, mpegps::kSequenceHeader, mpegps::kSequenceHeaderBytes);
    if (!sequence)
        return;
    aspectCode_ = mpegps::AspectRatioCode(sequence);
    // 90 kHz ticks of one frame for each frame rate code: 23.976, 24, 25, 29.97, 30, 50, 59.94, 60.
    static constexpr std::int64_t kTicksPerRateCode[] = {0, 3754, 3750, 3600, 3003, 3000, 1800, 1502, 1500};
    const int rate = mpegps::FrameRateCode(sequence);
    if (rate >= 1 && rate <= 8)
        frameTicks_ = kTicksPerRateCode[rate];
}

bool VideoStream::WantPacket(const AVPacket& pkt)
{
    if (aspectCode_ == 0)
        NoteSequenceHeader(pkt);
    const PictureType type = CodingType(pkt);
    const std::int64_t pts = ToTicks(pkt.pts);
    // After a restart, nothing before the next I-picture can be reconstructed, nor can the
    // B-pictures right after it that predict from the GOP before.
    if (awaitKey_) {
        if (type != kIPicture)
            return false;
        awaitKey_ = false;
        leadingBroken_ = !SelfContainedGop(pkt);
        if (keyPos_ < 0) {
            keyPos_ = pkt.pos;
            keyPts_ = pts;
        }
    }
    if (type == kIPicture || type == kPPicture) {
        if (type == kPPicture)
            leadingBroken_ = false;
        lastRefPts_ = pts;
        return true;
    }
    if (type != kBPicture || WantBPicture(pkt, pts))
        return true;
    // Left out, it is still shown before the reference picture sent ahead of it, and so before
    // that picture's time, when the decoder has to guess it.
    if (pts != AV_NOPTS_VALUE) {
        const std::int64_t end = pts + frameTicks_ * (RepeatsField(pkt) ? 3 : 2) / 2;
        skippedEnd_ = skippedEnd_ == AV_NOPTS_VALUE ? end : std::max(skippedEnd_, end);
    }
    return false;
}

bool VideoStream::WantBPicture(const AVPacket& pkt, std::int64_t pts) const
{
    if (skipB_ || leadingBroken_)
        return false;
    if (skipBefore_ >= 0 && pkt.pos < skipUntilPos_) {
        if (pts != AV_NOPTS_VALUE)
            return pts >= skipBefore_;
        // It is shown before the reference picture that preceded it in the stream.
        if (lastRefPts_ != AV_NOPTS_VALUE && lastRefPts_ <= skipBefore_)
            return false;
    }
    return true;
}

std::int64_t VideoStream::ShownNext() const
{
    const std::int64_t afterLast = lastPts_ == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : lastPts_ + lastDuration_;
    if (skippedEnd_ == AV_NOPTS_VALUE)
        return afterLast;
    return afterLast == AV_NOPTS_VALUE ? skippedEnd_ : std::max(afterLast, skippedEnd_);
}

struct VideoStream::SentPicture {
    std::int64_t pos = 0;
    std::int64_t pts = AV_NOPTS_VALUE; // its own
    bool wanted = false;               // sent to the decoder; only then is `shown` read
    Shown shown;
};

bool VideoStream::ReadSent(SentPicture& picture, bool& progressiveSequence)
{
    if (!ReadVideoPacket())
        return false;
    picture.pos = packet_->pos;
    picture.pts = ToTicks(packet_->pts);
    picture.wanted = WantPacket(*packet_);
    picture.shown = picture.wanted ? ReadShown(*packet_, progressiveSequence) : Shown{};
    av_packet_unref(packet_.get());
    return true;
}

VideoStream::Cadence VideoStream::ReadCadence(int count)
{
    Cadence cadence;
    const auto show = [&cadence](const Shown& picture) {
        ++cadence.frames;
        cadence.fields += picture.fields;
        cadence.interlaced = cadence.interlaced || picture.interlaced;
    };
    bool progressiveSequence = true;
    SentPicture sent;
    std::optional<Shown> firstField;
    // The decoder holds each I- or P-picture back until the next one comes, showing the
    // B-pictures sent between them first.
    std::optional<Shown> held;
    while (cadence.frames < count && ReadSent(sent, progressiveSequence)) {
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

std::vector<std::int64_t> VideoStream::ReferenceTimesBefore(std::int64_t pos)
{
    std::vector<std::int64_t> times;
    bool progressiveSequence = true;
    SentPicture sent;
    while (ReadSent(sent, progressiveSequence) && sent.pos < pos) {
        if (sent.shown.type != kIPicture && sent.shown.type != kPPicture)
            continue;
        if (sent.pts == AV_NOPTS_VALUE || sent.shown.halfFrame)
            return {};
        times.push_back(sent.pts);
    }
    return times;
}

std::int64_t VideoStream::FirstOwnTime()
{
    std::optional<std::int64_t> key;
    bool progressiveSequence = true;
    SentPicture sent;
    while (ReadSent(sent, progressiveSequence)) {
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

bool VideoStream::FirstPictureReachesLastRow(int height)
{
    while (ReadVideoPacket()) {
        const bool wanted = WantPacket(*packet_);
        const bool reaches = wanted && ReachesLastRow(*packet_, height);
        av_packet_unref(packet_.get());
        if (wanted)
            return reaches;
    }
    return false;
}

AVFrame* VideoStream::Next()
{
    av_frame_unref(frame_.get());
    for (;;) {
        int rc = avcodec_receive_frame(codec_.get(), frame_.get());
        if (rc == 0) {
            std::int64_t pts = ToTicks(frame_->best_effort_timestamp);
            // Pictures come out in display order: a time that does not move on is a guess gone
            // wrong, unless an I-picture opens a new stretch of timestamps. A picture without a
            // time of its own follows the one shown before it, decoded or left out; so does one
            // that came out with the next stretch's time (a reference picture leaves the decoder
            // only when the next one goes in). A time of the picture's own far behind is left as
            // it is: a damaged timestamp must not carry over to the pictures after it.
            const bool guessed = frame_->pts == AV_NOPTS_VALUE;
            const std::int64_t next = ShownNext();
            if (next != AV_NOPTS_VALUE &&
                (pts == AV_NOPTS_VALUE ||
                 (lastPts_ != AV_NOPTS_VALUE && pts <= lastPts_ && frame_->pict_type != AV_PICTURE_TYPE_I &&
                  (guessed || lastPts_ - pts < kGuessSlack))))
                pts = next;
            skippedEnd_ = AV_NOPTS_VALUE;
            if (pts != AV_NOPTS_VALUE) {
                frame_->pts = pts;
                lastPts_ = pts;
                lastDuration_ = frameTicks_ * (2 + frame_->repeat_pict) / 2;
                return frame_.get();
            }
            av_frame_unref(frame_.get());
            continue;
        }
        if (rc == AVERROR_EOF || draining_)
            return nullptr;
        // For the first picture alone, a B-picture sent next is shown before it and is decoded;
        // any other would only push it out of the decoder, which draining does for less.
        if (!ReadVideoPacket() || packet_->pos >= decodeEnd_ ||
            (drainAfterPicture_ && pictureSent_ && CodingType(*packet_) != kBPicture)) {
            av_packet_unref(packet_.get());
            draining_ = true;
            avcodec_send_packet(codec_.get(), nullptr);
            continue;
        }
        // A packet the decoder refuses is lost like a damaged one; the decoder goes on from the
        // pictures it holds, as it does for damage it conceals.
        if (WantPacket(*packet_))
            pictureSent_ = avcodec_send_packet(codec_.get(), packet_.get()) == 0 || pictureSent_;
        av_packet_unref(packet_.get());
    }
}

AVFrame* VideoStream::FirstAlone()
{
    drainAfterPicture_ = true;
    AVFrame* f = Next();
    drainAfterPicture_ = false;
    if (f)
        return f;
    // The first picture sent did not decode: the ones after it are needed after all.
    SeekToByte(seekPos_, readLimit_);
    return Next();
}

} // namespace decoderlib
