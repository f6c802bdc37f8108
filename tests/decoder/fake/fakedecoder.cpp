// A stand-in for libdecoder.so that tests load in place of the real library. It decodes nothing:
// openFile reads a script from the environment variable STILLREEL_FAKE_DECODER, for example
//   fps=25;seconds=100;frames=2500;width=64;height=48;aspect=1.3333;reject=bad
// and then plays a made-up video of that shape (defaults: fps 25, 10 seconds, frames =
// fps * seconds, 64x48, aspect = width / height, nothing rejected). Frame i has the word i in
// every pixel and the Timestamp floor(i / fps); seek(s) goes to the first frame of second s.
// A path that contains the reject text fails to open.
//
// The records change place between calls (two of each, used in turn), so a binding that keeps an
// old record instead of asking again reads stale values. A rejected open leaves a blank file
// record current. fakeOpenCount tells apart two loaded copies of the library.
//
// Built once per variant; FAKE_WITHOUT_GETFRAME and FAKE_WITHOUT_CONVERT leave that export out. No
// variant has the optional exports (setDeinterlace, getLastError, frameDeinterlaced), as a library
// from before them.
#include "decoder/decoderrecords.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct TScript {
    double Fps = 25;
    std::int32_t Seconds = 10;
    std::int64_t Frames = -1;
    std::int32_t Width = 64;
    std::int32_t Height = 48;
    double Aspect = 0;
    std::string Reject;
};

TDecoderFileInfo FileInfos[2];
int CurrentFileInfo = 0;
TDecoderFrameInfo FrameInfos[2];
int CurrentFrameInfo = 0;

TDecodedFrame Frame;
std::vector<std::uint32_t> Pixels;
double Fps = 25;
std::int64_t FrameCount = 0;
std::int64_t Position = 0; // index of the frame the next getNextFrame delivers
std::int32_t OpenCount = 0;

// Without the slack, 2997 / 29.97 comes out just under 100 and frame 2997 would sit in second 99
// while seek(100) lands on it.
constexpr double Slack = 1e-6;

std::int64_t TimestampOf(std::int64_t frame)
{
    return static_cast<std::int64_t>(std::floor(frame / Fps + Slack));
}

std::int64_t FirstFrameOf(std::int32_t second)
{
    return static_cast<std::int64_t>(std::ceil(second * Fps - Slack));
}

bool ParseScript(const char* text, TScript& script)
{
    std::string_view rest = text ? text : "";
    while (!rest.empty()) {
        const std::size_t end = rest.find(';');
        const std::string_view item = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (item.empty())
            continue;
        const std::size_t equals = item.find('=');
        const std::string key(item.substr(0, equals));
        const std::string value(equals == std::string_view::npos ? "" : item.substr(equals + 1));
        if (key == "fps")
            script.Fps = std::atof(value.c_str());
        else if (key == "seconds")
            script.Seconds = std::atoi(value.c_str());
        else if (key == "frames")
            script.Frames = std::atoll(value.c_str());
        else if (key == "width")
            script.Width = std::atoi(value.c_str());
        else if (key == "height")
            script.Height = std::atoi(value.c_str());
        else if (key == "aspect")
            script.Aspect = std::atof(value.c_str());
        else if (key == "reject")
            script.Reject = value;
        else {
            std::fprintf(stderr, "fake decoder: unknown script key \"%s\"\n", key.c_str());
            return false;
        }
    }
    if (script.Fps <= 0 || script.Width <= 0 || script.Height <= 0) {
        std::fprintf(stderr, "fake decoder: fps, width and height must be positive\n");
        return false;
    }
    return true;
}

void Describe(const TScript& script)
{
    CurrentFileInfo ^= 1;
    TDecoderFileInfo& info = FileInfos[CurrentFileInfo];
    info = {};
    info.FrameWidth = info.Width = script.Width;
    info.FrameHeight = info.Height = script.Height;
    info.Fps = script.Fps;
    info.AspectRatio = script.Aspect > 0 ? script.Aspect : double(script.Width) / script.Height;
    info.DurationHours = script.Seconds / 3600;
    info.DurationMinutes = script.Seconds / 60 % 60;
    info.DurationSeconds = script.Seconds % 60;
    info.TotalSeconds = script.Seconds;

    Fps = script.Fps;
    FrameCount = script.Frames >= 0 ? script.Frames : std::llround(script.Seconds * script.Fps);
    Position = 0;
    Pixels.assign(std::size_t(script.Width) * script.Height, 0);
    Frame = {};
    CurrentFrameInfo ^= 1;
    FrameInfos[CurrentFrameInfo].Timestamp = 0;
}

} // namespace

FAKE_EXPORT std::int32_t openFile(const char* fileName, std::int32_t, std::int32_t)
{
    TScript script;
    const bool parsed = ParseScript(std::getenv("STILLREEL_FAKE_DECODER"), script);
    if (!parsed || (!script.Reject.empty() && std::strstr(fileName, script.Reject.c_str()))) {
        CurrentFileInfo ^= 1;
        FileInfos[CurrentFileInfo] = {};
        return parsed ? 1 : 2;
    }
    Describe(script);
    ++OpenCount;
    return 0;
}

FAKE_EXPORT TDecoderFileInfo* getFileInfo()
{
    return &FileInfos[CurrentFileInfo];
}

FAKE_EXPORT TDecoderFrameInfo* getFrameInfo()
{
    return &FrameInfos[CurrentFrameInfo];
}

FAKE_EXPORT TDecodedFrame* getNextFrame()
{
    const TDecoderFrameInfo previous = FrameInfos[CurrentFrameInfo];
    CurrentFrameInfo ^= 1;
    if (Position >= FrameCount) {
        FrameInfos[CurrentFrameInfo] = previous;
        return nullptr;
    }
    Pixels.assign(Pixels.size(), static_cast<std::uint32_t>(Position));
    Frame.Pixels = reinterpret_cast<std::uint8_t*>(Pixels.data());
    FrameInfos[CurrentFrameInfo].Timestamp = TimestampOf(Position);
    ++Position;
    return &Frame;
}

FAKE_EXPORT std::int32_t seek(std::int32_t second)
{
    Position = second <= 0 ? 0 : std::min(FirstFrameOf(second), FrameCount);
    return 0;
}

#ifndef FAKE_WITHOUT_GETFRAME
FAKE_EXPORT void getFrame() {}
#endif

#ifndef FAKE_WITHOUT_CONVERT
FAKE_EXPORT void convert() {}
#endif

// Successful opens in this loaded copy of the library.
FAKE_EXPORT std::int32_t fakeOpenCount()
{
    return OpenCount;
}
