// The command line of stillreel-thumbs: what it accepts, what it refuses, the sizes it picks.
#include "cli/thumbsoptions.h"

#include "cli/optiontable.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <set>
#include <sstream>

namespace {

using job::Mode;
using thumbs::ParseOptions;
using thumbs::UsageError;

std::string UsageMessage(const std::vector<std::string>& args)
{
    try {
        ParseOptions(args);
    } catch (const UsageError& e) {
        return e.what();
    }
    return "accepted";
}

// The options a text names: "--long-name" and "-x" standing as words, not "-dvd-video" nor a hyphen
// inside a word; a man page's "\-" read as "-" and its font escapes dropped.
std::set<std::string> OptionsNamed(std::string text)
{
    for (const std::string escape : {"\\-", "\\fB", "\\fI", "\\fP", "\\fR"})
        for (std::size_t at = text.find(escape); at != std::string::npos; at = text.find(escape, at))
            text.replace(at, escape.size(), escape == "\\-" ? "-" : "");
    auto isWord = [](char ch) { return std::isalnum(static_cast<unsigned char>(ch)) || ch == '-' || ch == '_'; };
    std::set<std::string> named;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '-' || (at > 0 && isWord(text[at - 1])))
            continue;
        std::size_t end = at;
        while (end < text.size() && isWord(text[end]))
            ++end;
        std::string word = text.substr(at, end - at);
        while (!word.empty() && word.back() == '-')
            word.pop_back();
        const bool isLong = word.size() > 2 && word[1] == '-' && std::isalpha(static_cast<unsigned char>(word[2]));
        const bool isShort = word.size() == 2 && std::isalpha(static_cast<unsigned char>(word[1]));
        if (isLong || isShort)
            named.insert(word);
        at = end;
    }
    return named;
}

TEST(ThumbsOptions, DefaultsToTwelvePiecesOfEveryFile)
{
    const auto o = ParseOptions({"a.vob", "b.vob"});
    EXPECT_EQ(o.choices.mode, Mode::Pieces);
    EXPECT_EQ(o.choices.pieces, 12);
    EXPECT_EQ(o.files, (std::vector<std::string>{"a.vob", "b.vob"}));
    EXPECT_FALSE(o.choices.width);
    EXPECT_TRUE(o.choices.saveFolder.empty());
    EXPECT_TRUE(o.deinterlace);
    EXPECT_FALSE(ParseOptions({"--deinterlace", "off", "a.vob"}).deinterlace);
}

TEST(ThumbsOptions, ReadsModesSizesAndFolders)
{
    auto o = ParseOptions({"--range", "1:02:03", "1:02:10", "--size", "320x200", "-o", "/tmp/x", "-q", "v.vob"});
    EXPECT_EQ(o.choices.mode, Mode::Range);
    EXPECT_EQ(o.choices.start, 3723);
    EXPECT_EQ(o.choices.end, 3730);
    EXPECT_EQ(*o.choices.width, 320);
    EXPECT_EQ(*o.choices.height, 200);
    EXPECT_EQ(o.choices.saveFolder, "/tmp/x");
    EXPECT_TRUE(o.quiet);

    o = ParseOptions({"--whole", "--width", "160", "--", "-odd name.vob"});
    EXPECT_EQ(o.choices.mode, Mode::Whole);
    EXPECT_EQ(*o.choices.width, 160);
    EXPECT_FALSE(o.choices.height);
    EXPECT_EQ(o.files, (std::vector<std::string>{"-odd name.vob"}));
}

TEST(ThumbsOptions, TimesAreSecondsOrClockTimes)
{
    EXPECT_EQ(thumbs::ParseSeconds("75"), 75);
    EXPECT_EQ(thumbs::ParseSeconds("01:15"), 75);
    EXPECT_EQ(thumbs::ParseSeconds("2:00:01"), 7201);
    for (const char* bad : {"", "1:60", "a", "1::2", "-3", "1:2:3:4", "12s"})
        EXPECT_THROW(thumbs::ParseSeconds(bad), UsageError) << bad;
}

TEST(ThumbsOptions, RefusesImpossibleJobsWithTheEngineMessages)
{
    EXPECT_EQ(UsageMessage({"--pieces", "0", "v.vob"}), "The number of pieces must be at least 1.");
    EXPECT_EQ(UsageMessage({"--size", "0x10", "v.vob"}), "The thumbnail size must be at least 1 x 1 pixels.");
    EXPECT_EQ(UsageMessage({"--width", "-5", "v.vob"}), "The thumbnail size must be at least 1 x 1 pixels.");
    EXPECT_EQ(UsageMessage({"--range", "20", "10", "v.vob"}), "the range ends before it starts");
}

