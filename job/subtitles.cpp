#include "job/subtitles.h"

#include "common/exceptions.h"

#include <algorithm>
#include <charconv>

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

std::optional<SubtitleRequest> ParseSubtitles(const std::string& text)
{
    using Kind = SubtitleRequest::Kind;
    if (text == "off")
        return SubtitleRequest{};
    if (text == "forced")
        return SubtitleRequest{Kind::Forced, 0, {}};
    // ASCII letters alone, whatever the user's locale: a disc names languages by ISO 639-1.
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (text.size() == 2 &&
        std::all_of(text.begin(), text.end(), [&](char c) { return lower(c) >= 'a' && lower(c) <= 'z'; })) {
        std::string language = text;
        std::transform(language.begin(), language.end(), language.begin(), lower);
        return SubtitleRequest{Kind::Language, 0, language};
    }
    std::int32_t number = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, number);
    if (text.empty() || ec != std::errc() || ptr != end || number < 1)
        return std::nullopt;
    return SubtitleRequest{Kind::Number, number, {}};
}

SubtitleChoice ResolveSubtitles(const SubtitleRequest& request, const std::vector<SubtitleStream>& streams)
{
    using Kind = SubtitleRequest::Kind;
    if (request.kind == Kind::Off)
        return {};
    const auto found = std::find_if(streams.begin(), streams.end(), [&](const SubtitleStream& s) {
        if (request.kind == Kind::Language)
            return s.language == request.language;
        return request.stream == 0 || s.number == request.stream;
    });
    if (found != streams.end())
        return {found->number, request.kind == Kind::Forced};
    const std::string named = request.kind == Kind::Language ? "\"" + request.language + "\""
        : request.stream > 0                                 ? std::to_string(request.stream)
                                                             : "to take forced subtitles from";
    throw Exception("no subtitle stream " + named + " (" +
                    (streams.empty() ? "the video has none" : "it has " + StreamsText(streams)) + ")");
}

}  // namespace job
