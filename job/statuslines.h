// The lines both fronts show: the video's information and a job's progress.
#pragma once

#include "common/hms.h"
#include "convert/_consts.h"
#include "decoder/decoderrecords.h"

#include <cstdint>
#include <string>

namespace job {

// "FPS: 29.97 Size: 720x480 Duration: 01:02:03", the frame rate with two decimals and the given
// decimal point.
std::string InfoLine(double fps, std::int32_t width, std::int32_t height, const THms& duration,
                     const std::string& decimalPoint = ".");

// "hh:mm:ss", hours beyond two digits in full.
std::string ClockText(const THms& time);

// What could not be read of a video, for the end of a job: "192 KiB could not be read (near 0:00:33)",
// or with several places "(near 0:00:33, 0:01:10 and 2 more places)"; empty when everything was read.
std::string UnreadableLine(const TDecoderUnreadable& unreadable);

// A long job's line on a terminal, redrawn as it goes: "Processing: 1234/15000 8% 280.5 pictures/s
// 00:00:49 left", `seconds` after the job began; the rate and the time left once half a second has
// passed.
std::string LiveLine(std::int64_t written, std::int64_t total, double seconds);

// A job's progress line, fed with every report: "Processing: n/N" after each picture and
// "Done: n/N" at the end, n the pictures written (the index of the last plus one; 0 when there
// is none) and N the job's total.
class Progress {
public:
    std::string Saved(const TConvertProgress& progress);
    std::string Done(const TConvertProgress& progress) const;
    std::int64_t Written() const { return written_; }

private:
    std::int64_t written_ = 0;
};

}  // namespace job
