// A title's subpicture (subtitle) streams and palette, as its information file lists them.
#pragma once

#include <dvdread/ifo_types.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

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

// The streams of a title set whose program chain is `pgc`; a wide title reads its substreams from the
// wide field of the chain's stream control, a 4:3 one from the 4:3 field.
std::vector<SubpictureStream> SubpictureStreams(const vtsi_mat_t& attributes, const pgc_t& pgc, bool wide);
SubpicturePalette PaletteOf(const pgc_t& pgc);

// "normal", "forced", "director's comments", ...; empty for Unspecified.
std::string KindText(SubpictureKind kind);

}  // namespace dvd
