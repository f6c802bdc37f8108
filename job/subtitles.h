// Subtitle streams as people read them, and which one a user's choice names; both fronts list
// and choose streams through these.
#pragma once

#include "decoder/decoderrecords.h"
#include "dvd/subpicturestream.h"

#include <cstdint>
#include <optional>
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

// Which subtitles the user asks for, before the video's streams are known.
struct SubtitleRequest {
    enum class Kind { Off, Number, Language, Forced };
    Kind kind = Kind::Off;
    // Number: the stream; Forced: the stream whose forced subpictures are drawn, 0 for the first.
    std::int32_t stream = 0;
    std::string language;  // Language: two lowercase letters
};

// "off", "forced", a stream number from 1, or a two-letter language code in either case; nothing for
// anything else.
std::optional<SubtitleRequest> ParseSubtitles(const std::string& text);

// What the decoder library is told to draw.
struct SubtitleChoice {
    std::int32_t stream = 0;  // 0: none
    bool forcedOnly = false;
};

// The stream `request` names among the video's: for a language, the first of it. Throws Exception where
// the video has no such stream, saying what it has: `no subtitle stream "fr" (it has 1 en normal)`.
SubtitleChoice ResolveSubtitles(const SubtitleRequest& request, const std::vector<SubtitleStream>& streams);

}  // namespace job
