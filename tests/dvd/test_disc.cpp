// The disc module on the fixture discs: the titles as the information files describe them, alike
// from a folder, a folder split by hand and an image; a title's bytes across the split; and what a
// user is told about what is not a readable disc. Also the scrambling mark of a pack made here.
#include "dvd/disc.h"
#include "dvd/discreader.h"
#include "dvd/titlesource.h"
#include "support/fixtures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string OpenError(const std::string& path)
{
    try {
        dvd::Disc disc(path);
    } catch (const dvd::DiscError& e) {
        return e.what();
    }
    return "(opened)";
}

std::vector<char> ReadWhole(const dvd::TitleSource& source, std::size_t chunk)
{
    std::vector<char> bytes(static_cast<std::size_t>(source.Size()));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t n =
            source.ReadAt(static_cast<std::int64_t>(done), bytes.data() + done, std::min(chunk, bytes.size() - done));
        if (n == 0)
            break;
        done += n;
    }
    bytes.resize(done);
    return bytes;
}

class TempFolder : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::path(testing::TempDir()) /
            ("disc-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
};

TEST(DiscTitles, AreListedAlikeFromFolderIfoSplitFolderAndImage)
{
    struct Source {
        const char* path;
        const char* name;
    };
    for (const Source& s :
         {Source{"disc", "disc"}, Source{"disc/VIDEO_TS", "disc"}, Source{"disc/VIDEO_TS/VIDEO_TS.IFO", "disc"},
          Source{"split", "split"}, Source{"disc.iso", "STILLREEL_DISC"}}) {
        SCOPED_TRACE(s.path);
        const dvd::Disc disc(FixturePath(s.path));
        EXPECT_EQ(disc.Name(), s.name);
        ASSERT_EQ(disc.Titles().size(), 3u);
        // Title 1 is a short intro: the main title is the longest, not the first.
        EXPECT_EQ(disc.MainTitle(), 2);
        const dvd::TitleInfo& intro = disc.Titles()[0];
        const dvd::TitleInfo& main = disc.Titles()[1];
        const dvd::TitleInfo& wide = disc.Titles()[2];
        EXPECT_EQ(intro.lengthMs, 3000);
        // As the program chain says: dvdauthor writes 20 s and 2 frames for its four 5-s cells.
        EXPECT_EQ(main.lengthMs, 20080);
        EXPECT_EQ(main.chapters, 2);
        EXPECT_TRUE(main.inOrder);
        EXPECT_EQ(main.angles, 1);
        EXPECT_EQ(main.aspect, dvd::Aspect::FourThree);
        EXPECT_EQ(main.system, dvd::TvSystem::Pal);
        EXPECT_EQ(wide.lengthMs, 3000);
        EXPECT_EQ(wide.aspect, dvd::Aspect::Wide);
        EXPECT_EQ(wide.system, dvd::TvSystem::Ntsc);
        EXPECT_EQ(wide.titleSet, 2);
        EXPECT_EQ(disc.Title(0).number, 2);
    }
    EXPECT_EQ(dvd::Disc(FixturePath("angles")).Titles()[1].angles, 2);
}

TEST(DiscTitles, MainTitleIsTheLongestThenInOrderThenMoreChaptersThenTheLower)
{
    auto title = [](int number, std::int64_t ms, int chapters, bool inOrder) {
        dvd::TitleInfo t;
        t.number = number;
        t.lengthMs = ms;
        t.chapters = chapters;
        t.inOrder = inOrder;
        return t;
    };
    EXPECT_EQ(dvd::MainTitleOf({title(1, 600000, 9, true), title(2, 7200000, 1, true)}), 2);
    // A fake title a few seconds longer, its cells out of order, loses to the film.
    EXPECT_EQ(dvd::MainTitleOf({title(1, 7205000, 20, false), title(2, 7200000, 20, true)}), 2);
    EXPECT_EQ(dvd::MainTitleOf({title(1, 7200000, 12, true), title(2, 7201000, 20, true)}), 2);
    EXPECT_EQ(dvd::MainTitleOf({title(1, 7200000, 20, true), title(2, 7201000, 20, true)}), 1);
    EXPECT_EQ(dvd::MainTitleOf({}), 0);
}

