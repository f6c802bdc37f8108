#include "job/subtitles.h"

namespace job {

namespace {

std::string StreamsText(const std::vector<SubtitleStream>& streams)
{
    std::string text;
    for (const SubtitleStream& s : streams)
        text += (text.empty() ? "" : ", ") + StreamText(s);
    return text;
}

}  // namespace

std::vector<SubtitleStream> SubtitleStreams(const std::vector<TDecoderSubtitleStream>& streams)
{
    std::vector<SubtitleStream> out;
    for (const TDecoderSubtitleStream& s : streams)
        out.push_back({s.Number, s.Language, static_cast<dvd::SubpictureKind>(s.Kind)});
    return out;
}

std::vector<SubtitleStream> SubtitleStreams(const std::vector<dvd::SubpictureStream>& streams)
{
    std::vector<SubtitleStream> out;
    for (const dvd::SubpictureStream& s : streams)
        if (s.available)
            out.push_back({s.number, s.language, s.kind});
    return out;
}

std::string StreamText(const SubtitleStream& stream)
{
    std::string text =
        std::to_string(stream.number) + " " + (stream.language.empty() ? "(no language)" : stream.language);
    if (const std::string kind = dvd::KindText(stream.kind); !kind.empty())
        text += " " + kind;
    return text;
}

std::string SubtitlesLine(const std::vector<SubtitleStream>& streams)
{
    return streams.empty() ? std::string() : "subtitles: " + StreamsText(streams);
}

}  // namespace job
