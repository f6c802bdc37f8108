// A file manager's thumbnail of a video: one picture that shows something, scaled to the display
// aspect and written as a PNG file whole or not at all. stillreel-thumbs --thumbnail runs it.
#pragma once

#include "job/video.h"

#include <cstdint>
#include <string>

class TDecoder;

namespace job {

// The longer side file managers ask for by default ("large" thumbnails), and the most we make:
// they ask for 128 to 1024, and far past a DVD's own size a picture only grows, not sharpens.
inline constexpr std::int32_t kThumbnailDefaultSide = 256;
inline constexpr std::int32_t kThumbnailLargestSide = 4096;

// The picture at 10% of the video's length (a disc's title as `request` names it, else its main
// title), or where that is nearly uniform (black, a fade, a flat card) the first of 20%, 30%, ...
// 90% that is not; when all are, the one at 10%. Scaled to the display aspect, `side` pixels on its
// longer side, it becomes `output` as a 24-bit PNG, written beside it and renamed onto it, so a
// failure leaves neither a part of it nor the temporary file. Throws Exception (or EMPEG2Error,
// the decoder's refusal of the file) with one line saying why.
void WriteThumbnail(TDecoder& decoder, const std::string& input, const TitleRequest& request, std::int32_t side,
                    const std::string& output);

}  // namespace job