TEST(ThumbsOptions, RefusesMalformedCommandLines)
{
    EXPECT_EQ(UsageMessage({}), "no video file given");
    EXPECT_EQ(UsageMessage({"--bogus", "v.vob"}), "unknown option: --bogus");
    EXPECT_EQ(UsageMessage({"v.vob", "--pieces"}), "--pieces needs a number");
    EXPECT_EQ(UsageMessage({"--pieces", "x", "v.vob"}), "invalid number of pieces: 'x'");
    EXPECT_EQ(UsageMessage({"--size", "320", "v.vob"}), "invalid size: '320' (WIDTHxHEIGHT)");
    EXPECT_EQ(UsageMessage({"--whole", "--pieces", "3", "v.vob"}),
              "choose one of --whole, --pieces, --range and --chapters");
    // The grid after --sheet is optional: a file there stays a file.
    EXPECT_EQ(UsageMessage({"--sheet", "v.vob"}), "accepted");
    EXPECT_EQ(UsageMessage({"--sheet-width", "800", "v.vob"}), "--sheet-width goes with --sheet");
    EXPECT_EQ(UsageMessage({"--sheet", "4x4", "--pieces", "3", "v.vob"}),
              "a sheet's pieces are its cells: give --sheet COLSxROWS, not --pieces");
    EXPECT_TRUE(ParseOptions({"--keep-blank", "--sheet", "v.vob"}).choices.sheet->keepBlank);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--keep-blank", "v.vob"}, {"--sheet", "--chapters", "--keep-blank", "v.vob"}})
        EXPECT_EQ(UsageMessage(args), "--keep-blank goes with a --sheet of the whole video");
    EXPECT_EQ(UsageMessage({"--deinterlace", "on", "v.vob"}), "invalid deinterlace mode: 'on' (auto or off)");
    EXPECT_EQ(UsageMessage({"--help"}), "accepted");
}

// A choice of none of the four kinds is a usage error before any file opens; a language in capitals is
// a language, and forced takes the stream --subtitles-stream names.
TEST(ThumbsOptions, SubtitlesAreOffAStreamALanguageOrForced)
{
    using Kind = job::SubtitleRequest::Kind;
    EXPECT_EQ(ParseOptions({"v.vob"}).subtitles.kind, Kind::Off);
    auto o = ParseOptions({"--subtitles", "DE", "v.vob"});
    EXPECT_EQ(o.subtitles.kind, Kind::Language);
    EXPECT_EQ(o.subtitles.language, "de");
    o = ParseOptions({"--subtitles-stream", "2", "--subtitles", "forced", "v.vob"});
    EXPECT_EQ(o.subtitles.kind, Kind::Forced);
    EXPECT_EQ(o.subtitles.stream, 2);
    EXPECT_EQ(ParseOptions({"--subtitles", "12", "v.vob"}).subtitles.stream, 12);
    for (const char* bad : {"0", "-1", "1a", "fra", "e", "", "é"})
        EXPECT_EQ(UsageMessage({"--subtitles", bad, "v.vob"}),
                  "invalid subtitles: '" + std::string(bad) +
                      "' (off, forced, a stream number or a two-letter language)")
            << bad;
    EXPECT_EQ(UsageMessage({"--subtitles", "en", "--subtitles-stream", "2", "v.vob"}),
              "--subtitles-stream goes with --subtitles forced");
    EXPECT_EQ(UsageMessage({"--subtitles", "forced", "--subtitles-stream", "0", "v.vob"}),
              "subtitle stream numbers start at 1");
}

// The file manager's command: one video and one output, a size in range, only the options that say
// which picture; anything of the other modes refused.
TEST(ThumbsOptions, AThumbnailTakesOneVideoAndOneOutputAndOnlyThePictureOptions)
{
    auto o = ParseOptions({"--thumbnail", "in.vob", "out.png"});
    EXPECT_TRUE(o.thumbnail);
    EXPECT_EQ(o.thumbnailSide, 256);
    EXPECT_EQ(o.files, (std::vector<std::string>{"in.vob", "out.png"}));
    o = ParseOptions(
        {"--thumbnail", "-s", "4096", "--title", "3", "--angle", "2", "--deinterlace", "off", "d.iso", "t.png"});
    EXPECT_EQ(o.thumbnailSide, 4096);
    EXPECT_EQ(o.title.title, 3);
    EXPECT_EQ(o.title.angle, 2);
    EXPECT_FALSE(o.deinterlace);

    for (const char* size : {"0", "4097", "-1"})
        EXPECT_EQ(UsageMessage({"--thumbnail", "-s", size, "in.vob", "out.png"}),
                  "the thumbnail size must be from 1 to 4096 pixels")
            << size;
    EXPECT_EQ(UsageMessage({"--thumbnail", "-s", "big", "in.vob", "out.png"}), "invalid thumbnail size: 'big'");
    EXPECT_EQ(UsageMessage({"--thumbnail", "in.vob"}), "--thumbnail takes one video and one output file");
    EXPECT_EQ(UsageMessage({"--thumbnail", "a.vob", "b.vob", "out.png"}),
              "--thumbnail takes one video and one output file");
    for (const std::vector<std::string>& other : {std::vector<std::string>{"--whole"},
                                                  {"--pieces", "3"},
                                                  {"--sheet"},
                                                  {"-o", "dir"},
                                                  {"--width", "100"},
                                                  {"--info"},
                                                  {"--subtitles", "en"}}) {
        std::vector<std::string> args{"--thumbnail"};
        args.insert(args.end(), other.begin(), other.end());
        args.insert(args.end(), {"in.vob", "out.png"});
        EXPECT_EQ(UsageMessage(args), other[0] + " does not go with --thumbnail");
    }
    EXPECT_EQ(UsageMessage({"-s", "128", "in.vob"}), "-s goes with --thumbnail");
}

