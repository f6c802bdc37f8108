#include "decoderlib/psdemux.h"

#include "decoderlib/videofile.h"

#include "mpeg/mpegps.h"

#include <algorithm>
#include <climits>
#include <cstring>

extern "C" {
#include <libavutil/mathematics.h>
}

namespace decoderlib {

namespace {

// Read in pieces of this size: 32 DVD packs a read, and little to throw away after a seek.
constexpr std::size_t kReadSize = 64 * 1024;
// Bytes kept before the reading position, so that reading can step back over a broken header.
constexpr std::size_t kKeptBehind = 16;
// Timestamps have 33 bits; one that wrapped is moved past the wrap, as FFmpeg's demuxer does, taking
// the first timestamp met to lie 60 s past a reference.
constexpr std::int64_t kWrap = std::int64_t{1} << 33;
constexpr std::int64_t kWrapLead = 60 * 90000;
// Times are counted from an unknown origin until the first real one is met, as FFmpeg's demuxer
// does, and given out counted from zero.
constexpr std::int64_t kRelativeBase = INT64_MAX - (std::int64_t{1} << 48);
constexpr bool IsRelative(std::int64_t ts)
{
    return ts > kRelativeBase - (std::int64_t{1} << 48);
}
const AVRational kTimeBase{1, 90000};

constexpr std::uint8_t kProgramStreamMap = 0xBC;
constexpr std::uint8_t kPrivateStream1 = 0xBD;

// The packets FFmpeg's demuxer reads a PES header of: audio, video, private stream 1 (DVD audio and
// subpictures) and extended streams. Any other start code is passed over.
constexpr bool IsPesStream(std::uint8_t id)
{
    return (id >= 0xC0 && id <= 0xEF) || id == kPrivateStream1 || id == 0xFD;
}

}  // namespace

PsDemuxer::PsDemuxer(const VideoFile& file) : file_(file), curDts_(kRelativeBase)
{
    ResetParser();
}

PsDemuxer::~PsDemuxer() = default;

AVCodecID PsDemuxer::CodecId() const
{
    return parserCodec_->codec_id;
}

void PsDemuxer::ResetParser()
{
    // What the parser learnt of the stream (frame rate, MPEG-1 or 2, B-pictures) outlives it, as
    // it does in FFmpeg's demuxer, whose timing of packets depends on it. FFmpeg's takes B-pictures
    // for granted until a sequence extension says otherwise, and MPEG-1 has none.
    if (!parserCodec_) {
        parserCodec_.reset(avcodec_alloc_context3(nullptr));
        if (!parserCodec_)
            throw DecodeError("out of memory");
        parserCodec_->codec_type = AVMEDIA_TYPE_VIDEO;
        parserCodec_->codec_id = AV_CODEC_ID_MPEG2VIDEO;
        parserCodec_->has_b_frames = 1;
    }
    parser_.reset(av_parser_init(AV_CODEC_ID_MPEG2VIDEO));
    if (!parser_)
        throw DecodeError("out of memory");
}

bool PsDemuxer::FindVideo(std::int64_t limit)
{
    // Reading goes on until a picture has been timed: the origin of the times given to pictures
    // without one of their own is set then, and kept over every seek.
    PacketPtr pkt = MakePacket();
    while (readPos_ < limit && firstDts_ == AV_NOPTS_VALUE && Read(*pkt))
        av_packet_unref(pkt.get());
    const bool found = HasVideo();
    SeekToByte(0);
    return found;
}

void PsDemuxer::SeekToByte(std::int64_t pos)
{
    pos = std::clamp<std::int64_t>(pos, 0, std::max<std::int64_t>(file_.Size() - 1, 0));
    const std::int64_t bufferEnd = bufferPos_ + static_cast<std::int64_t>(buffer_.size());
    if (pos >= bufferPos_ && pos <= bufferEnd) {
        bufferStart_ = static_cast<std::size_t>(pos - bufferPos_);
    } else {
        buffer_.clear();
        bufferStart_ = 0;
        bufferPos_ = pos;
        readPos_ = pos;
    }
    queue_.clear();
    ended_ = false;
    ResetParser();
    lastIpPts_ = AV_NOPTS_VALUE;
    curDts_ = firstDts_ == AV_NOPTS_VALUE ? kRelativeBase : AV_NOPTS_VALUE;
}

bool PsDemuxer::Fill(std::size_t bytes)
{
    while (buffer_.size() - bufferStart_ < bytes) {
        // A few bytes already read stay, so that reading can step back over a broken header.
        if (bufferStart_ > kKeptBehind) {
            const std::size_t drop = bufferStart_ - kKeptBehind;
            buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(drop));
            bufferPos_ += static_cast<std::int64_t>(drop);
            bufferStart_ = kKeptBehind;
        }
        const std::size_t had = buffer_.size();
        buffer_.resize(had + kReadSize);
        const std::size_t n =
            file_.ReadAt(bufferPos_ + static_cast<std::int64_t>(had), buffer_.data() + had, kReadSize);
        buffer_.resize(had + n);
        readPos_ = bufferPos_ + static_cast<std::int64_t>(buffer_.size());
        if (n == 0)
            return false;
    }
    return true;
}

