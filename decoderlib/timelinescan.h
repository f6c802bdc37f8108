// Finds the stretches of steady timestamps in a file without reading all of it: timestamps
// are sampled sparsely from the pack headers, the places where they break are narrowed down
// by bisection, and only the pictures around each break are decoded.
#pragma once

#include "timeline.h"

namespace decoderlib {

class VideoFile;
class VideoStream;

// `firstPts` is the PTS of the file's first clean picture; `frameTicks` one frame's duration.
// Leaves `stream` at an arbitrary position.
Timeline ScanTimeline(const VideoFile& file, VideoStream& stream, std::int64_t firstPts, std::int64_t frameTicks);

} // namespace decoderlib
