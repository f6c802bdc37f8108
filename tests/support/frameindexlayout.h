// Where and how a test video carries the index of each of its frames.
// Shared by the generator (framegen, which paints the code into YUV frames) and the reader
// (ReadFrameIndex, which finds it again in decoded BGRX or BGR pictures).
//
// The index is written in five flat grey blocks side by side, three bits each, most significant
// block first, so indices run from 0 to 32767. Block positions are fractions of the frame size:
// the code survives scaling to a thumbnail (160x128) and anamorphic display sizes.
#pragma once

namespace FrameIndexLayout {

inline constexpr int kBlockCount = 5;
inline constexpr int kBitsPerBlock = 3;
inline constexpr int kDigitCount = 1 << kBitsPerBlock;              // 8 grey levels
inline constexpr int kIndexLimit = 1 << (kBlockCount * kBitsPerBlock);  // 32768: indices are below

// Block k spans x in [(kLeft + k * kPitch) W, (kLeft + k * kPitch + kWidth) W) and
// y in [kTop H, kBottom H), W and H being the picture's width and height.
inline constexpr double kLeft = 0.06;
inline constexpr double kPitch = 0.18;
inline constexpr double kWidth = 0.12;
inline constexpr double kTop = 0.20;
inline constexpr double kBottom = 0.35;

// Limited-range luma of digit d (16..235 scale); chroma is neutral (128).
constexpr int DigitLuma(int digit) { return 24 + 28 * digit; }

// The same level in full-range RGB, as a decoder converting limited-range YUV produces it:
// (Y - 16) * 255 / 219. Digit 0 is about 9, digit 7 about 238; neighbours are about 33 apart.
constexpr double DigitRgb(int digit) { return (DigitLuma(digit) - 16) * 255.0 / 219.0; }

// A pixel rectangle [X0, X1) x [Y0, Y1).
struct TBlockRect {
    int X0;
    int Y0;
    int X1;
    int Y1;
};

// Pixel rectangle of block k in a picture of the given size (fractions rounded to nearest).
constexpr TBlockRect BlockRect(int block, int width, int height) {
    const double left = kLeft + block * kPitch;
    return TBlockRect{static_cast<int>(left * width + 0.5), static_cast<int>(kTop * height + 0.5),
                      static_cast<int>((left + kWidth) * width + 0.5),
                      static_cast<int>(kBottom * height + 0.5)};
}

// The part of block k that a reader averages: its inner half in each direction, well away from the
// edges where encoding (ringing, chroma subsampling) and scaling blur the block into its neighbourhood.
constexpr TBlockRect InnerBlockRect(int block, int width, int height) {
    const double left = kLeft + block * kPitch;
    const double top = kTop;
    const double w = kWidth;
    const double h = kBottom - kTop;
    return TBlockRect{static_cast<int>((left + w / 4) * width + 0.5),
                      static_cast<int>((top + h / 4) * height + 0.5),
                      static_cast<int>((left + 3 * w / 4) * width + 0.5),
                      static_cast<int>((top + 3 * h / 4) * height + 0.5)};
}

// Digit of block k (0 = leftmost, most significant) for an index.
constexpr int DigitOf(int index, int block) {
    return (index >> (kBitsPerBlock * (kBlockCount - 1 - block))) & (kDigitCount - 1);
}

}  // namespace FrameIndexLayout
