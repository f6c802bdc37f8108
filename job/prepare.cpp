#include "job/prepare.h"

#include "common/exceptions.h"
#include "dvd/titlesource.h"
#include "sheet/contactsheet.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace job {

namespace {

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

std::string Clock(std::int64_t seconds)
{
    return FormatHms(SplitSeconds(seconds), 1);
}

// Each cell's time: a piece's second, or a chapter's number and start.
std::vector<std::string> CellLabels(const TConvertRec& record, const Video& video, const Opened& opened)
{
    std::vector<std::string> labels;
    if (!record.Chapters.empty()) {
        for (std::size_t i = 0; i < video.chapters.size(); ++i)
            labels.push_back("Ch. " + std::to_string(i + 1) + "  " +
                             Clock(static_cast<std::int64_t>(std::floor(video.chapters[i]))));
        return labels;
    }
    for (std::int32_t i = 0; i < record.Pieces; ++i)
        labels.push_back(Clock(PieceSecond(opened.totalSeconds, record.Pieces, i)));
    return labels;
}

}  // namespace

std::vector<TStillPoint> ChapterPoints(const std::vector<double>& starts, double fps)
{
    std::vector<TStillPoint> points;
    for (const double start : starts) {
        const double frame = std::round(start * fps);
        // The first frame of second s is the first whose time s * fps reaches.
        const double second = std::floor(frame / fps + 1e-9);
        const double first = std::ceil(second * fps - 1e-9);
        points.push_back({static_cast<std::int32_t>(second), static_cast<std::int32_t>(frame - first)});
    }
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

    const std::int32_t cells =
        record.Chapters.empty() ? record.Pieces : static_cast<std::int32_t>(record.Chapters.size());
    const std::int32_t columns = std::min(choices.sheet->columns, cells);
    const std::int32_t rows = (cells + columns - 1) / columns;
    if (const std::string problem = sheet::Problem(choices.sheet->width, columns, rows); !problem.empty())
        throw Exception(problem);
    const Picture& picture = opened.picture;
    const double aspect =
        picture.aspectRatio > 0 ? picture.aspectRatio : static_cast<double>(picture.width) / picture.height;
    std::vector<std::string> heading = SheetHeading(video, opened, VideoBytes(video));
    const sheet::Layout layout =
        sheet::LayOut(choices.sheet->width, columns, rows, aspect, static_cast<int>(heading.size()));
    // The engine scales each picture straight to its cell.
    record.Width = layout.cellWidth;
    record.Height = layout.cellHeight;
    prepared.folder = record.SaveFolder;
    prepared.sheetFile = record.SaveFolder + video.name + (record.Chapters.empty() ? "_sheet.jpg" : "_chapters.jpg");
    prepared.sheet = std::make_unique<sheet::ContactSheet>(layout, std::move(heading),
                                                           CellLabels(record, video, opened), prepared.sheetFile);
    return prepared;
}

}  // namespace job
