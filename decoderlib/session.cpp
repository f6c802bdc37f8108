#include "decoderlib/session.h"

#include "decoderlib/disctitle.h"
#include "decoderlib/pictureheaders.h"
#include "decoderlib/psscan.h"
#include "decoderlib/subtitledraw.h"
#include "decoderlib/timelinescan.h"

#include "common/hms.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <utility>

namespace decoderlib {

namespace {

// Enough pictures to see the repeat-field cadence of film material (2:3 pulldown): two whole
// cycles of its four frames.
constexpr int kCadenceFrames = 8;
constexpr double kFilmRate = 24000.0 / 1001.0;
// An exact seek starts decoding this far before its target, and further back when the
// GOP found there began too late.
constexpr std::int64_t kSeekLeadIn = kTicksPerSecond;
// The bisection for a seek's start stops this close: 32 packs, a few frames of DVD video, so a
// narrower search would save less decoding than its reads cost.
constexpr std::int64_t kBisectGranularity = 64 * 1024;
// A video must show a whole picture this early on: half a minute of DVD video leaves room for a
// damaged start, and bounds the work on a file that holds no video at all.
constexpr std::int64_t kFirstPictureLimit = 32 << 20;
// Pictures decoded ahead of the caller: enough to ride out a slow frame of the caller's work (a
// JPEG write takes longer than a decode), few enough to keep memory small (0.6 MB each at PAL).
constexpr std::size_t kDecodeAhead = 4;

double DisplayAspect(const AVCodecContext& c, int aspectCode, int width, int height)
{
    if (c.codec_id == AV_CODEC_ID_MPEG2VIDEO) {
        switch (aspectCode) {
        case 2: return 4.0 / 3.0;
        case 3: return 16.0 / 9.0;
        case 4: return 2.21;
        default: return static_cast<double>(width) / height;
        }
    }
    // MPEG-1 codes give the shape of a sample, not of the picture.
    const AVRational sar = c.sample_aspect_ratio;
    if (sar.num > 0 && sar.den > 0)
        return static_cast<double>(width) * sar.num / (static_cast<double>(height) * sar.den);
    return static_cast<double>(width) / height;
}

// Where reads failed, a video that does not open failed for that, not for what its bytes hold.
template <typename Open>
auto BlamingReads(const VideoFile& file, Open open)
{
    try {
        return open();
    } catch (const DecodeError&) {
        if (const int error = file.ReadError())
            throw DecodeError(std::strerror(error));
        throw;
    }
}

// How far past a picture's pack the subtitle track is read for it: a unit may be muxed after the
// pictures it starts on, and pictures leave the decoder in display order, each up to a few frames
// behind the last one read. 2 MiB is some 1.7 s at the DVD's highest rate.
constexpr std::int64_t kSubtitleReadAhead = 2 << 20;

// Where a picture's time is looked for around bytes that could not be read: a few GOPs of DVD video.
constexpr std::int64_t kUnreadableTimeSearch = 4 << 20;

} // namespace

Session::Session(const std::string& path, int title, int angle, bool deinterlace)
    : path_(path), title_(title), file_(OpenVideo(path, title, angle)), stream_(BlamingReads(file_, [this] { return VideoStream(file_); }))
{
    if (deinterlace)
        deinterlacer_ = std::make_unique<Deinterlacer>();
    BlamingReads(file_, [this] { AnalyseStart(); });
    // A video that opens interlaced is refused with the reason when it could not be deinterlaced,
    // rather than end at its first picture.
    if (deinterlacer_ && interlaced_)
        Deinterlacer::Load();
    timeline_ = ScanTimeline(file_, stream_, firstPts_, frameTicks_);
    steady_ = SteadyTime(frameTicks_);
    const std::int64_t total = std::min<std::int64_t>(timeline_.Duration() / kTicksPerSecond, INT32_MAX);
    fileInfo_.TotalSeconds = static_cast<std::int32_t>(total);
    const THms duration = SplitSeconds(total);
    fileInfo_.DurationHours = static_cast<std::int32_t>(duration.Hours);
    fileInfo_.DurationMinutes = static_cast<std::int32_t>(duration.Minutes);
    fileInfo_.DurationSeconds = static_cast<std::int32_t>(duration.Seconds);
}

Session::~Session()
{
    StopWorker();
}

void Session::AnalyseStart()
{
    const DecodeRequest start{.readLimit = kFirstPictureLimit};
    // Most videos open with a whole picture, which the decoder then gives up without the next.
    stream_.SeekToByte(0, start);
    AVFrame* f = stream_.FirstAlone();
    if (f && !IsWhole(*f)) {
        stream_.SeekToByte(0, start);
        f = stream_.Next();
    }
    if (!f)
        throw DecodeError(kNoVideoMessage);
    const int width = f->width;
    const int height = f->height;
    if (width <= 0 || height <= 0)
        throw DecodeError("picture without size");
    firstPts_ = f->pts;
    if (!IsWhole(*f)) {
        // Concealment makes a picture of any bytes that look like MPEG video: for the file to count
        // as a video, a picture must decode whole, or else the first one hold slices through to its
        // last row, as a damaged picture whose bytes are all there does (a DVD menu's only still).
        AVFrame* w = stream_.Next();
        while (w && !IsWhole(*w))
            w = stream_.Next();
        if (!w && !PictureHeaders(stream_, 0, start).FirstPictureReachesLastRow(height))
            throw DecodeError(kNoVideoMessage);
    }

    // The cadence is in the first pictures' headers: reading them costs a fraction of decoding them.
    const PictureHeaders::Cadence cadence = PictureHeaders(stream_, 0, start).ReadCadence(kCadenceFrames);
    const int frames = cadence.frames;
    const int fields = cadence.fields;
    interlaced_ = cadence.interlaced;
    const AVRational rate = stream_.Codec().framerate;
    const double sequenceFps =
        rate.num > 0 && rate.den > 0 ? av_q2d(rate) : double(kTicksPerSecond) / static_cast<double>(stream_.SequenceFrameTicks());
    double fps = sequenceFps;
    if (fields > 2 * frames) {
        // Repeated fields stretch some pictures: frames arrive slower than the sequence rate.
        fps = sequenceFps * 2 * frames / fields;
        if (std::fabs(fps - kFilmRate) < 0.01 * kFilmRate)
            fps = kFilmRate;
    }
    frameTicks_ = std::llround(kTicksPerSecond / fps);

    fileInfo_.FrameWidth = fileInfo_.Width = width;
    fileInfo_.FrameHeight = fileInfo_.Height = height;
    fileInfo_.Fps = fps;
    fileInfo_.AspectRatio = DisplayAspect(stream_.Codec(), stream_.AspectCode(), width, height);
    converter_ = std::make_unique<BgrxConverter>(width, height);
}

TDecodedFrame* Session::NextFrame()
{
    // An open is most often followed by a seek (a thumbnail, pieces, a slider): the first frame is
    // found only when it is asked for.
    if (!placed_)
        MoveTo(0);
    if (atEnd_)
        return nullptr;
    Decoded next = std::exchange(pending_, {});
    if (!next.frame) {
        next = TakeDecoded();
        if (!next.frame) {
            atEnd_ = true;
            return nullptr;
        }
        // Neither a break in the timestamps that sampling missed nor a damaged timestamp may
        // make time run back or leap ahead.
        next.time = steady_.Next(next.time);
    }
    frameInfo_.Timestamp = next.time / kTicksPerSecond;
    frameDeinterlaced_ = next.deinterlaced;
    delivered_ = {next.frame->pkt_pos, next.time};
    decoded_.Pixels = converter_->Convert(*next.frame);
    for (const SharedSubtitleUnit& unit : next.subtitles)
        DrawSubtitle(decoded_.Pixels, fileInfo_.FrameWidth, fileInfo_.FrameHeight, *unit);
    return &decoded_;
}

Session::Decoded Session::TakeDecoded()
{
    StartWorker();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !ahead_.empty(); });
    Decoded next = std::move(ahead_.front());
    ahead_.pop_front();
    changed_.notify_all();
    return next;
}