std::int64_t PsDemuxer::Tell() const
{
    return bufferPos_ + static_cast<std::int64_t>(bufferStart_);
}

void PsDemuxer::Skip(std::size_t bytes)
{
    const std::size_t have = buffer_.size() - bufferStart_;
    if (bytes <= have) {
        bufferStart_ += bytes;
        return;
    }
    const std::int64_t to = Tell() + static_cast<std::int64_t>(bytes);
    buffer_.clear();
    bufferStart_ = 0;
    bufferPos_ = to;
    readPos_ = std::max(readPos_, to);
}

int PsDemuxer::Byte()
{
    if (!Fill(1))
        return -1;
    return buffer_[bufferStart_++];
}

std::int64_t PsDemuxer::Wrap(std::int64_t ts) const
{
    if (ts == AV_NOPTS_VALUE || wrapReference_ == AV_NOPTS_VALUE)
        return ts;
    if (wrapAdds_ && ts < wrapReference_)
        return ts + kWrap;
    if (!wrapAdds_ && ts >= wrapReference_)
        return ts - kWrap;
    return ts;
}

void PsDemuxer::NoteWrapReference(std::int64_t pts, std::int64_t dts)
{
    std::int64_t ref = dts != AV_NOPTS_VALUE ? dts : pts;
    if (wrapReference_ != AV_NOPTS_VALUE || ref == AV_NOPTS_VALUE)
        return;
    ref &= kWrap - 1;
    wrapReference_ = ref - kWrapLead;
    wrapAdds_ = ref < kWrap - (kWrap >> 3) || ref < kWrap - kWrapLead;
}

// A timestamp of 5 bytes, the first already read when `first` is not negative; false when the
// file ends.
bool PsDemuxer::Timestamp(int first, std::int64_t& ts)
{
    if (first < 0)
        first = Byte();
    const int b1 = Byte();
    const int b2 = Byte();
    const int b3 = Byte();
    const int b4 = Byte();
    if (first < 0 || b4 < 0)
        return false;
    ts = (std::int64_t((first >> 1) & 7) << 30) | (std::int64_t(((b1 << 8) | b2) >> 1) << 15) | (((b3 << 8) | b4) >> 1);
    return true;
}

bool PsDemuxer::Timestamps(int first, bool withDts, std::int64_t& pts, std::int64_t& dts)
{
    if (!Timestamp(first, pts))
        return false;
    dts = pts;
    return !withDts || Timestamp(-1, dts);
}

int PsDemuxer::Word()
{
    const int hi = Byte();
    const int lo = Byte();
    return lo < 0 ? -1 : (hi << 8) | lo;
}

