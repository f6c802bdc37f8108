#include "job/video.h"

#include <algorithm>
#include <filesystem>

namespace job {

namespace {

// Shorter titles are logos, menu backgrounds and fillers: no one opens them by choice.
constexpr std::int64_t kWorthChoosingMs = 10000;

TitleRequest ChooseTitle(const dvd::Disc& disc, const TitleChooser& chooser)
{
    std::vector<dvd::TitleInfo> titles;
    for (const dvd::TitleInfo& title : disc.Titles())
        if (title.lengthMs >= kWorthChoosingMs)
            titles.push_back(title);
    const dvd::TitleInfo& main = disc.Title(disc.MainTitle());
    if (titles.size() <= 1 && main.angles <= 1)
        return {main.number, 1};
    if (titles.empty())
        titles.push_back(main);
    return chooser(titles, main.number);
}

}  // namespace

bool HasVideoExtension(const std::string& path)
{
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return std::find(kVideoExtensions.begin(), kVideoExtensions.end(), extension) != kVideoExtensions.end();
}

std::optional<Video> FindVideo(const std::string& path, const TitleRequest& request, const TitleChooser& chooser)
{
    if (!dvd::IsDiscPath(path)) {
        if (request.title != 0 || request.angle != 0)
            throw dvd::DiscError("not a DVD folder or image, so it has no titles or angles");
        const std::filesystem::path file(path);
        return Video{path, file.stem().string(), 0, 0, file.filename().string(), {}, {}};
    }
    const dvd::Disc disc(path);
    TitleRequest wanted = request;
    if (wanted.title == 0 && wanted.angle == 0 && chooser) {
        wanted = ChooseTitle(disc, chooser);
        if (wanted.title == 0)
            return std::nullopt;
    }
    const dvd::TitleInfo& title = disc.Title(wanted.title);
    const int angle = disc.Angle(title.number, wanted.angle);
    std::string label = disc.Name() + ", title " + std::to_string(title.number);
    if (title.angles > 1)
        label += ", angle " + std::to_string(angle);
    Video video{path, dvd::TitleVideoName(disc, title.number), title.number, angle, label, {}, {}};
    try {
        video.chapters = disc.ChapterStarts(title.number, angle);
    } catch (const dvd::DiscError& e) {
        video.chapterProblem = e.what();
    }
    return video;
}

}  // namespace job
