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
// FFmpeg's demuxer looks this far for a start code, then starts looking afresh from there: a start
// code cut by that point goes unseen.
constexpr std::size_t kSyncSearch = 100000;
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

// The packets FFmpeg's demuxer reads a PES header of: audio, video, private stream 1 (DVD audio and
// subpictures) and extended streams. Any other start code is passed over.
constexpr bool HasPesHeader(std::uint8_t id)
{
    return mpegps::IsAudioStream(id) || mpegps::IsVideoStream(id) || id == mpegps::kPrivateStream1 ||
        id == mpegps::kExtendedStream;
}

}  // namespace

PsDemuxer::PsDemuxer(const VideoFile& file) : file_(file), curDts_(kRelativeBase)
{
    ResetParser();
}

PsDemuxer::~PsDemuxer() = default;

std::unique_ptr<PsDemuxer> PsDemuxer::Fork(const PsDemuxer& found)
{
    auto fork = std::make_unique<PsDemuxer>(found.file_);
    fork->videoId_ = found.videoId_;
    fork->wrapReference_ = found.wrapReference_;
    fork->wrapAdds_ = found.wrapAdds_;
    fork->firstDts_ = found.firstDts_;
    fork->parserCodec_->codec_id = found.parserCodec_->codec_id;
    fork->parserCodec_->has_b_frames = found.parserCodec_->has_b_frames;
    fork->parserCodec_->framerate = found.parserCodec_->framerate;
    fork->parserCodec_->ticks_per_frame = found.parserCodec_->ticks_per_frame;
    fork->SeekToByte(0);
    return fork;
}

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

// A timestamp, its first byte already read when `first` is not negative; false when the file ends.
bool PsDemuxer::Timestamp(int first, std::int64_t& ts)
{
    std::uint8_t bytes[mpegps::kTimestampSize];
    for (std::size_t i = 0; i < mpegps::kTimestampSize; ++i) {
        const int b = i == 0 && first >= 0 ? first : Byte();
        if (b < 0)
            return false;
        bytes[i] = static_cast<std::uint8_t>(b);
    }
    ts = mpegps::ReadTimestamp(bytes);
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
    Word();  // the stream map's own length, which FFmpeg's demuxer reckons from the map's instead
    const int entryBytes = static_cast<int>(mpegps::kStreamMapEntryBytes);
    for (int left = mapLength - infoLength - static_cast<int>(mpegps::kStreamMapFixedBytes); left >= entryBytes;) {
        Byte();
        Byte();
        const int esInfoLength = Word();
        if (esInfoLength < 0)
            return;
        Skip(static_cast<std::size_t>(esInfoLength));
        left -= entryBytes + esInfoLength;
    }
    Word();  // the CRC
    Word();
}

// Past the next start code, whatever lies before it; its code, or -1 at the end of the file.
int PsDemuxer::NextStartCode()
{
    std::size_t searched = 0;
    for (;;) {
        const std::size_t window = kSyncSearch - searched;
        const std::size_t have = std::min(buffer_.size() - bufferStart_, window);
        if (const auto at = mpegps::FindStartCode({buffer_.data() + bufferStart_, have})) {
            bufferStart_ += *at + mpegps::kStartCodeSize;
            return buffer_[bufferStart_ - 1];
        }
        if (have == window) {
            bufferStart_ += have;
            searched = 0;
            continue;
        }
        // The last bytes may begin a start code that the next read completes.
        const std::size_t keep = std::min(have, mpegps::kStartCodeSize - 1);
        bufferStart_ += have - keep;
        searched += have - keep;
        if (!Fill(keep + 1))
            return -1;
    }
}

