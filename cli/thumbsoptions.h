// The command line of stillreel-thumbs, parsed into one job description for all its files.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace thumbs {

// A command line that cannot be carried out; the message says why.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class Mode { Pieces, Whole, Range };

struct Options {
    Mode mode = Mode::Pieces;
    std::int32_t pieces = 12;
    std::int64_t rangeStart = 0;
    std::int64_t rangeEnd = 0;
    // Both set for --size; only the width for --width; neither for the video's own size.
    std::optional<std::int32_t> width;
    std::optional<std::int32_t> height;
    std::string saveFolder; // empty: the current directory
    // A disc's title and angle, from 1; 0: the main title, the first angle.
    std::int32_t title = 0;
    std::int32_t angle = 0;
    bool listTitles = false;
    // auto: frames the video marks interlaced are deinterlaced; off: frames as decoded.
    bool deinterlace = true;
    bool info = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> files;
};

// Throws UsageError for anything that is not a valid command line.
Options ParseOptions(const std::vector<std::string>& args);

// Whole seconds, or [hh:]mm:ss.
std::int64_t ParseSeconds(const std::string& text);

// The thumbnail size for a video: as asked, or the width with the height following the video's
// aspect ratio (the nearest integer, ties to even), as the window's settings propose it.
struct Size {
    std::int32_t width;
    std::int32_t height;
};
Size ThumbnailSize(const Options& options, std::int32_t videoWidth, double aspectRatio);

std::string UsageText();

} // namespace thumbs