void PsDemuxer::SkipStreamMap()
{
    // Read as FFmpeg's demuxer reads it, whose end it trusts over the map's length: with the
    // lengths of a damaged map, where the next packet is looked for depends on it.
    const int mapLength = Word();
    Byte();
    Byte();
    const int infoLength = Word();
    if (infoLength < 0)
        return;
    Skip(static_cast<std::size_t>(infoLength));
    Word();
    for (int left = mapLength - infoLength - 10; left >= 4;) {
        Byte();
        Byte();
        const int esInfoLength = Word();
        if (esInfoLength < 0)
            return;
        Skip(static_cast<std::size_t>(esInfoLength));
        left -= 4 + esInfoLength;
    }
    Word();
    Word();
}

// The next PES packet of the video stream. Packets are found by their start codes, whatever lies
// between; a header that does not add up is passed over from its second byte on, and a length
// that runs past the packet is believed, as by FFmpeg's demuxer: on damaged files the decoder gets
// the same bytes either way.
bool PsDemuxer::NextPes(Pes& pes)
{
    for (;;) {
        // The next start code, whatever lies before it.
        std::uint32_t state = 0xFF;
        int code = -1;
        while (code < 0) {
            if (!Fill(1))
                return false;
            const std::uint8_t* data = buffer_.data() + bufferStart_;
            const std::size_t n = buffer_.size() - bufferStart_;
            std::size_t i = 0;
            for (; i < n; ++i) {
                if (state == 1) {
                    code = data[i];
                    ++i;
                    break;
                }
                state = ((state << 8) | data[i]) & 0xFFFFFF;
            }
            bufferStart_ += i;
        }
        const auto id = static_cast<std::uint8_t>(code);
        if (id == kProgramStreamMap) {
            SkipStreamMap();
            continue;
        }
        if (id == mpegps::kPaddingStream || id == mpegps::kPrivateStream2) {
            const int hi = Byte();
            const int lo = Byte();
            if (lo < 0)
                return false;
            Skip(static_cast<std::size_t>((hi << 8) | lo));
            continue;
        }
        if (!IsPesStream(id))
            continue;
        const std::int64_t pos = Tell() - 4;
        const int hi = Byte();
        const int lo = Byte();
        if (lo < 0)
            return false;
        int len = (hi << 8) | lo;
        std::int64_t pts = AV_NOPTS_VALUE;
        std::int64_t dts = AV_NOPTS_VALUE;
        // A header that does not add up: look for the next start code from the byte before here.
        bool broken = false;
        bool extendedId = false;
        int c = 0;
        for (;;) {
            if (len < 1) {
                broken = true;
                break;
            }
            c = Byte();
            if (c < 0)
                return false;
            --len;
            if (c != 0xFF)
                break;
        }
        if (!broken && (c & 0xC0) == 0x40) {
            Byte();
            c = Byte();
            if (c < 0)
                return false;
            len -= 2;
        }
        if (broken) {
        } else if ((c & 0xE0) == 0x20) {
            if (!Timestamps(c, c & 0x10, pts, dts))
                return false;
            len -= (c & 0x10) ? 9 : 4;
        } else if ((c & 0xC0) == 0x80) {
            int flags = Byte();
            int headerLen = Byte();
            if (headerLen < 0)
                return false;
            len -= 2;
            if (headerLen > len) {
                broken = true;
            } else {
                len -= headerLen;
                if (flags & 0x80) {
                    if (!Timestamps(-1, flags & 0x40, pts, dts))
                        return false;
                    headerLen -= (flags & 0x40) ? 10 : 5;
                }
                if ((flags & 0x3F) && headerLen == 0)
                    flags &= 0xC0;
                if (flags & 0x01) {
                    int ext = Byte();
                    if (ext < 0)
                        return false;
                    --headerLen;
                    int skip = (ext >> 4) & 0xB;
                    skip += skip & 0x9;
                    if ((ext & 0x40) || skip > headerLen) {
                        ext = 0;
                        skip = 0;
                    }
                    Skip(static_cast<std::size_t>(skip));
                    headerLen -= skip;
                    if (ext & 0x01) {
                        const int ext2 = Byte();
                        --headerLen;
                        if ((ext2 & 0x7F) > 0) {
                            // An extended stream id names a stream of its own.
                            if ((Byte() & 0x80) == 0)
                                extendedId = true;
                            --headerLen;
                        }
                    }
                }
                if (headerLen < 0)
                    broken = true;
                else
                    Skip(static_cast<std::size_t>(headerLen));
            }
        } else if (c != 0x0F) {
            continue;
        }
        if (!broken && id == kPrivateStream1) {
            Byte();
            --len;
        }
        if (broken || len < 0) {
            if (bufferStart_ > 0)
                --bufferStart_;
            continue;
        }
        if (!extendedId)
            NoteWrapReference(pts, dts);
        if (!mpegps::IsVideoStream(id) || extendedId || (videoId_ >= 0 && id != videoId_)) {
            Skip(static_cast<std::size_t>(len));
            continue;
        }
        videoId_ = id;
        pes.pos = pos;
        pes.pts = Wrap(pts);
        pes.dts = Wrap(dts);
        pes.payload.clear();
        while (pes.payload.size() < static_cast<std::size_t>(len)) {
            if (!Fill(1))
                break;
            const std::size_t take =
                std::min(static_cast<std::size_t>(len) - pes.payload.size(), buffer_.size() - bufferStart_);
            pes.payload.insert(pes.payload.end(), buffer_.begin() + static_cast<std::ptrdiff_t>(bufferStart_),
                               buffer_.begin() + static_cast<std::ptrdiff_t>(bufferStart_ + take));
            bufferStart_ += take;
        }
        // The parser reads a little past the end of what it is given.
        pes.size = pes.payload.size();
        pes.payload.resize(pes.size + AV_INPUT_BUFFER_PADDING_SIZE);
        return true;
    }
}