// The next PES packet of the video stream. Packets are found by their start codes, whatever lies
// between; a header that does not add up is passed over from its second byte on, and a length
// that runs past the packet is believed, as by FFmpeg's demuxer: on damaged files the decoder gets
// the same bytes either way.
bool PsDemuxer::NextPes(Pes& pes)
{
    for (;;) {
        const int code = NextStartCode();
        if (code < 0)
            return false;
        const auto id = static_cast<std::uint8_t>(code);
        if (id == mpegps::kProgramStreamMap) {
            SkipStreamMap();
            continue;
        }
        if (id == mpegps::kPaddingStream || id == mpegps::kPrivateStream2) {
            const int length = Word();
            if (length < 0)
                return false;
            Skip(static_cast<std::size_t>(length));
            continue;
        }
        if (!HasPesHeader(id))
            continue;
        const std::int64_t pos = Tell() - static_cast<std::int64_t>(mpegps::kStartCodeSize);
        int len = Word();
        if (len < 0)
            return false;
        std::int64_t pts = AV_NOPTS_VALUE;
        std::int64_t dts = AV_NOPTS_VALUE;
        bool extendedId = false;
        const HeaderEnd end = ReadHeader(len, pts, dts, extendedId);
        if (end == HeaderEnd::kFileEnd)
            return false;
        if (end == HeaderEnd::kNotPes)
            continue;
        if (end == HeaderEnd::kRead && id == mpegps::kPrivateStream1) {
            Byte();  // the substream number
            --len;
        }
        if (end == HeaderEnd::kBroken || len < 0) {
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

// A PES header after its length: MPEG-1 stuffing, buffer size and times, or an MPEG-2 header.
// FFmpeg's demuxer reads any run of stuffing, not only the 16 bytes the standard allows.
PsDemuxer::HeaderEnd PsDemuxer::ReadHeader(int& len, std::int64_t& pts, std::int64_t& dts, bool& extendedId)
{
    int c = 0;
    do {
        if (len < 1)
            return HeaderEnd::kBroken;
        c = Byte();
        if (c < 0)
            return HeaderEnd::kFileEnd;
        --len;
    } while (c == mpegps::kMpeg1Stuffing);
    if (mpegps::IsMpeg1StdBuffer(static_cast<std::uint8_t>(c))) {
        Byte();
        c = Byte();
        if (c < 0)
            return HeaderEnd::kFileEnd;
        len -= static_cast<int>(mpegps::kMpeg1StdBufferSize);
    }
    const auto first = static_cast<std::uint8_t>(c);
    if (mpegps::IsMpeg1PtsOnly(first) || mpegps::IsMpeg1PtsAndDts(first)) {
        const bool withDts = mpegps::IsMpeg1PtsAndDts(first);
        if (!Timestamps(c, withDts, pts, dts))
            return HeaderEnd::kFileEnd;
        // Less the first byte, counted already.
        len -= static_cast<int>((withDts ? 2 : 1) * mpegps::kTimestampSize - 1);
        return HeaderEnd::kRead;
    }
    if (mpegps::IsMpeg2PesStart(first))
        return ReadMpeg2Header(len, pts, dts, extendedId);
    return first == mpegps::kMpeg1NoTimestamps ? HeaderEnd::kRead : HeaderEnd::kNotPes;
}

// An MPEG-2 header after its first byte: the times, and an extension that may name an extended
// stream; the other optional fields are passed over.
PsDemuxer::HeaderEnd PsDemuxer::ReadMpeg2Header(int& len, std::int64_t& pts, std::int64_t& dts, bool& extendedId)
{
    int flags = Byte();
    int headerLen = Byte();
    if (headerLen < 0)
        return HeaderEnd::kFileEnd;
    len -= 2;
    if (headerLen > len)
        return HeaderEnd::kBroken;
    len -= headerLen;
    if (flags & mpegps::kPtsFlag) {
        const bool withDts = flags & mpegps::kDtsFlag;
        if (!Timestamps(-1, withDts, pts, dts))
            return HeaderEnd::kFileEnd;
        headerLen -= static_cast<int>((withDts ? 2 : 1) * mpegps::kTimestampSize);
    }
    // Fields announced where no byte is left for them are not read.
    if ((flags & mpegps::kOptionalFieldFlags) && headerLen == 0)
        flags &= mpegps::kTimestampFlags;
    if (flags & mpegps::kPesExtensionFlag) {
        int ext = Byte();
        if (ext < 0)
            return HeaderEnd::kFileEnd;
        --headerLen;
        auto skip = static_cast<int>(mpegps::PesExtensionFieldsSize(static_cast<std::uint8_t>(ext)));
        // A pack header there has a length of its own, which FFmpeg's demuxer does not read: it
        // reads none of the extension's fields then, as where they would overrun the header.
        if ((ext & mpegps::kPackHeaderFieldFlag) || skip > headerLen) {
            ext = 0;
            skip = 0;
        }
        Skip(static_cast<std::size_t>(skip));
        headerLen -= skip;
        if (ext & mpegps::kPesExtension2Flag) {
            const int ext2 = Byte();
            --headerLen;
            if ((ext2 & mpegps::kPesExtension2LengthMask) > 0) {
                if ((Byte() & mpegps::kStreamIdExtensionFlag) == 0)
                    extendedId = true;
                --headerLen;
            }
        }
    }
    if (headerLen < 0)
        return HeaderEnd::kBroken;
    Skip(static_cast<std::size_t>(headerLen));
    return HeaderEnd::kRead;
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
