// Subtitle tracks on the fixtures: the frames each unit shows on, forced units, a disc image read as
// its folder, a unit found after a seek past its start, and damaged units dropped without harm to
// the others.
#include "decoderlib/disctitle.h"
#include "decoderlib/psscan.h"
#include "decoderlib/subtitlescan.h"
#include "decoderlib/subtitletrack.h"
#include "decoderlib/videofile.h"
#include "support/damage.h"
#include "support/fixtures.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

using decoderlib::SubtitleTrack;
using decoderlib::SubtitleUnit;
using decoderlib::VideoFile;

namespace {

constexpr long long kPalFrame = 3600;
constexpr long long kNtscFrame = 3003;

std::vector<SubtitleUnit> ReadAll(const VideoFile& file, int substream,
                                  const dvd::SubpicturePalette& palette = decoderlib::kDefaultSubpicturePalette)
{
    SubtitleTrack track(file, substream, palette);
    track.ReadTo(file.Size());
    std::vector<SubtitleUnit> units;
    for (const auto& unit : track.Units())
        units.push_back(*unit);
    return units;
}

// Each unit as "first-last": the frames, counted from the video's first picture, from the first at or
// after its start to the last before its end.
std::string Frames(const VideoFile& file, const std::vector<SubtitleUnit>& units, long long frameTicks)
{
    const auto first = decoderlib::PsScanner(file).FirstVideoStamp(0, file.Size(), file.Size());
    if (!first)
        return "no video";
    const auto frameAtOrAfter = [&](long long ticks) { return (ticks - first->pts + frameTicks - 1) / frameTicks; };
    std::string text;
    for (const SubtitleUnit& unit : units)
        text += (text.empty() ? "" : " ") + std::to_string(frameAtOrAfter(unit.start)) + "-" +
            std::to_string(frameAtOrAfter(unit.end) - 1);
    return text;
}

auto Key(const SubtitleUnit& u)
{
    return std::tie(u.position, u.pts, u.start, u.end, u.forced, u.x, u.y, u.width, u.height, u.indices, u.colours);
}

bool Same(const std::vector<SubtitleUnit>& a, const std::vector<SubtitleUnit>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const SubtitleUnit& x, const SubtitleUnit& y) { return Key(x) == Key(y); });
}

// Where a unit's own bytes start: past its first pack's header and its packet's PES header and
// substream byte.
std::size_t UnitBytesAt(const std::vector<char>& file, std::int64_t position)
{
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(file.at(at)); };
    const std::size_t packet = static_cast<std::size_t>(position) + 14 + (byte(position + 13) & 7);
    return packet + 9 + byte(packet + 8) + 1;
}

}  // namespace

TEST(SubtitleTrack, UnitsShowOnTheFramesTheFixturesNoteAndOnlyTheForcedOneIsForced)
{
    const VideoFile pal = decoderlib::OpenVideo(FixturePath("subs"), 1, 0);
    const std::vector<SubtitleUnit> en = ReadAll(pal, 0);
    const std::vector<SubtitleUnit> de = ReadAll(pal, 1);
    EXPECT_EQ(Frames(pal, en, kPalFrame), "10-39 70-99");
    EXPECT_EQ(Frames(pal, de, kPalFrame), "25-50 75-100");
    const VideoFile wide = decoderlib::OpenVideo(FixturePath("subs"), 2, 0);
    EXPECT_EQ(Frames(wide, ReadAll(wide, 1), kNtscFrame), "30-59");
    // Its first units lie past the file's first 8 MB.
    const VideoFile late(FixturePath("latesub.vob"));
    EXPECT_EQ(Frames(late, ReadAll(late, 0), kPalFrame),
              "250-253 255-258 260-263 265-268 270-273 275-278 280-283 285-288 290-293 295-298");

    // The first unit's display put off by 36 units of 1024 ticks (10.24 frames) in a copy.
    std::vector<char> bytes = ReadFileBytes(FixturePath("subs/VIDEO_TS/VTS_01_1.VOB"));
    ASSERT_FALSE(en.empty());
    const std::size_t first = UnitBytesAt(bytes, en[0].position);
    const std::size_t control =
        first + ((static_cast<unsigned char>(bytes[first + 2]) << 8) | static_cast<unsigned char>(bytes[first + 3]));
    bytes.at(control) = 0;
    bytes.at(control + 1) = 36;
    const std::string path = testing::TempDir() + "subtitletrack-delayed.vob";
    WriteFileBytes(path, bytes);
    const VideoFile delayed(path);
    EXPECT_EQ(Frames(delayed, ReadAll(delayed, 0), kPalFrame), "21-39 70-99");
    std::remove(path.c_str());

    ASSERT_EQ(de.size(), 2u);
    EXPECT_TRUE(de[0].forced);
    EXPECT_FALSE(de[1].forced);
    for (const SubtitleUnit& unit : en)
        EXPECT_FALSE(unit.forced);
    // The white box, 260..459 x 460..519, in palette colour 0 (white) and opaque.
    const SubtitleUnit& box = de[1];
    ASSERT_TRUE(box.x <= 260 && box.y <= 460 && box.x + box.width >= 460 && box.y + box.height >= 520)
        << box.x << "," << box.y << " " << box.width << "x" << box.height;
    const std::uint8_t inside = box.indices.at(static_cast<std::size_t>((490 - box.y) * box.width + 360 - box.x));
    EXPECT_EQ(box.colours.at(inside) >> 24, 0xffu);
    EXPECT_GT(box.colours.at(inside) & 0xffffff, 0xf00000u);
}

