// A thumbnail job from what the user chose: the pictures (mode, pieces, range), their size and
// folder, checked once for both fronts, made into the engine's job record.
#pragma once

#include "convert/_consts.h"
#include "job/thumbsize.h"

#include <cstdint>
#include <optional>
#include <string>

namespace job {

// Chapters: one picture at the first frame of each chapter of a disc title.
enum class Mode { Pieces, Whole, Range, Chapters };

// A contact sheet instead of loose pictures, `columns` across (rows as many as they fill) on a sheet
// `width` pixels wide: the pieces, spread over the whole video to the frame, each passed over for the
// nearest picture in its share that shows anything unless `keepBlank`; or the chapters.
struct SheetChoice {
    std::int32_t columns = 4;
    std::int32_t width = 1600;
    bool keepBlank = false;
};

struct Choices {
    Mode mode = Mode::Pieces;
    std::int32_t pieces = 12;
    // The range, in whole seconds, both ends included.
    std::int64_t start = 0;
    std::int64_t end = 0;
    // Both given: that size; the width alone: the height by the aspect ratio; neither: the size
    // an open proposes.
    std::optional<std::int32_t> width;
    std::optional<std::int32_t> height;
    std::string saveFolder;  // empty: the front's default
    std::optional<SheetChoice> sheet;
};

// Why no video could make a job of these choices, or "" when one could. The window leaves these
// to the engine, which fails the job with the same message.
std::string Problem(const Choices& choices);

// Which front a job comes from, which decides where pictures go when no folder was chosen: the
// window's beside the program when its folder can be written to, else in the user's pictures
// folder + "Stillreel/"; the command line's in the current folder.
enum class Front { Window, CommandLine };

// The user's pictures folder as the desktop names it (XDG_PICTURES_DIR in user-dirs.dirs), else
// ~/Pictures.
std::string PicturesFolder();

// The folder the pictures' folder is made in, ending in "/": the chosen one, or the front's default;
// made when missing. Throws Exception when it cannot be made.
std::string SaveRoot(const std::string& chosen, Front front);

// The engine's job for a video named `videoName` with this picture.
TConvertRec MakeJob(const Choices& choices, const std::string& videoName, const Picture& picture, Front front);

}  // namespace job
