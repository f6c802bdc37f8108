#include "decoderlib/timelinescan.h"

#include "decoderlib/psscan.h"
#include "decoderlib/videofile.h"
#include "decoderlib/pictureheaders.h"
#include "decoderlib/videostream.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace decoderlib {

namespace {

// PES timestamps run in coding order, so a B-picture's may lie a few frames before the
// reference picture sent ahead of it; anything further back is a restart.
constexpr std::int64_t kBackJump = kTicksPerSecond / 2;
// Sparse timestamps (only on I-pictures, say) may be a GOP apart; more than this is a jump.
constexpr std::int64_t kForwardJump = 3 * kTicksPerSecond;
// Within one stretch the clock reference and the timestamps advance together.
constexpr std::int64_t kClockSlack = 3 * kTicksPerSecond / 2;
// Bisection stops, and a stretch's end is first decoded from, this close: about a second of DVD
// video at its top rate, so more than a GOP, and only 512 packs to read through.
constexpr std::int64_t kLinearSpan = 1 << 20;
// One sample per this many bytes (within the bounds below): each costs a read, and a break between
// two samples is still seen as long as their clocks or cells disagree.
constexpr std::int64_t kSampleSpacing = 4 << 20;
// Even a small file gets this many: an inserted stretch whose neighbours continue each other's
// timestamps is seen only where a sample falls into it, and reads are cheap there.
constexpr std::int64_t kMinSamples = 16;
// A whole 1 GB VOB opens with at most this many sample reads: tens of milliseconds from the cache.
constexpr std::int64_t kMaxSamples = 256;
// A sample looks this far for a GOP start: two GOPs of DVD video at its top rate (a GOP lasts at
// most 0.6 s, some 750 KB at 9.8 Mbit/s).
constexpr std::int64_t kSampleScan = 2 << 20;
// Decoding around a break or at the end looks at most this far for a picture.
constexpr std::int64_t kMaxDecodeWindow = 64 << 20;
// Decoding at a stretch's end sees at least this many pictures after the I-picture it starts from:
// two or three reference pictures among them, whose times confirm one another.
constexpr int kEndPictures = 8;
// Around a cell's start, stamps are read this far on either side: a few pictures of DVD video.
constexpr std::int64_t kAcrossCell = 64 << 10;
// A sample passes over at most this many damaged timestamps.
constexpr int kSampleTries = 4;
// Samples this far apart may be taken at any picture: a B-picture's timestamp lies a few frames
// before the reference picture sent ahead of it, far less than the time between them. Reading on
// to the next I-picture (half a GOP, some 300 KB of DVD video, for each) was most of what opening a
// large file read. Not where navigation packs name cells, though, unless a disc's cell table says
// which cell each byte belongs to: the packs come right before the I-pictures, and a restart may
// show in the cell alone.
constexpr std::int64_t kAnyPictureSpacing = 2 * kLinearSpan;

// Whether a picture shown at `b` may follow one shown at `a`: a damaged time or a restart takes
// a step back, or one too far ahead.
bool Agree(std::int64_t a, std::int64_t b)
{
    const std::int64_t ahead = TicksBetween(a, b);
    return ahead > 0 && ahead <= kForwardJump;
}

// Whether each of `pts` agrees with the one before it.
bool RunsOn(const std::vector<std::int64_t>& pts)
{
    return !pts.empty() && std::adjacent_find(pts.begin(), pts.end(), std::not_fn(Agree)) == pts.end();
}

// The time of the last of `pts` (in display order), held against damaged timestamps: one that no
// neighbour agrees with stands alone, off the steady run of the others. Pictures at the end with
// such a time still count, each one typical step after the last agreed time.
std::int64_t LastConsistent(const std::vector<std::int64_t>& pts)
{
    std::vector<std::int64_t> steps;
    std::size_t lastAgreed = pts.size();
    for (std::size_t i = 0; i + 1 < pts.size(); ++i)
        if (Agree(pts[i], pts[i + 1])) {
            steps.push_back(TicksBetween(pts[i], pts[i + 1]));
            if (lastAgreed == pts.size() || TicksBetween(pts[lastAgreed], pts[i + 1]) > 0)
                lastAgreed = i + 1;
        }
    if (steps.empty())
        return pts.back();  // a lone picture's own time is all there is
    std::nth_element(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2), steps.end());
    const auto trailing = static_cast<std::int64_t>(pts.size() - 1 - lastAgreed);
    return pts[lastAgreed] + trailing * steps[steps.size() / 2];
}