void Session::StartWorker()
{
    if (!worker_.joinable())
        worker_ = std::thread(&Session::DecodeAhead, this);
}

void Session::StopWorker()
{
    PauseWorker();
    ahead_.clear();
}

void Session::PauseWorker()
{
    if (!worker_.joinable())
        return;
    {
        std::lock_guard lock(mutex_);
        stopWorker_ = true;
    }
    changed_.notify_all();
    worker_.join();
    stopWorker_ = false;
}

void Session::DecodeAhead()
{
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopWorker_ || ahead_.size() < kDecodeAhead; });
            if (stopWorker_)
                return;
        }
        Decoded next;
        bool end = false;
        try {
            if (AVFrame* f = stream_.Next()) {
                next.time = TimeOf(*f);
                next.frame = MakeFrame();
                av_frame_move_ref(next.frame.get(), f);
            }
            end = !next.frame;
            if (deinterlacer_) {
                if (end)
                    deinterlacer_->Flush();
                else
                    Deinterlace(std::move(next.frame), next.time);
            }
        } catch (const DecodeError&) {
            // Treated as the end of the stream: nothing more can be decoded.
            end = true;
        }
        std::vector<Decoded> ready;
        if (deinterlacer_) {
            for (Deinterlacer::Picture p; deinterlacer_->Pop(p);)
                ready.push_back({std::move(p.frame), p.time, p.deinterlaced, {}});
        } else if (next.frame) {
            ready.push_back(std::move(next));
        }
        for (Decoded& picture : ready)
            Caption(picture);
        {
            std::lock_guard lock(mutex_);
            for (Decoded& picture : ready)
                ahead_.push_back(std::move(picture));
            if (end)
                ahead_.push_back({});
        }
        changed_.notify_all();
        if (end)
            return;
    }
}

