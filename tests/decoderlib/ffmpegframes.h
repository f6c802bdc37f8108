// What the ffmpeg program decodes from a file: the yardstick for damaged input, where the pictures
// a decoder can still reconstruct are those ffmpeg gives.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The ffmpeg program decoding the file's first video stream, its pictures as decoded, in display
// order.
inline std::string FfmpegCommand(const std::string& path, const std::string& output)
{
    return "ffmpeg -nostdin -v quiet -copyts -i '" + path + "' -map 0:v:0 -fps_mode passthrough " + output;
}

// The PTS (90 kHz ticks, as the stream has them) of every frame ffmpeg decodes, in display order.
inline std::vector<std::int64_t> FfmpegFrames(const std::string& path)
{
    std::vector<std::int64_t> frames;
    FILE* pipe = popen(FfmpegCommand(path, "-enc_time_base 1:90000 -f framecrc -").c_str(), "r");
    if (!pipe)
        return frames;
    char line[256];
    while (std::fgets(line, sizeof line, pipe)) {
        long long dts = 0, pts = 0;
        int stream = 0;
        if (std::sscanf(line, "%d, %lld, %lld,", &stream, &dts, &pts) == 3)
            frames.push_back(pts);
    }
    pclose(pipe);
    return frames;
}

// The luma planes of the frames ffmpeg decodes, one after another (those of FfmpegFrames).
class FfmpegLuma {
public:
    FfmpegLuma(const std::string& path, int width, int height)
        : plane_(static_cast<std::size_t>(width) * height),
          pipe_(popen(FfmpegCommand(path, "-vf extractplanes=y -f rawvideo -").c_str(), "r"))
    {
    }
    ~FfmpegLuma()
    {
        if (pipe_)
            pclose(pipe_);
    }
    FfmpegLuma(const FfmpegLuma&) = delete;
    FfmpegLuma& operator=(const FfmpegLuma&) = delete;

    // The next frame's plane, rows packed; null after the last.
    const std::uint8_t* Next()
    {
        return pipe_ && std::fread(plane_.data(), 1, plane_.size(), pipe_) == plane_.size() ? plane_.data() : nullptr;
    }

private:
    std::vector<std::uint8_t> plane_;
    FILE* pipe_;
};
