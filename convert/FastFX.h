// Whole-bitmap effects.
#pragma once

#include "convert/FastDIB.h"

// Turns the picture upside down in place; the row padding stays where it is. A bitmap without rows
// or pixels is left alone.
void FlipRows(TFastDIB& Dib);
// Target becomes Source turned upside down, as a copy followed by FlipRows would leave it, in one
// pass: Source's first memory row is Target's last. Source has 32 bits per pixel and Target its size
// at 32 bits, or at 24 with the fourth byte of each pixel dropped (the bitmap the JPEG writer takes);
// other bitmaps, and any without pixels, are left alone.
void FlipInto(const TFastDIB& Source, TFastDIB& Target);
