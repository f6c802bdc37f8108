// The library's seven entry points, and the optional ones, setDeinterlace, getLastError,
// frameDeinterlaced, getUnreadable, getFrameCount, getSubtitles and setSubtitles. One video is open
// at a time; a failed open keeps the previous one, so records handed out before stay valid.
#include "decoderlib/session.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <exception>
#include <memory>
#include <iterator>
#include <new>
#include <set>

#define DECODER_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::unique_ptr<decoderlib::Session> g_session;

// Damaged discs make FFmpeg complain on every broken picture; the library reports what matters
// through its results, so the log stays quiet.
[[maybe_unused]] const bool g_quietLog = [] {
    av_log_set_level(AV_LOG_QUIET);
    return true;
}();
const TDecoderFileInfo kNoFileInfo{};
// A binding that never sets it gets the pictures marked interlaced deinterlaced.
bool g_deinterlace = true;
TDecoderFrameInfo g_noFrameInfo{};
// Why the last open failed. A fixed buffer, so that keeping the reason cannot fail in turn.
char g_lastError[512] = "";

void KeepLastError(const char* reason)
{
    std::snprintf(g_lastError, sizeof g_lastError, "%s", reason);
}

} // namespace

// A disc opens at its title `title` (0: the main title) and angle `angle` (0: the first); a single
// video file is opened as it is, and the caller passes 0 for both.
DECODER_EXPORT std::int32_t openFile(const char* fileName, std::int32_t title, std::int32_t angle)
{
    KeepLastError("");
    if (!fileName)
        return 1;
    try {
        g_session = std::make_unique<decoderlib::Session>(fileName, title, angle, g_deinterlace);
        return 0;
    } catch (const std::bad_alloc&) {
        KeepLastError("out of memory");
    } catch (const std::exception& e) {
        KeepLastError(e.what());
    } catch (...) {
        // Nothing to say beyond the failure itself.
    }
    return 1;
}

// Why the last openFile failed, in the user's words ("No such file or directory"); empty after one
// that succeeded. Valid until the next openFile.
DECODER_EXPORT const char* getLastError()
{
    return g_lastError;
}

DECODER_EXPORT TDecoderFileInfo* getFileInfo()
{
    return const_cast<TDecoderFileInfo*>(g_session ? &g_session->FileInfo() : &kNoFileInfo);
}

DECODER_EXPORT TDecoderFrameInfo* getFrameInfo()
{
    return g_session ? const_cast<TDecoderFrameInfo*>(&g_session->FrameInfo()) : &g_noFrameInfo;
}

DECODER_EXPORT TDecodedFrame* getNextFrame()
{
    if (!g_session)
        return nullptr;
    try {
        return g_session->NextFrame();
    } catch (...) {
        return nullptr;
    }
}

DECODER_EXPORT std::int32_t seek(std::int32_t second)
{
    if (!g_session)
        return 1;
    try {
        g_session->Seek(second);
        return 0;
    } catch (...) {
        return 1;
    }
}

// 1 (auto): pictures marked interlaced are deinterlaced; 0 (off): pictures as decoded. Holds from
// the next openFile on.
DECODER_EXPORT std::int32_t setDeinterlace(std::int32_t mode)
{
    if (mode != kDeinterlaceOff && mode != kDeinterlaceAuto)
        return 1;
    g_deinterlace = mode == kDeinterlaceAuto;
    return 0;
}

// 1 when the frame getNextFrame last delivered was made whole from its two fields, 0 when it passed as
// decoded (progressive, film, deinterlacing off) or no video is open.
DECODER_EXPORT std::int32_t frameDeinterlaced()
{
    try {
        return g_session && g_session->FrameDeinterlaced() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

// What could not be read of the open video since it opened: the bytes, and the distinct whole seconds
// of the pictures next to them. 0 when filled in, 1 without a video or on a failure.
DECODER_EXPORT std::int32_t getUnreadable(TDecoderUnreadable* unreadable)
{
    if (!unreadable)
        return 1;
    *unreadable = {};
    if (!g_session)
        return 1;
    try {
        std::set<std::int64_t> seconds;
        for (const decoderlib::Session::UnreadablePart& part : g_session->Unreadable()) {
            unreadable->Bytes += part.length;
            seconds.insert(part.time / decoderlib::kTicksPerSecond);
        }
        unreadable->Places = static_cast<std::int32_t>(seconds.size());
        std::int32_t* next = unreadable->Seconds;
        for (auto it = seconds.begin(); it != seconds.end() && next != std::end(unreadable->Seconds); ++it)
            *next++ = static_cast<std::int32_t>(std::min<std::int64_t>(*it, INT32_MAX));
        return 0;
    } catch (...) {
        *unreadable = {};
        return 1;
    }
}

DECODER_EXPORT std::int64_t getFrameCount()
{
    return g_session ? g_session->FrameCount() : 0;
}

DECODER_EXPORT std::int32_t getSubtitles(TDecoderSubtitles* subtitles)
{
    if (!subtitles)
        return 1;
    *subtitles = {};
    if (!g_session)
        return 1;
    try {
        for (const dvd::SubpictureStream& stream : g_session->Subtitles().streams) {
            if (subtitles->Count == kSubtitleStreamsMax)
                break;
            TDecoderSubtitleStream& out = subtitles->Streams[subtitles->Count++];
            out.Number = stream.number;
            out.Kind = static_cast<std::int32_t>(stream.kind);
            std::snprintf(out.Language, sizeof out.Language, "%s", stream.language.c_str());
        }
        return 0;
    } catch (...) {
        *subtitles = {};
        return 1;
    }
}

DECODER_EXPORT std::int32_t setSubtitles(std::int32_t stream, std::int32_t forcedOnly)
{
    if (!g_session || stream < 0)
        return 1;
    try {
        return g_session->SetSubtitles(stream, forcedOnly != 0) ? 0 : 1;
    } catch (...) {
        return 1;
    }
}

// Part of the library's interface; nothing calls them.
DECODER_EXPORT void getFrame() {}
DECODER_EXPORT void convert() {}
