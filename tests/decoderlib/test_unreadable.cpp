// Media that fail under the reader, as a scratched disc or a failing drive does once the file has
// opened: runs of bytes whose reads fail with EIO (the preloaded libfailingreads.so), and a file that
// shrinks while it is read. The video goes on past them, says how much could not be read and near
// which second, and the program keeps its pictures and exits 1.
#include "decodertest.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

constexpr std::int64_t kRun = 64 * 1024;

// Reads of `path` fail over [offset, offset + length) while it lives.
class FailingReads {
public:
    FailingReads(const std::string& path, std::int64_t offset, std::int64_t length = kRun)
    {
        const std::string wanted = path + ":" + std::to_string(offset) + ":" + std::to_string(length);
        setenv("STILLREEL_FAIL_READS", wanted.c_str(), 1);
    }
    ~FailingReads() { unsetenv("STILLREEL_FAIL_READS"); }
    FailingReads(const FailingReads&) = delete;
    FailingReads& operator=(const FailingReads&) = delete;
};

std::int64_t SizeOf(const std::string& path)
{
    return static_cast<std::int64_t>(fs::file_size(path));
}

// Every frame to the end. Where the start could not be read, the video starts at the first picture
// that could: `shift` is that picture's index, by which every later one comes early. `firstDamaged` is
// the second of the first frame that shows damage (no index, or not the frame of its own second after
// the one before), -1 where none does.
struct Read {
    FrameTally tally;
    int shift = 0;
    std::int64_t firstDamaged = -1;
};

Read ReadToEnd(TDecoder& decoder, Rate rate)
{
    Read read;
    int lastIndex = -1;
    while (PDecodedFrame frame = decoder.GetNextFrame()) {
        if (read.tally.frames++ == 0)
            read.shift = std::max(IndexOf(decoder, frame), 0);
        const std::int64_t second = decoder.FrameInfo()->Timestamp;
        const int index = IndexOf(decoder, frame) - read.shift;
        const bool inPlace = index > lastIndex && rate.SecondOf(index) == second;
        if (index + read.shift >= 0) {
            ++read.tally.readable;
            read.tally.inPlace += inPlace;
            lastIndex = std::max(lastIndex, index);
        }
        if (!inPlace && read.firstDamaged < 0)
            read.firstDamaged = second;
    }
    return read;
}

void ExpectNear(const TDecoderUnreadable& unreadable, std::int64_t second)
{
    ASSERT_EQ(unreadable.Places, 1);
    EXPECT_NEAR(unreadable.Seconds[0], second, 1);
}

struct Spot {
    const char* name;
    // Where the run starts, given the file's size; a sector apart from the pack grid on purpose.
    std::int64_t (*offset)(std::int64_t size);
};

const Spot kSpots[] = {
    {"start", [](std::int64_t) { return std::int64_t{0}; }},
    {"middle", [](std::int64_t size) { return size / 2 / 2048 * 2048 + 1000; }},
    {"end", [](std::int64_t size) { return size - kRun; }},
};

class UnreadableRun : public testing::TestWithParam<Spot> {};

TEST_P(UnreadableRun, AFileGoesOnPastItAndSaysWhereItWas)
{
    const std::string path = FixturePath("pal.vob");
    const std::int64_t offset = GetParam().offset(SizeOf(path));
    const FailingReads failing(path, offset);
    TDecoder decoder;
    decoder.OpenFile(path, 0, 0);
    EXPECT_EQ(decoder.FileInfo()->TotalSeconds, offset == 0 ? 11 : 12);
    const Read read = ReadToEnd(decoder, kPal);
    EXPECT_EQ(read.shift > 0, offset == 0);
    // 64 KiB is 2 of the 300 frames' worth; a picture that lost its I-picture's start goes too.
    EXPECT_GE(read.tally.frames, 285);
    EXPECT_GE(read.tally.inPlace * 10, read.tally.readable * 9);
    const TDecoderUnreadable unreadable = decoder.Unreadable();
    EXPECT_EQ(unreadable.Bytes, offset % 2048 == 0 ? kRun : kRun + 2048);
    if (offset == 0)
        ExpectNear(unreadable, 0);
    else if (offset + kRun == SizeOf(path))
        ExpectNear(unreadable, 11);
    else
        ExpectNear(unreadable, read.firstDamaged);

    // Seeks into and around the run land on their second, and nothing is retried into a new count.
    int landed = 0;
    const std::int32_t seconds = decoder.FileInfo()->TotalSeconds;
    for (std::int32_t s = 0; s < seconds; ++s) {
        decoder.Seek(s);
        PDecodedFrame frame = decoder.GetNextFrame();
        ASSERT_NE(frame, nullptr) << "second " << s;
        landed += decoder.FrameInfo()->Timestamp == s && kPal.SecondOf(IndexOf(decoder, frame) - read.shift) == s;
    }
    EXPECT_GE(landed, seconds - 1);
    EXPECT_EQ(decoder.Unreadable().Bytes, unreadable.Bytes);
}

