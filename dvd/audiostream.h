// An audio stream as a disc describes it; no libdvdread here, so the command line and the catalogue
// can hold it.
#pragma once

#include <string>

namespace dvd {

enum class AudioFormat { Ac3, Mpeg1, Mpeg2, Lpcm, Dts, Unknown };

struct AudioStream {
    int number = 0;  // from 1, in the order the title set lists its streams
    std::string language;  // two lowercase letters (ISO 639-1), empty when none is given
    AudioFormat format = AudioFormat::Unknown;
    int channels = 0;
    bool available = false;  // the title's program chain plays it
};

// "AC-3", "MPEG", "LPCM", "DTS"; empty for Unknown.
std::string FormatText(AudioFormat format);

}  // namespace dvd
