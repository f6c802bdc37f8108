#include "cli/titlelisting.h"

#include "dvd/disc.h"
#include "job/subtitles.h"

#include <cstdio>
#include <string>

namespace thumbs {

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
        // The streams the title plays, each by the number that chooses it.
        if (const std::string subtitles = job::SubtitlesLine(job::SubtitleStreams(t.subtitles)); !subtitles.empty())
            text += "    " + subtitles + "\n";
    }
    return text;
}

}  // namespace thumbs
