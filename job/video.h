// Which video a path names: one file, or a title (and angle) of a disc, and the name its
// pictures take. Both the window and stillreel-thumbs open what this finds.
#pragma once

#include "dvd/disc.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace job {

// The endings of the files taken as DVD video by their name: MPEG program streams as DVDs, DVD
// recorders (.vro) and camcorders (.mod) write them. A camcorder's .tod is a transport stream, which
// the library does not read.
inline constexpr std::array<std::string_view, 5> kVideoExtensions{".vob", ".vro", ".mpg", ".mpeg", ".mod"};

// Whether the file's ending, in any case, is one of kVideoExtensions.
bool HasVideoExtension(const std::string& path);

struct Video {
    std::string path;
    std::string name;  // the pictures' folder and the stem of their file names
    // The decoder library's second and third open arguments: 0 for a plain file.
    std::int32_t title = 0;
    std::int32_t angle = 0;
    // What a contact sheet's heading calls it: the file's name, or the disc's name and the title.
    std::string label;
    // A disc title's chapters: where each starts, in seconds from the title's start (the first at
    // 0). Empty for a plain file, which has no chapter table, and where the table does not read.
    std::vector<double> chapters;
    // Why a disc title's chapter table does not read; the title still plays.
    std::string chapterProblem;
};

// A disc's title and angle, from 1; 0 asks for the main title, the first angle.
struct TitleRequest {
    std::int32_t title = 0;
    std::int32_t angle = 0;
};

// Asked when a disc offers a choice: the titles worth choosing, the main one's number. Answers the
// chosen title and angle, or title 0 when the user cancelled.
using TitleChooser = std::function<TitleRequest(const std::vector<dvd::TitleInfo>& titles, int mainTitle)>;

// The video at `path`: a plain file under its own stem, or a disc's title named <disc name>_T<NN>.
// A disc's title is the one `request` names; without one, and with a chooser, the chooser is asked
// when the disc holds several titles worth choosing or its main title has several angles.
// Nothing when the chooser was cancelled. Throws dvd::DiscError for a disc that cannot be read,
// a title or angle it lacks, or a title asked of a plain file.
std::optional<Video> FindVideo(const std::string& path, const TitleRequest& request = {},
                               const TitleChooser& chooser = {});

}  // namespace job
