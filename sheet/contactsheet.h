// A contact sheet: a heading with the video's facts over a grid of its pictures, each with its
// label (its time), written as one JPEG of quality 100. No Qt: the text is drawn with FreeType and
// HarfBuzz in Open Sans.
#pragma once

#include "convert/picturesink.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sheet {

struct Rect {
    int left = 0;
    int top = 0;  // from the sheet's top
    int width = 0;
    int height = 0;
};

// Where everything goes on a sheet `width` pixels wide of `columns` x `rows` cells, under a heading
// of `headingLines` lines. Every cell is cellWidth x cellHeight, the pictures' display aspect.
struct Layout {
    int width = 0;
    int height = 0;
    int columns = 0;
    int rows = 0;
    int cellWidth = 0;
    int cellHeight = 0;
    Rect heading;
    // Cell k (from 0, row by row from the top left).
    Rect Cell(int k) const;
};

// Why no sheet of this width and grid can be made ("" when one can): too narrow for its columns,
// too wide, too many cells.
std::string Problem(int width, int columns, int rows);

// The layout for pictures of display aspect `aspect` (width over height); Problem must be "".
Layout LayOut(int width, int columns, int rows, double aspect, int headingLines);

// Collects a job's pictures into their cells and writes the sheet at the end. heading[0] is the
// title line, the rest the facts; labels[k] is drawn on cell k. A cell whose picture never came is
// drawn empty and marked, so a missing picture shows.
class ContactSheet : public TPictureSink {
public:
    // Throws Exception when the font cannot be loaded or the sheet's memory cannot be had.
    ContactSheet(const Layout& layout, std::vector<std::string> heading, std::vector<std::string> labels,
                 std::string fileName);
    ~ContactSheet() override;

    void Put(const TFastDIB& picture, std::int32_t index, bool deinterlaced) override;
    // Draws the heading (its last line then also says "deinterlaced" when any picture was) and the
    // empty cells, and writes the JPEG beside fileName first, then renamed onto it.
    void Finish() override;
};

}  // namespace sheet
