// A video named by a path: a disc's title where the path is a disc (a folder, VIDEO_TS.IFO or an
// image), the file itself otherwise.
#pragma once

#include "decoderlib/videofile.h"

#include <string>

namespace decoderlib {

// `title` 0 is the disc's main title, `angle` 0 its first angle; a plain file ignores both.
// Throws DecodeError when the video cannot be opened.
VideoFile OpenVideo(const std::string& path, int title, int angle);

}  // namespace decoderlib
