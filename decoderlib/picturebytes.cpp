#include "decoderlib/picturebytes.h"

#include "mpeg/mpegps.h"

namespace decoderlib {

namespace {

mpegps::Bytes PacketBytes(const AVPacket& pkt)
{
    return {pkt.data, pkt.size > 0 ? static_cast<std::size_t>(pkt.size) : 0};
}

// The first header with start code `code` in `data`, when its first `bytes` bytes are there too.
const std::uint8_t* FindHeaderIn(mpegps::Bytes data, std::uint8_t code, std::size_t bytes)
{
    if (data.size() < bytes)
        return nullptr;
    // Searching all but the header's tail leaves the whole header inside the data.
    const auto at = mpegps::FindStartCode(data.first(data.size() - (bytes - mpegps::kStartCodeSize)), code);
    return at ? data.data() + *at : nullptr;
}

// Slice start codes number the row of macroblocks the slice begins in, from 1.
constexpr int kLastSliceRow = 0xAF;

}  // namespace

const std::uint8_t* FindHeader(const AVPacket& pkt, std::uint8_t code, std::size_t bytes)
{
    return FindHeaderIn(PacketBytes(pkt), code, bytes);
}

bool SelfContainedGop(const AVPacket& pkt)
{
    const std::uint8_t* gop = FindHeader(pkt, mpegps::kGroupStart, mpegps::kGopHeaderBytes);
    return gop && mpegps::ClosedGop(gop) && !mpegps::BrokenLink(gop);
}

bool RepeatsField(const AVPacket& pkt)
{
    const mpegps::Bytes data = PacketBytes(pkt);
    const std::uint8_t* picture = FindHeaderIn(data, mpegps::kPictureStart, mpegps::kPictureHeaderBytes);
    if (!picture)
        return false;
    const std::uint8_t* extension = FindHeaderIn(data.subspan(static_cast<std::size_t>(picture - data.data())),
                                                 mpegps::kExtensionStart, mpegps::kPictureCodingExtensionBytes);
    return extension && mpegps::ExtensionId(extension) == mpegps::kPictureCodingExtension &&
           mpegps::RepeatFirstField(extension);
}

Shown ReadShown(const AVPacket& pkt, bool& progressiveSequence)
{
    const mpegps::Bytes data = PacketBytes(pkt);
    Shown shown;
    const std::uint8_t* picture = FindHeaderIn(data, mpegps::kPictureStart, mpegps::kPictureHeaderBytes);
    if (!picture)
        return shown;
    const auto at = static_cast<std::size_t>(picture - data.data());
    if (const std::uint8_t* sequence = FindHeaderIn(data.first(at), mpegps::kSequenceHeader, mpegps::kSequenceHeaderBytes)) {
        const auto from = static_cast<std::size_t>(sequence - data.data()) + mpegps::kStartCodeSize;
        const std::uint8_t* extension =
            FindHeaderIn(data.subspan(from, at - from), mpegps::kExtensionStart, mpegps::kSequenceExtensionBytes);
        if (extension && mpegps::ExtensionId(extension) == mpegps::kSequenceExtension)
            progressiveSequence = mpegps::ProgressiveSequence(extension);
    }
    const int type = mpegps::PictureCodingType(picture);
    shown.type = type >= kIPicture && type <= kBPicture ? static_cast<PictureType>(type) : kUnknownPicture;
    const mpegps::Bytes rest = data.subspan(at + mpegps::kStartCodeSize);
    const std::uint8_t* extension = FindHeaderIn(rest, mpegps::kExtensionStart, mpegps::kPictureCodingExtensionBytes);
    if (!extension || mpegps::ExtensionId(extension) != mpegps::kPictureCodingExtension)
        return shown; // MPEG-1: progressive frames
    const bool progressiveFrame = mpegps::ProgressiveFrame(extension);
    shown.interlaced = !progressiveFrame && !progressiveSequence;
    if (mpegps::PictureStructure(extension) != mpegps::kFramePicture)
        shown.halfFrame = !FindHeaderIn(rest, mpegps::kPictureStart, mpegps::kPictureHeaderBytes);
    else if (mpegps::RepeatFirstField(extension))
        shown.fields += progressiveSequence ? (mpegps::TopFieldFirst(extension) ? 4 : 2) : (progressiveFrame ? 1 : 0);
    return shown;
}

bool ReachesLastRow(const AVPacket& pkt, int height)
{
    mpegps::Bytes data = PacketBytes(pkt);
    bool seen = false;
    while (const auto picture = mpegps::FindStartCode(data, mpegps::kPictureStart)) {
        data = data.subspan(*picture + mpegps::kStartCodeSize);
        // The picture coding extension comes next in MPEG-2; MPEG-1 has none.
        const auto next = mpegps::FindStartCode(data);
        if (!next || data.size() < *next + mpegps::kPictureCodingExtensionBytes ||
            data[*next + 3] != mpegps::kExtensionStart ||
            mpegps::ExtensionId(&data[*next]) != mpegps::kPictureCodingExtension)
            return false;
        const bool field = mpegps::PictureStructure(&data[*next]) != mpegps::kFramePicture;
        const int lastRow = field ? (height + 31) / 32 : (height + 15) / 16;
        bool reached = false;
        for (auto at = mpegps::FindStartCode(data); at && data[*at + 3] != mpegps::kPictureStart;
             at = mpegps::FindStartCode(data)) {
            reached = reached || (lastRow <= kLastSliceRow && data[*at + 3] == lastRow);
            data = data.subspan(*at + mpegps::kStartCodeSize);
        }
        if (!reached)
            return false;
        seen = true;
    }
    return seen;
}

PictureType CodingType(const AVPacket& pkt)
{
    const std::uint8_t* picture = FindHeader(pkt, mpegps::kPictureStart, mpegps::kPictureHeaderBytes);
    if (!picture)
        return kUnknownPicture;
    const int type = mpegps::PictureCodingType(picture);
    return type >= kIPicture && type <= kBPicture ? static_cast<PictureType>(type) : kUnknownPicture;
}

}  // namespace decoderlib
