// Subtitle streams as people read them, and which one a user's choice names; both fronts list
// and choose streams through these.
#pragma once

#include "decoder/decoderrecords.h"
#include "dvd/subpicturestream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace job {

// One stream as the decoder library or a disc's information lists it.
struct SubtitleStream {
    std::int32_t number = 0;  // from 1: what the library's SetSubtitles takes
    std::string language;  // two lowercase letters, empty where none is known
    dvd::SubpictureKind kind = dvd::SubpictureKind::Unspecified;
};

std::vector<SubtitleStream> SubtitleStreams(const std::vector<TDecoderSubtitleStream>& streams);
// Only the streams the title plays.
std::vector<SubtitleStream> SubtitleStreams(const std::vector<dvd::SubpictureStream>& streams);

// "1 en normal", "2 de forced", "3 (no language)": number, language, kind where the stream names one.
std::string StreamText(const SubtitleStream& stream);

// "subtitles: 1 en normal, 2 de forced"; empty when there are none.
std::string SubtitlesLine(const std::vector<SubtitleStream>& streams);

}  // namespace job
