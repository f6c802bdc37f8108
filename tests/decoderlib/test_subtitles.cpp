// Subtitles drawn into the frames, through the binding: each frame shows exactly the subpictures on
// screen at its time, read back against the same frame without them, in either language of a title,
// forced ones alone, on a 16:9 title, after a seek into a subtitle on a disc image, chosen while the
// video plays, where the timestamps restart, and on subpicture packets cut and lying about their lengths.
#include "decodertest.h"

#include "support/damage.h"

#include <cstdio>
#include <functional>
#include <vector>

namespace {

struct Captioned {
    std::string path;
    int title = 0;
    int stream = 1;
    bool forcedOnly = false;
    std::int32_t seekTo = -1;  // seconds, both decoders; -1 for none
    int chooseAt = 0;  // frames read before the subtitles are chosen
};

// The frames, by their index in the picture, that differ from the same frame decoded without
// subtitles, as runs "10-39 70-99"; also how many frames each decoder delivered.
std::string ShownFrames(const Captioned& c, int* frames = nullptr)
{
    TDecoder plain;
    TDecoder captioned;
    plain.OpenFile(c.path, c.title, 0);
    captioned.OpenFile(c.path, c.title, 0);
    if (c.seekTo >= 0) {
        plain.Seek(c.seekTo);
        captioned.Seek(c.seekTo);
    }
    const std::size_t bytes = std::size_t(plain.Width()) * std::size_t(plain.Height()) * 4;
    std::string runs;
    int runStart = -1;
    int last = -1;
    int delivered = 0;
    const auto endRun = [&] {
        if (runStart >= 0)
            runs += (runs.empty() ? "" : " ") + std::to_string(runStart) + "-" + std::to_string(last);
        runStart = -1;
    };
    for (;;) {
        if (delivered == c.chooseAt) {
            EXPECT_TRUE(captioned.SetSubtitles(c.stream, c.forcedOnly));
        }
        const PDecodedFrame a = plain.GetNextFrame();
        const PDecodedFrame b = captioned.GetNextFrame();
        EXPECT_EQ(a == nullptr, b == nullptr) << "after " << delivered << " frames";
        if (!a || !b)
            break;
        ++delivered;
        const int index = IndexOf(plain, a);
        const bool differs = !std::equal(a->Pixels, a->Pixels + bytes, b->Pixels);
        if (!differs || index != last + 1)
            endRun();
        if (differs && runStart < 0)
            runStart = index;
        last = index;
    }
    endRun();
    if (frames)
        *frames = delivered;
    return runs;
}

}  // namespace

TEST(Subtitles, FramesShowTheSubpicturesOnScreenAtTheirTimeInTheLanguageChosen)
{
    const std::string folder = FixturePath("subs");
    EXPECT_EQ(ShownFrames({folder, 1, 1}), "10-39 70-99");
    EXPECT_EQ(ShownFrames({folder, 1, 2}), "25-50 75-100");
    EXPECT_EQ(ShownFrames({folder, 1, 2, true}), "25-50");
    // A unit without forced subpictures shows nothing where only those are asked for.
    EXPECT_EQ(ShownFrames({folder, 1, 1, true}), "");
    // The 16:9 title reads the substream its program chain names for the wide screen.
    EXPECT_EQ(ShownFrames({folder, 2, 1}), "2030-2059");
    // A title set's VOB opened alone takes its folder's information.
    EXPECT_EQ(ShownFrames({FixturePath("subs/VIDEO_TS/VTS_01_1.VOB"), 0, 2}), "25-50 75-100");
}

TEST(Subtitles, ASeekIntoASubtitleAndAChoiceWhilePlayingShowItFromThatFrameOn)
{
    // Frame 25 lies inside the subtitle that began at frame 10.
    EXPECT_EQ(ShownFrames({FixturePath("subs.iso"), 1, 1, false, 1}), "25-39 70-99");
    // Frames decoded ahead before the choice are drawn too.
    EXPECT_EQ(ShownFrames({FixturePath("subs"), 1, 1, false, -1, 20}), "20-39 70-99");
    EXPECT_EQ(ShownFrames({FixturePath("latesub.vob"), 0, 1, false, 11}),
              "275-278 280-283 285-288 290-293 295-298");
}

TEST(Subtitles, EachUnitStaysOnItsFramesWhereTheTimestampsRestart)
{
    // The title twice in one file: the second half's timestamps start again from the first's, as at
    // a DVD cell boundary, so only the timeline tells its subtitles from the first half's.
    std::vector<char> bytes = ReadFileBytes(FixturePath("subs/VIDEO_TS/VTS_01_1.VOB"));
    const std::size_t half = bytes.size();
    bytes.insert(bytes.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(half));
    const std::string path = testing::TempDir() + "subtitles-twice.vob";
    WriteFileBytes(path, bytes);
    EXPECT_EQ(ShownFrames({path, 0, 1}), "10-39 70-99 10-39 70-99");
    EXPECT_EQ(ShownFrames({path, 0, 2, false, 6}), "25-50 75-100");
    std::remove(path.c_str());
}

TEST(Subtitles, NoSuchStreamIsRefusedAndNoneIsAlwaysTaken)
{
    TDecoder decoder;
    decoder.OpenFile(FixturePath("subs"), 1, 0);
    const std::vector<TDecoderSubtitleStream> streams = decoder.SubtitleStreams();
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_STREQ(streams[0].Language, "en");
    EXPECT_STREQ(streams[1].Language, "de");
    EXPECT_FALSE(decoder.SetSubtitles(3, false));
    EXPECT_TRUE(decoder.SetSubtitles(0, false));
    decoder.OpenFile(FixturePath("pal.vob"), 0, 0);
    EXPECT_TRUE(decoder.SubtitleStreams().empty());
    EXPECT_FALSE(decoder.SetSubtitles(1, false));
}

TEST(Subtitles, DamagedSubpicturePacketsLeaveEveryFrameDelivered)
{
    std::vector<char> bytes = ReadFileBytes(FixturePath("latesub.vob"));
    // Every subpicture packet damaged in turn: its payload changed, its length made too long, too
    // short, or the file's rest cut off in the middle of the last one.
    int damaged = 0;
    std::size_t lastPacket = 0;
    for (std::size_t pack = 0; pack + kSectorSize <= bytes.size(); pack += kSectorSize) {
        const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[pack + i]); };
        if (!(at(14) == 0 && at(15) == 0 && at(16) == 1 && at(17) == 0xbd) || at(14 + 9 + at(22)) != 0x20)
            continue;
        lastPacket = pack;
        switch (damaged++ % 3) {
        case 0: ChangeBytes(bytes, 40, damaged, pack + 40, pack + kSectorSize); break;
        case 1: bytes[pack + 18] = static_cast<char>(0xff); break;
        case 2: bytes[pack + 19] = 8; break;
        }
    }
    ASSERT_GT(damaged, 30);
    bytes.resize(lastPacket + 100);
    const std::string path = testing::TempDir() + "subtitles-damaged.vob";
    WriteFileBytes(path, bytes);
    int frames = 0;
    const std::string shown = ShownFrames({path, 0, 1}, &frames);
    std::remove(path.c_str());
    EXPECT_GE(frames, 280);
    // Whatever still decodes shows within the subtitles' own frames.
    EXPECT_TRUE(shown.empty() || shown.rfind("2", 0) == 0) << shown;
}