// I-pictures are shown in the order they are sent, so each one's time is later than the last.
bool KeyGoesBack(const PesStamp& a, const PesStamp& b)
{
    return a.key && b.key && TicksBetween(a.pts, b.pts) <= 0;
}

// Whether something between two distant samples may have broken the timestamps.
bool MayBreak(const PesStamp& a, const PesStamp& b)
{
    if (a.cell >= 0 && b.cell >= 0 && a.cell != b.cell)
        return true;
    const std::int64_t ptsAhead = TicksBetween(a.pts, b.pts);
    if (ptsAhead < -kBackJump || KeyGoesBack(a, b))
        return true;
    if (a.scr >= 0 && b.scr >= 0) {
        const std::int64_t scrAhead = TicksBetween(a.scr, b.scr);
        if (scrAhead < 0)
            return true;
        const std::int64_t drift = ptsAhead - scrAhead;
        if (drift > kClockSlack || drift < -kClockSlack)
            return true;
    }
    return false;
}

// Break finding reads only pack and PES headers.
class BreakFinder {
    struct Taken {
        PesStamp stamp;
        bool confirmed = false;  // not a damaged timestamp
    };

public:
    explicit BreakFinder(const VideoFile& file) : file_(file), scanner_(file), knowsCells_(file.CellAt(0) >= 0) {}

    std::vector<std::int64_t> Breaks()
    {
        const std::int64_t size = file_.Size();
        const std::int64_t count = std::clamp(size / kSampleSpacing, kMinSamples, kMaxSamples);
        std::vector<Taken> samples;
        for (std::int64_t i = 0; i < count; ++i) {
            auto s = Stamp(size * i / count, size, anyPicture_);
            if (i == 0)
                anyPicture_ = size / count >= kAnyPictureSpacing && (!s || s->cell < 0 || knowsCells_);
            if (s && (samples.empty() || s->packPos > samples.back().stamp.packPos))
                samples.push_back(Taken{*s});
        }
        for (std::size_t i = 1; i < samples.size();) {
            if (!MayBreak(samples[i - 1].stamp, samples[i].stamp)) {
                ++i;
            } else if (!Confirm(samples, i - 1)) {
                i = std::max<std::size_t>(i - 1, 1);  // the pair before it is to be looked at again
            } else if (Confirm(samples, i)) {
                Refine(samples[i - 1].stamp, samples[i].stamp);
                ++i;
            }
        }
        std::sort(breaks_.begin(), breaks_.end());
        breaks_.erase(std::unique(breaks_.begin(), breaks_.end()), breaks_.end());
        return breaks_;
    }

private:
    void Refine(const PesStamp& a, const PesStamp& b)
    {
        if (knowsCells_ && OnlyTheCellDiffers(a, b) && ScanAcrossCellStarts(a, b))
            return;
        if (b.packPos - a.packPos > kLinearSpan) {
            const std::int64_t mid = a.packPos + (b.packPos - a.packPos) / 2;
            // Where the cell table names the cells, the bisection's samples need not reach an
            // I-picture either: they still lie half a megabyte or more apart.
            auto m = Sample(mid, b.packPos, knowsCells_);
            if (m) {
                if (MayBreak(a, *m))
                    Refine(a, *m);
                if (MayBreak(*m, b))
                    Refine(*m, b);
                return;
            }
        }
        ScanForJumps(a, b.packPos + 1);
    }

    static bool OnlyTheCellDiffers(const PesStamp& a, const PesStamp& b)
    {
        PesStamp cellless = a;
        cellless.cell = -1;
        return !MayBreak(cellless, b);
    }

    // Where only the cell tells two samples apart, a restart can show only where a new cell begins,
    // right across its start: the stamps around each start the cell table gives are read, not all
    // those between the samples. False where it gives none.
    bool ScanAcrossCellStarts(const PesStamp& a, const PesStamp& b)
    {
        bool any = false;
        for (std::int64_t c = file_.CellStartAfter(a.packPos); c > a.packPos && c <= b.packPos;
             c = file_.CellStartAfter(c)) {
            const auto before = Sample(std::max(a.packPos + 1, c - kAcrossCell), c, true);
            ScanForJumps(before ? *before : a, c + kAcrossCell);
            any = true;
        }
        return any;
    }

