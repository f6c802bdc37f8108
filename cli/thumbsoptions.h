// The command line of stillreel-thumbs, parsed into one job description for all its files.
#pragma once

#include "job/choices.h"
#include "job/subtitles.h"
#include "job/thumbnail.h"
#include "job/video.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace thumbs {

// A command line that cannot be carried out; the message says why.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Options {
    job::Choices choices;  // its save folder empty: the current directory
    job::TitleRequest title;
    bool listTitles = false;
    // auto: frames the video marks interlaced are deinterlaced; off: frames as decoded.
    bool deinterlace = true;
    // Drawn into every picture of the job once each video's streams are known; off by default.
    job::SubtitleRequest subtitles;
    bool info = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
    // --thumbnail: one picture of files[0] as the PNG file files[1], its longer side this long.
    bool thumbnail = false;
    std::int32_t thumbnailSide = job::kThumbnailDefaultSide;
    // --catalogue: a sheet of each disc and video in files (folders searched) into this folder, with
    // a page and a JSON of them all; every title of minLength seconds or more with allTitles.
    std::string catalogue;
    bool allTitles = false;
    std::int32_t minLength = 60;
    std::vector<std::string> files;
};

// Throws UsageError for anything that is not a valid command line, or a job no video could run.
Options ParseOptions(const std::vector<std::string>& args);

// Whole seconds, or [hh:]mm:ss.
std::int64_t ParseSeconds(const std::string& text);

std::string UsageText();

} // namespace thumbs
