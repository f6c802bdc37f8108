#include "driver.h"

#include "decoder/decoderrecords.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

extern "C" {
std::int32_t openFile(const char* fileName, std::int32_t title, std::int32_t angle);
TDecoderFileInfo* getFileInfo();
TDecoderFrameInfo* getFrameInfo();
TDecodedFrame* getNextFrame();
std::int32_t seek(std::int32_t second);
std::int32_t getSubtitles(TDecoderSubtitles* subtitles);
std::int32_t setSubtitles(std::int32_t stream, std::int32_t forcedOnly);
}

namespace fuzz {

namespace {

// Frames read after each position: enough to run through the small inputs the fuzzer makes, few
// enough that a slow input is a real hang and not a long video.
constexpr int kFramesPerRead = 64;

volatile std::uint8_t g_sink;

// The video open between inputs. Every input ends with the same session in the same state, its
// worker idle, so libFuzzer's count of allocations against frees evens out unless something leaked,
// and a leak is reported on the input that made it.
std::string g_restVideo;

// Touches the first and last pixel, so the sanitizer sees a frame buffer of the wrong size.
void ReadFrames(const TDecoderFileInfo& info, int count)
{
    const std::size_t bytes = static_cast<std::size_t>(info.Width) * static_cast<std::size_t>(info.Height) * 4;
    for (int i = 0; i < count; ++i) {
        const TDecodedFrame* frame = getNextFrame();
        if (!frame)
            return;
        g_sink = static_cast<std::uint8_t>(frame->Pixels[0] ^ frame->Pixels[bytes - 1]);
        g_sink = static_cast<std::uint8_t>(getFrameInfo()->Timestamp);
    }
}

// Lists the open video's subtitle streams and asks for the first: the library must take it exactly
// when it listed it.
void ChooseSubtitles(Subtitles subtitles)
{
    TDecoderSubtitles listed;
    if (getSubtitles(&listed) != 0 || listed.Count < 0 || listed.Count > kSubtitleStreamsMax)
        __builtin_trap();
    bool firstListed = false;
    for (std::int32_t i = 0; i < listed.Count; ++i)
        firstListed = firstListed || listed.Streams[i].Number == 1;
    const bool taken = setSubtitles(1, subtitles == Subtitles::kFirstForcedOnly ? 1 : 0) == 0;
    if (taken != firstListed)
        __builtin_trap();
}

}  // namespace

void OpenRestVideo()
{
    const char* rest = std::getenv("STILLREEL_FUZZ_REST_VIDEO");
    if (!rest || openFile(rest, 0, 0) != 0) {
        std::fprintf(stderr, "STILLREEL_FUZZ_REST_VIDEO must name a video the library opens\n");
        std::exit(1);
    }
    g_restVideo = rest;
}

void DriveVideo(const std::string& path, int title, int angle, Subtitles subtitles)
{
    if (openFile(path.c_str(), title, angle) != 0)
        return;
    const TDecoderFileInfo info = *getFileInfo();
    if (info.Width <= 0 || info.Height <= 0)
        __builtin_trap();
    if (subtitles != Subtitles::kNone)
        ChooseSubtitles(subtitles);
    ReadFrames(info, kFramesPerRead);
    // The middle comes last, and only its first two frames are read: the seek hands over the first,
    // the second starts the worker, which still decodes ahead when the rest video replaces the session.
    for (const std::int32_t second : {0, info.TotalSeconds, info.TotalSeconds / 2}) {
        if (seek(second) == 0)
            ReadFrames(info, second == info.TotalSeconds / 2 ? 2 : kFramesPerRead);
    }
    // A video that opened before must open after any input.
    if (openFile(g_restVideo.c_str(), 0, 0) != 0)
        __builtin_trap();
}

const std::filesystem::path& ScratchFolder()
{
    static const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("stillreel-fuzz-" + std::to_string(getpid()));
    // Registered once the path is made, so it runs before the path is destroyed.
    [[maybe_unused]] static const bool removedAtExit = [] {
        std::filesystem::create_directories(folder);
        return std::atexit([] {
                   std::error_code error;
                   std::filesystem::remove_all(folder, error);
               }) == 0;
    }();
    return folder;
}

bool WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::remove(path.c_str());
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    const bool written = std::fwrite(data, 1, size, out) == size;
    return std::fclose(out) == 0 && written;
}

}  // namespace fuzz
