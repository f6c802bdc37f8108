// A title's audio streams, read from its title set's information file.
#pragma once

#include "dvd/audiostream.h"

#include <dvdread/ifo_types.h>

#include <vector>

namespace dvd {

// The streams of a title set whose program chain is `pgc`, at most the eight a title set holds.
std::vector<AudioStream> AudioStreams(const vtsi_mat_t& attributes, const pgc_t& pgc);

}  // namespace dvd
