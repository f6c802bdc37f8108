// A title's program chain in the title set's information, the cells it plays and where its chapters
// start.
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

// The start of each chapter of title `number` for `angle` (from 1), in seconds from the start of
// the cells PlayedCells gives: whole frames summed at each cell's own rate. Chapters end at the first
// one in another program chain, whose cells the title's bytes do not hold. Throws DiscError when a
// chapter's program or cell is not in the chain.
std::vector<double> ChapterStarts(DiscReader& reader, int number, int angle);

// A DVD time (BCD hours, minutes, seconds and frames at the rate in the frame byte's two top bits).
std::int64_t DvdTimeMs(const dvd_time_t& time);

}  // namespace dvd
