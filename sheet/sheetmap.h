// A contact sheet's map: the JSON file beside the sheet that tells a script or a web page which
// frame each cell shows and where the cell lies on the JPEG.
#pragma once

#include "sheet/layout.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sheet {

// The video's facts, as the sheet's heading gives them.
struct VideoFacts {
    std::string name;  // the heading's title line
    std::string path;  // the file, or the disc, opened
    int title = 0;  // a disc's title and angle; 0 for a file
    int angle = 0;
    std::string length;  // h:mm:ss
    int width = 0;
    int height = 0;
    std::string aspect;  // "4:3", "16:9", or width over height as "1.85:1"
    double aspectRatio = 0;
    double fps = 0;
    std::int64_t bytes = -1;  // -1: not known
};

struct CellEntry {
    std::optional<std::int64_t> frame;  // none: the picture never came
    std::string label;  // as drawn on the cell; "" for none
};

// The map as JSON text: the sheet's file name and size, the video's facts (its length in frames
// `frames`, its rate as the fraction it is), and for each cell its frame, when that frame is shown
// (seconds and label) and its rectangle in the JPEG's pixels. Names and labels that are not UTF-8
// keep their valid parts, U+FFFD standing for each invalid byte.
std::string SheetMap(const std::string& sheetName, const Layout& layout, const VideoFacts& video, std::int64_t frames,
                     bool deinterlaced, const std::vector<CellEntry>& cells);

}  // namespace sheet
