// The drawing on a sheet's canvas: boxes and lines of text, blended over what is there. The text is
// Open Sans, found through fontconfig, shaped by HarfBuzz and rendered anti-aliased by FreeType.
#pragma once

#include "convert/FastDIB.h"
#include "sheet/layout.h"

#include <cstdint>
#include <memory>
#include <string>

// Only pointers to these are kept here, so the header needs neither library's headers.
struct FT_LibraryRec_;
struct FT_FaceRec_;
struct hb_font_t;

namespace sheet {

struct Colour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

constexpr std::uint8_t kOpaque = 255;

// Fills `rect` (from the canvas's top) with `colour` at `opacity` (0 to 255) over what is there;
// what lies outside the canvas is left out. The canvas is 32 bits per pixel, bottom row first.
void FillRect(TFastDIB& canvas, const Rect& rect, Colour colour, std::uint8_t opacity);

enum class Weight { Regular, Semibold };

class TextPainter {
public:
    // Throws Exception when Open Sans is not installed or does not load.
    TextPainter();
    ~TextPainter();
    TextPainter(const TextPainter&) = delete;
    TextPainter& operator=(const TextPainter&) = delete;

    // How far `text` set at `size` pixels per em advances, in whole pixels.
    int Advance(const std::string& text, int size, Weight weight);
    // Draws one line of UTF-8 `text` at `size` pixels per em, its line (LineHeight(size) high)
    // starting at `left`, `top`, in `colour`; nothing falls outside `clip` or the canvas.
    void Draw(TFastDIB& canvas, const std::string& text, int left, int top, int size, Weight weight, Colour colour,
              const Rect& clip);

private:
    struct LibraryDeleter {
        void operator()(FT_LibraryRec_* library) const noexcept;
    };
    struct FaceDeleter {
        void operator()(FT_FaceRec_* face) const noexcept;
    };
    struct FontDeleter {
        void operator()(hb_font_t* font) const noexcept;
    };
    struct Face {
        std::unique_ptr<FT_FaceRec_, FaceDeleter> face;
        std::unique_ptr<hb_font_t, FontDeleter> font;  // shares face, which it holds a reference to
    };

    Face Load(Weight weight);
    // The face of that weight, set to `size`.
    Face& Sized(Weight weight, int size);

    std::unique_ptr<FT_LibraryRec_, LibraryDeleter> library_;  // first: the faces are its own
    Face regular_;
    Face semibold_;
};

}  // namespace sheet
