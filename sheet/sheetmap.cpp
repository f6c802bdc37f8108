#include "sheet/sheetmap.h"

#include "convert/frametime.h"

#include <nlohmann/json.hpp>

namespace sheet {

namespace {

using Json = nlohmann::ordered_json;

Json OrNull(int value)
{
    return value > 0 ? Json(value) : Json(nullptr);
}

}  // namespace

std::string SheetMap(const std::string& sheetName, const Layout& layout, const VideoFacts& video, std::int64_t frames,
                     bool deinterlaced, const std::vector<CellEntry>& cells)
{
    const TFrameRate rate = FrameRateOf(video.fps);
    Json map;
    map["sheet"] = sheetName;
    map["width"] = layout.width;
    map["height"] = layout.height;
    map["columns"] = layout.columns;
    map["rows"] = layout.rows;
    map["video"] = {
        {"name", video.name},
        {"path", video.path},
        {"title", OrNull(video.title)},
        {"angle", OrNull(video.angle)},
        {"length", video.length},
        {"seconds", FrameSeconds(frames, rate)},
        {"frames", frames},
        {"rate", std::to_string(rate.Num) + "/" + std::to_string(rate.Den)},
        {"fps", video.fps},
        {"width", video.width},
        {"height", video.height},
        {"aspect", video.aspect},
        {"aspectRatio", video.aspectRatio},
        {"bytes", video.bytes >= 0 ? Json(video.bytes) : Json(nullptr)},
        {"deinterlaced", deinterlaced},
    };
    Json& list = map["cells"] = Json::array();
    for (std::size_t k = 0; k < cells.size(); ++k) {
        const CellEntry& cell = cells[k];
        const Rect rect = layout.Cell(static_cast<int>(k));
        list.push_back({
            {"cell", k},
            {"frame", cell.frame ? Json(*cell.frame) : Json(nullptr)},
            {"seconds", cell.frame ? Json(FrameSeconds(*cell.frame, rate)) : Json(nullptr)},
            {"label", cell.label.empty() ? Json(nullptr) : Json(cell.label)},
            {"x", rect.left},
            {"y", rect.top},
            {"width", rect.width},
            {"height", rect.height},
        });
    }
    return map.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace sheet
