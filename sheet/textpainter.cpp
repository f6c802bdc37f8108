#include "sheet/textpainter.h"

#include "common/exceptions.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb-ft.h>
#include <hb.h>

#include <algorithm>

namespace sheet {

namespace {

constexpr const char* kFamily = "Open Sans";
// Light hinting keeps the letters' own widths and spacing and only settles them on the pixel rows.
constexpr FT_Int32 kLoadFlags = FT_LOAD_DEFAULT | FT_LOAD_TARGET_LIGHT;

struct PatternDeleter {
    void operator()(FcPattern* pattern) const noexcept { FcPatternDestroy(pattern); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

struct BufferDeleter {
    void operator()(hb_buffer_t* buffer) const noexcept { hb_buffer_destroy(buffer); }
};
using BufferPtr = std::unique_ptr<hb_buffer_t, BufferDeleter>;

struct FontFile {
    std::string path;
    int index = 0;
};

[[noreturn]] void ThrowNotInstalled()
{
    throw Exception("the font Open Sans is not installed (Debian package fonts-open-sans)");
}

// The file of Open Sans nearest to `weight`, as fontconfig finds it. Fontconfig answers every
// question with some font, so its answer counts only when its family really is Open Sans.
FontFile FindOpenSans(int weight)
{
    if (!FcInit())
        ThrowNotInstalled();
    const PatternPtr pattern(FcPatternCreate());
    if (!pattern)
        ThrowNotInstalled();
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(kFamily));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, weight);
    FcPatternAddInteger(pattern.get(), FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddInteger(pattern.get(), FC_WIDTH, FC_WIDTH_NORMAL);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    const PatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
    if (!match || result != FcResultMatch)
        ThrowNotInstalled();

    bool openSans = false;
    FcChar8* family = nullptr;
    for (int i = 0; !openSans && FcPatternGetString(match.get(), FC_FAMILY, i, &family) == FcResultMatch; ++i)
        openSans = FcStrCmpIgnoreCase(family, reinterpret_cast<const FcChar8*>(kFamily)) == 0;
    FcChar8* file = nullptr;
    if (!openSans || FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch)
        ThrowNotInstalled();
    FontFile found{reinterpret_cast<const char*>(file), 0};
    if (FcPatternGetInteger(match.get(), FC_INDEX, 0, &found.index) != FcResultMatch)
        found.index = 0;
    return found;
}

int Round26(FT_Pos value)
{
    return static_cast<int>((value + 32) >> 6);
}

BufferPtr Shape(hb_font_t* font, const std::string& text)
{
    BufferPtr buffer(hb_buffer_create());
    const int length = static_cast<int>(text.size());
    hb_buffer_add_utf8(buffer.get(), text.data(), length, 0, length);
    hb_buffer_guess_segment_properties(buffer.get());
    hb_shape(font, buffer.get(), nullptr, 0);
    return buffer;
}

Rect Intersect(const Rect& a, const Rect& b)
{
    const int left = std::max(a.left, b.left);
    const int top = std::max(a.top, b.top);
    const int right = std::min(a.left + a.width, b.left + b.width);
    const int bottom = std::min(a.top + a.height, b.top + b.height);
    return {left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

Rect Bounds(const TFastDIB& canvas)
{
    return {0, 0, canvas.Width(), canvas.Rows()};
}

// Row `top` counted from the picture's top; the canvas keeps its bottom row first.
std::uint8_t* RowFromTop(TFastDIB& canvas, int top)
{
    return canvas.Scanline(canvas.Rows() - 1 - top);
}

void Blend(std::uint8_t* pixel, Colour colour, unsigned alpha)
{
    const auto mix = [alpha](std::uint8_t under, std::uint8_t over) {
        return static_cast<std::uint8_t>((under * (255 - alpha) + over * alpha + 127) / 255);
    };
    pixel[0] = mix(pixel[0], colour.blue);
    pixel[1] = mix(pixel[1], colour.green);
    pixel[2] = mix(pixel[2], colour.red);
}

// Blends a rendered glyph whose top left pixel lands at `left`, `top`, its coverage as the colour's opacity.
void BlendGlyph(TFastDIB& canvas, const FT_Bitmap& glyph, int left, int top, Colour colour, const Rect& clip)
{
    // FreeType's anti-aliased rendering gives one byte of coverage a pixel, top row first.
    if (glyph.pixel_mode != FT_PIXEL_MODE_GRAY || glyph.pitch <= 0)
        return;
    const Rect area = Intersect({left, top, static_cast<int>(glyph.width), static_cast<int>(glyph.rows)}, clip);
    for (int y = area.top; y < area.top + area.height; ++y) {
        const unsigned char* coverage = glyph.buffer + static_cast<std::ptrdiff_t>(y - top) * glyph.pitch;
        std::uint8_t* row = RowFromTop(canvas, y);
        for (int x = area.left; x < area.left + area.width; ++x) {
            const unsigned alpha = coverage[x - left];
            if (alpha != 0)
                Blend(row + 4 * x, colour, alpha);
        }
    }
}

}  // namespace

void FillRect(TFastDIB& canvas, const Rect& rect, Colour colour, std::uint8_t opacity)
{
    const Rect area = Intersect(rect, Bounds(canvas));
    for (int y = area.top; y < area.top + area.height; ++y) {
        std::uint8_t* row = RowFromTop(canvas, y);
        for (int x = area.left; x < area.left + area.width; ++x)
            Blend(row + 4 * x, colour, opacity);
    }
}

void TextPainter::LibraryDeleter::operator()(FT_LibraryRec_* library) const noexcept
{
    FT_Done_FreeType(library);
}

void TextPainter::FaceDeleter::operator()(FT_FaceRec_* face) const noexcept
{
    FT_Done_Face(face);
}

void TextPainter::FontDeleter::operator()(hb_font_t* font) const noexcept
{
    hb_font_destroy(font);
}

TextPainter::TextPainter()
{
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        throw Exception("Unable to start the font engine FreeType");
    library_.reset(library);
    regular_ = Load(Weight::Regular);
    semibold_ = Load(Weight::Semibold);
}

TextPainter::~TextPainter() = default;

TextPainter::Face TextPainter::Load(Weight weight)
{
    const FontFile file = FindOpenSans(weight == Weight::Regular ? FC_WEIGHT_REGULAR : FC_WEIGHT_SEMIBOLD);
    FT_Face face = nullptr;
    const FT_Error error = FT_New_Face(library_.get(), file.path.c_str(), file.index, &face);
    if (error != 0)
        throw Exception("Unable to load the font " + file.path + " (FreeType error " + std::to_string(error) + ")");
    Face loaded;
    loaded.face.reset(face);
    // The HarfBuzz font takes its own reference to the face, so either may go first.
    loaded.font.reset(hb_ft_font_create_referenced(face));
    hb_ft_font_set_load_flags(loaded.font.get(), kLoadFlags);
    return loaded;
}

TextPainter::Face& TextPainter::Sized(Weight weight, int size)
{
    Face& face = weight == Weight::Regular ? regular_ : semibold_;
    if (face.face->size->metrics.y_ppem != size) {
        if (FT_Set_Pixel_Sizes(face.face.get(), 0, static_cast<FT_UInt>(std::max(1, size))) != 0)
            throw Exception("Unable to set the font Open Sans to " + std::to_string(size) + " pixels");
        // HarfBuzz takes the face's new scale only when told.
        hb_ft_font_changed(face.font.get());
    }
    return face;
}

int TextPainter::Advance(const std::string& text, int size, Weight weight)
{
    const BufferPtr buffer = Shape(Sized(weight, size).font.get(), text);
    unsigned count = 0;
    const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer.get(), &count);
    FT_Pos advance = 0;
    for (unsigned i = 0; i < count; ++i)
        advance += positions[i].x_advance;
    return Round26(advance);
}

void TextPainter::Draw(TFastDIB& canvas, const std::string& text, int left, int top, int size, Weight weight,
                       Colour colour, const Rect& clip)
{
    const Face& face = Sized(weight, size);
    const BufferPtr buffer = Shape(face.font.get(), text);
    unsigned count = 0;
    const hb_glyph_info_t* glyphs = hb_buffer_get_glyph_infos(buffer.get(), &count);
    const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer.get(), nullptr);

    // The glyphs' full height, ascender to descender, sits in the middle of the line.
    const FT_Size_Metrics& metrics = face.face->size->metrics;
    const int ascender = Round26(metrics.ascender);
    const int descender = -Round26(metrics.descender);
    const int baseline = top + (LineHeight(size) - ascender - descender) / 2 + ascender;

    const Rect area = Intersect(clip, Bounds(canvas));
    FT_Pos penX = 0;
    FT_Pos penY = 0;
    for (unsigned i = 0; i < count; ++i) {
        // A glyph that does not load is left out rather than failing the whole sheet.
        if (FT_Load_Glyph(face.face.get(), glyphs[i].codepoint, kLoadFlags | FT_LOAD_RENDER) == 0) {
            const FT_GlyphSlot slot = face.face->glyph;
            const int x = left + Round26(penX + positions[i].x_offset) + slot->bitmap_left;
            const int y = baseline - Round26(penY + positions[i].y_offset) - slot->bitmap_top;
            BlendGlyph(canvas, slot->bitmap, x, y, colour, area);
        }
        penX += positions[i].x_advance;
        penY += positions[i].y_advance;
    }
}

}  // namespace sheet
