// The records and entry points shared by the decoder library and its binding.
// Their byte layout is a contract between two separately built binaries.
#pragma once

#include <cstddef>
#include <cstdint>

struct TDecoderFileInfo {
    std::uint8_t Reserved1[8];
    std::int32_t FrameWidth;
    std::int32_t FrameHeight;
    std::int32_t Width;
    std::int32_t Height;
    double Fps;
    double AspectRatio;
    std::int32_t DurationHours;
    std::int32_t DurationMinutes;
    std::int32_t DurationSeconds;
    std::int32_t Reserved2;
    std::int32_t TotalSeconds;
};
static_assert(offsetof(TDecoderFileInfo, Reserved1) == 0);
static_assert(offsetof(TDecoderFileInfo, FrameWidth) == 8);
static_assert(offsetof(TDecoderFileInfo, FrameHeight) == 12);
static_assert(offsetof(TDecoderFileInfo, Width) == 16);
static_assert(offsetof(TDecoderFileInfo, Height) == 20);
static_assert(offsetof(TDecoderFileInfo, Fps) == 24);
static_assert(offsetof(TDecoderFileInfo, AspectRatio) == 32);
static_assert(offsetof(TDecoderFileInfo, DurationHours) == 40);
static_assert(offsetof(TDecoderFileInfo, DurationMinutes) == 44);
static_assert(offsetof(TDecoderFileInfo, DurationSeconds) == 48);
static_assert(offsetof(TDecoderFileInfo, Reserved2) == 52);
static_assert(offsetof(TDecoderFileInfo, TotalSeconds) == 56);
static_assert(sizeof(TDecoderFileInfo) >= 60);

struct TDecoderFrameInfo {
    std::int64_t Timestamp;
};
static_assert(offsetof(TDecoderFrameInfo, Timestamp) == 0);
static_assert(sizeof(TDecoderFrameInfo) == 8);

struct TDecodedFrame {
    std::uint8_t* Pixels;
    std::int32_t Reserved1;
    std::int32_t Reserved2;
};
static_assert(offsetof(TDecodedFrame, Pixels) == 0);
static_assert(offsetof(TDecodedFrame, Reserved1) == 8);
static_assert(offsetof(TDecodedFrame, Reserved2) == 12);

using PDecodedFrame = TDecodedFrame*;

// What could not be read of the open video, as on a scratched disc or a failing drive.
inline constexpr std::int32_t kUnreadablePlaces = 16;
struct TDecoderUnreadable {
    std::int64_t Bytes;   // in all, since the video opened
    std::int32_t Places;  // distinct seconds they lie near, of which the first kUnreadablePlaces follow
    std::int32_t Reserved;
    std::int32_t Seconds[kUnreadablePlaces];  // ascending, whole seconds from the start
};
static_assert(offsetof(TDecoderUnreadable, Bytes) == 0);
static_assert(offsetof(TDecoderUnreadable, Places) == 8);
static_assert(offsetof(TDecoderUnreadable, Seconds) == 16);
static_assert(sizeof(TDecoderUnreadable) == 80);

// The subtitle streams of the open video, numbered as the user sees them listed.
inline constexpr std::int32_t kSubtitleStreamsMax = 32;
struct TDecoderSubtitleStream {
    std::int32_t Number;  // from 1; what setSubtitles takes
    std::int32_t Kind;    // dvd::SubpictureKind's value: 0 unspecified, 1 normal, 7 forced, ...
    char Language[4];     // two lowercase letters (ISO 639-1) and a NUL, empty where none is known
};
static_assert(offsetof(TDecoderSubtitleStream, Kind) == 4);
static_assert(offsetof(TDecoderSubtitleStream, Language) == 8);
static_assert(sizeof(TDecoderSubtitleStream) == 12);

struct TDecoderSubtitles {
    std::int32_t Count;
    std::int32_t Reserved;
    TDecoderSubtitleStream Streams[kSubtitleStreamsMax];
};
static_assert(offsetof(TDecoderSubtitles, Streams) == 8);
static_assert(sizeof(TDecoderSubtitles) == 8 + 12 * kSubtitleStreamsMax);

// Signatures of the seven entry points, resolved by name at run time.
extern "C" {
using TOpenFileProc = std::int32_t (*)(const char* FileName, std::int32_t Title, std::int32_t Angle);
using TGetFileInfoProc = TDecoderFileInfo* (*)();
using TGetFrameInfoProc = TDecoderFrameInfo* (*)();
using TGetNextFrameProc = TDecodedFrame* (*)();
using TSeekProc = std::int32_t (*)(std::int32_t Second);
using TGetFrameProc = void (*)();
using TConvertProc = void (*)();
// Optional: a library without it deinterlaces as with kDeinterlaceAuto.
using TSetDeinterlaceProc = std::int32_t (*)(std::int32_t Mode);
// Optional: why the last openFile failed, for the user; empty when it gives no reason. Valid until the
// next openFile.
using TGetLastErrorProc = const char* (*)();
// Optional: 1 when the frame last delivered by getNextFrame was made whole from its two fields, else 0.
using TFrameDeinterlacedProc = std::int32_t (*)();
// Optional: fills in what could not be read of the open video; 0 when it did, 1 without a video.
using TGetUnreadableProc = std::int32_t (*)(TDecoderUnreadable* Unreadable);
// Optional: the open video's length in frames, its timeline's length over one frame's; 0 without a
// video. Exact where whole seconds are not.
using TGetFrameCountProc = std::int64_t (*)();
// Optional: fills in the open video's subtitle streams; 0 when it did, 1 without a video.
using TGetSubtitlesProc = std::int32_t (*)(TDecoderSubtitles* Subtitles);
// Optional: the subtitles drawn into the frames of the open video from the next getNextFrame on
// (a seek's frame included): stream `Stream` as getSubtitles numbers it, 0 for none; with ForcedOnly
// only its forced subpictures. 0 when set, 1 without a video or such a stream. Every openFile starts
// with none.
using TSetSubtitlesProc = std::int32_t (*)(std::int32_t Stream, std::int32_t ForcedOnly);
}
inline constexpr std::int32_t kDeinterlaceOff = 0;
inline constexpr std::int32_t kDeinterlaceAuto = 1;
