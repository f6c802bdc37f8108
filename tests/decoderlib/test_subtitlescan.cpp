// The subtitle streams of plain files: a stream whose first subpicture comes late in the file, none
// read into files without any, and a title set's VOB named by its folder's information.
#include "decoderlib/subtitlescan.h"
#include "decoderlib/videofile.h"
#include "support/fixtures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::vector<int> Substreams(const std::string& path)
{
    return decoderlib::SubpictureSubstreams(decoderlib::VideoFile(path));
}

decoderlib::VideoSubtitles Subtitles(const std::string& path)
{
    return decoderlib::FindSubtitles(path, 0, decoderlib::VideoFile(path));
}

}  // namespace

TEST(SubtitleScan, FindsAStreamFirstSeenPastTheFilesFirstMegabytesAndNoneWhereThereAreNone)
{
    // latesub.vob's first subpicture lies past its first 8 MB, in the last fifth of the file.
    EXPECT_EQ(Substreams(FixturePath("latesub.vob")), std::vector<int>{0});
    for (const char* name : {"pal.vob", "pal100.vob", "random.vob", "truncated.vob", "vcd.mpg"}) {
        EXPECT_EQ(Substreams(FixturePath(name)), std::vector<int>{}) << name;
    }
    const decoderlib::VideoSubtitles late = Subtitles(FixturePath("latesub.vob"));
    EXPECT_FALSE(late.fromDisc);
    ASSERT_EQ(late.streams.size(), 1u);
    EXPECT_EQ(late.streams[0].number, 1);
    EXPECT_EQ(late.streams[0].substream, 0);
    EXPECT_EQ(late.streams[0].language, "");
    EXPECT_EQ(late.palette, decoderlib::kDefaultSubpicturePalette);
}

TEST(SubtitleScan, ATitleSetsVobTakesItsStreamsFromTheInformationBesideItAndElsewhereFromItsPacks)
{
    const decoderlib::VideoSubtitles pal = Subtitles(FixturePath("subs/VIDEO_TS/VTS_01_1.VOB"));
    EXPECT_TRUE(pal.fromDisc);
    ASSERT_EQ(pal.streams.size(), 2u);
    EXPECT_EQ(pal.streams[0].language, "en");
    EXPECT_EQ(pal.streams[1].language, "de");
    EXPECT_EQ(pal.streams[1].kind, dvd::SubpictureKind::Forced);
    EXPECT_EQ(pal.streams[1].substream, 1);
    EXPECT_EQ(pal.palette[3], 0x51f05au);

    const decoderlib::VideoSubtitles wide = Subtitles(FixturePath("subs/VIDEO_TS/VTS_02_1.VOB"));
    EXPECT_TRUE(wide.fromDisc);
    ASSERT_EQ(wide.streams.size(), 1u);
    EXPECT_EQ(wide.streams[0].language, "fr");
    EXPECT_EQ(wide.streams[0].substream, 1);

    // The same VOB outside its folder: its packs alone, walked whole, under the default palette.
    const fs::path folder = fs::temp_directory_path() / ("subtitlescan." + std::to_string(getpid()));
    fs::create_directories(folder);
    const fs::path alone = folder / "VTS_01_1.VOB";
    fs::create_symlink(FixturePath("subs/VIDEO_TS/VTS_01_1.VOB"), alone);
    const decoderlib::VideoSubtitles plain = Subtitles(alone.string());
    fs::remove_all(folder);
    EXPECT_FALSE(plain.fromDisc);
    EXPECT_EQ(plain.palette, decoderlib::kDefaultSubpicturePalette);
    ASSERT_EQ(plain.streams.size(), 2u);
    for (std::size_t i = 0; i < plain.streams.size(); ++i) {
        EXPECT_EQ(plain.streams[i].number, static_cast<int>(i) + 1);
        EXPECT_EQ(plain.streams[i].substream, static_cast<int>(i));
        EXPECT_EQ(plain.streams[i].language, "");
    }
}
