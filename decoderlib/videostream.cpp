#include "decoderlib/videostream.h"

#include "decoderlib/videofile.h"

#include "mpeg/mpegps.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include <algorithm>
#include <cstddef>
#include <utility>

namespace decoderlib {

namespace {

// How far into a file its video must have begun; DVD menus and titles start with it.
constexpr std::int64_t kVideoSearchLimit = 16 * 1024 * 1024;
const AVRational kTicks{1, 90000};
// A picture's own timestamp this close behind the last one shown is taken for a slip of a few
// frames; further back, it is the stream's own (a damaged one, or a restart).
constexpr std::int64_t kGuessSlack = 90000 / 2;

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

void VideoStream::SeekToByte(std::int64_t pos, const DecodeRequest& request)
{
    seekPos_ = pos;
    request_ = request;
    gate_.Restart(request);
    codec_->skip_idct = request.timesOnly ? AVDISCARD_ALL : AVDISCARD_DEFAULT;
    lastPacketPos_ = pos;
    demuxer_.SeekToByte(pos);
    avcodec_flush_buffers(codec_.get());
    draining_ = false;
    pictureSent_ = false;
    lastPts_ = AV_NOPTS_VALUE;
    lastDuration_ = frameTicks_;
    skippedEnd_ = AV_NOPTS_VALUE;
}

bool VideoStream::ReadVideoPacket()
{
    if (demuxer_.ReadPosition() > request_.readLimit || !demuxer_.Read(*packet_))
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
    const std::int64_t pts = ToTicks(pkt.pts);
    const PictureGate::Verdict verdict = gate_.Judge(pkt, CodingType(pkt), pts);
    // Left out, a B-picture is still shown before the reference picture sent ahead of it, and so
    // before that picture's time, when the decoder has to guess it.
    if (verdict == PictureGate::Verdict::kLeftOut && pts != AV_NOPTS_VALUE) {
        const std::int64_t end = pts + frameTicks_ * (RepeatsField(pkt) ? 3 : 2) / 2;
        skippedEnd_ = skippedEnd_ == AV_NOPTS_VALUE ? end : std::max(skippedEnd_, end);
    }
    return verdict == PictureGate::Verdict::kTaken;
}

std::int64_t VideoStream::ShownNext() const
{
    const std::int64_t afterLast = lastPts_ == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : lastPts_ + lastDuration_;
    if (skippedEnd_ == AV_NOPTS_VALUE)
        return afterLast;
    return afterLast == AV_NOPTS_VALUE ? skippedEnd_ : std::max(afterLast, skippedEnd_);
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
                gate_.Delivered(pts);
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
        if (!ReadVideoPacket() || packet_->pos >= request_.decodeEnd ||
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
    SeekToByte(seekPos_, request_);
    return Next();
}

} // namespace decoderlib
