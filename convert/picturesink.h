// Where a job's pictures go when they are not files of their own (a contact sheet): each picture
// in the job's order, then the end of the job.
#pragma once

#include "convert/FastDIB.h"

#include <cstdint>

class TPictureSink {
public:
    virtual ~TPictureSink() = default;

    // Before the job's first picture: the open video's length in frames.
    virtual void Begin(std::int64_t Frames) = 0;
    // Picture has the job's size and stands as the thread's bitmaps stand, bottom row first; it is
    // valid during the call only. Index counts the job's pictures from 0, Frame the video's frames;
    // Deinterlaced tells that the decoder made the picture whole from its two fields.
    virtual void Put(const TFastDIB& Picture, std::int32_t Index, std::int64_t Frame, bool Deinterlaced) = 0;
    // After the job's last picture, also when it ended early: writes what was put. Throws Exception
    // naming the file when it cannot, and leaves no partial file.
    virtual void Finish() = 0;
};