// The first real decoding time fixes the origin of the times counted before it.
void PsDemuxer::UpdateInitial(std::int64_t dts)
{
    if (firstDts_ != AV_NOPTS_VALUE || dts == AV_NOPTS_VALUE || curDts_ == AV_NOPTS_VALUE ||
        curDts_ < INT_MIN + kRelativeBase || IsRelative(dts))
        return;
    firstDts_ = dts - (curDts_ - kRelativeBase);
    curDts_ = dts;
}

// A picture's times as FFmpeg's demuxer gives them: those of the PES it began in, where it was the
// first to begin there; otherwise, for a reference picture, the decoding time run on from the
// pictures before and no presentation time, for a B-picture both run on. The session's timeline and
// the decoder's guesses were made on these, so they are kept exactly.
void PsDemuxer::Time(AVPacket& pkt, std::int64_t nextPts, std::int64_t nextDts)
{
    const int delay = parserCodec_->has_b_frames;
    bool delayed = delay && parser_->pict_type != AV_PICTURE_TYPE_B;
    std::int64_t& pts = pkt.pts;
    std::int64_t& dts = pkt.dts;
    if (pts != AV_NOPTS_VALUE && dts != AV_NOPTS_VALUE && dts - (kWrap >> 1) > pts) {
        if (IsRelative(curDts_) || dts - (kWrap >> 1) > curDts_)
            dts -= kWrap;
        else
            pts += kWrap;
    }
    if (delay == 1 && dts == pts && dts != AV_NOPTS_VALUE && delayed)
        dts = AV_NOPTS_VALUE;
    AVRational duration{0, 1};
    const AVRational rate = parserCodec_->framerate;
    if (rate.den * 1000LL > rate.num && rate.num > 0) {
        av_reduce(&duration.num, &duration.den, rate.den, rate.num * std::int64_t{parserCodec_->ticks_per_frame},
                  INT_MAX);
        if (parser_->repeat_pict)
            av_reduce(&duration.num, &duration.den, duration.num * (1LL + parser_->repeat_pict), duration.den, INT_MAX);
        pkt.duration = av_rescale_rnd(1, duration.num * std::int64_t{90000}, duration.den, AV_ROUND_DOWN);
    }
    if (pts != AV_NOPTS_VALUE && dts != AV_NOPTS_VALUE && pts > dts)
        delayed = true;
    if (delay == 0 || delay == 1) {
        if (delayed) {
            if (dts == AV_NOPTS_VALUE)
                dts = lastIpPts_;
            UpdateInitial(dts);
            if (dts == AV_NOPTS_VALUE)
                dts = curDts_;
            if (lastIpDuration_ == 0 && pkt.duration <= INT32_MAX)
                lastIpDuration_ = pkt.duration;
            if (dts != AV_NOPTS_VALUE)
                curDts_ = av_sat_add64(dts, lastIpDuration_);
            if (dts != AV_NOPTS_VALUE && pts == AV_NOPTS_VALUE && lastIpDuration_ > 0 &&
                static_cast<std::uint64_t>(curDts_) - static_cast<std::uint64_t>(nextDts) + 1 <= 2 &&
                nextDts != nextPts && nextPts != AV_NOPTS_VALUE)
                pts = nextDts;
            if (pkt.duration <= INT32_MAX)
                lastIpDuration_ = pkt.duration;
            lastIpPts_ = pts;
        } else if (pts != AV_NOPTS_VALUE || dts != AV_NOPTS_VALUE || pkt.duration > 0) {
            if (pts == AV_NOPTS_VALUE)
                pts = dts;
            UpdateInitial(pts);
            if (pts == AV_NOPTS_VALUE)
                pts = curDts_;
            dts = pts;
            if (pts != AV_NOPTS_VALUE && duration.num >= 0)
                curDts_ = av_add_stable(kTimeBase, pts, duration, 1);
        }
    }
    if (dts > curDts_)
        curDts_ = dts;
    if (IsRelative(dts))
        dts -= kRelativeBase;
    if (IsRelative(pts))
        pts -= kRelativeBase;
}

