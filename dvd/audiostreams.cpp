#include "dvd/audiostreams.h"

#include "dvd/language.h"

#include <algorithm>

namespace dvd {

namespace {

constexpr int kMaxStreams = 8;
constexpr std::uint16_t kAvailable = 0x8000;

AudioFormat FormatOf(unsigned code)
{
    switch (code) {
    case 0:
        return AudioFormat::Ac3;
    case 2:
        return AudioFormat::Mpeg1;
    case 3:
        return AudioFormat::Mpeg2;
    case 4:
        return AudioFormat::Lpcm;
    case 6:
        return AudioFormat::Dts;
    default:
        return AudioFormat::Unknown;
    }
}

}  // namespace

std::vector<AudioStream> AudioStreams(const vtsi_mat_t& attributes, const pgc_t& pgc)
{
    const int count = std::min<int>(attributes.nr_of_vts_audio_streams, kMaxStreams);
    std::vector<AudioStream> streams;
    for (int i = 0; i < count; ++i) {
        const audio_attr_t& a = attributes.vts_audio_attr[i];
        AudioStream stream;
        stream.number = i + 1;
        stream.language = LanguageOf(a.lang_type, a.lang_code);
        stream.format = FormatOf(a.audio_format);
        stream.channels = a.channels + 1;
        stream.available = (pgc.audio_control[i] & kAvailable) != 0;
        streams.push_back(stream);
    }
    return streams;
}

std::string FormatText(AudioFormat format)
{
    switch (format) {
    case AudioFormat::Ac3:
        return "AC-3";
    case AudioFormat::Mpeg1:
    case AudioFormat::Mpeg2:
        return "MPEG";
    case AudioFormat::Lpcm:
        return "LPCM";
    case AudioFormat::Dts:
        return "DTS";
    case AudioFormat::Unknown:
        break;
    }
    return {};
}

}  // namespace dvd
