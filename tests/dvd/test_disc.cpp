// The disc module on the fixture discs: the titles as the information files describe them, alike
// from a folder, a folder split by hand and an image; where their chapters start; a title's bytes
// across the split; and what a user is told about what is not a readable disc. Also the scrambling
// mark of a pack made here.
#include "dvd/disc.h"
#include "dvd/discreader.h"
#include "dvd/titlesource.h"
#include "mpeg/mpegps.h"
#include "support/fixtures.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <utility>
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

std::string TitleError(const std::string& path, int title, int angle)
{
    try {
        const dvd::Disc disc(path);
        dvd::TitleSource source(disc, title, angle);
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

using Bytes = std::vector<unsigned char>;

Bytes ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::uint32_t Get32(const Bytes& d, std::size_t at)
{
    return std::uint32_t(d[at]) << 24 | std::uint32_t(d[at + 1]) << 16 | std::uint32_t(d[at + 2]) << 8 | d[at + 3];
}

void Put32(Bytes& d, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        d[at + i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}

// The information files' tables a test changes, by their offsets in the files: the title table of
// VIDEO_TS.IFO (12 bytes a title: angles at 1, title set at 6); the program chain table of a title
// set's IFO, a chain's program map (a byte a program: its first cell) and cell table (24 bytes a cell:
// block bits in byte 0, playback time at 4, first and last sector at 8 and 20) and the chapter table
// (4 bytes a chapter from a title's first: its program chain and program number).
std::size_t TitleAt(const Bytes& vmg, int title)
{
    return Get32(vmg, 0xC4) * 2048 + 8 + 12 * (title - 1);
}

std::size_t ChainTableAt(const Bytes& vts, int pgcn, std::size_t table)
{
    const std::size_t chain = Get32(vts, 0xCC) * 2048;
    const std::size_t pgc = chain + Get32(vts, chain + 8 + 8 * (pgcn - 1) + 4);
    return pgc + (vts[pgc + table] << 8 | vts[pgc + table + 1]);
}

std::size_t ProgramAt(const Bytes& vts, int pgcn, int program)
{
    return ChainTableAt(vts, pgcn, 0xE6) + program;
}

std::size_t CellAt(const Bytes& vts, int pgcn, int cell)
{
    return ChainTableAt(vts, pgcn, 0xE8) + 24 * cell;
}

std::size_t FirstChapterAt(const Bytes& vts, int ttn)
{
    const std::size_t table = Get32(vts, 0xC8) * 2048;
    return table + Get32(vts, table + 8 + 4 * (ttn - 1));
}

// A copy of a fixture disc whose information files the test changes: the VOBs are links, the IFOs
// copies, their backups left out so that libdvdread reads the changed files or none.
class DiscCopy : public TempFolder {
protected:
    void Copy(const std::string& fixture)
    {
        fs::create_directories(dir_ / "VIDEO_TS");
        for (const auto& entry : fs::directory_iterator(FixturePath(fixture + "/VIDEO_TS"))) {
            if (entry.path().extension() == ".VOB")
                fs::create_symlink(entry.path(), Path(entry.path().filename().string()));
            else if (entry.path().extension() == ".IFO")
                fs::copy_file(entry.path(), Path(entry.path().filename().string()));
        }
    }
    fs::path Path(const std::string& file) const { return dir_ / "VIDEO_TS" / file; }
    template <typename Change>
    void Patch(const std::string& file, Change change)
    {
        Bytes bytes = ReadFile(Path(file));
        change(bytes);
        std::ofstream(Path(file), std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    std::string TitleError(int title, int angle) const { return ::TitleError(dir_.string(), title, angle); }
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

TEST(DiscSubtitles, StreamsAndPaletteAreReadAlikeFromFolderAndImage)
{
    for (const char* path : {"subs", "subs.iso"}) {
        SCOPED_TRACE(path);
        const dvd::Disc disc(FixturePath(path));
        ASSERT_EQ(disc.Titles().size(), 2u);
        const dvd::TitleInfo& pal = disc.Titles()[0];
        ASSERT_EQ(pal.subtitles.size(), 2u);
        const dvd::SubpictureStream& en = pal.subtitles[0];
        const dvd::SubpictureStream& de = pal.subtitles[1];
        EXPECT_EQ(en.number, 1);
        EXPECT_EQ(en.language, "en");
        EXPECT_EQ(en.kind, dvd::SubpictureKind::Normal);
        EXPECT_EQ(en.substream, 0);
        EXPECT_TRUE(en.available);
        EXPECT_EQ(de.number, 2);
        EXPECT_EQ(de.language, "de");
        EXPECT_EQ(de.kind, dvd::SubpictureKind::Forced);
        EXPECT_EQ(de.substream, 1);
        EXPECT_TRUE(de.available);
        const dvd::SubpicturePalette palette = {0xeb8080, 0x108080, 0x7f8080, 0x51f05a, 0x90233b, 0x296ef0,
                                                0xd21092, 0x6a5ddd, 0x3a9a6e, 0xb4c04b, 0x2d80c8, 0xc88030,
                                                0x40a060, 0x60a040, 0x9060a0, 0xa09060};
        EXPECT_EQ(pal.palette, palette);

        // The wide title names another substream for 16:9 than for 4:3: the wide one is read.
        const dvd::TitleInfo& wide = disc.Titles()[1];
        ASSERT_EQ(wide.aspect, dvd::Aspect::Wide);
        ASSERT_EQ(wide.subtitles.size(), 1u);
        EXPECT_EQ(wide.subtitles[0].language, "fr");
        EXPECT_EQ(wide.subtitles[0].kind, dvd::SubpictureKind::Unspecified);
        EXPECT_EQ(wide.subtitles[0].substream, 1);
        EXPECT_TRUE(wide.subtitles[0].available);
    }
    EXPECT_TRUE(dvd::Disc(FixturePath("disc")).Titles()[1].subtitles.empty());
}

// libdvdread only warns of more than 32 streams and takes any two bytes for a language.
TEST_F(DiscCopy, SubtitleStreamsPastThirtyTwoAndLanguagesNotOfLettersAreLeftOut)
{
    Copy("subs");
    Patch("VTS_01_0.IFO", [](Bytes& d) {
        constexpr std::size_t kSubpictureCount = 0x254;  // then 6 bytes a stream: type, language at 2
        d[kSubpictureCount + 1] = 40;
        d[kSubpictureCount + 2 + 2] = 0x01;
    });
    const dvd::Disc disc(dir_.string());
    const std::vector<dvd::SubpictureStream>& streams = disc.Titles()[0].subtitles;
    ASSERT_EQ(streams.size(), 32u);
    EXPECT_EQ(streams[0].language, "");
    EXPECT_EQ(streams[1].language, "de");
    EXPECT_EQ(streams[31].number, 32);
    EXPECT_FALSE(streams[31].available);
}

// dvdauthor gives the fixtures' AC-3 stream no language; a patched copy names one in its attributes.
TEST_F(DiscCopy, AudioStreamsAreReadWithTheirLanguageFormatAndChannels)
{
    Copy("subs");
    const std::vector<dvd::AudioStream> plain = dvd::Disc(dir_.string()).Titles()[0].audio;
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_EQ(plain[0].language, "");
    EXPECT_EQ(plain[0].format, dvd::AudioFormat::Ac3);
    EXPECT_EQ(plain[0].channels, 2);
    EXPECT_TRUE(plain[0].available);
    Patch("VTS_01_0.IFO", [](Bytes& d) {
        constexpr std::size_t kFirstAudio = 0x204;  // 8 bytes a stream: the language's type, then at 2 its code
        d[kFirstAudio] |= 0x04;
        d[kFirstAudio + 2] = 'E';
        d[kFirstAudio + 3] = 'n';
    });
    const std::vector<dvd::AudioStream> named = dvd::Disc(dir_.string()).Titles()[0].audio;
    ASSERT_EQ(named.size(), 1u);
    EXPECT_EQ(named[0].language, "en");
    EXPECT_EQ(dvd::FormatText(named[0].format), "AC-3");
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

// Every sector of a title lies in the cell that its VOBU's navigation pack names, and each new cell
// starts where the title says, across cells, chapters and an angle block alike.
TEST(DiscTitleBytes, EachSectorIsInTheCellItsNavigationPackNames)
{
    for (const auto& [path, angle] : {std::pair{"chapters", 0}, std::pair{"angles", 2}}) {
        SCOPED_TRACE(path);
        const dvd::Disc disc(FixturePath(path));
        const dvd::TitleSource source(disc, 0, angle);
        const std::vector<char> bytes = ReadWhole(source, std::size_t{1} << 30);
        std::set<int> cells;
        int named = -1;
        for (std::size_t at = 0; at + dvd::kSectorSize <= bytes.size(); at += dvd::kSectorSize) {
            const auto* sector = reinterpret_cast<const std::uint8_t*>(bytes.data() + at);
            if (mpegps::IsStartCode(sector + mpegps::kNavDsiPacket, mpegps::kPrivateStream2)) {
                const std::uint8_t* dsi = sector + mpegps::kNavDsi;
                const int cell = mpegps::CellId((dsi[mpegps::kDsiVobNumber] << 8) | dsi[mpegps::kDsiVobNumber + 1],
                                                dsi[mpegps::kDsiCellNumber]);
                if (at > 0 && cell != named) {
                    EXPECT_EQ(source.CellStartAfter(static_cast<std::int64_t>(at) - 1), static_cast<std::int64_t>(at))
                        << "sector " << at / dvd::kSectorSize;
                }
                named = cell;
                cells.insert(named);
            }
            ASSERT_EQ(source.CellAt(static_cast<std::int64_t>(at)), named) << "sector " << at / dvd::kSectorSize;
        }
        EXPECT_GT(cells.size(), 1u);
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

// Information that points nowhere: the title is refused with its reason, the disc is still listed and
// its other titles open.
TEST_F(DiscCopy, ATitleItsInformationMisdescribesIsRefusedWithItsReasonAndTheOthersOpen)
{
    const auto vobSectors = static_cast<std::uint32_t>(fs::file_size(FixturePath("disc/VIDEO_TS/VTS_01_1.VOB")) / 2048);
    const std::string outside = "title 2 is damaged: a cell lies outside its files";
    struct Case {
        const char* what;
        const char* file;
        std::function<void(Bytes&)> change;
        int title;
        std::string message;
    };
    const Case cases[] = {
        {"a cell past the end", "VTS_01_0.IFO", [&](Bytes& d) { Put32(d, CellAt(d, 2, 3) + 20, vobSectors); }, 2,
         outside},
        {"a cell to sector 2^32 - 1", "VTS_01_0.IFO", [](Bytes& d) { Put32(d, CellAt(d, 2, 0) + 20, 0xFFFFFFFF); }, 2,
         outside},
        {"a cell that ends before it begins", "VTS_01_0.IFO",
         [](Bytes& d) { Put32(d, CellAt(d, 2, 1) + 8, Get32(d, CellAt(d, 2, 1) + 20) + 1); }, 2, outside},
        {"no program chain", "VTS_01_0.IFO", [](Bytes& d) { d[FirstChapterAt(d, 2) + 1] = 9; }, 2,
         "title 2 is damaged: its information does not describe it"},
        {"no such title set", "VIDEO_TS.IFO", [](Bytes& d) { d[TitleAt(d, 2) + 6] = 7; }, 2,
         "the information file of title set 7 cannot be read"},
        // Title set 0 is the main menu's information, which has no titles; asked for twice.
        {"title set 0", "VIDEO_TS.IFO", [](Bytes& d) { d[TitleAt(d, 2) + 6] = d[TitleAt(d, 3) + 6] = 0; }, 3,
         "the information file of title set 0 cannot be read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir_ / "VIDEO_TS");
        Copy("disc");
        Patch(c.file, c.change);
        EXPECT_EQ(TitleError(c.title, 1), c.message);
        const dvd::Disc disc(dir_.string());
        EXPECT_EQ(disc.Titles().size(), 3u);
        EXPECT_NO_THROW(dvd::TitleSource(disc, 1, 1));
    }
}

void ExpectStarts(const std::vector<double>& starts, const std::vector<double>& expected)
{
    EXPECT_EQ(starts.size(), expected.size());
    for (std::size_t i = 0; i < std::min(starts.size(), expected.size()); ++i)
        EXPECT_NEAR(starts[i], expected[i], 1e-6) << "chapter " << i + 1;
}

// Chapters start where their first cells begin, the played cells before them summed in frames. The
// chapters disc's are off whole seconds, within an input and where the next begins; the disc's main
// title's from the folder and its image, and from its angle block's second angle, whose cell is not
// the one chapter 2's program names.
TEST(DiscChapters, StartAtTheFramesTheirCellsBeginOn)
{
    const auto expectStarts = [](const std::string& path, int title, int angle, const std::vector<int>& frames) {
        SCOPED_TRACE(path + " angle " + std::to_string(angle));
        const dvd::Disc disc(FixturePath(path));
        const std::vector<double> starts = disc.ChapterStarts(title, angle);
        EXPECT_EQ(static_cast<int>(starts.size()), disc.Title(title).chapters);
        std::vector<double> expected;
        for (int frame : frames)
            expected.push_back(frame / 25.0);
        ExpectStarts(starts, expected);
    };
    expectStarts("chapters", 1, 0, {0, 130, 270, 400});
    expectStarts("disc", 0, 0, {0, 250});
    expectStarts("disc.iso", 2, 1, {0, 250});
    expectStarts("angles", 2, 2, {0, 250});
}

// Chapters the information misplaces: one in another program chain ends the list, as its cells are
// not the title's; one whose program or first cell the chain lacks is refused, never read past the
// chain's tables. Cells timed at NTSC's rate count 30 frames to 1.001 s.
TEST_F(DiscCopy, ChapterStartsKeepToTheTitlesChainAndItsCells)
{
    const std::string nowhere = "title 2 is damaged: chapter 2 points to no cell";
    struct Case {
        const char* what;
        std::function<void(Bytes&)> change;
        std::vector<double> starts;
        std::string message;
    };
    const Case cases[] = {
        {"chapter 2 in the intro's chain", [](Bytes& d) { d[FirstChapterAt(d, 2) + 5] = 1; }, {0.0}, ""},
        {"cells at NTSC's rate",
         [](Bytes& d) {
             for (int cell = 0; cell < 4; ++cell)
                 d[CellAt(d, 2, cell) + 7] |= 0xC0;
         },
         {0.0, 10.01},
         ""},
        {"chapter 2 past the chain's programs", [](Bytes& d) { d[FirstChapterAt(d, 2) + 7] = 9; }, {}, nowhere},
        {"program 2 past the cell table", [](Bytes& d) { d[ProgramAt(d, 2, 1)] = 9; }, {}, nowhere},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir_ / "VIDEO_TS");
        Copy("disc");
        Patch("VTS_01_0.IFO", c.change);
        const dvd::Disc disc(dir_.string());
        try {
            ExpectStarts(disc.ChapterStarts(2, 1), c.starts);
            EXPECT_EQ(c.message, "");
        } catch (const dvd::DiscError& e) {
            EXPECT_EQ(e.what(), c.message);
        }
    }
}

// Information files on which libdvdread would free memory twice, follow a null pointer, or read or
// write outside its buffers are refused before it reads them. A main menu's: first-play commands
// running past the end of the file, a title table at its end or of nearly 4 GiB; refused wherever the
// file lies, as VIDEO_TS.IFO or a title set's. A title set's: two program chains sharing one that does
// not read, a title's chapters at an offset inside the chapter table's header, a cell address table
// of nearly 4 GiB.
TEST_F(DiscCopy, InformationLibdvdreadWouldReadUnsafelyIsRefused)
{
    const std::string unsafe = " is damaged: its tables point where they cannot be read";
    const std::function<void(Bytes&)> menuChanges[] = {
        [](Bytes& d) {
            const std::size_t chain = Get32(d, 0x84);
            d[chain + (d[chain + 0xE4] << 8 | d[chain + 0xE5])] = 3;  // 768 commands before the chain's play
        },
        [](Bytes& d) { Put32(d, 0xC4, d.size() / 2048); },
        [](Bytes& d) { Put32(d, Get32(d, 0xC4) * 2048 + 4, 0xFFFFFFFF); },  // a title table of 4 GiB
    };
    for (const auto& change : menuChanges) {
        fs::remove_all(dir_ / "VIDEO_TS");
        Copy("disc");
        Patch("VIDEO_TS.IFO", change);
        EXPECT_EQ(OpenError(dir_.string()), "VIDEO_TS.IFO" + unsafe);
        fs::copy_file(Path("VIDEO_TS.IFO"), Path("VTS_02_0.IFO"), fs::copy_options::overwrite_existing);
        fs::copy_file(FixturePath("disc/VIDEO_TS/VIDEO_TS.IFO"), Path("VIDEO_TS.IFO"),
                      fs::copy_options::overwrite_existing);
        EXPECT_EQ(TitleError(3, 1), "VTS_02_0.IFO" + unsafe);
        EXPECT_EQ(TitleError(2, 1), "(opened)");
    }
    const std::function<void(Bytes&)> setChanges[] = {
        [](Bytes& d) {
            const std::size_t table = Get32(d, 0xCC) * 2048;
            const std::uint32_t first = Get32(d, table + 8 + 4);
            Put32(d, table + 8 + 8 + 4, first);
            d[table + first + 0xE8] = d[table + first + 0xE9] = 0xFF;  // its cells 64 KiB on
        },
        [](Bytes& d) { Put32(d, Get32(d, 0xC8) * 2048 + 8, 0); },
        [](Bytes& d) { Put32(d, Get32(d, 0xE0) * 2048 + 4, 0); },  // a cell address table of 4 GiB less 8
    };
    for (const auto& change : setChanges) {
        fs::remove_all(dir_ / "VIDEO_TS");
        Copy("disc");
        Patch("VTS_01_0.IFO", change);
        EXPECT_EQ(TitleError(2, 1), "VTS_01_0.IFO" + unsafe);
        EXPECT_EQ(TitleError(3, 1), "(opened)");
    }
}

// Interleaved cells are followed navigation pack by navigation pack. Here the main title's four cells
// all cover the whole title set, whose 600 sectors are all navigation packs of one-sector VOBUs: it
// would read every sector four times (of a disc of gigabytes, a hang), and is refused once it has read
// as many navigation packs as its files have sectors.
TEST_F(DiscCopy, InterleavedCellsThatCoverTheFilesOverAndOverAreRefused)
{
    Copy("disc");
    fs::remove(Path("VTS_01_1.VOB"));
    Bytes nav = ReadFile(FixturePath("disc/VIDEO_TS/VTS_01_1.VOB"));
    nav.resize(2048);
    constexpr std::size_t kDsi = 0x407;
    Put32(nav, kDsi + 8, 0);  // the VOBU ends at its navigation pack
    nav[kDsi + 32] = nav[kDsi + 33] = 0;  // not an interleaved unit's end
    std::ofstream vob(Path("VTS_01_1.VOB"), std::ios::binary);
    for (int i = 0; i < 600; ++i)
        vob.write(reinterpret_cast<const char*>(nav.data()), nav.size());
    vob.close();
    Patch("VTS_01_0.IFO", [](Bytes& d) {
        for (int cell = 0; cell < 4; ++cell) {
            const std::size_t at = CellAt(d, 2, cell);
            d[at] |= 0x04;  // interleaved
            Put32(d, at + 8, 0);
            Put32(d, at + 16, 599);
            Put32(d, at + 20, 599);
        }
    });
    EXPECT_EQ(TitleError(2, 1), "title 2 is damaged: its interleaved cells cover its files over and over");
}

// Cells listed backwards, or one cell listed four times, are read in the order listed; the title
// no longer counts as in order.
TEST_F(DiscCopy, CellsThatRunBackwardsOrRepeatAreReadInTheOrderListed)
{
    const Bytes vob = ReadFile(FixturePath("disc/VIDEO_TS/VTS_01_1.VOB"));
    for (const std::vector<int>& order : {std::vector<int>{3, 2, 1, 0}, std::vector<int>{0, 0, 0, 0}}) {
        SCOPED_TRACE(testing::PrintToString(order));
        fs::remove_all(dir_ / "VIDEO_TS");
        Copy("disc");
        std::vector<char> expected;
        Patch("VTS_01_0.IFO", [&](Bytes& d) {
            const Bytes original = d;
            for (std::size_t i = 0; i < order.size(); ++i) {
                const std::size_t from = CellAt(original, 2, order[i]);
                std::copy_n(original.begin() + from, 24, d.begin() + CellAt(d, 2, static_cast<int>(i)));
                const std::size_t first = Get32(original, from + 8) * 2048;
                const std::size_t end = (Get32(original, from + 20) + 1) * 2048;
                expected.insert(expected.end(), vob.begin() + first, vob.begin() + end);
            }
        });
        const dvd::Disc disc(dir_.string());
        EXPECT_FALSE(disc.Title(2).inOrder);
        EXPECT_TRUE(ReadWhole(dvd::TitleSource(disc, 2, 1), std::size_t{1} << 20) == expected);
    }
}

// A title that claims twelve angles offers nine, the most a navigation pack has room for; an angle
// past its block's cells plays the block's first. On the plain disc all four cells of the main title
// are marked inside a block, none first or last, so the block runs to the end of the program chain;
// the interleaved copy keeps its block of cells C and D, whose navigation packs give the next unit of
// two angles only, so angle 9 follows angle 1's.
TEST_F(DiscCopy, AngleBlocksThatNeverEndOrClaimTooManyAnglesAreReadSoundly)
{
    const Bytes vob = ReadFile(FixturePath("disc/VIDEO_TS/VTS_01_1.VOB"));
    const Bytes ifo = ReadFile(FixturePath("disc/VIDEO_TS/VTS_01_0.IFO"));
    const auto cellBytes = [&](int cell) {
        const std::size_t at = CellAt(ifo, 2, cell);
        return std::vector<char>(vob.begin() + Get32(ifo, at + 8) * 2048,
                                 vob.begin() + (Get32(ifo, at + 20) + 1) * 2048);
    };
    const auto titleBytes = [](const dvd::Disc& disc, int angle) {
        return ReadWhole(dvd::TitleSource(disc, 2, angle), std::size_t{1} << 20);
    };
    for (const std::string fixture : {"disc", "interleaved"}) {
        SCOPED_TRACE(fixture);
        fs::remove_all(dir_ / "VIDEO_TS");
        Copy(fixture);
        Patch("VIDEO_TS.IFO", [](Bytes& d) { d[TitleAt(d, 2) + 1] = 12; });
        if (fixture == "disc") {
            Patch("VTS_01_0.IFO", [](Bytes& d) {
                for (int cell = 0; cell < 4; ++cell)
                    d[CellAt(d, 2, cell)] =
                        static_cast<unsigned char>(2 << 6 | 1 << 4 | (d[CellAt(d, 2, cell)] & 0x0f));
            });
        }
        const dvd::Disc disc(dir_.string());
        EXPECT_EQ(disc.Title(2).angles, 9);
        try {
            disc.Angle(2, 10);
            ADD_FAILURE() << "angle 10 found";
        } catch (const dvd::DiscError& e) {
            EXPECT_STREQ(e.what(), "angle 10 not found: title 2 has 9 angles");
        }
        const std::vector<char> angle1 = titleBytes(disc, 1);
        EXPECT_TRUE(titleBytes(disc, 9) == angle1);
        if (fixture == "disc") {
            EXPECT_TRUE(angle1 == cellBytes(0));
            EXPECT_TRUE(titleBytes(disc, 4) == cellBytes(3));
        } else {
            EXPECT_TRUE(angle1 == titleBytes(dvd::Disc(FixturePath(fixture)), 1));
        }
    }
}

// In an image libdvdread reads a title set's parts as one run from the first part's start: parts with
// another file between them, or not of whole sectors, would be read from what lies past them. The
// parts here are the disc's first 1000 sectors and the 300 after them, around a file of 8 KiB.
TEST_F(TempFolder, ImagesWhosePartsDoNotFollowOneAnotherWholeAreRefused)
{
    const Bytes vob = ReadFile(FixturePath("disc/VIDEO_TS/VTS_01_1.VOB"));
    const auto image = [&](const std::string& name, std::size_t firstPart, bool between) {
        const fs::path folder = dir_ / name / "VIDEO_TS";
        fs::create_directories(folder);
        for (const char* file : {"VIDEO_TS.IFO", "VTS_01_0.IFO"})
            fs::copy_file(FixturePath(std::string("disc/VIDEO_TS/") + file), folder / file);
        const auto write = [&](const char* file, const unsigned char* from, std::size_t size) {
            std::ofstream(folder / file, std::ios::binary).write(reinterpret_cast<const char*>(from), size);
        };
        write("VTS_01_1.VOB", vob.data(), firstPart);
        write("VTS_01_2.VOB", vob.data() + 1000 * 2048, 300 * 2048);
        if (between)
            write("VTS_01_1.VOC", vob.data(), 8192);  // placed by name, between the parts
        const fs::path iso = dir_ / (name + ".iso");
        const std::string command =
            "genisoimage -quiet -udf -V " + name + " -o '" + iso.string() + "' '" + (dir_ / name).string() + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return iso.string();
    };
    EXPECT_EQ(TitleError(image("gap", 1000 * 2048, true), 1, 1),
              "VTS_01_2.VOB does not follow VTS_01_1.VOB in the image: the image is damaged");
    EXPECT_EQ(TitleError(image("partial", 1000 * 2048 + 100, false), 1, 1),
              "VTS_01_1.VOB is 2048100 bytes, not whole 2048-byte sectors: the file is damaged");
    // Whole and in order, title 1 (sectors 0 to 1211) reads across the two parts.
    const dvd::Disc disc(image("whole", 1000 * 2048, false));
    EXPECT_TRUE(ReadWhole(dvd::TitleSource(disc, 1, 1), std::size_t{1} << 20) ==
                std::vector<char>(vob.begin(), vob.begin() + 1212 * 2048));
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
