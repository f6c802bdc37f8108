// Whole-bitmap effects.
#pragma once

#include "convert/FastDIB.h"

// Turns the picture upside down in place; the row padding stays where it is. A bitmap without rows
// or pixels is left alone.
void FlipRows(TFastDIB& Dib);
