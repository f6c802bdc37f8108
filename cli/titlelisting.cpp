#include "cli/titlelisting.h"

#include "dvd/disc.h"

#include <cstdio>
#include <string>
#include <vector>

namespace thumbs {

namespace {

// "    subtitles: 1 en normal, 2 de forced, 3 (no language)": the streams the title plays, each by the
// number that chooses it.
std::string SubtitleLine(const std::vector<dvd::SubpictureStream>& streams)
{
    std::string line;
    for (const dvd::SubpictureStream& s : streams) {
        if (!s.available)
            continue;
        line += line.empty() ? "    subtitles: " : ", ";
        line += std::to_string(s.number) + " " + (s.language.empty() ? "(no language)" : s.language);
        const std::string kind = dvd::KindText(s.kind);
        if (!kind.empty())
            line += " " + kind;
    }
    return line.empty() ? line : line + "\n";
}

}  // namespace

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
        text += SubtitleLine(t.subtitles);
    }
    return text;
}

}  // namespace thumbs
