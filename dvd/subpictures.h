// A title's subpicture (subtitle) streams and palette, read from its information file.
#pragma once

#include "dvd/subpicturestream.h"

#include <dvdread/ifo_types.h>

#include <vector>

namespace dvd {

// The streams of a title set whose program chain is `pgc`; a wide title reads its substreams from the
// wide field of the chain's stream control, a 4:3 one from the 4:3 field.
std::vector<SubpictureStream> SubpictureStreams(const vtsi_mat_t& attributes, const pgc_t& pgc, bool wide);
SubpicturePalette PaletteOf(const pgc_t& pgc);

}  // namespace dvd
