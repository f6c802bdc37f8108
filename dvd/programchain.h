// A title's program chain in the title set's information, and the cells it plays.
#pragma once

#include <dvdread/ifo_types.h>

#include <cstdint>
#include <vector>

namespace dvd {

class DiscReader;

// The program chain that plays title `number` (from 1); throws DiscError when the information
// files do not describe it.
const pgc_t& ProgramChain(DiscReader& reader, int number);

// The cells (indices into cell_playback) played for `angle` (from 1), from the title's first
// chapter on: in an angle block the angle's own cell (the first when the block has fewer).
std::vector<int> PlayedCells(const pgc_t& pgc, int angle);

// A DVD time (BCD hours, minutes, seconds and frames at the rate in the frame byte's two top bits).
std::int64_t DvdTimeMs(const dvd_time_t& time);

}  // namespace dvd
