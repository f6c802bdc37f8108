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
        return Video{path, std::filesystem::path(path).stem().string(), 0, 0};
    }
    const dvd::Disc disc(path);
    TitleRequest wanted = request;
    if (wanted.title == 0 && wanted.angle == 0 && chooser) {
        wanted = ChooseTitle(disc, chooser);
        if (wanted.title == 0)
            return std::nullopt;
    }
    const dvd::TitleInfo& title = disc.Title(wanted.title);
    return Video{path, dvd::TitleVideoName(disc, title.number), title.number, disc.Angle(title.number, wanted.angle)};
}

}  // namespace job
