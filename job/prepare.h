// A job ready for the engine: the record from the user's choices and the open video, and for a
// contact sheet the sheet that collects its pictures. Both fronts start what this prepares.
#pragma once

#include "common/hms.h"
#include "convert/_consts.h"
#include "convert/picturesink.h"
#include "job/choices.h"
#include "job/thumbsize.h"
#include "job/video.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace job {

// What the open video tells of itself.
struct Opened {
    Picture picture;
    double fps = 0;
    std::int32_t totalSeconds = 0;
    THms length;
};

struct PreparedJob {
    TConvertRec record;
    std::unique_ptr<TPictureSink> sheet;  // null: the pictures are files of their own
    std::string sheetFile;  // the sheet's path, when there is one
    // Where the user finds the result: the pictures' folder, or the folder holding the sheet.
    std::string folder;
};

// Throws Exception for what these choices cannot make of this video (chapters of a plain file, a
// sheet that does not fit) and when the folder cannot be made.
PreparedJob PrepareJob(const Choices& choices, const Video& video, const Opened& opened, Front front);

// The exact frames where the chapters starting at `starts` (seconds) begin, for a decoder that
// delivers `fps` frames a second and seeks to the first frame of a whole second.
std::vector<TStillPoint> ChapterPoints(const std::vector<double>& starts, double fps);

// A contact sheet's heading: the video's label, then its facts (length, frame size, display
// aspect, frame rate, size in bytes where known: `bytes` < 0 leaves it out).
std::vector<std::string> SheetHeading(const Video& video, const Opened& opened, std::int64_t bytes);

// A display aspect as people write it: "4:3", "16:9", else "1.85:1".
std::string AspectText(double aspect);

// How many bytes the video holds: the file's size, or a disc title's; -1 when it cannot be told.
std::int64_t VideoBytes(const Video& video);

}  // namespace job
