// --list-titles: a disc's titles as stillreel-thumbs prints them.
#pragma once

#include <string>

namespace dvd {
class Disc;
}

namespace thumbs {

// The disc's titles, one line each: number, length, chapters, angles, aspect; the main one marked.
// Under a title with subtitles, a line of its streams: number, language, kind.
std::string TitleListing(const dvd::Disc& disc);

}  // namespace thumbs
