// What the headers inside one video packet of MPEG-1/2 say about its picture, read from its bytes as
// the decoder would read them: the picture's type, its GOP, how it is shown.
#pragma once

#include "decoderlib/avhandles.h"

#include <cstddef>
#include <cstdint>

namespace decoderlib {

enum PictureType { kUnknownPicture = 0, kIPicture = 1, kPPicture = 2, kBPicture = 3 };

// The first header with start code `code` in the packet, when its first `bytes` bytes are there too.
const std::uint8_t* FindHeader(const AVPacket& pkt, std::uint8_t code, std::size_t bytes);

PictureType CodingType(const AVPacket& pkt);

// Whether the B-pictures that follow this I-picture predict only from it: a closed GOP whose link
// to the one before is not broken.
bool SelfContainedGop(const AVPacket& pkt);

// Whether the picture is shown for three fields instead of two (film with 3:2 pulldown).
bool RepeatsField(const AVPacket& pkt);

// How a picture is shown, as its headers tell the decoder, which marks the frame it makes so.
struct Shown {
    PictureType type = kUnknownPicture;
    bool halfFrame = false;  // one field, the other coded as a picture of its own
    int fields = 2;
    bool interlaced = false;
};
// `progressiveSequence` holds what the last sequence extension said, for the pictures after it.
Shown ReadShown(const AVPacket& pkt, bool& progressiveSequence);

// Whether each picture in the packet holds a slice in its last row of macroblocks: in MPEG-2 every
// row begins one, as a slice never runs on into the next row. False for MPEG-1.
bool ReachesLastRow(const AVPacket& pkt, int height);

}  // namespace decoderlib
