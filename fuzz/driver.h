// What both fuzzing targets do with the decoder library's entry points, as the program does: open a
// video, choose its subtitles, read its frames, seek to the start, the end and the middle, read
// again, then open a known video in its place while the worker still decodes ahead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace fuzz {

// Opens the video named by STILLREEL_FUZZ_REST_VIDEO, or ends the process saying it must be set.
void OpenRestVideo();

// What DriveVideo asks of the subtitles once the video is open: nothing, or its first stream drawn
// into the frames, all of its subpictures or only the forced ones.
enum class Subtitles { kNone, kFirst, kFirstForcedOnly };

// Drives the entry points on `path` (with the open call's title and angle) and ends on the rest
// video; traps when what opened reports no picture size, when the streams listed and the stream
// taken disagree, or when the rest video no longer opens.
void DriveVideo(const std::string& path, int title, int angle, Subtitles subtitles = Subtitles::kNone);

// A folder of this process's own for the inputs' files, made on the first call and removed when the
// process ends.
const std::filesystem::path& ScratchFolder();

// Writes `size` bytes to a new file at `path`: the open video keeps its file open, and a new inode
// leaves it alone.
bool WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size);

}  // namespace fuzz
