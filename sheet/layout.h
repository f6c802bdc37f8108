// Where everything goes on a contact sheet, and the sizes of its text: a heading over a grid of
// equal cells, with margins and gaps that grow with the sheet's width.
#pragma once

#include <string>

namespace sheet {

// libjpeg's largest side.
constexpr int kMaxJpegSide = 65500;

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
// too wide, too many cells, taller than a JPEG can be.
std::string Problem(int width, int columns, int rows);

// The layout for pictures of display aspect `aspect` (width over height); Problem must be "".
Layout LayOut(int width, int columns, int rows, double aspect, int headingLines);

// The text sizes, in pixels per em: the heading's title line and the lines under it follow the
// sheet's width, a cell's label its height.
int TitleSize(int sheetWidth);
int FactsSize(int sheetWidth);
int LabelSize(int cellHeight);
// The height of one line of text of that size, its line spacing included.
int LineHeight(int size);

}  // namespace sheet
