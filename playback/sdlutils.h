// Nearest-neighbour scaling of SDL surfaces with integer error terms only.
#pragma once

#include "playback/sdl.h"

// A new Width x Height surface holding the source rectangle scaled by nearest neighbour, in the
// source's pixel format and with its colour key; none when it cannot be made or locked.
TSurfacePtr ScaleSurface(SDL_Surface* Source, int SourceX, int SourceY, int SourceWidth, int SourceHeight,
                         int Width, int Height);

// Stretches pixels SourceX1..SourceX2-1 of row SourceRow of Source over pixels DestX1..DestX2-1 of
// row DestRow of Dest. Both surfaces must be accessible (locked where SDL requires it).
void StretchLine(SDL_Surface* Source, SDL_Surface* Dest, int DestX1, int DestX2, int SourceX1, int SourceX2,
                 int SourceRow, int DestRow, int BytesPerPixel);
