#include "decoderlib/deinterlacer.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

#include <dlfcn.h>

#include <string>

namespace decoderlib {

namespace {

// bwdif over yadif: cleaner edges on moving detail at a cost the decoding hides (README,
// Performance). One picture per picture in; only pictures marked interlaced are filtered, each in
// the field order it carries.
constexpr const char* kFilter = "bwdif";
constexpr const char* kFilterOptions = "mode=send_frame:parity=auto:deint=interlaced";

// libavfilter pulls in some 160 libraries (network, Blu-ray, tracker music …) whose loading would
// double the start of every run, a file manager's thumbnail too, while only interlaced video needs
// it: it is loaded at the first picture to deinterlace, the version the headers are of.
constexpr const char* kFilterLibrary = "libavfilter.so." AV_STRINGIFY(LIBAVFILTER_VERSION_MAJOR);

// The few functions of libavfilter the deinterlacer calls.
struct FilterApi {
    decltype(&avfilter_get_by_name) getByName = nullptr;
    decltype(&avfilter_graph_alloc) graphAlloc = nullptr;
    decltype(&avfilter_graph_create_filter) createFilter = nullptr;
    decltype(&avfilter_link) link = nullptr;
    decltype(&avfilter_graph_config) configure = nullptr;
    decltype(&avfilter_graph_free) graphFree = nullptr;
    decltype(&av_buffersrc_add_frame_flags) addFrame = nullptr;
    decltype(&av_buffersink_get_frame) getFrame = nullptr;
};

struct LibraryCloser {
    void operator()(void* handle) const noexcept { dlclose(handle); }
};

// libavfilter, loaded once for the process. It stays mapped even after the close (RTLD_NODELETE): a
// session destroyed with the process may still free its filter graph after this object is gone.
class FilterLibrary {
public:
    FilterLibrary()
    {
        handle_.reset(dlopen(kFilterLibrary, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE));
        if (!handle_) {
            Fail(dlerror());
            return;
        }
        Resolve(api_.getByName, "avfilter_get_by_name");
        Resolve(api_.graphAlloc, "avfilter_graph_alloc");
        Resolve(api_.createFilter, "avfilter_graph_create_filter");
        Resolve(api_.link, "avfilter_link");
        Resolve(api_.configure, "avfilter_graph_config");
        Resolve(api_.graphFree, "avfilter_graph_free");
        Resolve(api_.addFrame, "av_buffersrc_add_frame_flags");
        Resolve(api_.getFrame, "av_buffersink_get_frame");
    }

    // Throws DecodeError saying why the library is not there.
    const FilterApi& Api() const
    {
        if (!error_.empty())
            throw DecodeError(error_);
        return api_;
    }

private:
    template <typename Function>
    void Resolve(Function& function, const char* name)
    {
        function = reinterpret_cast<Function>(dlsym(handle_.get(), name));
        if (!function && error_.empty())
            Fail((std::string(kFilterLibrary) + " lacks " + name).c_str());
    }

    void Fail(const char* why)
    {
        error_ = std::string("deinterlacing needs FFmpeg's filter library, which did not load (") +
            (why ? why : kFilterLibrary) + ")";
    }

    std::unique_ptr<void, LibraryCloser> handle_;
    FilterApi api_;
    std::string error_;
};

const FilterApi& Filters()
{
    static const FilterLibrary library;
    return library.Api();
}

AVFilterContext* CreateFilter(AVFilterGraph& graph, const char* name, const char* label, const char* args)
{
    const AVFilter* filter = Filters().getByName(name);
    if (!filter)
        throw DecodeError(std::string("FFmpeg lacks the filter ") + name);
    AVFilterContext* ctx = nullptr;
    CheckRc(Filters().createFilter(&ctx, filter, label, args, nullptr, &graph), "deinterlacer");
    return ctx;
}

}  // namespace

void Deinterlacer::GraphDeleter::operator()(AVFilterGraph* g) const
{
    // A graph exists only once the library has loaded.
    Filters().graphFree(&g);
}

Deinterlacer::Deinterlacer() = default;
Deinterlacer::~Deinterlacer() = default;

void Deinterlacer::Load()
{
    Filters();
}

void Deinterlacer::Build(const AVFrame& first)
{
    const FilterApi& filters = Filters();
    graph_.reset(filters.graphAlloc());
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
    CheckRc(filters.link(source_, 0, filter, 0), "deinterlacer");
    CheckRc(filters.link(filter, 0, sink_, 0), "deinterlacer");
    CheckRc(filters.configure(graph_.get(), nullptr), "deinterlacer");
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
    CheckRc(Filters().addFrame(source_, frame.get(), 0), "deinterlacing");
    Drain();
}

void Deinterlacer::Flush()
{
    if (!graph_)
        return;
    CheckRc(Filters().addFrame(source_, nullptr, 0), "deinterlacing");
    Drain();
    graph_.reset();
    inFilter_.clear();
}

void Deinterlacer::Drain()
{
    for (;;) {
        FramePtr out = MakeFrame();
        const int rc = Filters().getFrame(sink_, out.get());
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