// The main title is the last stretch of the first title set's VOB: read from the folder split mid-GOP
// and from the image, in reads of odd sizes and in one read of all of it, it must be those bytes.
TEST(DiscTitleBytes, MainTitleReadsAsTheUnsplitFileAcrossThePartsInAnyChunks)
{
    std::ifstream in(FixturePath("disc/VIDEO_TS/VTS_01_1.VOB"), std::ios::binary);
    const std::vector<char> vob((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const char* path : {"split", "disc.iso"}) {
        SCOPED_TRACE(path);
        const dvd::Disc disc(FixturePath(path));
        const dvd::TitleSource source(disc, 0, 0);
        ASSERT_GT(source.Size(), 0);
        ASSERT_LT(source.Size(), static_cast<std::int64_t>(vob.size()));
        const std::vector<char> expected(vob.end() - source.Size(), vob.end());
        for (std::size_t chunk : {std::size_t{4093}, std::size_t{1} << 30})
            EXPECT_TRUE(ReadWhole(source, chunk) == expected) << "reads of " << chunk;
        char byte = 0;
        EXPECT_EQ(source.ReadAt(source.Size(), &byte, 1), 0u);
    }
}

TEST_F(TempFolder, WhatIsNotAReadableDiscIsSaidInOneLine)
{
    EXPECT_EQ(OpenError(dir_.string()), "not a DVD (no VIDEO_TS folder)");
    fs::create_directories(dir_ / "VIDEO_TS");
    std::ofstream(dir_ / "VIDEO_TS" / "VIDEO_TS.IFO") << "not an information file";
    EXPECT_EQ(OpenError(dir_.string()), "not a DVD (its VIDEO_TS.IFO cannot be read)");
    EXPECT_EQ(OpenError(FixturePath("noudf.iso")),
              "the image has no UDF file system, which a DVD image needs (make it with genisoimage -dvd-video)");
    EXPECT_EQ(OpenError(FixturePath("scrambled")), dvd::kEncryptedMessage);
    EXPECT_EQ(OpenError(FixturePath("pal.vob")), "not a DVD image");

    const dvd::Disc disc(FixturePath("angles"));
    try {
        disc.Title(7);
        ADD_FAILURE() << "title 7 found";
    } catch (const dvd::DiscError& e) {
        EXPECT_STREQ(e.what(), "title 7 not found: the disc has 3 titles");
    }
    EXPECT_THROW(dvd::TitleSource(disc, 2, 3), dvd::DiscError);
    EXPECT_THROW(dvd::TitleSource(disc, 1, 2), dvd::DiscError);
}

// A part cut off the sector grid would shift every sector after it: refused, naming the part.
TEST_F(TempFolder, APartNotOfWholeSectorsIsRefused)
{
    fs::create_directories(dir_ / "VIDEO_TS");
    for (const auto& entry : fs::directory_iterator(FixturePath("disc/VIDEO_TS")))
        if (entry.path().extension() != ".VOB")
            fs::copy_file(entry.path(), dir_ / "VIDEO_TS" / entry.path().filename());
    std::ofstream(dir_ / "VIDEO_TS" / "VTS_01_1.VOB") << std::string(5000, '\0');
    EXPECT_EQ(OpenError(dir_.string()), "VTS_01_1.VOB is 5000 bytes, not whole 2048-byte sectors: the file is damaged");
}

// A VOB has a pack header at every sector, never volume descriptors: it opens as a video file, as
// does a folder that neither is nor holds VIDEO_TS.
TEST(DiscPaths, VideoFilesAreNotTakenForDiscs)
{
    EXPECT_FALSE(dvd::IsDiscPath(FixturePath("directory.vob")));
    EXPECT_TRUE(dvd::IsDiscPath(FixturePath("disc/VIDEO_TS/")));
    EXPECT_FALSE(dvd::IsDiscPath(FixturePath("pal.vob")));
    EXPECT_FALSE(dvd::IsDiscPath(FixturePath("disc/VIDEO_TS/VTS_01_1.VOB")));
    EXPECT_FALSE(dvd::IsDiscPath(FixturePath("empty.vob")));
    EXPECT_TRUE(dvd::IsDiscPath(FixturePath("disc.iso")));
    EXPECT_TRUE(dvd::IsDiscPath(FixturePath("split")));
    EXPECT_TRUE(dvd::IsDiscPath(FixturePath("disc/VIDEO_TS/VIDEO_TS.IFO")));
}

// The mark is read from the pack's first packet wherever the header's stuffing puts it; padding, all
// FF, carries none.
TEST(DiscScrambling, IsReadFromThePacketAfterThePackHeaderAndItsStuffing)
{
    const auto sector = [](int stuffing, unsigned char id, unsigned char flags) {
        std::vector<unsigned char> s{0, 0, 1, 0xBA, 0x44, 0, 4, 0, 4, 1, 1, 0x89, 0xC3};
        s.push_back(static_cast<unsigned char>(0xF8 | stuffing));
        s.insert(s.end(), static_cast<std::size_t>(stuffing), 0xFF);
        s.insert(s.end(), {0, 0, 1, id, 0x07, 0xEC, flags, 0x80, 5});
        s.resize(2048);
        return s;
    };
    for (int stuffing : {0, 3}) {
        EXPECT_TRUE(dvd::IsScrambled(sector(stuffing, 0xE0, 0xB1).data())) << stuffing;
        EXPECT_FALSE(dvd::IsScrambled(sector(stuffing, 0xE0, 0x81).data())) << stuffing;
        EXPECT_FALSE(dvd::IsScrambled(sector(stuffing, 0xBE, 0xFF).data())) << stuffing;
    }
}

}  // namespace
