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
