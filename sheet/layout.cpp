#include "sheet/layout.h"

#include "common/Nearest.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace sheet {

namespace {

constexpr int kMinCellWidth = 32;
constexpr int kMaxWidth = 16384;
constexpr int kMaxCells = 1000;
// DVD pictures are 4:3 or 16:9; 4:3 makes the tallest sheet, with a heading of a few lines.
constexpr double kTallestAspect = 4.0 / 3.0;
constexpr int kLongestHeading = 6;

int Margin(int width)
{
    return std::max(4, static_cast<int>(Nearest(width * 0.01)));
}

int Gap(int width)
{
    return std::max(2, static_cast<int>(Nearest(width * 0.005)));
}

int CellWidth(int width, int columns)
{
    return (width - 2 * Margin(width) - (columns - 1) * Gap(width)) / columns;
}

int GridWidth(int width, int columns, int cellWidth)
{
    return columns * cellWidth + (columns - 1) * Gap(width);
}

}  // namespace

int TitleSize(int sheetWidth)
{
    return static_cast<int>(Nearest(FactsSize(sheetWidth) * 1.3));
}

int FactsSize(int sheetWidth)
{
    return std::max(11, static_cast<int>(Nearest(sheetWidth / 70.0)));
}

int LabelSize(int cellHeight)
{
    return std::max(8, static_cast<int>(Nearest(cellHeight / 12.0)));
}

// Open Sans needs 1.36 em from its ascender to its descender.
int LineHeight(int size)
{
    return static_cast<int>(std::ceil(size * 1.4));
}

Rect Layout::Cell(int k) const
{
    const int gap = Gap(width);
    // The grid is centred: what the cells' whole pixels leave over goes to both sides.
    const int gridLeft = (width - GridWidth(width, columns, cellWidth)) / 2;
    const int gridTop = heading.height > 0 ? heading.top + heading.height + Margin(width) : Margin(width);
    const int row = k / columns;
    const int column = k % columns;
    return {gridLeft + column * (cellWidth + gap), gridTop + row * (cellHeight + gap), cellWidth, cellHeight};
}

std::string Problem(int width, int columns, int rows)
{
    if (columns < 1 || rows < 1)
        return "a contact sheet needs at least one column and one row";
    if (static_cast<std::int64_t>(columns) * rows > kMaxCells)
        return "a contact sheet holds at most " + std::to_string(kMaxCells) + " pictures";
    if (width > kMaxWidth)
        return "a contact sheet is at most " + std::to_string(kMaxWidth) + " pixels wide";
    if (CellWidth(width, columns) < kMinCellWidth)
        return "a sheet " + std::to_string(width) + " pixels wide is too narrow for " + std::to_string(columns) +
            " columns: each picture would be under " + std::to_string(kMinCellWidth) + " pixels wide";
    if (LayOut(width, columns, rows, kTallestAspect, kLongestHeading).height > kMaxJpegSide)
        return "a contact sheet of " + std::to_string(rows) + " rows at this width would be taller than " +
            std::to_string(kMaxJpegSide) + " pixels, the most a JPEG can be";
    return "";
}

Layout LayOut(int width, int columns, int rows, double aspect, int headingLines)
{
    // A video that tells no aspect is shown as most DVDs are.
    if (!(aspect > 0) || !std::isfinite(aspect))
        aspect = kTallestAspect;
    Layout layout;
    layout.width = width;
    layout.columns = columns;
    layout.rows = rows;
    layout.cellWidth = CellWidth(width, columns);
    layout.cellHeight = std::max(1, static_cast<int>(Nearest(layout.cellWidth / aspect)));

    const int margin = Margin(width);
    const int gridWidth = GridWidth(width, columns, layout.cellWidth);
    layout.heading.left = (width - gridWidth) / 2;
    layout.heading.top = margin;
    layout.heading.width = gridWidth;
    if (headingLines > 0)
        layout.heading.height = LineHeight(TitleSize(width)) + (headingLines - 1) * LineHeight(FactsSize(width));

    const Rect last = layout.Cell(columns * rows - 1);
    layout.height = last.top + last.height + margin;
    return layout;
}

}  // namespace sheet
