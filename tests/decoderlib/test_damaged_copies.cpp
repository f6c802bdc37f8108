// Damaged copies of the fixtures, made at test time with seeded damage: every picture the ffmpeg
// program decodes from the same bytes is delivered, in order, in its own second; the length stays
// that of the undamaged video and seeks land on their second. Also built with AddressSanitizer.
#include "decodertest.h"
#include "ffmpegframes.h"

#include "support/damage.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <string_view>
#include <thread>

namespace {

struct Damage {
    const char* name;
    const char* fixture;
    Rate rate;
    int seconds;  // of the undamaged video
    std::function<void(std::vector<char>&)> apply;
};

void PrintTo(const Damage& d, std::ostream* os)
{
    *os << d.name;
}

const Damage kDamages[] = {
    {"bytes_0_001pct", "pal5.vob", kPal, 5, [](auto& b) { ChangeBytes(b, b.size() / 100000, 1); }},
    {"bytes_0_01pct", "pal5.vob", kPal, 5, [](auto& b) { ChangeBytes(b, b.size() / 10000, 2); }},
    {"bytes_0_1pct", "pal.vob", kPal, 12, [](auto& b) { ChangeBytes(b, b.size() / 1000, 3); }},
    {"scattered_sectors", "pal5.vob", kPal, 5, [](auto& b) { ZeroScatteredSectors(b, 6, 4); }},
    {"sector_run", "ntsc.vob", kNtsc, 6, [](auto& b) { ZeroSectorRun(b, b.size() / kSectorSize / 3, 100); }},
    {"second_half", "ntsc.vob", kNtsc, 6, [](auto& b) { ChangeBytes(b, 11, 6, b.size() / 2); }},
    {"last_gops", "ntsc.vob", kNtsc, 6, [](auto& b) { ChangeBytes(b, 11, 7, b.size() * 9 / 10); }},
};

class DamagedCopy : public testing::TestWithParam<Damage> {
protected:
    void SetUp() override
    {
        std::vector<char> bytes = ReadFileBytes(FixturePath(GetParam().fixture));
        GetParam().apply(bytes);
        path = testing::TempDir() + GetParam().name + ".vob";
        WriteFileBytes(path, bytes);
        decoder.OpenFile(path, 0, 0);
    }
    void TearDown() override { std::remove(path.c_str()); }

    std::string path;
    TDecoder decoder;
};

TEST_P(DamagedCopy, DeliversWhatFfmpegDecodesInOrderEachInItsSecond)
{
    const Damage& d = GetParam();
    EXPECT_EQ(decoder.FileInfo()->TotalSeconds, d.seconds);
    const FrameTally tally = TallyFrames(decoder, d.rate);
    const int ffmpeg = static_cast<int>(FfmpegFrames(path).size());
    EXPECT_GE(tally.frames * 100, ffmpeg * 99) << "ffmpeg decodes " << ffmpeg;
    EXPECT_LE(tally.frames, ffmpeg);
    EXPECT_GE(tally.inPlace * 20, tally.readable * 19) << tally.readable << " frames show their index";
}

TEST_P(DamagedCopy, SeeksLandOnTheirSecond)
{
    const Damage& d = GetParam();
    int readable = 0, landed = 0;
    for (int s = 0; s < d.seconds; ++s) {
        decoder.Seek(s);
        PDecodedFrame frame = decoder.GetNextFrame();
        ASSERT_NE(frame, nullptr) << "second " << s;
        EXPECT_EQ(decoder.FrameInfo()->Timestamp, s);
        if (const int index = IndexOf(decoder, frame); index >= 0) {
            ++readable;
            landed += d.rate.SecondOf(index) == s;
        }
    }
    EXPECT_GE(landed * 10, readable * 9) << readable << " landings show their index";
}

INSTANTIATE_TEST_SUITE_P(Decoder, DamagedCopy, testing::ValuesIn(kDamages),
                         [](const testing::TestParamInfo<Damage>& p) { return std::string(p.param.name); });

TEST(DecoderDamagedCopy, OneWholePictureThenAPartialOneOpens)
{
    std::vector<char> bytes = ReadFileBytes(FixturePath("pal.vob"));
    // The I-picture ends near byte 51 000 and the next picture runs past 90 000.
    bytes.resize(90000);
    const std::string path = testing::TempDir() + "onepicture.vob";
    WriteFileBytes(path, bytes);
    TDecoder decoder;
    decoder.OpenFile(path, 0, 0);
    EXPECT_EQ(decoder.FileInfo()->TotalSeconds, 0);
    PDecodedFrame frame = decoder.GetNextFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(IndexOf(decoder, frame), 0);
    int frames = 1;
    while (decoder.GetNextFrame())
        ++frames;
    EXPECT_EQ(frames, static_cast<int>(FfmpegFrames(path).size()));
    std::remove(path.c_str());
}

// A hash of each picture of one read of the whole video, in order; `slowly` takes them at the pace
// of a slow caller, which changes when the library's worker gets its memory back.
std::vector<std::size_t> PictureHashes(const std::string& path, bool slowly)
{
    TDecoder decoder;
    decoder.OpenFile(path, 0, 0);
    const auto size = static_cast<std::size_t>(decoder.Width()) * decoder.Height() * 4;
    std::vector<std::size_t> hashes;
    while (PDecodedFrame frame = decoder.GetNextFrame()) {
        hashes.push_back(std::hash<std::string_view>{}({reinterpret_cast<const char*>(frame->Pixels), size}));
        if (slowly)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return hashes;
}

// Concealment fills in what damage took from a picture; it must not depend on timing, neither the
// decoder's own threads' nor the caller's.
TEST(DecoderDamagedCopy, EveryReadGivesTheSamePictures)
{
    std::vector<char> bytes = ReadFileBytes(FixturePath("pal.vob"));
    ChangeBytes(bytes, bytes.size() / 10000, 3);
    const std::string path = testing::TempDir() + "samepictures.vob";
    WriteFileBytes(path, bytes);
    const std::vector<std::size_t> first = PictureHashes(path, false);
    for (const bool slowly : {true, false}) {
        const std::vector<std::size_t> again = PictureHashes(path, slowly);
        ASSERT_EQ(again.size(), first.size());
        int differing = 0;
        for (std::size_t i = 0; i < first.size(); ++i)
            differing += again[i] != first[i];
        EXPECT_EQ(differing, 0) << "of " << first.size() << " pictures" << (slowly ? ", taken slowly" : "");
    }
    std::remove(path.c_str());
}

}  // namespace
