// A subpicture (subtitle) stream and palette as a disc describes them; no libdvdread here, so the
// decoder library and the command line can hold them.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace dvd {

// What a stream holds, from its attributes' code extension.
enum class SubpictureKind {
    Unspecified,
    Normal,
    Large,
    Children,
    NormalCaptions,
    LargeCaptions,
    ChildrensCaptions,
    Forced,
    Director,
    LargeDirector,
    ChildrensDirector,
};

struct SubpictureStream {
    int number = 0;  // from 1, in the order the title set lists its streams
    std::string language;  // two lowercase letters (ISO 639-1), empty when none is given
    SubpictureKind kind = SubpictureKind::Unspecified;
    int substream = 0;  // 0-31: private stream 1 packets whose first payload byte is 0x20 + it
    bool available = false;  // the title's program chain plays it
};

// Sixteen colours, each 0x00YYCrCb; a subpicture's four colours are indices into them.
using SubpicturePalette = std::array<std::uint32_t, 16>;

// "normal", "forced", "director's comments", ...; empty for Unspecified.
std::string KindText(SubpictureKind kind);

}  // namespace dvd
