// Motion-adaptive deinterlacing on FFmpeg's bwdif filter: pictures the stream marks as interlaced
// are made whole from their two fields, in the field order the stream gives; pictures marked
// progressive (film with pulldown flags too) pass untouched. One picture out per picture in.
#pragma once

#include "decoderlib/avhandles.h"

#include <cstdint>
#include <deque>

struct AVFilterContext;
struct AVFilterGraph;

namespace decoderlib {

class Deinterlacer {
public:
    struct Picture {
        FramePtr frame;
        std::int64_t time = 0;
        // Made whole from its two fields by the filter; false for a picture that passed untouched.
        bool deinterlaced = false;
    };

    Deinterlacer();
    ~Deinterlacer();
    Deinterlacer(const Deinterlacer&) = delete;
    Deinterlacer& operator=(const Deinterlacer&) = delete;

    // Loads FFmpeg's filter library, which the first picture to deinterlace does too; throws
    // DecodeError saying why when it is not there.
    static void Load();

    // Adds the next picture of the current run. The filter looks at the pictures on both sides of
    // the one it makes, so a picture comes out once the next one is in, or at Flush; a picture marked
    // progressive ends the run and comes out as it is, at once. A picture pushed with `keep` false
    // only serves as the neighbour of the next (after a seek).
    void Push(FramePtr frame, std::int64_t time, bool keep = true);
    // Ends the run: its last picture comes out, and the next Push starts a new run.
    void Flush();
    // The next finished picture with the time it was pushed with, and whether the filter made it;
    // false when none is ready.
    bool Pop(Picture& picture);
    // Drops the run and every picture not yet taken.
    void Reset();

private:
    struct GraphDeleter {
        void operator()(AVFilterGraph* g) const;
    };

    void Build(const AVFrame& first);
    void Drain();

    std::unique_ptr<AVFilterGraph, GraphDeleter> graph_;
    AVFilterContext* source_ = nullptr;
    AVFilterContext* sink_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    int format_ = -1;
    struct Tag {
        std::int64_t time;
        bool keep;
    };
    // The pictures in the filter whose result has not come out yet, in order.
    std::deque<Tag> inFilter_;
    std::deque<Picture> ready_;
};

}  // namespace decoderlib
