#include "decoderlib/deinterlacer.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

#include <string>

namespace decoderlib {

namespace {

// bwdif over yadif: cleaner edges on moving detail at a cost the decoding hides (README,
// Performance). One picture per picture in; only pictures marked interlaced are filtered, each in
// the field order it carries.
constexpr const char* kFilter = "bwdif";
constexpr const char* kFilterOptions = "mode=send_frame:parity=auto:deint=interlaced";

AVFilterContext* CreateFilter(AVFilterGraph& graph, const char* name, const char* label, const char* args)
{
    const AVFilter* filter = avfilter_get_by_name(name);
    if (!filter)
        throw DecodeError(std::string("FFmpeg lacks the filter ") + name);
    AVFilterContext* ctx = nullptr;
    CheckRc(avfilter_graph_create_filter(&ctx, filter, label, args, nullptr, &graph), "deinterlacer");
    return ctx;
}

}  // namespace

void Deinterlacer::GraphDeleter::operator()(AVFilterGraph* g) const
{
    avfilter_graph_free(&g);
}

Deinterlacer::Deinterlacer() = default;
Deinterlacer::~Deinterlacer() = default;

void Deinterlacer::Build(const AVFrame& first)
{
    graph_.reset(avfilter_graph_alloc());
    if (!graph_)
        throw DecodeError("out of memory for the deinterlacer");
    // The filter's rows run on two threads, as the decoder's do: on one, the decoding worker
    // became the slowest stage of a whole-video job on interlaced video.
    graph_->nb_threads = 2;
    const AVRational sar = first.sample_aspect_ratio.num > 0 ? first.sample_aspect_ratio : AVRational{1, 1};
    const std::string args = "video_size=" + std::to_string(first.width) + "x" + std::to_string(first.height) +
        ":pix_fmt=" + std::to_string(first.format) + ":time_base=1/90000:pixel_aspect=" + std::to_string(sar.num) +
        "/" + std::to_string(sar.den);
    source_ = CreateFilter(*graph_, "buffer", "in", args.c_str());
    AVFilterContext* filter = CreateFilter(*graph_, kFilter, "deinterlace", kFilterOptions);
    sink_ = CreateFilter(*graph_, "buffersink", "out", nullptr);
    CheckRc(avfilter_link(source_, 0, filter, 0), "deinterlacer");
    CheckRc(avfilter_link(filter, 0, sink_, 0), "deinterlacer");
    CheckRc(avfilter_graph_config(graph_.get(), nullptr), "deinterlacer");
    width_ = first.width;
    height_ = first.height;
    format_ = first.format;
}

void Deinterlacer::Push(FramePtr frame, std::int64_t time, bool keep)
{
    // A picture marked progressive needs no filter, so it does not wait for the picture after it
    // either (a seek's picture would wait for one more decode); the run before it ends there.
    if (!frame->interlaced_frame) {
        Flush();
        if (keep)
            ready_.push_back({std::move(frame), time, false});
        return;
    }
    // The filter works on pictures of one size and format; a stray picture of another starts a run
    // of its own.
    if (graph_ && (frame->width != width_ || frame->height != height_ || frame->format != format_))
        Flush();
    if (!graph_)
        Build(*frame);
    inFilter_.push_back({time, keep});
    CheckRc(av_buffersrc_add_frame_flags(source_, frame.get(), 0), "deinterlacing");
    Drain();
}

void Deinterlacer::Flush()
{
    if (!graph_)
        return;
    CheckRc(av_buffersrc_add_frame_flags(source_, nullptr, 0), "deinterlacing");
    Drain();
    graph_.reset();
    inFilter_.clear();
}

void Deinterlacer::Drain()
{
    for (;;) {
        FramePtr out = MakeFrame();
        const int rc = av_buffersink_get_frame(sink_, out.get());
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
            return;
        CheckRc(rc, "deinterlacing");
        if (inFilter_.empty())
            throw DecodeError("deinterlacer gave more pictures than it took");
        const Tag tag = inFilter_.front();
        inFilter_.pop_front();
        if (tag.keep)
            ready_.push_back({std::move(out), tag.time, true});
    }
}

bool Deinterlacer::Pop(Picture& picture)
{
    if (ready_.empty())
        return false;
    picture = std::move(ready_.front());
    ready_.pop_front();
    return true;
}

void Deinterlacer::Reset()
{
    graph_.reset();
    inFilter_.clear();
    ready_.clear();
}

}  // namespace decoderlib