void Session::Caption(Decoded& decoded)
{
    decoded.subtitles.clear();
    if (!track_ || !decoded.frame || decoded.time == SteadyTime::kImplausible)
        return;
    track_->ReadTo(std::max<std::int64_t>(decoded.frame->pkt_pos, 0) + kSubtitleReadAhead);
    decoded.subtitles = track_->OnScreenAt(decoded.time, forcedOnly_);
    track_->DropEndedBy(decoded.time);
}

const VideoSubtitles& Session::Subtitles()
{
    if (!subtitles_)
        subtitles_ = FindSubtitles(path_, title_, file_);
    return *subtitles_;
}

bool Session::SetSubtitles(int number, bool forcedOnly)
{
    std::unique_ptr<SubtitleTrack> track;
    if (number != 0) {
        // Where the streams were listed, a plain file has been read through already.
        const std::optional<SubtitleStream> stream = subtitles_ ? StreamNumbered(*subtitles_, number)
                                                                : FindSubtitleStream(path_, title_, file_, number);
        if (!stream)
            return false;
        track = std::make_unique<SubtitleTrack>(
            file_, stream->substream, stream->palette,
            [this](std::int64_t pts, std::int64_t position) { return timeline_.TimeOf(pts, position); });
    }
    PauseWorker();
    track_ = std::move(track);
    forcedOnly_ = forcedOnly;
    // The frames already decoded show the choice too, read from the first of them on.
    if (track_) {
        Delivered from = delivered_;
        if (pending_.frame)
            from = {pending_.frame->pkt_pos, pending_.time};
        else if (!ahead_.empty() && ahead_.front().frame)
            from = {ahead_.front().frame->pkt_pos, ahead_.front().time};
        track_->Seek(std::max<std::int64_t>(from.pos, 0), from.time);
    }
    Caption(pending_);
    for (Decoded& decoded : ahead_)
        Caption(decoded);
    return true;
}

void Session::Deinterlace(FramePtr frame, std::int64_t time, bool keep)
{
    // A picture follows the one before by a frame, or one and a half with a repeated field; a
    // longer step, or one back, means pictures are missing in between or time started again.
    const std::size_t stretch = timeline_.StretchAtPos(frame->pkt_pos);
    if (lastFed_ && (lastFed_->stretch != stretch || time <= lastFed_->time || time - lastFed_->time > 2 * frameTicks_))
        deinterlacer_->Flush();
    deinterlacer_->Push(std::move(frame), time, keep);
    lastFed_ = Fed{stretch, time};
}

std::int64_t Session::TimeOf(const AVFrame& f) const
{
    // A damaged timestamp may land anywhere; past the end of the stretch that carries the picture
    // it is plainly wrong, and must not even seem confirmed by the pictures the demuxer times
    // from it.
    const std::int64_t time = timeline_.TimeOf(f.pts, f.pkt_pos);
    return time > timeline_.EndAtPos(f.pkt_pos) + kTicksPerSecond ? SteadyTime::kImplausible : time;
}

