// Owners for FFmpeg objects, and one checker that turns an FFmpeg return code into an
// exception carrying FFmpeg's own explanation.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

namespace decoderlib {

class DecodeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline std::string AvErrorText(int rc)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(rc, text, sizeof text);
    return text;
}

inline void CheckRc(int rc, const std::string& what)
{
    if (rc < 0)
        throw DecodeError(what + ": " + AvErrorText(rc));
}

struct CodecContextDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct ParserDeleter {
    void operator()(AVCodecParserContext* p) const { av_parser_close(p); }
};
struct SwsDeleter {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using ParserPtr = std::unique_ptr<AVCodecParserContext, ParserDeleter>;
using SwsContextPtr = std::unique_ptr<SwsContext, SwsDeleter>;

// A decoded subtitle, its rectangles freed with it.
class OwnedSubtitle {
public:
    OwnedSubtitle() = default;
    ~OwnedSubtitle() { avsubtitle_free(&subtitle_); }
    OwnedSubtitle(const OwnedSubtitle&) = delete;
    OwnedSubtitle& operator=(const OwnedSubtitle&) = delete;

    AVSubtitle* get() { return &subtitle_; }

private:
    AVSubtitle subtitle_{};
};

inline FramePtr MakeFrame()
{
    FramePtr f(av_frame_alloc());
    if (!f)
        throw DecodeError("out of memory allocating a frame");
    return f;
}

inline PacketPtr MakePacket()
{
    PacketPtr p(av_packet_alloc());
    if (!p)
        throw DecodeError("out of memory allocating a packet");
    return p;
}

} // namespace decoderlib