    // Records each confirmed jump among the stamps after `from` whose packs start before `end`.
    void ScanForJumps(const PesStamp& from, std::int64_t end)
    {
        PesStamp prev = from;
        PesStamp prevKey = from;
        scanner_.VisitVideoStamps(from.packPos + 1, end, [&](const PesStamp& s) {
            if (Jumps(prev, s) || KeyGoesBack(prevKey, s)) {
                if (!Confirmed(s))
                    return true;
                breaks_.push_back(s.packPos);
                // The new stretch's I-pictures follow one another, not those before the break.
                prevKey = s;
            }
            prev = s;
            if (s.key)
                prevKey = s;
            return true;
        });
    }

    // Samples are taken at I-pictures where there are any, whose order is certain, unless
    // `anyPicture`. Their cell is the cell table's, where the file has one.
    std::optional<PesStamp> Stamp(std::int64_t from, std::int64_t end, bool anyPicture) const
    {
        auto s = scanner_.FirstVideoStamp(from, end, kSampleScan, !anyPicture);
        if (!s && !anyPicture)
            s = scanner_.FirstVideoStamp(from, end, kSampleScan);
        if (s && knowsCells_)
            s->cell = file_.CellAt(s->packPos);
        return s;
    }

    // A sample, never at a damaged timestamp.
    std::optional<PesStamp> Sample(std::int64_t from, std::int64_t end, bool anyPicture = false) const
    {
        for (int tries = 0; tries < kSampleTries; ++tries) {
            auto s = Stamp(from, end, anyPicture);
            if (!s || Confirmed(*s))
                return s;
            from = s->packPos + 1;
        }
        return std::nullopt;
    }

    // A damaged timestamp looks like a break, but checking each sample's would read on to the
    // next picture for every one: only those that seem to break are checked. One that stands
    // alone gives way to the next sample that does not, or is dropped where that lies at or past
    // the sample after it. False where it was so replaced or dropped.
    bool Confirm(std::vector<Taken>& samples, std::size_t k) const
    {
        if (samples[k].confirmed || Confirmed(samples[k].stamp)) {
            samples[k].confirmed = true;
            return true;
        }
        const auto next = Sample(samples[k].stamp.packPos + 1, file_.Size(), anyPicture_);
        if (next && (k + 1 == samples.size() || next->packPos < samples[k + 1].stamp.packPos))
            samples[k] = Taken{*next, true};
        else
            samples.erase(samples.begin() + static_cast<std::ptrdiff_t>(k));
        return false;
    }

    // Whether the timestamp after `s` continues it: a damaged one stands alone, the next one
    // continuing the stamps before it.
    bool Confirmed(const PesStamp& s) const
    {
        const auto next = scanner_.FirstVideoStamp(s.packPos + 1, file_.Size(), kSampleScan);
        return next && !Jumps(s, *next);
    }

    const VideoFile& file_;
    PsScanner scanner_;
    const bool knowsCells_;  // from the disc's cell table, wherever the sample lies
    bool anyPicture_ = false;  // for the samples across the file
    std::vector<std::int64_t> breaks_;
};

// The times of the pictures around each break: from their headers where those tell what decoding
// them would give, else from decoding them.
class StretchDecoder {
public:
    StretchDecoder(const VideoFile& file, VideoStream& stream) : scanner_(file), stream_(stream) {}
    StretchDecoder(const StretchDecoder&) = delete;
    StretchDecoder& operator=(const StretchDecoder&) = delete;

