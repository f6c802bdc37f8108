#include "cli/discvideo.h"

#include "dvd/disc.h"

#include <cstdio>
#include <filesystem>

namespace thumbs {

Video ChooseVideo(const Options& options, const std::string& path)
{
    if (!dvd::IsDiscPath(path)) {
        if (options.title != 0 || options.angle != 0)
            throw dvd::DiscError("not a DVD folder or image, so it has no titles or angles");
        return {std::filesystem::path(path).stem().string(), 0, 0};
    }
    const dvd::Disc disc(path);
    const dvd::TitleInfo& title = disc.Title(options.title);
    const int angle = disc.Angle(title.number, options.angle);
    return {dvd::TitleVideoName(disc, title.number), title.number, angle};
}

std::string TitleListing(const dvd::Disc& disc)
{
    std::string text;
    for (const dvd::TitleInfo& t : disc.Titles()) {
        char line[160];
        std::snprintf(line, sizeof line, "%2d  %s  %3d %-8s  %d %-6s  %-4s  %s%s\n", t.number,
                      dvd::LengthText(t.lengthMs).c_str(), t.chapters, t.chapters == 1 ? "chapter" : "chapters",
                      t.angles, t.angles == 1 ? "angle" : "angles", dvd::AspectText(t.aspect).c_str(),
                      t.system == dvd::TvSystem::Pal ? "PAL" : "NTSC",
                      t.number == disc.MainTitle() ? "  main title" : "");
        text += line;
    }
    return text;
}

}  // namespace thumbs