INSTANTIATE_TEST_SUITE_P(Decoder, UnreadableRun, testing::ValuesIn(kSpots),
                         [](const testing::TestParamInfo<Spot>& p) { return std::string(p.param.name); });

TEST(Unreadable, ADiscImageAndAFolderGoOnPastABadRun)
{
    struct Case {
        std::string opened;
        std::string failing;  // the file whose reads fail
        std::int64_t offset;
    };
    const Case cases[] = {
        {FixturePath("disc.iso"), FixturePath("disc.iso"), 12 << 20},
        {FixturePath("disc"), FixturePath("disc/VIDEO_TS/VTS_01_1.VOB"), 8 << 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opened);
        const FailingReads failing(c.failing, c.offset);
        TDecoder decoder;
        decoder.OpenFile(c.opened, 0, 0);
        ASSERT_EQ(decoder.FileInfo()->TotalSeconds, 20);
        const Read read = ReadToEnd(decoder, kPal);
        EXPECT_GE(read.tally.frames, 485);
        const TDecoderUnreadable unreadable = decoder.Unreadable();
        EXPECT_EQ(unreadable.Bytes, kRun);
        ExpectNear(unreadable, read.firstDamaged);
    }
}

TEST(Unreadable, AFileThatShrinksWhileReadEndsThereAndSaysHowMuch)
{
    const std::string path = testing::TempDir() + "shrinking.vob";
    fs::copy_file(FixturePath("pal.vob"), path, fs::copy_options::overwrite_existing);
    const std::int64_t size = SizeOf(path);
    TDecoder decoder;
    decoder.OpenFile(path, 0, 0);
    for (int i = 0; i < 25; ++i)
        ASSERT_NE(decoder.GetNextFrame(), nullptr);
    const std::int64_t kept = size / 2;
    fs::resize_file(path, static_cast<std::uintmax_t>(kept));
    const Read read = ReadToEnd(decoder, kPal);
    EXPECT_GT(read.tally.frames + 25, 120);
    EXPECT_LT(read.tally.frames + 25, 180);
    const TDecoderUnreadable unreadable = decoder.Unreadable();
    EXPECT_EQ(unreadable.Bytes, size - kept);
    ASSERT_EQ(unreadable.Places, 1);
    EXPECT_NEAR(unreadable.Seconds[0], 6, 1);
    std::remove(path.c_str());
}

TEST(Unreadable, AFileThatCannotBeReadAtAllSaysSo)
{
    const std::string path = FixturePath("pal.vob");
    const FailingReads failing(path, 0, SizeOf(path));
    TDecoder decoder;
    try {
        decoder.OpenFile(path, 0, 0);
        ADD_FAILURE() << "opened";
    } catch (const EMPEG2Error& e) {
        EXPECT_EQ(e.Message(), "Unable to open video file: " + path + " (Input/output error)");
    }
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(Unreadable, TheProgramKeepsEveryPictureSaysWhatWasLostAndExitsOne)
{
    const fs::path dir = fs::path(testing::TempDir()) / "unreadable-program";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string path = FixturePath("pal.vob");
    const std::string command = "STILLREEL_FAIL_READS='" + path + ":" + std::to_string(SizeOf(path) / 2) + ":" +
                                std::to_string(kRun) + "' LD_PRELOAD='" + STILLREEL_FAILING_READS + "' '" +
                                STILLREEL_THUMBS + "' --whole --width 64 -o '" + dir.string() + "' '" + path +
                                "' >'" + (dir / "out.txt").string() + "' 2>'" + (dir / "err.txt").string() + "'";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    std::size_t pictures = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir / "pal"))
        ++pictures;
    EXPECT_GE(pictures, 295U);
    const std::string err = ReadAll((dir / "err.txt").string());
    EXPECT_TRUE(std::regex_match(err, std::regex("stillreel-thumbs: .*/pal\\.vob: 64 KiB could not be read "
                                                 "\\(near 0:00:0[567]\\)\n")))
        << err;
    fs::remove_all(dir);
}

}  // namespace
