// Finds the stretches of steady timestamps in a file without reading all of it: timestamps
// are sampled sparsely from the pack headers, the places where they break are narrowed down
// by bisection, and only the pictures around each break are decoded.
#pragma once

#include "decoderlib/psscan.h"
#include "decoderlib/timeline.h"

#include <vector>

namespace decoderlib {

class VideoFile;
class VideoStream;

// Whether the timestamps break between two neighbouring video PES: one damaged, or time restarting.
bool Jumps(const PesStamp& a, const PesStamp& b);

// Where the timestamps break, in file order: the offsets of the packs whose video PES carry the
// first timestamp of a new stretch. Reads headers only.
std::vector<std::int64_t> FindBreaks(const VideoFile& file);

// `firstPts` is the PTS of the file's first clean picture; `frameTicks` one frame's duration.
// Leaves `stream` at an arbitrary position.
Timeline ScanTimeline(const VideoFile& file, VideoStream& stream, std::int64_t firstPts, std::int64_t frameTicks);

} // namespace decoderlib
