// A contact sheet: a heading with the video's facts over a grid of its pictures, each with its
// label (its time), written as one JPEG of quality 100. No Qt: the text is drawn with FreeType and
// HarfBuzz in Open Sans.
#pragma once

#include "convert/FastDIB.h"
#include "convert/picturesink.h"
#include "sheet/layout.h"
#include "sheet/textpainter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sheet {

// Collects a job's pictures into their cells and writes the sheet at the end. heading[0] is the
// title line, the rest the facts; labels[k] is drawn on cell k. A cell whose picture never came is
// drawn empty and marked, so a missing picture shows.
class ContactSheet : public TPictureSink {
public:
    // Throws Exception when the font cannot be loaded or the sheet's memory cannot be had.
    ContactSheet(const Layout& layout, std::vector<std::string> heading, std::vector<std::string> labels,
                 std::string fileName);
    ~ContactSheet() override;

    // Throws Exception when the picture is not of the cells' size or its index has no cell.
    void Put(const TFastDIB& picture, std::int32_t index, bool deinterlaced) override;
    // Draws the heading (its last line then also says "deinterlaced" when any picture was) and the
    // empty cells, and writes the JPEG beside fileName first, then renamed onto it.
    void Finish() override;

private:
    void DrawLabel(const Rect& cell, int index);
    void DrawEmptyCell(int index);
    void DrawHeading();

    Layout layout_;
    std::vector<std::string> heading_;
    std::vector<std::string> labels_;
    std::string fileName_;
    TFastDIB canvas_;
    TextPainter painter_;
    std::vector<bool> put_;  // which cells have their picture
    bool deinterlaced_ = false;
    bool drawn_ = false;  // the heading and the empty cells are on the canvas
};

}  // namespace sheet