// The size the window's settings propose for a video, which the command line takes too.
TEST(ThumbsOptions, HeightFollowsTheAspectRatioToTheNearestEvenTie)
{
    const job::Picture pal{720, 576, 4.0 / 3.0};
    EXPECT_EQ(job::ThumbnailSize(pal).height, 540);
    EXPECT_EQ(job::ThumbnailSize({720, 480, 16.0 / 9.0}).height, 405);
    // 5 / 2 and 7 / 2 lie exactly between two integers.
    EXPECT_EQ(job::ThumbnailSize({720, 576, 2.0}, 5).height, 2);
    EXPECT_EQ(job::ThumbnailSize({720, 576, 2.0}, 7).height, 4);
    const auto exact = job::ThumbnailSize(pal, 33, 44);
    EXPECT_EQ(exact.width, 33);
    EXPECT_EQ(exact.height, 44);
    // A ratio the library does not know: the picture's own shape.
    EXPECT_EQ(job::ThumbnailSize({720, 576, 0.0}).height, 576);
    EXPECT_EQ(job::ThumbnailSize({720, 576, 0.0}, 360).height, 288);
}

// A catalogue always makes sheets of whole titles into its own folders: a 4x4 sheet unless given,
// and the options of other jobs refused rather than quietly dropped.
TEST(ThumbsOptions, CatalogueTakesSheetOptionsOnly)
{
    auto o = ParseOptions({"--catalogue", "out", "shelf"});
    EXPECT_EQ(o.catalogue, "out");
    ASSERT_TRUE(o.choices.sheet);
    EXPECT_EQ(o.choices.pieces, 16);
    EXPECT_FALSE(o.allTitles);
    o = ParseOptions({"--catalogue", "out", "--sheet", "3x2", "--all-titles", "--min-length", "1:30", "shelf"});
    EXPECT_EQ(o.choices.pieces, 6);
    EXPECT_TRUE(o.allTitles);
    EXPECT_EQ(o.minLength, 90);
    EXPECT_EQ(UsageMessage({"--catalogue", "out", "--whole", "shelf"}), "--whole does not go with --catalogue");
    EXPECT_EQ(UsageMessage({"--catalogue", "out", "-o", "x", "shelf"}), "-o does not go with --catalogue");
    EXPECT_EQ(UsageMessage({"--catalogue", "out", "--min-length", "30", "shelf"}),
              "--min-length goes with --all-titles");
    EXPECT_EQ(UsageMessage({"--all-titles", "a.vob"}), "--all-titles goes with --catalogue");
    EXPECT_EQ(UsageMessage({"--thumbnail", "--catalogue", "out", "a.vob", "b.png"}),
              "--catalogue does not go with --thumbnail");
}

// The table is where options are declared: the man page is written by hand and --help from the
// table, and neither may name an option the other lacks.
TEST(ThumbsOptions, TheManPageAndTheHelpNameEveryOptionOfTheTableAndNoOther)
{
    std::set<std::string> table;
    for (const thumbs::OptionRow& option : thumbs::OptionTable())
        for (std::string_view spelling : {option.name, option.longName})
            if (!spelling.empty())
                table.insert(std::string(spelling));
    std::ifstream file(STILLREEL_THUMBS_MAN_PAGE);
    ASSERT_TRUE(file) << STILLREEL_THUMBS_MAN_PAGE;
    std::ostringstream page;
    page << file.rdbuf();
    EXPECT_EQ(OptionsNamed(page.str()), table) << "the man page";
    EXPECT_EQ(OptionsNamed(thumbs::UsageText()), table) << "--help";
}

} // namespace
