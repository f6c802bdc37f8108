// On damaged copies of a fixture, each picture the video stream delivers is the picture the ffmpeg
// program decodes for that frame (same PTS), compared in luma before any colour conversion. Also
// built with AddressSanitizer.
//
// Not bit for bit: the ffmpeg program conceals on slice threads, which race, so a few concealed
// blocks come out differently from run to run (two runs of it differ so; ours runs on one thread),
// and a reference picture passes that on to the pictures predicted from it: up to a tenth of the
// 16x16 blocks were seen to differ. Every block of two neighbouring frames of the fixture differs (its
// scene pans and carries noise), so a quarter tells a concealment difference from another picture.
#include "ffmpegframes.h"

#include "decoderlib/psscan.h"
#include "decoderlib/session.h"
#include "decoderlib/videofile.h"
#include "decoderlib/videostream.h"
#include "support/damage.h"
#include "support/fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kBlock = 16;
constexpr double kMostDifferingBlocks = 0.25;

// The share of 16x16 blocks in which the two luma planes differ at all.
double DifferingBlocks(const AVFrame& ours, const std::uint8_t* theirs)
{
    const int columns = ours.width / kBlock, rows = ours.height / kBlock;
    int differing = 0;
    for (int by = 0; by < rows; ++by)
        for (int bx = 0; bx < columns; ++bx) {
            bool same = true;
            for (int y = by * kBlock; same && y < (by + 1) * kBlock; ++y)
                same = std::equal(ours.data[0] + y * ours.linesize[0] + bx * kBlock,
                                  ours.data[0] + y * ours.linesize[0] + (bx + 1) * kBlock,
                                  theirs + y * ours.width + bx * kBlock);
            differing += !same;
        }
    return double(differing) / (columns * rows);
}

void ExpectFfmpegsPictures(const char* name, const std::vector<char>& bytes)
{
    SCOPED_TRACE(name);
    const std::string path = testing::TempDir() + name + ".vob";
    WriteFileBytes(path, bytes);
    const std::vector<std::int64_t> theirs = FfmpegFrames(path);

    decoderlib::VideoFile file(path);
    decoderlib::VideoStream stream(file);
    std::unique_ptr<FfmpegLuma> luma;
    std::size_t at = 0;
    int delivered = 0, concealed = 0, identical = 0;
    while (AVFrame* f = stream.Next()) {
        ++delivered;
        concealed += !decoderlib::IsWhole(*f);
        if (!luma)
            luma = std::make_unique<FfmpegLuma>(path, f->width, f->height);
        const std::uint8_t* plane = luma->Next();
        while (plane && at < theirs.size() && theirs[at] != f->pts) {
            plane = luma->Next();
            ++at;
        }
        ASSERT_TRUE(plane && at < theirs.size()) << "ffmpeg has no frame at pts " << f->pts;
        ++at;
        const double differing = DifferingBlocks(*f, plane);
        EXPECT_LE(differing, kMostDifferingBlocks) << "the picture at pts " << f->pts;
        identical += differing == 0;
    }
    EXPECT_GE(identical * 4, delivered * 3);
    EXPECT_GE(delivered * 100, static_cast<int>(theirs.size()) * 99);
    // The damage reached the pictures, or this proves nothing.
    EXPECT_GT(concealed, 0);
    std::remove(path.c_str());
}

TEST(Concealment, DeliversFfmpegsPictureForEveryFrame)
{
    const std::vector<char> original = ReadFileBytes(FixturePath("pal5.vob"));
    std::vector<char> bytes = original;
    ChangeBytes(bytes, bytes.size() / 10000, 2);
    ExpectFfmpegsPictures("bytes", bytes);
    bytes = original;
    ZeroScatteredSectors(bytes, 8, 4);
    ExpectFfmpegsPictures("sectors", bytes);
}

