// Bilinear resizing of one TFastDIB into another, already sized one of the same depth, in 16.16 fixed
// point with pixel centres aligned.
#pragma once

#include "convert/FastDIB.h"

// Dispatches on Target's depth; does nothing when either bitmap has no pixels or an unknown depth.
void Resample(const TFastDIB& Source, TFastDIB& Target);

void Resample8(const TFastDIB& Source, TFastDIB& Target);
// Channels are unpacked with Source's bit fields and packed with Target's.
void Resample16(const TFastDIB& Source, TFastDIB& Target);
void Resample24(const TFastDIB& Source, TFastDIB& Target);
void Resample32(const TFastDIB& Source, TFastDIB& Target);

// Resample followed by FlipRows(Target), in one pass and with the same results: Target's last memory
// row is made from Source's first rows. Source has 32 bits per pixel, Target 32 or 24, each pixel's
// fourth byte then dropped (the bitmap the JPEG writer takes); other depths are left alone.
void ResampleFlipped(const TFastDIB& Source, TFastDIB& Target);