void Session::Seek(std::int32_t second)
{
    MoveTo(static_cast<std::int64_t>(std::max(second, 0)) * kTicksPerSecond);
}

// Where an exact seek starts decoding. An attempt that does not place the seek gives way to the
// next one down this list, so each kind of attempt ends:
enum class Session::SeekStart {
    // The target's own GOP, its last I-picture shown no later than the target, which spares half a
    // GOP's pictures on average. Tried once.
    kOwnGop,
    // The first I-picture after a lead-in before the target, twice as long at each attempt: it
    // reaches back past the stretch's start after a few doublings (a dozen for an hour).
    kLeadIn,
    // The stretch's first picture: stray timestamps can make the search for a lead-in land late
    // again and again, but not this. Nothing earlier is left, so it is tried again only where the
    // target turns out to need its neighbour before, which happens once.
    kStretchStart,
};

enum class Session::SeekOutcome {
    kPlaced,  // at the target, or at the end where the stream ends before it
    kDamagedKey,  // the own GOP's I-picture came out damaged
    kLateKey,  // decoding began at a picture shown after the target
    kNeedsNeighbour,  // the target is interlaced and the picture before it was not decoded
};

struct Session::SeekTarget {
    std::int64_t ticks;  // on the timeline
    std::size_t stretch;
    std::int64_t pts;  // in the stretch's own timestamps
    std::int64_t stretchStart;  // byte positions
    std::int64_t stretchEnd;
};

void Session::MoveTo(std::int64_t ticks)
{
    placed_ = true;
    StopWorker();
    pending_ = {};
    if (deinterlacer_)
        deinterlacer_->Reset();
    lastFed_.reset();
    atEnd_ = ticks >= timeline_.Duration();
    if (atEnd_)
        return;
    const auto& stretches = timeline_.Stretches();
    const std::size_t k = timeline_.StretchAtTime(ticks);
    const SeekTarget target{ticks, k, timeline_.PtsAt(k, ticks), stretches[k].startPos,
                            k + 1 < stretches.size() ? stretches[k + 1].startPos : file_.Size()};
    // The deinterlacer makes a picture from its neighbours too: in interlaced video the picture
    // before the target, a B-picture as often as not, is decoded as well. Once needed, always.
    bool withNeighbour = deinterlacer_ && interlaced_;
    SeekStart from = SeekStart::kOwnGop;
    std::int64_t leadIn = kSeekLeadIn;
    for (;;) {
        // A lead-in that reaches back past the stretch's start is the stretch's start.
        if (leadIn > ticks - stretches[k].timelineStart)
            from = SeekStart::kStretchStart;
        const SeekOutcome outcome = SeekFrom(target, from, leadIn, withNeighbour);
        if (outcome == SeekOutcome::kPlaced)
            return;
        withNeighbour = withNeighbour || outcome == SeekOutcome::kNeedsNeighbour;
        if (from == SeekStart::kOwnGop)
            from = SeekStart::kLeadIn;
        else if (from == SeekStart::kLeadIn)
            leadIn *= 2;
    }
}