// Cuts the pictures out of a PES payload (with `flush`, the last one held at the end of the file),
// each with the times and position of the PES it began in, as the parser tells.
void PsDemuxer::Parse(const std::uint8_t* data, int size, std::int64_t pts, std::int64_t dts, std::int64_t pos,
                      bool flush)
{
    bool gotOutput = flush;
    while (size > 0 || (flush && gotOutput)) {
        const std::int64_t nextPts = pts;
        const std::int64_t nextDts = dts;
        std::uint8_t* out = nullptr;
        int outSize = 0;
        const int used = av_parser_parse2(parser_.get(), parserCodec_.get(), &out, &outSize, data, size, pts, dts, pos);
        pts = dts = AV_NOPTS_VALUE;
        pos = -1;
        if (data)
            data += used;
        size -= used;
        gotOutput = outSize != 0;
        if (!outSize)
            continue;
        PacketPtr pkt = MakePacket();
        CheckRc(av_new_packet(pkt.get(), outSize), "demuxing");
        std::memcpy(pkt->data, out, static_cast<std::size_t>(outSize));
        pkt->pts = parser_->pts;
        pkt->dts = parser_->dts;
        pkt->pos = parser_->pos;
        if (parser_->key_frame == 1 || (parser_->key_frame == -1 && parser_->pict_type == AV_PICTURE_TYPE_I))
            pkt->flags |= AV_PKT_FLAG_KEY;
        Time(*pkt, nextPts, nextDts);
        queue_.push_back(std::move(pkt));
    }
}

bool PsDemuxer::Read(AVPacket& pkt)
{
    for (;;) {
        if (!queue_.empty()) {
            av_packet_move_ref(&pkt, queue_.front().get());
            queue_.pop_front();
            return true;
        }
        if (ended_)
            return false;
        if (!NextPes(pes_)) {
            ended_ = true;
            Parse(nullptr, 0, AV_NOPTS_VALUE, AV_NOPTS_VALUE, -1, true);
            continue;
        }
        Parse(pes_.payload.data(), static_cast<int>(pes_.size), pes_.pts, pes_.dts, pes_.pos, false);
    }
}

}  // namespace decoderlib
