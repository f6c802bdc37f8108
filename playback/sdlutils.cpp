#include "playback/sdlutils.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

TSurfacePtr ScaleSurface(SDL_Surface* Source, int SourceX, int SourceY, int SourceWidth, int SourceHeight,
                         int Width, int Height)
{
    const SDL_PixelFormat* format = Source->format;
    TSurfacePtr result(SDL_CreateRGBSurface(SDL_HWPALETTE, Width, Height, format->BitsPerPixel, format->Rmask,
                                            format->Gmask, format->Bmask, format->Amask));
    if (!result)
        return nullptr;
    SDL_SetColorKey(result.get(), SDL_SRCCOLORKEY, format->colorkey);
    const bool locked = SDL_MUSTLOCK(result.get());
    if (locked && SDL_LockSurface(result.get()) < 0)
        return nullptr;

    // Enlarging to twice the size or more would step one row past the rectangle on its last rows;
    // the last row stands in for it.
    const int lastRow = SourceY + SourceHeight - 1;
    int error = 2 * SourceHeight - Height;
    int row = SourceY;
    for (int d = 0; d < Height; ++d) {
        StretchLine(Source, result.get(), 0, Width, SourceX, SourceX + SourceWidth, std::min(row, lastRow), d,
                    format->BytesPerPixel);
        while (error >= 0) {
            ++row;
            error -= 2 * Height;
        }
        error += 2 * SourceHeight;
    }

    if (locked)
        SDL_UnlockSurface(result.get());
    return result;
}

void StretchLine(SDL_Surface* Source, SDL_Surface* Dest, int DestX1, int DestX2, int SourceX1, int SourceX2,
                 int SourceRow, int DestRow, int BytesPerPixel)
{
    if (DestRow >= Dest->h)
        return;
    const int count = DestX2 - DestX1;
    const int sourceCount = SourceX2 - SourceX1;
    int error = 2 * sourceCount - count;
    const auto* sourceRow = static_cast<const std::uint8_t*>(Source->pixels) + SourceRow * Source->pitch;
    const std::uint8_t* read = sourceRow + SourceX1 * BytesPerPixel;
    // Enlarging to twice the size or more would read one pixel past the row at its end; the last
    // pixel stands in for it.
    const std::uint8_t* last = sourceRow + (SourceX2 - 1) * BytesPerPixel;
    auto* write = static_cast<std::uint8_t*>(Dest->pixels) + DestRow * Dest->pitch + DestX1 * BytesPerPixel;
    for (int i = 0; i < count; ++i) {
        std::memcpy(write, std::min(read, last), static_cast<std::size_t>(BytesPerPixel));
        while (error >= 0) {
            read += BytesPerPixel;
            error -= 2 * count;
        }
        write += BytesPerPixel;
        error += 2 * sourceCount;
    }
}
