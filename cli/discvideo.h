// What stillreel-thumbs opens for a name on its command line: a disc's title or the file itself.
#pragma once

#include "cli/thumbsoptions.h"

#include <cstdint>
#include <string>

namespace dvd {
class Disc;
}

namespace thumbs {

struct Video {
    std::string name;  // the pictures' folder and the stem of their file names
    std::int32_t title = 0;  // the library's second and third arguments to open it
    std::int32_t angle = 0;
};

// A disc's title as --title and --angle choose it, named <disc name>_T<NN>; a plain file under
// its own stem. Throws dvd::DiscError for a disc that cannot be read, or a title or angle it lacks.
Video ChooseVideo(const Options& options, const std::string& path);

// The disc's titles, one line each: number, length, chapters, angles, aspect; the main one marked.
std::string TitleListing(const dvd::Disc& disc);

}  // namespace thumbs