    // The largest PTS of the pictures carried by packets in [stretchStart, end) that agrees with
    // the pictures around it.
    std::int64_t LastPts(std::int64_t stretchStart, std::int64_t end)
    {
        std::vector<std::int64_t> seen;
        std::int64_t from = end;
        for (std::int64_t back = kLinearSpan; back <= kMaxDecodeWindow && from > stretchStart; back *= 4) {
            from = std::max(stretchStart, end - back);
            if (from > stretchStart) {
                auto s = back == kLinearSpan ? LastKeyWithFollowers(from, end) : std::nullopt;
                if (!s)
                    s = scanner_.FirstVideoStamp(from, end, end - from);
                from = s ? s->packPos : stretchStart;
            }
            // The last picture shown is never a B-picture; those left out still time the one after
            // them. The next stretch's pictures would only push the last ones out of the decoder.
            const DecodeRequest request{
                .skipBPictures = true, .timesOnly = true, .decodeEnd = end, .readLimit = end + kLinearSpan};
            // Where the reference pictures there each carry a time of their own, running on
            // steadily, decoding would only give those times back.
            seen = PictureHeaders(stream_, from, request).ReferenceTimesBefore(end);
            if (RunsOn(seen))
                break;
            stream_.SeekToByte(from, request);
            seen.clear();
            while (AVFrame* f = stream_.Next())
                seen.push_back(f->pts);
            if (!seen.empty())
                break;
        }
        if (seen.empty()) {
            // Nothing decodes there: the timestamps in the headers are the best left to go by.
            scanner_.VisitVideoStamps(from, end, [&](const PesStamp& s) {
                seen.push_back(s.pts);
                return true;
            });
            std::sort(seen.begin(), seen.end(), [](std::int64_t a, std::int64_t b) { return TicksBetween(a, b) > 0; });
        }
        return seen.empty() ? AV_NOPTS_VALUE : LastConsistent(seen);
    }

    std::int64_t FirstPts(std::int64_t start)
    {
        const DecodeRequest request{.timesOnly = true, .readLimit = start + kMaxDecodeWindow};
        // Where the picture shown first has a time of its own, decoding it would only give that.
        if (const std::int64_t own = PictureHeaders(stream_, start, request).FirstOwnTime(); own != AV_NOPTS_VALUE)
            return own;
        stream_.SeekToByte(start, request);
        AVFrame* f = stream_.FirstAlone();
        return f && f->pkt_pos >= start ? f->pts : AV_NOPTS_VALUE;
    }

private:
    // The last I-picture in [from, end) with kEndPictures pictures or more after it: the decoding at
    // the end starts there rather than a GOP or two earlier, yet sees enough pictures to tell a
    // damaged time from the others.
    std::optional<PesStamp> LastKeyWithFollowers(std::int64_t from, std::int64_t end) const
    {
        std::vector<std::pair<PesStamp, int>> keys;  // with the number of pictures before each
        int count = 0;
        scanner_.VisitVideoStamps(from, end, [&](const PesStamp& s) {
            if (s.key)
                keys.emplace_back(s, count);
            ++count;
            return true;
        });
        for (auto k = keys.rbegin(); k != keys.rend(); ++k)
            if (count - k->second > kEndPictures)
                return k->first;
        return std::nullopt;
    }

    PsScanner scanner_;
    VideoStream& stream_;
};

} // namespace

bool Jumps(const PesStamp& a, const PesStamp& b)
{
    const std::int64_t ahead = TicksBetween(a.pts, b.pts);
    return ahead < -kBackJump || ahead > kForwardJump;
}

std::vector<std::int64_t> FindBreaks(const VideoFile& file)
{
    return BreakFinder(file).Breaks();
}

Timeline ScanTimeline(const VideoFile& file, VideoStream& stream, std::int64_t firstPts, std::int64_t frameTicks)
{
    StretchDecoder decoder(file, stream);
    const std::vector<std::int64_t> breaks = FindBreaks(file);
    std::vector<Stretch> stretches{Stretch{0, firstPts, firstPts, 0}};
    for (std::int64_t pos : breaks) {
        const std::int64_t first = decoder.FirstPts(pos);
        if (first != AV_NOPTS_VALUE)
            stretches.push_back(Stretch{pos, first, first, 0});
    }
    for (std::size_t k = 0; k < stretches.size(); ++k) {
        const std::int64_t end = k + 1 < stretches.size() ? stretches[k + 1].startPos : file.Size();
        const std::int64_t last = decoder.LastPts(stretches[k].startPos, end);
        if (last != AV_NOPTS_VALUE && TicksBetween(stretches[k].firstPts, last) > 0)
            stretches[k].lastPts = last;
    }
    return Timeline(std::move(stretches), frameTicks);
}

} // namespace decoderlib
