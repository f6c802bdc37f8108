// One open video: what the library's entry points answer about it, and the frames it delivers.
#pragma once

#include "decoderlib/deinterlacer.h"
#include "decoderlib/frameconvert.h"
#include "decoderlib/steadytime.h"
#include "decoderlib/subtitlescan.h"
#include "decoderlib/subtitletrack.h"
#include "decoderlib/timeline.h"
#include "decoderlib/videofile.h"
#include "decoderlib/videostream.h"

#include "decoder/decoderrecords.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace decoderlib {

class Session {
public:
    // Throws DecodeError when the file cannot be read or holds no decodable MPEG video, saying why in
    // the user's words ("the file is empty", kNoVideoMessage, a disc's own message). A disc
    // opens its title `title` (0: the main title) at `angle` (0: the first). With `deinterlace`,
    // pictures marked interlaced are delivered deinterlaced.
    explicit Session(const std::string& path, int title = 0, int angle = 0, bool deinterlace = true);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const TDecoderFileInfo& FileInfo() const { return fileInfo_; }
    const TDecoderFrameInfo& FrameInfo() const { return frameInfo_; }
    // The frames the timeline holds: its length over one frame's, to the nearest.
    std::int64_t FrameCount() const { return (timeline_.Duration() + frameTicks_ / 2) / frameTicks_; }
    // The stretches of steady timestamps the video was found to play as.
    const Timeline& VideoTimeline() const { return timeline_; }

    // The next frame in display order, or null when none is left.
    TDecodedFrame* NextFrame();
    // Whether the frame NextFrame last delivered was made whole from its two fields by the
    // deinterlacer, rather than passed as decoded (progressive, film, deinterlacing off).
    bool FrameDeinterlaced() const { return frameDeinterlaced_; }
    // Positions at the first frame whose timestamp is `second`; past the end, no frame follows.
    void Seek(std::int32_t second);

    // Bytes that could not be read since the open, and the time on the timeline (90 kHz) of the
    // pictures next to them.
    struct UnreadablePart {
        std::int64_t offset = 0;
        std::int64_t length = 0;
        std::int64_t time = 0;
    };
    std::vector<UnreadablePart> Unreadable() const;

    // The video's subtitle streams, found on the first call: a plain file without a title set's
    // information beside it is read through once for them.
    const VideoSubtitles& Subtitles();
    // Draws stream `number` (as Subtitles() numbers it; 0: none) into the frames from the next one
    // delivered on, only its forced subpictures with `forcedOnly`. False, and nothing changed, where
    // the video has no such stream.
    bool SetSubtitles(int number, bool forcedOnly);

private:
    // A picture decoded ahead by the worker or found by a seek; without a frame, the end of the stream.
    struct Decoded {
        FramePtr frame;
        std::int64_t time = 0;
        bool deinterlaced = false;  // made whole by the deinterlacer, not passed as decoded
        std::vector<SharedSubtitleUnit> subtitles;  // on screen at `time`, to be drawn into it
    };

    void AnalyseStart();
    void StartWorker();
    void StopWorker();
    // Stops the worker, keeping what it decoded ahead.
    void PauseWorker();
    void DecodeAhead();
    Decoded TakeDecoded();
    void MoveTo(std::int64_t ticks);
    // One of MoveTo's attempts: where it starts decoding, what it came to, the target it seeks.
    enum class SeekStart;
    enum class SeekOutcome;
    struct SeekTarget;
    SeekOutcome SeekFrom(const SeekTarget& target, SeekStart from, std::int64_t leadIn, bool withNeighbour);
    std::int64_t StartPosition(std::size_t stretch, std::int64_t wantPts, std::int64_t stretchEnd) const;
    // The pack of the last I-picture from `from` on, before `end`, shown no later than `wantPts`;
    // `from` when there is none.
    std::int64_t LastKeyBefore(std::int64_t from, std::int64_t wantPts, std::int64_t end) const;
    // The picture's time on the timeline, or SteadyTime::kImplausible.
    std::int64_t TimeOf(const AVFrame& f) const;
    // Notes the subtitles on screen at the picture's time, reading the track on to its position.
    void Caption(Decoded& decoded);
    // Passes a decoded picture to the deinterlacer, starting a new run at a break in time.
    void Deinterlace(FramePtr frame, std::int64_t time, bool keep = true);

    std::string path_;
    int title_ = 0;
    VideoFile file_;
    VideoStream stream_;
    Timeline timeline_;
    TDecoderFileInfo fileInfo_{};
    TDecoderFrameInfo frameInfo_{};
    TDecodedFrame decoded_{};
    std::unique_ptr<BgrxConverter> converter_;
    std::int64_t firstPts_ = 0;
    std::int64_t frameTicks_ = 3600;
    Decoded pending_;  // found by a seek, not yet delivered
    bool frameDeinterlaced_ = false;
    SteadyTime steady_;
    bool atEnd_ = false;
    bool placed_ = false; // positioned by a seek, or at the start by the first frame asked

    // Null when pictures are delivered as decoded. Its runs end where time breaks (a cell
    // boundary, lost pictures), in sequential decoding and after seeks alike, so a picture's
    // neighbours, and so its pixels, are the same whichever way it is reached.
    std::unique_ptr<Deinterlacer> deinterlacer_;
    bool interlaced_ = false; // the first pictures are marked interlaced
    struct Fed {
        std::size_t stretch;
        std::int64_t time;
    };
    std::optional<Fed> lastFed_;

    std::optional<VideoSubtitles> subtitles_;
    // The stream drawn into the frames, null for none; read by whichever thread owns the stream.
    std::unique_ptr<SubtitleTrack> track_;
    bool forcedOnly_ = false;
    // The last frame delivered: its packet and time.
    struct Delivered {
        std::int64_t pos = 0;
        std::int64_t time = 0;
    };
    Delivered delivered_;

    // Decoding runs ahead on a worker of its own while frames are taken one after another, so
    // the caller's work on a frame overlaps the decoding of the next. Seeking stops it first:
    // the stream belongs to one thread at a time.
    std::thread worker_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Decoded> ahead_;
    bool stopWorker_ = false;
};

} // namespace decoderlib
