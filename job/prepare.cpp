#include "job/prepare.h"

#include "common/exceptions.h"
#include "convert/frametime.h"
#include "dvd/titlesource.h"
#include "sheet/contactsheet.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace job {

namespace {

std::string BytesText(std::int64_t bytes)
{
    char text[32];
    const double mib = static_cast<double>(bytes) / (1024.0 * 1024.0);
    if (mib >= 1024.0)
        std::snprintf(text, sizeof text, "%.2f GiB", mib / 1024.0);
    else if (mib >= 100.0)
        std::snprintf(text, sizeof text, "%.0f MiB", mib);
    else if (mib >= 1.0)
        std::snprintf(text, sizeof text, "%.1f MiB", mib);
    else
        std::snprintf(text, sizeof text, "%.0f KiB", static_cast<double>(bytes) / 1024.0);
    return text;
}

// What each cell says before the time it shows: a chapter's number; nothing on a sheet of the
// whole video.
std::vector<std::string> CellCaptions(const TConvertRec& record)
{
    std::vector<std::string> captions;
    for (std::size_t i = 0; i < record.Chapters.size(); ++i)
        captions.push_back("Ch. " + std::to_string(i + 1));
    return captions;
}

sheet::VideoFacts SheetFacts(const Video& video, const Opened& opened, std::int64_t bytes)
{
    const Picture& picture = opened.picture;
    // The map is read from anywhere: the video's path does not depend on the folder the job ran in.
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(video.path, error);
    return {.name = video.label,
            .path = error ? video.path : path.lexically_normal().string(),
            .title = video.title,
            .angle = video.angle,
            .length = FormatHms(opened.length, 1),
            .width = picture.width,
            .height = picture.height,
            .aspect = AspectText(picture.aspectRatio),
            .aspectRatio = picture.aspectRatio,
            .fps = opened.fps,
            .bytes = bytes};
}

}  // namespace

std::string AspectText(double aspect)
{
    if (std::fabs(aspect - 4.0 / 3.0) < 0.01)
        return "4:3";
    if (std::fabs(aspect - 16.0 / 9.0) < 0.01)
        return "16:9";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f:1", aspect);
    return text;
}

std::vector<TStillPoint> ChapterPoints(const std::vector<double>& starts, double fps)
{
    const TFrameRate rate = FrameRateOf(fps);
    std::vector<TStillPoint> points;
    for (const double start : starts)
        points.push_back(StillPointOfFrame(std::llround(start * fps), rate));
    return points;
}

std::int64_t VideoBytes(const Video& video)
{
    try {
        if (video.title == 0) {
            std::error_code error;
            const std::uintmax_t size = std::filesystem::file_size(video.path, error);
            return error ? -1 : static_cast<std::int64_t>(size);
        }
        return dvd::TitleSource(dvd::Disc(video.path), video.title, video.angle).Size();
    } catch (const dvd::DiscError&) {
        return -1;
    }
}

std::vector<std::string> SheetHeading(const Video& video, const Opened& opened, std::int64_t bytes)
{
    const Picture& picture = opened.picture;
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.2f fps", opened.fps);
    std::string facts = "length " + FormatHms(opened.length, 1) + "  ·  " + std::to_string(picture.width) + " x " +
        std::to_string(picture.height) + "  ·  " + AspectText(picture.aspectRatio) + "  ·  " + rate;
    if (bytes >= 0)
        facts += "  ·  " + BytesText(bytes);
    return {video.label, facts};
}

PreparedJob PrepareJob(const Choices& choices, const Video& video, const Opened& opened, Front front)
{
    if (choices.mode == Mode::Chapters && !video.chapterProblem.empty())
        throw Exception(video.path + ": its chapter table cannot be read (" + video.chapterProblem + ")");
    if (choices.mode == Mode::Chapters && video.chapters.empty())
        throw Exception(video.path + ": the video has no chapter table; only a DVD title has chapters");
    PreparedJob prepared;
    TConvertRec& record = prepared.record;
    record = MakeJob(choices, video.name, opened.picture, front);
    if (choices.mode == Mode::Chapters)
        record.Chapters = ChapterPoints(video.chapters, opened.fps);
    prepared.folder = ThumbFolder(record);
    if (!choices.sheet)
        return prepared;
    record.Spread = choices.mode == Mode::Pieces;
    record.KeepBlank = choices.sheet->keepBlank;

    const std::int32_t cells =
        record.Chapters.empty() ? record.Pieces : static_cast<std::int32_t>(record.Chapters.size());
    const std::int32_t columns = std::min(choices.sheet->columns, cells);
    const std::int32_t rows = (cells + columns - 1) / columns;
    if (const std::string problem = sheet::Problem(choices.sheet->width, columns, rows); !problem.empty())
        throw Exception(problem);
    const Picture& picture = opened.picture;
    const double aspect =
        picture.aspectRatio > 0 ? picture.aspectRatio : static_cast<double>(picture.width) / picture.height;
    const std::int64_t bytes = VideoBytes(video);
    std::vector<std::string> heading = SheetHeading(video, opened, bytes);
    const sheet::Layout layout =
        sheet::LayOut(choices.sheet->width, columns, rows, aspect, static_cast<int>(heading.size()));
    // The engine scales each picture straight to its cell.
    record.Width = layout.cellWidth;
    record.Height = layout.cellHeight;
    prepared.folder = record.SaveFolder;
    prepared.sheetFile = record.SaveFolder + video.name + (record.Chapters.empty() ? "_sheet.jpg" : "_chapters.jpg");
    prepared.sheet = std::make_unique<sheet::ContactSheet>(layout, std::move(heading), SheetFacts(video, opened, bytes),
                                                           CellCaptions(record), prepared.sheetFile);
    return prepared;
}

}  // namespace job
