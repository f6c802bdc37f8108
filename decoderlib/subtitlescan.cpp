#include "decoderlib/subtitlescan.h"

#include "decoderlib/videofile.h"
#include "dvd/disc.h"
#include "mpeg/mpegps.h"

#include <algorithm>
#include <bitset>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>

namespace decoderlib {

namespace {

constexpr std::uint8_t kFirstSubpicture = 0x20;
constexpr int kSubstreams = 32;

// Walks the packs and packets of a window from its first pack header on, noting the subpicture
// substreams of private stream 1; a packet that runs past the window ends the walk, anything that is
// not a packet sends it on to the next pack header.
void NoteSubstreams(mpegps::Bytes window, std::bitset<kSubstreams>& found)
{
    using namespace mpegps;
    std::size_t at = FindStartCode(window, kPackStart).value_or(window.size());
    while (at + kMpeg2PackHeaderSize < window.size()) {
        const std::uint8_t* p = window.data() + at;
        std::size_t length = 0;
        if (IsStartCode(p, kPackStart))
            length = IsMpeg2Pack(p) ? Mpeg2PackHeaderLength(p) : kMpeg1PackHeaderSize;
        else if (HasStartCodePrefix(p) && StreamId(p) >= kFirstPacket)
            length = PacketLength(p);
        if (length == 0) {
            const std::optional<std::size_t> next = FindStartCode(window.subspan(at + 1), kPackStart);
            if (!next)
                return;
            at += 1 + *next;
            continue;
        }
        if (StreamId(p) == kPrivateStream1 && IsMpeg2Pes(p) && Mpeg2PesPayload(p) < length &&
            at + Mpeg2PesPayload(p) < window.size()) {
            const int substream = p[Mpeg2PesPayload(p)] - kFirstSubpicture;
            if (substream >= 0 && substream < kSubstreams)
                found.set(static_cast<std::size_t>(substream));
        }
        at += length;
    }
}

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// Title set nn of VTS_nn_m.VOB (m from 1: 0 holds the menus) in a folder named VIDEO_TS, in any case.
std::optional<int> TitleSetOf(const std::filesystem::path& path)
{
    const std::string name = Upper(path.filename().string());
    const auto digit = [&](std::size_t at, char lowest) { return name[at] >= lowest && name[at] <= '9'; };
    if (Upper(path.parent_path().filename().string()) != "VIDEO_TS" || name.size() != 12 ||
        name.compare(0, 4, "VTS_") != 0 || !digit(4, '0') || !digit(5, '0') || name[6] != '_' || !digit(7, '1') ||
        name.compare(8, 4, ".VOB") != 0)
        return std::nullopt;
    return (name[4] - '0') * 10 + (name[5] - '0');
}

// The streams the title's program chain plays: the others cannot be shown.
std::vector<dvd::SubpictureStream> Available(const std::vector<dvd::SubpictureStream>& streams)
{
    std::vector<dvd::SubpictureStream> available;
    std::copy_if(streams.begin(), streams.end(), std::back_inserter(available),
                 [](const dvd::SubpictureStream& s) { return s.available; });
    return available;
}

std::optional<VideoSubtitles> FromTitleSet(const std::filesystem::path& path)
{
    const std::optional<int> titleSet = TitleSetOf(path);
    if (!titleSet)
        return std::nullopt;
    try {
        const dvd::Disc disc(path.parent_path().string());
        for (const dvd::TitleInfo& title : disc.Titles()) {
            if (title.titleSet == *titleSet)
                return VideoSubtitles{Available(title.subtitles), title.palette, true};
        }
    } catch (const dvd::DiscError&) {
        // The folder's information does not read: the file is taken as it stands.
    }
    return std::nullopt;
}

}  // namespace

namespace {

// Walks every pack of the file, noting its subpicture substreams, until `enough` says the ones found
// so far will do.
template <typename Enough>
std::bitset<kSubstreams> WalkSubstreams(const VideoFile& file, Enough enough)
{
    // Chunks overlap by more than a packet, so that one cut by a chunk's end is whole in the next.
    constexpr std::int64_t kChunk = 1 << 20;
    constexpr std::int64_t kOverlap = 72 * 1024;
    const std::int64_t size = file.Size();
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(kChunk));
    std::bitset<kSubstreams> found;
    for (std::int64_t offset = 0; offset < size && !enough(found); offset += kChunk - kOverlap) {
        const std::size_t got = file.ReadAt(offset, bytes.data(), bytes.size());
        NoteSubstreams(mpegps::Bytes(bytes.data(), got), found);
        if (offset + static_cast<std::int64_t>(got) >= size)
            break;
    }
    return found;
}

// The streams and palette a disc's information gives the video, where it has any.
std::optional<VideoSubtitles> Described(const std::string& path, int title)
{
    if (dvd::IsDiscPath(path)) {
        try {
            const dvd::Disc disc(path);
            const dvd::TitleInfo& info = disc.Title(title);
            return VideoSubtitles{Available(info.subtitles), info.palette, true};
        } catch (const dvd::DiscError&) {
            // The title opened, so this is rare (the disc went away): it shows without subtitles.
            return VideoSubtitles{};
        }
    }
    return FromTitleSet(path);
}

}  // namespace

std::vector<int> SubpictureSubstreams(const VideoFile& file)
{
    const std::bitset<kSubstreams> found = WalkSubstreams(file, [](const auto&) { return false; });
    std::vector<int> substreams;
    for (int s = 0; s < kSubstreams; ++s) {
        if (found.test(static_cast<std::size_t>(s)))
            substreams.push_back(s);
    }
    return substreams;
}

VideoSubtitles FindSubtitles(const std::string& path, int title, const VideoFile& file)
{
    if (std::optional<VideoSubtitles> described = Described(path, title))
        return *described;
    VideoSubtitles subtitles;
    for (const int substream : SubpictureSubstreams(file)) {
        dvd::SubpictureStream stream;
        stream.number = static_cast<int>(subtitles.streams.size()) + 1;
        stream.substream = substream;
        stream.available = true;
        subtitles.streams.push_back(stream);
    }
    return subtitles;
}

std::optional<SubtitleStream> StreamNumbered(const VideoSubtitles& subtitles, int number)
{
    for (const dvd::SubpictureStream& stream : subtitles.streams) {
        if (stream.number == number)
            return SubtitleStream{stream.substream, subtitles.palette};
    }
    return std::nullopt;
}

std::optional<SubtitleStream> FindSubtitleStream(const std::string& path, int title, const VideoFile& file, int number)
{
    if (std::optional<VideoSubtitles> described = Described(path, title))
        return StreamNumbered(*described, number);
    if (number < 1 || number > kSubstreams)
        return std::nullopt;
    // Stream n is the n-th lowest substream: once substreams 0 to n-1 are all met, none found later
    // can come before it, and a plain file need not be read to its end.
    const auto lowest = [number](const std::bitset<kSubstreams>& found) {
        for (int s = 0; s < number; ++s) {
            if (!found.test(static_cast<std::size_t>(s)))
                return false;
        }
        return true;
    };
    const std::bitset<kSubstreams> found = WalkSubstreams(file, lowest);
    int seen = 0;
    for (int s = 0; s < kSubstreams; ++s) {
        if (found.test(static_cast<std::size_t>(s)) && ++seen == number)
            return SubtitleStream{s, kDefaultSubpicturePalette};
    }
    return std::nullopt;
}

}  // namespace decoderlib
