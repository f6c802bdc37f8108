// A contact sheet: a heading with the video's facts over a grid of its pictures, each with its
// label (its time), written as one JPEG of quality 100. No Qt: the text is drawn with FreeType and
// HarfBuzz in Open Sans.
#pragma once

#include "convert/FastDIB.h"
#include "convert/picturesink.h"
#include "sheet/layout.h"
#include "sheet/sheetmap.h"
#include "sheet/textpainter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sheet {

// Collects a job's pictures into their cells and writes the sheet at the end, with its map beside it
// (sheetmap.h). heading[0] is the title line, the rest the facts. Each cell is labelled with the
// time of the frame it shows, after captions[k] where there is one ("Ch. 3"). A cell whose picture
// never came is drawn empty and marked, so a missing picture shows.
class ContactSheet : public TPictureSink {
public:
    // Throws Exception when the font cannot be loaded or the sheet's memory cannot be had.
    ContactSheet(const Layout& layout, std::vector<std::string> heading, VideoFacts video,
                 std::vector<std::string> captions, std::string fileName);
    ~ContactSheet() override;

    void Begin(std::int64_t frames) override;
    // Throws Exception when the picture is not of the cells' size or its index has no cell.
    void Put(const TFastDIB& picture, std::int32_t index, std::int64_t frame, bool deinterlaced) override;
    // Draws the heading (its last line then also says "deinterlaced" when any picture was) and the
    // empty cells, and writes the JPEG, then its map, each beside its name first, then renamed onto
    // it; a map that cannot be written takes the JPEG with it.
    void Finish() override;

    // The map's name: fileName's extension made ".json".
    static std::string MapName(const std::string& fileName);

private:
    // The caption of cell index, "" where it has none.
    std::string Caption(int index) const;
    void DrawLabel(const Rect& cell, const std::string& label);
    void DrawEmptyCell(int index);
    void DrawHeading();

    Layout layout_;
    std::vector<std::string> heading_;
    VideoFacts video_;
    std::vector<std::string> captions_;
    std::string fileName_;
    TFastDIB canvas_;
    TextPainter painter_;
    std::int64_t frames_ = 0;
    std::vector<CellEntry> cells_;  // what each cell shows
    bool deinterlaced_ = false;
    bool drawn_ = false;  // the heading and the empty cells are on the canvas
};

}  // namespace sheet
