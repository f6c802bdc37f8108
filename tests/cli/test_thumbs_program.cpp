// stillreel-thumbs run as a program on the fixture videos: the pictures it writes, by name and by
// the frame each one shows, its messages and its exit status.
#include "support/combing.h"
#include "support/damage.h"
#include "support/fixtures.h"
#include "support/shell.h"
#include "support/frameindex.h"
#include "support/unopenable.h"

#include <FreeImage.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

class ThumbsProgram : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::path(testing::TempDir()) /
               ("thumbs-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override
    {
        unsetenv("STILLREEL_FAKE_DECODER");
        fs::remove_all(dir_);
    }

    // Runs the program in the test's folder, after the shell commands of prelude (each ending in "&& ").
    Result Run(const std::vector<std::string>& args, const std::string& prelude = "")
    {
        std::string command = "cd " + Quote(dir_.string()) + " && " + prelude + Quote(program_);
        for (const std::string& a : args)
            command += " " + Quote(a);
        command += " >" + Quote((dir_ / "out.txt").string()) + " 2>" + Quote((dir_ / "err.txt").string());
        Result r;
        const int raw = std::system(command.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = ReadAll(dir_ / "out.txt");
        r.err = ReadAll(dir_ / "err.txt");
        return r;
    }

    // The frame index shown by a written picture (JPEG or PNG), its size and how combed it is.
    struct Picture {
        int index = -1;
        unsigned width = 0;
        unsigned height = 0;
        double combing = 0;
    };
    static Picture Read(const fs::path& file)
    {
        Picture p;
        FIBITMAP* bitmap = FreeImage_Load(FreeImage_GetFileType(file.c_str(), 0), file.c_str(), 0);
        if (!bitmap)
            return p;
        p.width = FreeImage_GetWidth(bitmap);
        p.height = FreeImage_GetHeight(bitmap);
        // FreeImage keeps the bottom row first: read from the top row with a negative stride.
        const auto pitch = static_cast<std::ptrdiff_t>(FreeImage_GetPitch(bitmap));
        const std::uint8_t* top = FreeImage_GetScanLine(bitmap, static_cast<int>(p.height) - 1);
        p.index = ReadFrameIndex(top, static_cast<int>(p.width), static_cast<int>(p.height), -pitch, 3);
        p.combing = CombingOf(top, static_cast<int>(p.width), static_cast<int>(p.height), -pitch, 3);
        FreeImage_Unload(bitmap);
        return p;
    }

    // A sheet as a script sees it through its map: each cell's frame as the map names it (-1 for
    // none) and the frame index its pixels show, cut out of the JPEG where the map puts the cell.
    // Empty when the sheet or its map does not load, or they disagree on the sheet's size.
    struct SheetCells {
        std::vector<int> frames;
        std::vector<int> shown;
    };
    static SheetCells ReadSheet(const fs::path& file)
    {
        SheetCells cells;
        std::ifstream in(fs::path(file).replace_extension(".json"));
        const nlohmann::json map = nlohmann::json::parse(in, nullptr, false);
        FIBITMAP* bitmap = FreeImage_Load(FIF_JPEG, file.c_str(), 0);
        if (!bitmap || !map.is_object())
            return cells;
        const int height = static_cast<int>(FreeImage_GetHeight(bitmap));
        if (map["sheet"] == file.filename().string() && map["width"] == FreeImage_GetWidth(bitmap) &&
            map["height"] == height) {
            const auto pitch = static_cast<std::ptrdiff_t>(FreeImage_GetPitch(bitmap));
            for (const nlohmann::json& cell : map["cells"]) {
                const int left = cell["x"];
                const int top = cell["y"];
                const std::uint8_t* row = FreeImage_GetScanLine(bitmap, height - 1 - top) + left * 3;
                cells.frames.push_back(cell["frame"].is_null() ? -1 : cell["frame"].get<int>());
                cells.shown.push_back(ReadFrameIndex(row, cell["width"], cell["height"], -pitch, 3));
            }
        }
        FreeImage_Unload(bitmap);
        return cells;
    }

    static std::size_t CountPictures(const fs::path& folder)
    {
        std::size_t count = 0;
        if (fs::exists(folder))
            for (const auto& entry : fs::directory_iterator(folder))
                count += entry.path().extension() == ".jpg";
        return count;
    }

    // A copy of the program beside the scripted fake decoder, which it then loads instead of the real one.
    void UseFakeDecoder(const char* script)
    {
        fs::create_directories(dir_ / "fake");
        fs::copy_file(STILLREEL_THUMBS, dir_ / "fake" / "stillreel-thumbs");
        fs::copy_file(STILLREEL_FAKE_DECODER_LIB, dir_ / "fake" / "libdecoder.so");
        program_ = (dir_ / "fake" / "stillreel-thumbs").string();
        setenv("STILLREEL_FAKE_DECODER", script, 1);
    }

    fs::path dir_;
    std::string program_ = STILLREEL_THUMBS;
};

TEST_F(ThumbsProgram, PiecesAreTakenAtEvenlySpacedSecondsIntoTheCurrentFolder)
{
    const Result r = Run({FixturePath("pal100.vob")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(CountPictures(dir_ / "pal100"), 12u);
    for (int i = 0; i < 12; ++i) {
        const Picture p = Read(dir_ / "pal100" / ("pal100_" + std::to_string(i) + ".jpg"));
        EXPECT_EQ(p.index, i * 8 * 25) << "piece " << i;
        EXPECT_EQ(p.width, 720u);
        EXPECT_EQ(p.height, 540u);
    }
    EXPECT_NE(r.out.find("Done: 12/12"), std::string::npos) << r.out;
}

// A copy with 0.01% of its bytes changed keeps its length, and its pieces land on their seconds
// (a piece whose code blocks were concealed may show no index).
TEST_F(ThumbsProgram, PiecesOfADamagedCopyLandOnTheirSeconds)
{
    std::vector<char> bytes = ReadFileBytes(FixturePath("pal100.vob"));
    ChangeBytes(bytes, bytes.size() / 10000, 5);
    const std::string damaged = (dir_ / "damaged.vob").string();
    WriteFileBytes(damaged, bytes);
    const Result info = Run({"--info", damaged});
    EXPECT_NE(info.out.find("Duration: 00:01:40"), std::string::npos) << info.out;
    const Result r = Run({"--width", "360", damaged});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(CountPictures(dir_ / "damaged"), 12u);
    int readable = 0;
    for (int i = 0; i < 12; ++i) {
        const int index = Read(dir_ / "damaged" / ("damaged_" + std::to_string(i) + ".jpg")).index;
        if (index < 0)
            continue;
        ++readable;
        EXPECT_EQ(index / 25, i * 8) << "piece " << i;
    }
    EXPECT_GE(readable, 10);
}

TEST_F(ThumbsProgram, WholeVideoWritesEveryFrameAtTheChosenWidth)
{
    const Result r = Run({"--whole", "--width", "160", "-o", (dir_ / "out").string(), FixturePath("pal5.vob")});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(CountPictures(dir_ / "out" / "pal5"), 125u);
    for (int i = 0; i < 125; ++i) {
        const Picture p = Read(dir_ / "out" / "pal5" / ("pal5_" + std::to_string(i) + ".jpg"));
        ASSERT_EQ(p.index, i);
        ASSERT_EQ(p.width, 160u);
        ASSERT_EQ(p.height, 120u);
    }
}

TEST_F(ThumbsProgram, AWatchedTerminalSeesTheRateAndTimeLeftWhilePipedLinesStayPlain)
{
    // script(1) gives the program a terminal for its standard error; its standard output is piped.
    const std::string inner = Quote(program_) + " --whole --width 160 -o out " + Quote(FixturePath("pal100.vob")) +
                              " >piped.txt";
    const std::string command = "cd " + Quote(dir_.string()) + " && script -qec " + Quote(inner) +
                                " terminal.txt >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string terminal = ReadAll(dir_ / "terminal.txt");
    EXPECT_NE(terminal.find("\rProcessing: "), std::string::npos) << terminal;
    EXPECT_NE(terminal.find("% "), std::string::npos);
    EXPECT_NE(terminal.find(" pictures/s "), std::string::npos);
    EXPECT_NE(terminal.find(" left"), std::string::npos);
    const std::string piped = ReadAll(dir_ / "piped.txt");
    EXPECT_EQ(piped.rfind("Processing: 1/2500\n", 0), 0u) << piped;
    EXPECT_EQ(piped.find_first_of("\r%"), std::string::npos) << piped;
    EXPECT_NE(piped.find("\nDone: 2500/2500\n"), std::string::npos) << piped;
}

TEST_F(ThumbsProgram, RangeTakesEveryFrameOfBothEndSeconds)
{
    const Result r = Run({"--range", "0:10", "11", "--size", "200x100", "-q", FixturePath("pal.vob")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    ASSERT_EQ(CountPictures(dir_ / "pal"), 50u);
    EXPECT_EQ(Read(dir_ / "pal" / "pal_0.jpg").index, 250);
    const Picture last = Read(dir_ / "pal" / "pal_49.jpg");
    EXPECT_EQ(last.index, 299);
    EXPECT_EQ(last.width, 200u);
    EXPECT_EQ(last.height, 100u);
}

// Interlaced video in every mode: each picture the frame it should be, clean; with the switch off,
// the frames as decoded, combed.
TEST_F(ThumbsProgram, InterlacedVideoGivesCleanPicturesOfTheRightFramesInEveryMode)
{
    // Measured on these pictures at 720x540: clean ones stay under 0.5, combed ones above 1.5.
    constexpr double kCombed = 1.0;
    struct Job {
        std::vector<std::string> args;
        std::vector<int> indices;
        bool combed;
    };
    std::vector<int> whole(125);
    for (int i = 0; i < 125; ++i)
        whole[i] = i;
    std::vector<int> range(whole.begin() + 50, whole.begin() + 100);  // across the timestamp break at 75
    const std::vector<int> pieces{0, 25, 50, 75, 100};  // one a second
    const Job jobs[] = {
        {{"--whole"}, whole, false},
        {{"--range", "2", "3"}, range, false},
        {{"--pieces", "5"}, pieces, false},
        {{"--pieces", "5", "--deinterlace", "off"}, pieces, true},
    };
    for (const Job& job : jobs) {
        fs::remove_all(dir_ / "interlacedpal");
        std::vector<std::string> args = job.args;
        args.push_back(FixturePath("interlacedpal.vob"));
        const Result r = Run(args);
        ASSERT_EQ(r.status, 0) << r.err;
        ASSERT_EQ(CountPictures(dir_ / "interlacedpal"), job.indices.size()) << job.args[0];
        for (std::size_t i = 0; i < job.indices.size(); ++i) {
            const Picture p = Read(dir_ / "interlacedpal" / ("interlacedpal_" + std::to_string(i) + ".jpg"));
            EXPECT_EQ(p.index, job.indices[i]) << job.args.back() << " picture " << i;
            EXPECT_EQ(p.combing > kCombed, job.combed) << job.args.back() << " picture " << i << ": " << p.combing;
        }
    }
}

// A library without the switch deinterlaces: asked for the frames as decoded, the program says it
// cannot give them rather than write deinterlaced ones.
TEST_F(ThumbsProgram, OffWithALibraryThatAlwaysDeinterlacesFailsSayingWhy)
{
    UseFakeDecoder("fps=25;seconds=2");
    Result r = Run({"--deinterlace", "off", "clip.vob"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "stillreel-thumbs: the decoder library cannot turn deinterlacing off\n");
    EXPECT_EQ(CountPictures(dir_ / "clip"), 0u);
    r = Run({"--pieces", "2", "clip.vob"});
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(ThumbsProgram, InfoPrintsTheWindowsLineAndWritesNothing)
{
    const Result r = Run({"--info", FixturePath("ntsc.vob")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "FPS: 29.97 Size: 720x480 Duration: 00:00:06\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 2); // only the captured output
}

TEST_F(ThumbsProgram, UsageErrorsExitWithTwoAndSayWhy)
{
    Result r = Run({"--pieces", "0", FixturePath("pal.vob")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("The number of pieces must be at least 1."), std::string::npos) << r.err;
    r = Run({"--range", "9", "3", FixturePath("pal.vob")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("the range ends before it starts"), std::string::npos) << r.err;
    r = Run({});
    EXPECT_EQ(r.status, 2);
    r = Run({"--sheet", "4x4", "--whole", FixturePath("pal.vob")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("a contact sheet is made of pieces or of chapters"), std::string::npos) << r.err;
    r = Run({"--sheet", "40x1", "--sheet-width", "400", FixturePath("pal.vob")});
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(fs::exists(dir_ / "pal"));
    EXPECT_FALSE(fs::exists(dir_ / "pal_sheet.jpg"));
}

// A sheet's cells spread over the whole video to the frame, cell k of N the frame nearest
// (k + 0.5) / N of its length, at a fractional rate too; its map names them and where they lie,
// and the pixels there show them. A 16:9 title's cells are drawn 16:9.
TEST_F(ThumbsProgram, ASheetsCellsSpanTheWholeVideoAndItsMapNamesEachFrame)
{
    Result r = Run({"--sheet", "3x2", FixturePath("pal.vob")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Done: 6/6"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Sheet: " + (dir_ / "pal_sheet.jpg").string()), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(dir_ / "pal")) << "a sheet writes no loose pictures";
    const std::vector<int> frames{25, 75, 125, 175, 225, 275};
    SheetCells cells = ReadSheet(dir_ / "pal_sheet.jpg");
    EXPECT_EQ(cells.frames, frames);
    EXPECT_EQ(cells.shown, frames);

    // Title 3 of the disc is NTSC 720x480 shown at 16:9, 90 frames carrying 2000-2089.
    r = Run({"--sheet", "3x1", "--sheet-width", "900", "--title", "3", FixturePath("disc.iso")});
    ASSERT_EQ(r.status, 0) << r.err;
    cells = ReadSheet(dir_ / "STILLREEL_DISC_T03_sheet.jpg");
    EXPECT_EQ(cells.frames, (std::vector<int>{15, 45, 75}));
    EXPECT_EQ(cells.shown, (std::vector<int>{2015, 2045, 2075}));
}

// A cell on black shows the nearest frame of its share that is not nearly uniform, later or
// earlier; a share that is black throughout keeps its middle frame; --keep-blank keeps them all.
TEST_F(ThumbsProgram, ASheetPassesOverBlankFramesWithinEachCellsShare)
{
    // pal.vob with frames 0-79 and 220-299 black: the shares of 3x2 are 50 frames each.
    const std::string video = (dir_ / "fades.vob").string();
    const std::string ffmpeg = "ffmpeg -nostdin -loglevel error -y -i " + Quote(FixturePath("pal.vob")) +
        " -vf \"drawbox=w=iw:h=ih:color=black:t=fill:enable='lt(n,80)+gte(n,220)'\" -an -target pal-dvd " +
        "-aspect 4:3 -bf 2 -g 15 " + Quote(video);
    ASSERT_EQ(std::system(ffmpeg.c_str()), 0);
    Result r = Run({"-q", "--sheet", "3x2", "--sheet-width", "800", video});
    ASSERT_EQ(r.status, 0) << r.err;
    SheetCells cells = ReadSheet(dir_ / "fades_sheet.jpg");
    EXPECT_EQ(cells.frames, (std::vector<int>{25, 80, 125, 175, 219, 275}));
    EXPECT_EQ(cells.shown, (std::vector<int>{-1, 80, 125, 175, 219, -1}));

    r = Run({"-q", "--sheet", "3x2", "--sheet-width", "800", "--keep-blank", video});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadSheet(dir_ / "fades_sheet.jpg").frames, (std::vector<int>{25, 75, 125, 175, 225, 275}));
}

// A damaged copy's sheet shows the frames its map names, cell by cell.
TEST_F(ThumbsProgram, ASheetOfADamagedCopyShowsTheFramesItsMapNames)
{
    std::vector<char> bytes = ReadFileBytes(FixturePath("pal100.vob"));
    ZeroScatteredSectors(bytes, 40, 9);
    const std::string damaged = (dir_ / "damaged.vob").string();
    WriteFileBytes(damaged, bytes);
    Result r = Run({"-q", "--sheet", "4x2", "--sheet-width", "800", damaged});
    ASSERT_EQ(r.status, 0) << r.err;
    const SheetCells cells = ReadSheet(dir_ / "damaged_sheet.jpg");
    ASSERT_EQ(cells.frames.size(), 8u);
    int agree = 0;
    for (std::size_t k = 0; k < 8; ++k) {
        EXPECT_GE(cells.frames[k], 0) << "cell " << k;
        agree += cells.shown[k] == cells.frames[k];
    }
    EXPECT_GE(agree, 6);
}

// A disc title's chapter table gives one still at each chapter's first frame, on a sheet too; a
// plain file has none and says so.
TEST_F(ThumbsProgram, ChaptersLandOnTheirFirstFramesAndAPlainFileHasNone)
{
    // The fixture's chapters start at frames 0, 130, 270 and 400 (5.2 s, 10.8 s, 16 s).
    const std::vector<int> starts{0, 130, 270, 400};
    const std::string name = "chapters_T01";
    Result r = Run({"--chapters", FixturePath("chapters")});
    ASSERT_EQ(r.status, 0) << r.err;
    const fs::path folder = dir_ / name;
    ASSERT_EQ(CountPictures(folder), starts.size());
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const std::string number = (i < 9 ? "0" : "") + std::to_string(i + 1);
        EXPECT_EQ(Read(folder / (name + "_ch" + number + ".jpg")).index, starts[i]) << i;
    }
    r = Run({"--sheet", "--chapters", "-q", FixturePath("chapters")});
    ASSERT_EQ(r.status, 0) << r.err;
    const SheetCells cells = ReadSheet(dir_ / (name + "_chapters.jpg"));
    EXPECT_EQ(cells.frames, starts);
    EXPECT_EQ(cells.shown, starts);

    r = Run({"--chapters", FixturePath("pal.vob")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "stillreel-thumbs: " + FixturePath("pal.vob") +
                  ": the video has no chapter table; only a DVD title has chapters\n");
    EXPECT_FALSE(fs::exists(dir_ / "pal"));
}

TEST_F(ThumbsProgram, AnUnwritableFolderFailsTheJobSayingWhy)
{
    std::ofstream(dir_ / "plain-file") << "not a folder";
    const fs::path inside = dir_ / "plain-file" / "thumbs";
    Result r = Run({"--pieces", "3", "-o", inside.string(), FixturePath("pal.vob")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Unable to create folder: " + inside.string() + " (Not a directory)"), std::string::npos)
        << r.err;

    // A folder that exists but whose picture folder is taken by a file: the engine names the picture.
    fs::create_directories(dir_ / "out");
    std::ofstream(dir_ / "out" / "pal") << "not a folder";
    r = Run({"--pieces", "3", "-o", (dir_ / "out").string(), FixturePath("pal.vob")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Unable to write thumbnail: " + (dir_ / "out" / "pal" / "pal_0.jpg").string()),
              std::string::npos)
        << r.err;
}

// The progress counts the pictures written, and a job that writes none fails, saying why.
TEST_F(ThumbsProgram, AJobThatWritesNothingFailsSayingWhy)
{
    const std::string video = FixturePath("pal.vob");
    Result r = Run({"--range", "50", "60", video});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "stillreel-thumbs: " + video + ": the video ends at 00:00:12\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(CountPictures(dir_ / "pal"), 0u);

    // A range that runs past the end writes what there is.
    r = Run({"--range", "11", "60", "--width", "64", video});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Done: 25/1250"), std::string::npos) << r.out;

    // A video that opens but yields no frame, in the two other modes.
    UseFakeDecoder("fps=25;seconds=10;frames=0");
    for (const char* mode : {"--whole", "--pieces"}) {
        std::vector<std::string> args{mode};
        if (mode == std::string("--pieces"))
            args.push_back("3");
        args.push_back("clip.vob");
        r = Run(args);
        EXPECT_EQ(r.status, 1) << mode;
        EXPECT_EQ(r.err, "stillreel-thumbs: clip.vob: no frame of the video could be decoded\n") << mode;
        EXPECT_EQ(r.out, "") << mode;
    }
}

// Run from a working folder that has been deleted: one line says why, with the status of a failed
// job, instead of an abort. Printing the information needs no folder.
TEST_F(ThumbsProgram, ADeletedWorkingFolderIsReportedInOneLine)
{
    const std::string deleted = "mkdir gone && cd gone && rmdir ../gone && ";
    Result r = Run({FixturePath("pal.vob")}, deleted);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "stillreel-thumbs: Unable to find the current folder (No such file or directory)\n");
    r = Run({"--info", FixturePath("pal.vob")}, deleted);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "FPS: 25.00 Size: 720x576 Duration: 00:00:12\n");
}

TEST_F(ThumbsProgram, OneBadFileAmongSeveralFailsAloneAndTheOthersStillRun)
{
    const Result r = Run({"--pieces", "2", FixturePath("text.vob"), FixturePath("pal5.vob"), FixturePath("ntsc.vob")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Unable to open video file: " + FixturePath("text.vob")), std::string::npos) << r.err;
    EXPECT_EQ(CountPictures(dir_ / "pal5"), 2u);
    EXPECT_EQ(CountPictures(dir_ / "ntsc"), 2u);
}

// Each file that does not open says why, the disc's own message for a DVD folder that cannot be read.
TEST_F(ThumbsProgram, AFileThatDoesNotOpenSaysWhy)
{
    std::vector<std::string> args{"--info", "-q"};
    std::string expected;
    for (const UnopenableFile& file : MakeUnopenableFiles(dir_)) {
        args.push_back(file.path);
        expected += "stillreel-thumbs: Unable to open video file: " + file.path + " (" + file.reason + ")\n";
    }
    const std::string disc = MakeUnreadableDisc(dir_).string();
    args.push_back(disc);
    expected += "stillreel-thumbs: " + disc + ": not a DVD (its VIDEO_TS.IFO cannot be read)\n";
    // Root reads any file: it runs without that right, as a user would.
    const Result r = Run(args, geteuid() == 0 ? "setpriv --bounding-set=-dac_override,-dac_read_search -- " : "");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, expected);
    EXPECT_EQ(r.out, "");
}

TEST_F(ThumbsProgram, InterruptStopsAWholeVideoJobAndKeepsWhatWasWritten)
{
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (chdir(dir_.c_str()) != 0)
            _exit(99);
        std::freopen("/dev/null", "w", stdout);
        execl(STILLREEL_THUMBS, STILLREEL_THUMBS, "--whole", FixturePath("pal100.vob").c_str(),
              static_cast<char*>(nullptr));
        _exit(98);
    }
    const fs::path folder = dir_ / "pal100";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (CountPictures(folder) < 20 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    kill(child, SIGINT);
    int raw = 0;
    waitpid(child, &raw, 0);
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 130);
    const std::size_t written = CountPictures(folder);
    EXPECT_GE(written, 20u);
    EXPECT_LT(written, 2500u);
    // Nothing half-written: the last picture is whole and shows its own frame.
    EXPECT_EQ(Read(folder / ("pal100_" + std::to_string(written - 1) + ".jpg")).index, static_cast<int>(written) - 1);
}

// The names in a folder, sorted: what a run left there.
std::vector<std::string> Entries(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Blue, green and red of a picture's centre pixel; all -1 when it does not load.
std::array<int, 3> CentrePixel(const fs::path& file)
{
    std::array<int, 3> bgr{-1, -1, -1};
    FIBITMAP* bitmap = FreeImage_Load(FIF_PNG, file.c_str(), 0);
    if (!bitmap)
        return bgr;
    const BYTE* p = FreeImage_GetScanLine(bitmap, static_cast<int>(FreeImage_GetHeight(bitmap) / 2)) +
        FreeImage_GetWidth(bitmap) / 2 * 3;
    bgr = {p[0], p[1], p[2]};
    FreeImage_Unload(bitmap);
    return bgr;
}

// The picture at 10% of the length, exact, at the display aspect with its longer side as asked:
// a file's, a disc image's main title, a folder's 16:9 title. It needs no display and no home
// folder, prints nothing, and writes nothing but its output.
TEST_F(ThumbsProgram, AThumbnailIsThePictureAtATenthOfTheLengthAtItsDisplayAspect)
{
    struct Case {
        std::vector<std::string> args;
        int index;
        unsigned width;
        unsigned height;
    };
    const Case cases[] = {
        {{FixturePath("pal100.vob")}, 250, 256, 192},  // 100 s: second 10; the default size
        {{"-s", "256", FixturePath("disc.iso")}, 50, 256, 192},  // the main title, 20 s: second 2
        {{"-s", "256", "--title", "3", FixturePath("disc")}, 2000, 256, 144},  // NTSC 16:9, 3 s: second 0
        {{"-s", "160", "--deinterlace", "off", FixturePath("ntsc.vob")}, 0, 160, 90},
    };
    const std::string sandbox = "env -u DISPLAY -u WAYLAND_DISPLAY HOME=/nonexistent XDG_CONFIG_HOME=/nonexistent "
                                "XDG_CACHE_HOME=/nonexistent XDG_RUNTIME_DIR=/nonexistent ";
    fs::create_directories(dir_ / "thumbs");
    std::vector<std::string> written;
    const auto inode = [](const fs::path& file) {
        struct stat info {};
        return stat(file.c_str(), &info) == 0 ? info.st_ino : 0;
    };
    for (const Case& c : cases) {
        const std::string name = "t" + std::to_string(written.size()) + ".png";
        std::vector<std::string> args{"--thumbnail"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.push_back((dir_ / "thumbs" / name).string());
        // A thumbnail service makes the output file itself and reads back what it holds open: the
        // picture goes into that file, not a new one put in its place.
        const bool given = written.size() == 1;
        if (given)
            std::ofstream(dir_ / "thumbs" / name).close();
        const auto givenInode = inode(dir_ / "thumbs" / name);
        const Result r = Run(args, sandbox);
        if (given) {
            EXPECT_EQ(inode(dir_ / "thumbs" / name), givenInode);
        }
        EXPECT_EQ(r.status, 0) << c.args.back() << ": " << r.err;
        EXPECT_EQ(r.out + r.err, "") << c.args.back();
        const Picture p = Read(dir_ / "thumbs" / name);
        EXPECT_EQ(p.index, c.index) << c.args.back();
        EXPECT_EQ(p.width, c.width) << c.args.back();
        EXPECT_EQ(p.height, c.height) << c.args.back();
        written.push_back(name);
    }
    EXPECT_EQ(Entries(dir_ / "thumbs"), written);
    EXPECT_EQ(Entries(dir_), (std::vector<std::string>{"err.txt", "out.txt", "thumbs"}));
}

// Black frames and a grainy grey card open blackstart.vob (seconds 0 to 2): its 10% and 20% are
// passed over for 30%, frame 75. Every picture of the fake library is flat (frame i all of colour
// i): with nothing better anywhere, the one at 10% stays.
TEST_F(ThumbsProgram, AThumbnailPassesOverNearlyUniformPicturesUnlessAllAre)
{
    Result r = Run({"--thumbnail", FixturePath("blackstart.vob"), "start.png"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read(dir_ / "start.png").index, 75);

    UseFakeDecoder("fps=25;seconds=10");
    r = Run({"--thumbnail", "clip.vob", "flat.png"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(CentrePixel(dir_ / "flat.png"), (std::array<int, 3>{25, 0, 0}));
}

// What gives no thumbnail fails at once with one line saying why, and leaves nothing in the
// output's folder: a disc image without a DVD-Video, a text file, an encrypted disc, a missing
// file; an output that cannot be written. A usage error writes nothing either.
TEST_F(ThumbsProgram, AThumbnailOfWhatIsNoVideoFailsAndLeavesNothing)
{
    fs::create_directories(dir_ / "photos");
    std::ofstream(dir_ / "photos" / "holiday.txt") << "no video here";
    const std::string iso = (dir_ / "photos.iso").string();
    ASSERT_EQ(
        std::system(
            ("genisoimage -quiet -udf -V PHOTOS -o " + Quote(iso) + " " + Quote((dir_ / "photos").string())).c_str()),
        0);
    const std::string text = FixturePath("text.vob");
    const std::string scrambled = FixturePath("scrambled");
    const std::string missing = (dir_ / "missing.vob").string();
    const std::pair<std::string, std::string> refusals[] = {
        {iso, iso + ": not a DVD (its VIDEO_TS.IFO cannot be read)"},
        {text, "Unable to open video file: " + text + " (no MPEG video found: this is not a DVD video file)"},
        {scrambled,
         scrambled + ": This DVD is encrypted (CSS). Stillreel reads only unencrypted DVD folders and images."},
        {missing, "Unable to open video file: " + missing + " (No such file or directory)"},
    };
    fs::create_directories(dir_ / "out");
    const std::string output = (dir_ / "out" / "thumb.png").string();
    for (const auto& [input, reason] : refusals) {
        const Result r = Run({"--thumbnail", input, output});
        EXPECT_EQ(r.status, 1) << input;
        EXPECT_EQ(r.err, "stillreel-thumbs: " + reason + "\n");
        EXPECT_EQ(r.out, "") << input;
        EXPECT_EQ(Entries(dir_ / "out"), std::vector<std::string>{}) << input;
    }
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--thumbnail", "--whole", text, output},
                                                 std::vector<std::string>{"--thumbnail", "-s", "0", text, output}}) {
        EXPECT_EQ(Run(args).status, 2) << args[1];
        EXPECT_EQ(Entries(dir_ / "out"), std::vector<std::string>{}) << args[1];
    }

    // The picture made, the rename onto a folder of that name fails: the temporary goes too.
    fs::create_directories(dir_ / "out" / "taken.png");
    const Result r = Run({"--thumbnail", FixturePath("pal5.vob"), (dir_ / "out" / "taken.png").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "stillreel-thumbs: Unable to write thumbnail: " + (dir_ / "out" / "taken.png").string() +
                  " (Is a directory)\n");
    EXPECT_EQ(Entries(dir_ / "out"), std::vector<std::string>{"taken.png"});
}

// A damaged copy still gives a thumbnail of one of its frames: with a quarter of it zeroed from 8%
// on, where the first tries land, and with bytes changed and sectors zeroed all over.
TEST_F(ThumbsProgram, AThumbnailOfADamagedCopyShowsAPictureOfIt)
{
    const std::vector<char> original = ReadFileBytes(FixturePath("pal100.vob"));
    const std::size_t sectors = original.size() / kSectorSize;
    std::vector<char> bytes = original;
    ZeroSectorRun(bytes, sectors * 8 / 100, sectors * 27 / 100);
    WriteFileBytes((dir_ / "gap.vob").string(), bytes);
    Result r = Run({"--thumbnail", (dir_ / "gap.vob").string(), "gap.png"});
    ASSERT_EQ(r.status, 0) << r.err;
    const Picture gap = Read(dir_ / "gap.png");
    EXPECT_GE(gap.index, 0);
    EXPECT_EQ(gap.width, 256u);

    bytes = original;
    ChangeBytes(bytes, bytes.size() / 1000, 7);
    ZeroScatteredSectors(bytes, 200, 7);
    WriteFileBytes((dir_ / "damaged.vob").string(), bytes);
    r = Run({"--thumbnail", (dir_ / "damaged.vob").string(), "damaged.png"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(Read(dir_ / "damaged.png").height, 192u);
}

} // namespace

// A disc where a file may stand: its titles listed, its main title's pieces exact across cells and
// a file split, the pictures named after the disc and the title; what it lacks said in one line.
TEST_F(ThumbsProgram, ADiscListsItsTitlesAndGivesThePicturesOfTheChosenTitle)
{
    Result r = Run({"--list-titles", FixturePath("disc.iso")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, " 1  0:00:03    1 chapter   1 angle   4:3   PAL\n"
                     " 2  0:00:20    2 chapters  1 angle   4:3   PAL  main title\n"
                     " 3  0:00:03    1 chapter   1 angle   16:9  NTSC\n");

    r = Run({"--pieces", "10", FixturePath("disc.iso")});
    ASSERT_EQ(r.status, 0) << r.err;
    const fs::path folder = dir_ / "STILLREEL_DISC_T02";
    ASSERT_EQ(CountPictures(folder), 10u);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(Read(folder / ("STILLREEL_DISC_T02_" + std::to_string(i) + ".jpg")).index, i * 2 * 25) << i;

    // The second angle of the title, from the folder: its own cell D from second 10 on.
    r = Run({"--range", "12", "12", "--title", "2", "--angle", "2", "-q", FixturePath("angles")});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(CountPictures(dir_ / "angles_T02"), 25u);
    EXPECT_EQ(Read(dir_ / "angles_T02" / "angles_T02_0.jpg").index, 425);

    // Under each title with subtitles, its streams by number, language and kind.
    r = Run({"--list-titles", FixturePath("subs.iso")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, " 1  0:00:05    1 chapter   1 angle   4:3   PAL  main title\n"
                     "    subtitles: 1 en normal, 2 de forced\n"
                     " 2  0:00:03    1 chapter   1 angle   16:9  NTSC\n"
                     "    subtitles: 1 fr\n");

    const std::string split = FixturePath("split");
    r = Run({"--title", "7", split});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "stillreel-thumbs: " + split + ": title 7 not found: the disc has 3 titles\n");
    const std::string scrambled = FixturePath("scrambled");
    r = Run({"--list-titles", scrambled});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "stillreel-thumbs: " + scrambled +
                         ": This DVD is encrypted (CSS). Stillreel reads only unencrypted DVD folders and images.\n");
}

// Subtitles drawn into a job's stills: each still against the same job's without them, by the frame
// it shows, differs exactly where the stream is on screen; forced ones alone of another stream.
TEST_F(ThumbsProgram, SubtitlesChangeExactlyTheStillsOfTheFramesTheyShowIn)
{
    const auto shown = [&](const std::vector<std::string>& subtitles) {
        std::vector<std::string> args{"--whole", "--width", "180", "-q", "--title", "1", "-o", "with"};
        args.insert(args.end(), subtitles.begin(), subtitles.end());
        args.push_back(FixturePath("subs"));
        fs::remove_all(dir_ / "with");
        const Result r = Run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        std::string runs;
        int runStart = -1;
        int last = -1;
        for (int i = 0; i < 125; ++i) {
            const std::string name = "subs_T01/subs_T01_" + std::to_string(i) + ".jpg";
            const bool differs =
                ReadFileBytes((dir_ / "with" / name).string()) != ReadFileBytes((dir_ / "without" / name).string());
            const int index = Read(dir_ / "without" / name).index;
            if (runStart >= 0 && (!differs || index != last + 1)) {
                runs += (runs.empty() ? "" : " ") + std::to_string(runStart) + "-" + std::to_string(last);
                runStart = -1;
            }
            if (differs && runStart < 0)
                runStart = index;
            last = index;
        }
        if (runStart >= 0)
            runs += (runs.empty() ? "" : " ") + std::to_string(runStart) + "-" + std::to_string(last);
        return runs;
    };
    const Result off = Run({"--whole", "--width", "180", "-q", "--title", "1", "-o", "without", FixturePath("subs")});
    ASSERT_EQ(off.status, 0) << off.err;
    ASSERT_EQ(CountPictures(dir_ / "without" / "subs_T01"), 125u);
    EXPECT_EQ(shown({"--subtitles", "off"}), "");
    EXPECT_EQ(shown({"--subtitles", "en"}), "10-39 70-99");
    EXPECT_EQ(shown({"--subtitles", "forced", "--subtitles-stream", "2"}), "25-50");
}

// A sheet takes the subtitles too; each file is checked for the stream on its own, and one without
// it fails alone, saying what it has.
TEST_F(ThumbsProgram, SubtitlesGoOnASheetAndAVideoWithoutTheStreamFailsAlone)
{
    const std::string subs = FixturePath("subs");
    const std::string pal = FixturePath("pal.vob");
    Result r = Run({"--sheet", "2x2", "--sheet-width", "400", "-q", "-o", "without", subs});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Run({"--sheet", "2x2", "--sheet-width", "400", "-q", "-o", "with", "--subtitles", "1", pal, subs});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "stillreel-thumbs: " + pal + ": no subtitle stream 1 (the video has none)\n");
    const std::vector<char> sheet = ReadFileBytes((dir_ / "with" / "subs_T01_sheet.jpg").string());
    EXPECT_FALSE(sheet.empty());
    EXPECT_NE(sheet, ReadFileBytes((dir_ / "without" / "subs_T01_sheet.jpg").string()));
    EXPECT_FALSE(fs::exists(dir_ / "with" / "pal_sheet.jpg"));

    r = Run({"--pieces", "2", "--subtitles", "fr", "--title", "1", subs});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "stillreel-thumbs: " + subs + ": no subtitle stream \"fr\" (it has 1 en normal, 2 de forced)\n");
    EXPECT_EQ(CountPictures(dir_ / "subs_T01"), 0u);

    r = Run({"--subtitles", "french", subs});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("invalid subtitles: 'french'"), std::string::npos) << r.err;

    r = Run({"--info", subs, pal});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              subs + "\nFPS: 25.00 Size: 720x576 Duration: 00:00:05\nsubtitles: 1 en normal, 2 de forced\n" + pal +
                  "\nFPS: 25.00 Size: 720x576 Duration: 00:00:12\n");
}