TEST(SubtitleTrack, ForcedOnlyKeepsTheForcedUnitAndTheImageGivesWhatItsFolderGives)
{
    const VideoFile folder = decoderlib::OpenVideo(FixturePath("subs"), 1, 0);
    const VideoFile image = decoderlib::OpenVideo(FixturePath("subs.iso"), 1, 0);
    SubtitleTrack track(folder, 1, decoderlib::kDefaultSubpicturePalette);
    track.ReadTo(folder.Size());
    ASSERT_EQ(track.Units().size(), 2u);
    for (const auto& shared : track.Units()) {
        const SubtitleUnit& unit = *shared;
        const std::int64_t middle = (unit.start + unit.end) / 2;
        EXPECT_EQ(track.OnScreenAt(middle, false).size(), 1u);
        EXPECT_EQ(track.OnScreenAt(middle, true).size(), unit.forced ? 1u : 0u);
        EXPECT_TRUE(track.OnScreenAt(unit.end, false).empty());
    }
    for (int substream : {0, 1}) {
        const std::vector<SubtitleUnit> fromFolder = ReadAll(folder, substream);
        EXPECT_FALSE(fromFolder.empty());
        EXPECT_TRUE(Same(ReadAll(image, substream), fromFolder)) << substream;
    }
    const VideoFile wideFolder = decoderlib::OpenVideo(FixturePath("subs"), 2, 0);
    const VideoFile wideImage = decoderlib::OpenVideo(FixturePath("subs.iso"), 2, 0);
    EXPECT_TRUE(Same(ReadAll(wideImage, 1), ReadAll(wideFolder, 1)));
}

TEST(SubtitleTrack, ASeekFindsTheUnitOnScreenThoughItBeganBeforeThePosition)
{
    const VideoFile late(FixturePath("latesub.vob"));
    const std::vector<SubtitleUnit> all = ReadAll(late, 0);
    ASSERT_EQ(all.size(), 10u);
    SubtitleTrack track(late, 0, decoderlib::kDefaultSubpicturePalette);
    track.Seek(all[4].position + 2048, all[4].start);
    track.ReadTo(all[5].position + 1);
    const std::vector<decoderlib::SharedSubtitleUnit> shown = track.OnScreenAt(all[4].start, false);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(Key(*shown[0]), Key(all[4]));
    // Unit 5 began by then, and reading on finishes it.
    EXPECT_TRUE(track.OnScreenAt(all[5].start, false).empty());
    track.ReadTo(late.Size());
    EXPECT_EQ(track.OnScreenAt(all[5].start, false).size(), 1u);
}

TEST(SubtitleTrack, DamagedUnitsAreDroppedAndTheOthersStillDecode)
{
    const std::string source = FixturePath("latesub.vob");
    const std::vector<SubtitleUnit> all = ReadAll(VideoFile(source), 0);
    ASSERT_EQ(all.size(), 10u);
    std::vector<char> bytes = ReadFileBytes(source);
    // Unit 1 cut: four of its packs lost.
    ZeroSectorRun(bytes, static_cast<std::size_t>(all[1].position) / kSectorSize + 3, 4);
    // Units 3 and 5 lie about their size, one longer than its packets, one far shorter.
    const std::size_t three = UnitBytesAt(bytes, all[3].position);
    bytes[three] = bytes[three + 1] = static_cast<char>(0xff);
    const std::size_t five = UnitBytesAt(bytes, all[5].position);
    bytes[five] = 0;
    bytes[five + 1] = 64;
    // Unit 6's control sequence said to start among its pixels, which read as commands; unit 7's in
    // its last byte, which the decoder takes for a unit cut short and would join unit 8 to.
    const std::size_t six = UnitBytesAt(bytes, all[6].position);
    bytes[six + 2] = 0;
    bytes[six + 3] = 0x10;
    const std::size_t seven = UnitBytesAt(bytes, all[7].position);
    const unsigned last =
        ((static_cast<unsigned char>(bytes[seven]) << 8) | static_cast<unsigned char>(bytes[seven + 1])) - 1;
    bytes[seven + 2] = static_cast<char>(last >> 8);
    bytes[seven + 3] = static_cast<char>(last & 0xff);
    // The file ends inside unit 9.
    bytes.resize(static_cast<std::size_t>(all[9].position) + 5000);
    const std::string path = testing::TempDir() + "subtitletrack-damaged.vob";
    WriteFileBytes(path, bytes);
    const std::vector<SubtitleUnit> damaged = ReadAll(VideoFile(path), 0);

    std::vector<SubtitleUnit> kept;
    for (const SubtitleUnit& unit : damaged) {
        if (unit.position != all[6].position)
            kept.push_back(unit);
    }
    EXPECT_TRUE(Same(kept, {all[0], all[2], all[4], all[8]})) << kept.size() << " units kept";

    // Bytes changed all over: whatever decodes, reading ends.
    bytes = ReadFileBytes(source);
    ChangeBytes(bytes, bytes.size() / 100, 21);
    WriteFileBytes(path, bytes);
    EXPECT_LE(ReadAll(VideoFile(path), 0).size(), 10u);
    std::remove(path.c_str());
}
