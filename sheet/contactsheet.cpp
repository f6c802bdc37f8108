#include "sheet/contactsheet.h"

#include "common/exceptions.h"
#include "common/hms.h"
#include "common/wholefile.h"
#include "convert/FreeBitmap.h"
#include "convert/frametime.h"
#include "convert/jpegfile.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

namespace sheet {

namespace {

// Paper, not screen: a warm near-white under dark grey text.
constexpr Colour kBackground{0xF4, 0xF3, 0xEF};
constexpr Colour kTitle{0x22, 0x22, 0x22};
constexpr Colour kFacts{0x4A, 0x4A, 0x4A};
// A label is white on a dark veil that lets the picture through: readable on white and on black.
constexpr Colour kLabelBox{0x00, 0x00, 0x00};
constexpr std::uint8_t kLabelBoxOpacity = 165;
constexpr Colour kLabelText{0xFF, 0xFF, 0xFF};
constexpr Colour kEmptyCell{0x8C, 0x8C, 0x8C};
constexpr Colour kEmptyFrame{0x74, 0x74, 0x74};
constexpr Colour kEmptyText{0xF2, 0xF2, 0xF2};
// U+00B7, the middle dot, between two spaces on each side.
constexpr const char* kDeinterlacedMark = "  \xC2\xB7  deinterlaced";

std::string Size(int width, int height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

std::string Joined(const std::string& caption, const std::string& time)
{
    return caption.empty() ? time : caption + "  " + time;
}

}  // namespace

ContactSheet::ContactSheet(const Layout& layout, std::vector<std::string> heading, VideoFacts video,
                           std::vector<std::string> captions, std::string fileName)
    : layout_(layout), heading_(std::move(heading)), video_(std::move(video)), captions_(std::move(captions)),
      fileName_(std::move(fileName)), cells_(static_cast<std::size_t>(std::max(0, layout.columns * layout.rows)))
{
    if (layout_.height > kMaxJpegSide)
        throw Exception("A contact sheet of " + Size(layout_.width, layout_.height) +
                        " pixels is taller than a JPEG picture can be.");
    canvas_.SetSize(layout_.width, layout_.height, 32);
    if (!canvas_.Bits())
        throw Exception("Unable to allocate a picture of " + Size(layout_.width, layout_.height) + " pixels.");

    std::uint8_t* const first = canvas_.Scanline(0);
    for (int x = 0; x < layout_.width; ++x) {
        first[4 * x] = kBackground.blue;
        first[4 * x + 1] = kBackground.green;
        first[4 * x + 2] = kBackground.red;
        first[4 * x + 3] = 0;
    }
    for (int y = 1; y < canvas_.Rows(); ++y)
        std::memcpy(canvas_.Scanline(y), first, static_cast<std::size_t>(canvas_.RowBytes()));
}

ContactSheet::~ContactSheet() = default;

std::string ContactSheet::MapName(const std::string& fileName)
{
    return std::filesystem::path(fileName).replace_extension(".json").string();
}

void ContactSheet::Begin(std::int64_t frames)
{
    frames_ = frames;
}

void ContactSheet::Put(const TFastDIB& picture, std::int32_t index, std::int64_t frame, bool deinterlaced)
{
    if (index < 0 || static_cast<std::size_t>(index) >= cells_.size())
        throw Exception("Picture " + std::to_string(index) + " has no cell on a contact sheet of " +
                        std::to_string(cells_.size()) + " cells.");
    if (picture.Width() != layout_.cellWidth || picture.Height() != layout_.cellHeight || picture.Bpp() != 32 ||
        !picture.Bits())
        throw Exception("A picture of " + Size(picture.Width(), picture.Height()) +
                        " pixels does not fit the contact sheet's cells of " +
                        Size(layout_.cellWidth, layout_.cellHeight) + ".");

    // Both keep their bottom row first: the picture's row 0 is the cell's bottom row.
    const Rect cell = layout_.Cell(index);
    const int bottom = canvas_.Rows() - (cell.top + cell.height);
    const auto rowBytes = static_cast<std::size_t>(cell.width) * 4;
    for (int y = 0; y < cell.height; ++y)
        std::memcpy(canvas_.Scanline(bottom + y) + 4 * cell.left, picture.Scanline(y), rowBytes);

    CellEntry& entry = cells_[static_cast<std::size_t>(index)];
    entry.frame = frame;
    entry.label = Joined(Caption(index), FormatHms(SplitSeconds(SecondOfFrame(frame, FrameRateOf(video_.fps))), 1));
    DrawLabel(cell, entry.label);
    deinterlaced_ = deinterlaced_ || deinterlaced;
}

std::string ContactSheet::Caption(int index) const
{
    return static_cast<std::size_t>(index) < captions_.size() ? captions_[static_cast<std::size_t>(index)] : "";
}

void ContactSheet::DrawLabel(const Rect& cell, const std::string& label)
{
    if (label.empty())
        return;
    const int size = LabelSize(cell.height);
    const int padding = std::max(2, size * 2 / 5);
    const int boxWidth = std::min(cell.width, painter_.Advance(label, size, Weight::Regular) + 2 * padding);
    const int boxHeight = std::min(cell.height, LineHeight(size));
    const Rect box{cell.left + cell.width - boxWidth, cell.top + cell.height - boxHeight, boxWidth, boxHeight};
    FillRect(canvas_, box, kLabelBox, kLabelBoxOpacity);
    painter_.Draw(canvas_, label, box.left + padding, box.top, size, Weight::Regular, kLabelText, box);
}

void ContactSheet::DrawEmptyCell(int index)
{
    const Rect cell = layout_.Cell(index);
    FillRect(canvas_, cell, kEmptyFrame, kOpaque);
    FillRect(canvas_, {cell.left + 1, cell.top + 1, cell.width - 2, cell.height - 2}, kEmptyCell, kOpaque);
    const std::string text = "no picture";
    const int size = LabelSize(cell.height);
    const int left = cell.left + std::max(0, (cell.width - painter_.Advance(text, size, Weight::Regular)) / 2);
    const int top = cell.top + (cell.height - LineHeight(size)) / 2;
    painter_.Draw(canvas_, text, left, top, size, Weight::Regular, kEmptyText, cell);
    CellEntry& entry = cells_[static_cast<std::size_t>(index)];
    entry.label = Caption(index);
    DrawLabel(cell, entry.label);
}

void ContactSheet::DrawHeading()
{
    int top = layout_.heading.top;
    for (std::size_t i = 0; i < heading_.size(); ++i) {
        const bool title = i == 0;
        const int size = title ? TitleSize(layout_.width) : FactsSize(layout_.width);
        std::string line = heading_[i];
        if (deinterlaced_ && i + 1 == heading_.size())
            line += kDeinterlacedMark;
        painter_.Draw(canvas_, line, layout_.heading.left, top, size, title ? Weight::Semibold : Weight::Regular,
                      title ? kTitle : kFacts, layout_.heading);
        top += LineHeight(size);
    }
}

void ContactSheet::Finish()
{
    // Drawn once: a second Finish writes the same sheet again rather than darkening its text.
    if (!drawn_) {
        DrawHeading();
        for (std::size_t k = 0; k < cells_.size(); ++k)
            if (!cells_[k].frame)
                DrawEmptyCell(static_cast<int>(k));
        drawn_ = true;
    }

    TFreeBitmap bitmap(FIT_BITMAP, layout_.width, layout_.height, 24);
    if (!bitmap.IsValid())
        throw Exception("Unable to allocate a picture of " + Size(layout_.width, layout_.height) + " pixels.");
    // Both keep their bottom row first.
    for (int y = 0; y < canvas_.Rows(); ++y) {
        const std::uint8_t* from = canvas_.Scanline(y);
        BYTE* to = FreeImage_GetScanLine(bitmap.Dib(), y);
        for (int x = 0; x < layout_.width; ++x, from += 4, to += 3) {
            to[FI_RGBA_BLUE] = from[0];
            to[FI_RGBA_GREEN] = from[1];
            to[FI_RGBA_RED] = from[2];
        }
    }
    const std::string map =
        SheetMap(std::filesystem::path(fileName_).filename().string(), layout_, video_, frames_, deinterlaced_, cells_);
    const std::string mapName = MapName(fileName_);
    std::string failed = fileName_;
    try {
        SaveJpeg(bitmap.Dib(), fileName_);
        failed = mapName;
        WriteWholeFile(mapName, map.data(), map.size());
    } catch (const std::system_error& error) {
        // A sheet without its map would leave scripts guessing: both or neither.
        if (failed == mapName) {
            std::error_code ignored;
            std::filesystem::remove(fileName_, ignored);
        }
        throw Exception("Unable to write contact sheet: " + failed + " (" + error.code().message() + ")");
    }
}

}  // namespace sheet