Session::SeekOutcome Session::SeekFrom(const SeekTarget& target, SeekStart from, std::int64_t leadIn,
                                       bool withNeighbour)
{
    std::int64_t start = from == SeekStart::kStretchStart
        ? target.stretchStart
        : StartPosition(target.stretch, target.pts - leadIn, target.stretchEnd);
    const std::int64_t wantPts = withNeighbour ? target.pts - 2 * frameTicks_ : target.pts;
    const bool fromOwnGop = from == SeekStart::kOwnGop && start > target.stretchStart;
    if (fromOwnGop)
        start = LastKeyBefore(start, wantPts, target.stretchEnd);
    stream_.SeekToByte(start, {.skipBefore = wantPts, .skipUntilPos = target.stretchEnd});
    AVFrame* f = stream_.Next();
    // Decoding straight through conceals a damaged I-picture from the pictures before it, and so
    // must a seek, or its picture would differ from the one playing reaches.
    if (fromOwnGop && f && !IsWhole(*f))
        return SeekOutcome::kDamagedKey;
    std::int64_t keyTime = 0;
    if (f)
        keyTime =
            stream_.KeyPts() != AV_NOPTS_VALUE ? timeline_.TimeOf(stream_.KeyPts(), stream_.KeyPos()) : TimeOf(*f);
    // Decoding must begin at a picture shown no later than the target, or the pictures between the
    // two would be lost.
    if (f && start > target.stretchStart && keyTime > target.ticks)
        return SeekOutcome::kLateKey;
    FramePtr before;
    std::int64_t t = 0;
    if (f) {
        // Times run on from the I-picture decoding restarted at (the pictures shown just before it
        // too): a damaged time on the first picture out must not pass for the target's.
        steady_.Restart(keyTime - kTicksPerSecond / 2);
        t = steady_.Next(TimeOf(*f));
    }
    while (f && t < target.ticks) {
        if (withNeighbour) {
            before = MakeFrame();
            av_frame_move_ref(before.get(), f);
        }
        if ((f = stream_.Next()))
            t = steady_.Next(TimeOf(*f));
    }
    // Sequential decoding gives this picture its neighbour before; so must the seek (also where a
    // video turns interlaced only after its start).
    if (f && deinterlacer_ && f->interlaced_frame && (!withNeighbour || (!before && start > target.stretchStart)))
        return SeekOutcome::kNeedsNeighbour;
    if (!f) {
        atEnd_ = true;
        return SeekOutcome::kPlaced;
    }
    if (track_)
        track_->Seek(std::max<std::int64_t>(f->pkt_pos, 0), t);
    pending_.frame = MakeFrame();
    av_frame_move_ref(pending_.frame.get(), f);
    pending_.time = t;
    if (deinterlacer_) {
        if (before) {
            const std::int64_t beforeTime = TimeOf(*before);
            Deinterlace(std::move(before), beforeTime, false);
        }
        Deinterlace(std::move(pending_.frame), pending_.time);
        // A picture marked progressive is ready at once, and is not to wait for the worker's next
        // decode.
        Deinterlacer::Picture ready;
        if (deinterlacer_->Pop(ready))
            pending_ = {std::move(ready.frame), ready.time, ready.deinterlaced, {}};
    }
    Caption(pending_);
    return SeekOutcome::kPlaced;
}

std::int64_t Session::LastKeyBefore(std::int64_t from, std::int64_t wantPts, std::int64_t end) const
{
    const PsScanner scanner(file_);
    std::int64_t found = from;
    std::optional<PesStamp> candidate;
    scanner.VisitVideoStamps(from, end, [&](const PesStamp& s) {
        // A damaged time stands alone: the picture after an I-picture is shown close to it.
        if (candidate && !Jumps(*candidate, s))
            found = candidate->packPos;
        candidate.reset();
        if (!s.key)
            return true;
        // I-pictures are shown in the order they are sent: the rest come after the target too.
        if (TicksBetween(s.pts, wantPts) < 0)
            return false;
        candidate = s;
        return true;
    });
    return found;
}

std::int64_t Session::StartPosition(std::size_t stretch, std::int64_t wantPts, std::int64_t stretchEnd) const
{
    const PsScanner scanner(file_);
    std::int64_t lo = timeline_.Stretches()[stretch].startPos;
    std::int64_t hi = stretchEnd;
    while (hi - lo > kBisectGranularity) {
        const std::int64_t mid = lo + (hi - lo) / 2;
        auto s = scanner.FirstVideoStamp(mid, hi, hi - mid);
        if (s && TicksBetween(s->pts, wantPts) >= 0)
            lo = s->packPos;
        else
            hi = mid;
    }
    return lo;
}

std::vector<Session::UnreadablePart> Session::Unreadable() const
{
    std::vector<UnreadablePart> parts;
    const PsScanner scanner(file_);
    for (const UnreadableRun& run : file_.Unreadable()) {
        // The pictures that follow the gap are where the damage shows; at the end of the file, those before.
        const std::int64_t end = run.offset + run.length;
        std::optional<PesStamp> near = scanner.FirstVideoStamp(end, file_.Size(), kUnreadableTimeSearch);
        if (!near)
            scanner.VisitVideoStamps(std::max<std::int64_t>(0, run.offset - kUnreadableTimeSearch), run.offset,
                                     [&near](const PesStamp& s) {
                                         near = s;
                                         return true;
                                     });
        const std::int64_t time = near ? timeline_.TimeOf(near->pts, near->packPos) : 0;
        parts.push_back({run.offset, run.length, std::clamp<std::int64_t>(time, 0, timeline_.Duration())});
    }
    return parts;
}

} // namespace decoderlib