// Playing conceals a damaged I-picture from the pictures before it: a seek to its second shows that
// picture, not one concealed from nothing.
TEST(Concealment, SeekOntoADamagedIPictureShowsThePicturePlayingShows)
{
    constexpr int kSecond = 6;
    std::vector<char> bytes = ReadFileBytes(FixturePath("pal.vob"));
    const std::string path = testing::TempDir() + "damagedkey.vob";
    WriteFileBytes(path, bytes);
    std::int64_t firstPts = -1, key = -1;
    {
        const decoderlib::VideoFile file(path);
        decoderlib::PsScanner(file).VisitVideoStamps(0, file.Size(), [&](const decoderlib::PesStamp& s) {
            if (firstPts < 0)
                firstPts = s.pts;
            if (s.pts > firstPts + kSecond * decoderlib::kTicksPerSecond)
                return false;
            if (s.key)
                key = s.packPos;
            return true;
        });
    }
    ASSERT_GT(key, 0);
    ChangeBytes(bytes, 6, 8, static_cast<std::size_t>(key) + 8192, static_cast<std::size_t>(key) + 40960);
    WriteFileBytes(path, bytes);

    decoderlib::Session session(path, 0, 0, false);
    const auto size = static_cast<std::size_t>(session.FileInfo().Width) * session.FileInfo().Height * 4;
    std::vector<std::uint8_t> played;
    while (TDecodedFrame* f = session.NextFrame())
        if (session.FrameInfo().Timestamp == kSecond) {
            played.assign(f->Pixels, f->Pixels + size);
            break;
        }
    ASSERT_FALSE(played.empty());
    session.Seek(kSecond);
    const TDecodedFrame* sought = session.NextFrame();
    ASSERT_TRUE(sought);
    EXPECT_TRUE(std::equal(played.begin(), played.end(), sought->Pixels));
    std::remove(path.c_str());
}

// A DVD menu's only still, a few bytes of its slices changed: the file opens on that picture
// concealed, as ffmpeg shows it. Cut before its last row, it is still no video.
TEST(Concealment, ADamagedOnlyPictureOpensConcealed)
{
    const std::string path = testing::TempDir() + "onestill.vob";
    ASSERT_EQ(std::system(("ffmpeg -nostdin -v error -y -i '" + FixturePath("pal.vob") +
                           "' -map 0:v:0 -frames:v 1 -c copy -f dvd '" + path + "'")
                              .c_str()),
              0);
    std::vector<char> bytes = ReadFileBytes(path);
    // Mid-sector, clear of the pack and packet headers, among the picture's slices.
    for (const std::size_t sector : {6, 10, 14, 18})
        bytes.at(sector * kSectorSize + kSectorSize / 2) ^= 0x5A;
    WriteFileBytes(path, bytes);
    {
        const decoderlib::VideoFile file(path);
        decoderlib::VideoStream stream(file);
        const AVFrame* f = stream.Next();
        ASSERT_TRUE(f);
        EXPECT_FALSE(decoderlib::IsWhole(*f)) << "the damage missed the picture";
        EXPECT_FALSE(stream.Next());
    }
    {
        decoderlib::Session session(path, 0, 0, false);
        EXPECT_TRUE(session.NextFrame());
        EXPECT_FALSE(session.NextFrame());
    }
    EXPECT_EQ(FfmpegFrames(path).size(), 1U);

    // The slice that starts the last of its 36 rows of macroblocks.
    const char lastRow[] = {0, 0, 1, 36};
    bytes.erase(std::find_end(bytes.begin(), bytes.end(), lastRow, lastRow + 4), bytes.end());
    WriteFileBytes(path, bytes);
    try {
        decoderlib::Session session(path, 0, 0, false);
        ADD_FAILURE() << "a picture cut short opened";
    } catch (const decoderlib::DecodeError& e) {
        EXPECT_STREQ(e.what(), decoderlib::kNoVideoMessage);
    }
    std::remove(path.c_str());
}

}  // namespace
