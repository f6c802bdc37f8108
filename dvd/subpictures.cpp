#include "dvd/subpictures.h"

#include "dvd/language.h"

#include <algorithm>

namespace dvd {

namespace {

constexpr int kMaxStreams = 32;
constexpr std::uint32_t kAvailable = 0x80000000u;
constexpr int kFourThreeShift = 24;
constexpr int kWideShift = 16;
constexpr std::uint32_t kSubstreamMask = 0x1F;

// The kinds a subpicture stream's code extension names, and how they are written.
struct KindName {
    int codeExtension;
    SubpictureKind kind;
    const char* text;
};
constexpr KindName kKinds[] = {
    {1, SubpictureKind::Normal, "normal"},
    {2, SubpictureKind::Large, "large"},
    {3, SubpictureKind::Children, "children's"},
    {5, SubpictureKind::NormalCaptions, "closed captions"},
    {6, SubpictureKind::LargeCaptions, "large closed captions"},
    {7, SubpictureKind::ChildrensCaptions, "children's closed captions"},
    {9, SubpictureKind::Forced, "forced"},
    {13, SubpictureKind::Director, "director's comments"},
    {14, SubpictureKind::LargeDirector, "large director's comments"},
    {15, SubpictureKind::ChildrensDirector, "children's director's comments"},
};

SubpictureKind KindOf(int codeExtension)
{
    for (const KindName& k : kKinds)
        if (k.codeExtension == codeExtension)
            return k.kind;
    return SubpictureKind::Unspecified;
}

}  // namespace

std::vector<SubpictureStream> SubpictureStreams(const vtsi_mat_t& attributes, const pgc_t& pgc, bool wide)
{
    const int count = std::min<int>(attributes.nr_of_vts_subp_streams, kMaxStreams);
    std::vector<SubpictureStream> streams;
    for (int i = 0; i < count; ++i) {
        const std::uint32_t control = pgc.subp_control[i];
        SubpictureStream stream;
        stream.number = i + 1;
        stream.language = LanguageOf(attributes.vts_subp_attr[i].type, attributes.vts_subp_attr[i].lang_code);
        stream.kind = KindOf(attributes.vts_subp_attr[i].code_extension);
        stream.substream = static_cast<int>(control >> (wide ? kWideShift : kFourThreeShift) & kSubstreamMask);
        stream.available = (control & kAvailable) != 0;
        streams.push_back(stream);
    }
    return streams;
}

SubpicturePalette PaletteOf(const pgc_t& pgc)
{
    // Element by element: the chain is a packed structure, and a reference to its array would bind
    // to a temporary copy.
    SubpicturePalette palette{};
    for (std::size_t i = 0; i < palette.size(); ++i)
        palette[i] = pgc.palette[i];
    return palette;
}

std::string KindText(SubpictureKind kind)
{
    for (const KindName& k : kKinds)
        if (k.kind == kind)
            return k.text;
    return {};
}

}  // namespace dvd
