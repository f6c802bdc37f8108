// The pack scanner on program streams made byte by byte: what it reads from pack, PES and
// navigation headers, and how it finds its way through damage. Where a stream is unusual in its
// layout, the demuxer is held to FFmpeg's packets on the same bytes.
#include "ffprobepackets.h"
#include "psbytes.h"

#include "decoderlib/psscan.h"
#include "decoderlib/timelinescan.h"
#include "decoderlib/videofile.h"

#include <climits>

namespace {

using namespace psbytes;
using decoderlib::PesStamp;

std::vector<PesStamp> Stamps(const Bytes& bytes, std::int64_t from = 0, std::int64_t end = INT64_MAX)
{
    TempFile file(bytes);
    decoderlib::VideoFile video(file.Path());
    std::vector<PesStamp> stamps;
    decoderlib::PsScanner(video).VisitVideoStamps(from, end, [&](const PesStamp& s) {
        stamps.push_back(s);
        return true;
    });
    return stamps;
}

std::vector<std::int64_t> PackPositions(const std::vector<PesStamp>& stamps)
{
    std::vector<std::int64_t> positions;
    for (const PesStamp& s : stamps)
        positions.push_back(s.packPos);
    return positions;
}

// Values with the top bit of the 33 set and every field of the encoding in use.
constexpr std::int64_t kHighPts = (std::int64_t{1} << 32) + 0x12345678;
constexpr std::int64_t kHighScr = (std::int64_t{1} << 32) + 0x0FEDCBA9;

TEST(PsScanner, ReadsEachVideoPtsWithItsPackAndClock)
{
    Bytes bytes = Pack(kHighScr, {VideoPes(kHighPts, SequenceStart())});
    Append(bytes, Pack(kHighScr + 1000, {VideoPes(kHighPts + 3 * kFrame, PPicture(), kHighPts + kFrame)}));
    const std::vector<PesStamp> stamps = Stamps(bytes);
    ASSERT_EQ(stamps.size(), 2u);
    EXPECT_EQ(stamps[0].packPos, 0);
    EXPECT_EQ(stamps[0].pts, kHighPts);
    EXPECT_EQ(stamps[0].scr, kHighScr);
    EXPECT_EQ(stamps[1].packPos, 2048);
    EXPECT_EQ(stamps[1].pts, kHighPts + 3 * kFrame) << "the PTS, not the DTS behind it";
    EXPECT_EQ(stamps[1].scr, kHighScr + 1000);
}

TEST(PsScanner, PassesOverVideoWithoutPtsAndOtherStreams)
{
    Bytes audio{0x80, 0x80, 0x05};
    PutTimestamp(audio, 0x2, 5 * kSecond);
    Bytes bytes = Pack(0, {VideoPes(std::nullopt, PPicture()), Packet(0xC0, audio), Packet(0xBD, audio)});
    Append(bytes, Pack(kFrame, {VideoPes(2 * kSecond, PPicture())}));
    const std::vector<PesStamp> stamps = Stamps(bytes);
    ASSERT_EQ(stamps.size(), 1u);
    EXPECT_EQ(stamps[0].packPos, 2048);
    EXPECT_EQ(stamps[0].pts, 2 * kSecond);
}

TEST(PsScanner, ReadsMpeg1PacksAndPackets)
{
    Bytes bytes = Mpeg1PackHeader(kHighScr);
    Append(bytes, Mpeg1VideoPacket(kHighPts, SequenceStart(), 3));
    const std::int64_t second = static_cast<std::int64_t>(bytes.size());
    Append(bytes, Mpeg1PackHeader(kHighScr + 7200));
    Append(bytes, Mpeg1VideoPacket(std::nullopt, PPicture(), 0));
    Append(bytes, Mpeg1VideoPacket(kHighPts + 7200, GopStart(), 0, kHighPts + 3600));
    const std::vector<PesStamp> stamps = Stamps(bytes);
    ASSERT_EQ(stamps.size(), 2u);
    EXPECT_EQ(stamps[0].pts, kHighPts);
    EXPECT_EQ(stamps[0].scr, kHighScr);
    EXPECT_TRUE(stamps[0].key);
    EXPECT_EQ(stamps[1].packPos, second);
    EXPECT_EQ(stamps[1].pts, kHighPts + 7200);
    EXPECT_EQ(stamps[1].scr, kHighScr + 7200);
    EXPECT_TRUE(stamps[1].key) << "the payload after PTS and DTS";
}

TEST(PsScanner, MarksVideoThatOpensASequenceOrGopAsKey)
{
    Bytes zeroStuffedGop{0, 0};
    Append(zeroStuffedGop, GopStart());
    Bytes gopAfterData{0x12, 0x34};
    Append(gopAfterData, GopStart());
    Bytes bytes;
    for (const Bytes& video : {SequenceStart(), zeroStuffedGop, PPicture(), gopAfterData})
        Append(bytes, Pack(0, {VideoPes(kSecond, video)}));
    const std::vector<PesStamp> stamps = Stamps(bytes);
    ASSERT_EQ(stamps.size(), 4u);
    EXPECT_TRUE(stamps[0].key);
    EXPECT_TRUE(stamps[1].key);
    EXPECT_FALSE(stamps[2].key);
    EXPECT_FALSE(stamps[3].key) << "a GOP that starts inside the PES belongs to a later picture";
}

TEST(PsScanner, NavigationPacksGiveTheCellOfTheVideoAfterThem)
{
    Bytes bytes = Pack(0, {VideoPes(kSecond, SequenceStart())});
    Append(bytes, NavigationPack(kFrame, 1, 1));
    Append(bytes, Pack(kFrame, {VideoPes(kSecond + kFrame, SequenceStart())}));
    Append(bytes, NavigationPack(2 * kFrame, 3, 2));
    Append(bytes, Pack(2 * kFrame, {VideoPes(kSecond, SequenceStart())}));
    const std::vector<PesStamp> stamps = Stamps(bytes);
    ASSERT_EQ(stamps.size(), 3u);
    EXPECT_EQ(stamps[0].cell, -1);
    EXPECT_EQ(stamps[1].cell, (1 << 8) | 1);
    EXPECT_EQ(stamps[2].cell, (3 << 8) | 2);
}

TEST(PsScanner, SkipsPackStuffingAndProgramEndCodes)
{
    Bytes bytes = Mpeg2PackHeader(0, 7);
    Append(bytes, VideoPes(kSecond, SequenceStart()));
    Append(bytes, {0, 0, 1, 0xB9});
    const std::int64_t second = static_cast<std::int64_t>(bytes.size());
    Append(bytes, Mpeg2PackHeader(kFrame, 3));
    Append(bytes, VideoPes(kSecond + kFrame, PPicture()));
    EXPECT_EQ(PackPositions(Stamps(bytes)), (std::vector<std::int64_t>{0, second}));
}

// Damage between packs (a lost byte count, garbage, a start code of the video inside it) costs
// only the packets in it: the scanner finds the next pack and goes on from there.
TEST(PsScanner, FindsThePacksAgainAfterLostSync)
{
    Bytes bytes = Pack(0, {VideoPes(kSecond, SequenceStart())});
    Bytes lying = Pack(kFrame, {VideoPes(kSecond + kFrame, PPicture())});
    lying[14 + 5] = static_cast<std::uint8_t>(lying[14 + 5] - 8); // lands the scanner in the payload
    Append(bytes, lying);
    Bytes garbage(3000, 0x47);
    const Bytes videoStartCode{0, 0, 1, 0xB3};
    for (std::size_t i = 100; i + 4 < garbage.size(); i += 500)
        std::copy(videoStartCode.begin(), videoStartCode.end(), garbage.begin() + static_cast<std::ptrdiff_t>(i));
    Append(bytes, garbage);
    const std::int64_t after = static_cast<std::int64_t>(bytes.size());
    Append(bytes, Pack(2 * kFrame, {VideoPes(kSecond + 2 * kFrame, PPicture())}));
    EXPECT_EQ(PackPositions(Stamps(bytes)), (std::vector<std::int64_t>{0, 2048, after}));
}

// The scanner reads the file in windows of 16 KiB: a pack start code cut by a window's end must
// still be found, whichever of its bytes fall on each side.
TEST(PsScanner, FindsAPackWhoseStartCodeCrossesTheReadWindow)
{
    for (std::size_t at : {16381u, 16382u, 16383u, 16384u}) {
        Bytes bytes(at, 0xFF);
        Append(bytes, Pack(0, {VideoPes(kSecond, SequenceStart())}));
        EXPECT_EQ(PackPositions(Stamps(bytes)), std::vector<std::int64_t>{static_cast<std::int64_t>(at)})
            << "pack at " << at;
    }
}

TEST(PsScanner, StopsCleanlyWhereTheFileCutsAHeader)
{
    const Bytes whole = Pack(0, {VideoPes(kSecond, SequenceStart())});
    const Bytes next = Pack(kFrame, {VideoPes(kSecond + kFrame, GopStart())});
    for (std::size_t cut = 1; cut < 14 + 9 + 5 + 4; ++cut) {
        Bytes bytes = whole;
        bytes.insert(bytes.end(), next.begin(), next.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_EQ(PackPositions(Stamps(bytes)), std::vector<std::int64_t>{0}) << "cut after " << cut << " bytes";
    }
}

TEST(PsScanner, FirstVideoStampLooksOnlyWhereItIsAsked)
{
    Bytes bytes = Pack(0, {VideoPes(kSecond, PPicture())});
    Append(bytes, Pack(kFrame, {VideoPes(kSecond + kFrame, GopStart())}));
    Append(bytes, Pack(2 * kFrame, {VideoPes(kSecond + 2 * kFrame, PPicture())}));
    TempFile file(bytes);
    decoderlib::VideoFile video(file.Path());
    const decoderlib::PsScanner scanner(video);
    auto at = [](const std::optional<PesStamp>& s) { return s ? s->packPos : -1; };
    EXPECT_EQ(at(scanner.FirstVideoStamp(0, INT64_MAX, INT64_MAX)), 0);
    EXPECT_EQ(at(scanner.FirstVideoStamp(1, INT64_MAX, INT64_MAX)), 2048) << "from inside a pack: the next one";
    EXPECT_EQ(at(scanner.FirstVideoStamp(0, INT64_MAX, INT64_MAX, true)), 2048) << "the first key";
    EXPECT_EQ(at(scanner.FirstVideoStamp(2049, 4096, INT64_MAX)), -1) << "no pack starts in [2049, 4096)";
    EXPECT_EQ(at(scanner.FirstVideoStamp(1, INT64_MAX, 2000)), -1) << "beyond the bytes it may read";
}

} // namespace

// --- Streams that both readers meet: the scanner's stamps, and the demuxer's packets against ffprobe's --

constexpr int kPictures = 30;

std::int64_t PtsOf(int i)
{
    return kSecond + i * kFrame;
}

// Picture i of a stream: an I-picture behind a sequence header every twelfth, P-pictures between,
// each with a slice (a picture ends where the next starts after one), filled out to `bytes` with
// coded bytes that hold no start code.
Bytes Picture(int i, std::size_t bytes = 0)
{
    Bytes video = i % 12 == 0 ? SequenceStart() : PPicture();
    Append(video, {0, 0, 1, 0x01, 0x55, 0x55});
    if (video.size() < bytes)
        video.resize(bytes, 0x55);
    return video;
}

// The scanner reads each picture's PTS, from the pack it lies in, and the demuxer gives the
// pictures as FFmpeg's demuxer does, each of them.
void ExpectBothReadEachPicture(const Bytes& bytes, const std::vector<std::int64_t>& packs)
{
    const std::vector<PesStamp> stamps = Stamps(bytes);
    ASSERT_EQ(stamps.size(), packs.size());
    for (std::size_t i = 0; i < packs.size(); ++i) {
        EXPECT_EQ(stamps[i].packPos, packs[i]) << "picture " << i;
        EXPECT_EQ(stamps[i].pts, PtsOf(static_cast<int>(i))) << "picture " << i;
    }
    TempFile file(bytes);
    ffprobepackets::ExpectSamePackets(file.Path());
    EXPECT_EQ(ffprobepackets::OurPackets(file.Path()).size(), packs.size());
}

// A program stream map may come anywhere, in a pack of its own or after other packets. Readers
// skip it by its length; FFmpeg's reads it through, trusting that length over the map's own.
// Its descriptors may hold anything, a start code too.
TEST(PsStreams, AProgramStreamMapInsideTheStreamIsPassedOver)
{
    const Bytes fakeVideo = VideoPes(9 * kSecond, PPicture());
    Bytes bytes;
    std::vector<std::int64_t> packs;
    for (int i = 0; i < kPictures; ++i) {
        if (i == 5)
            Append(bytes, Pack(i * kFrame, {StreamMap({})}));
        packs.push_back(static_cast<std::int64_t>(bytes.size()));
        const Bytes video = VideoPes(PtsOf(i), Picture(i));
        if (i == 10)
            Append(bytes, Pack(i * kFrame, {video, StreamMap(fakeVideo)}));
        else if (i == 20)
            Append(bytes, Pack(i * kFrame, {StreamMap(fakeVideo, 0), video}));
        else
            Append(bytes, Pack(i * kFrame, {video}));
    }
    ExpectBothReadEachPicture(bytes, packs);
}

// A second video stream (another angle, a preview) carries times of its own: both readers keep to
// the first met, whichever its number, so its times neither mix in nor read as breaks.
TEST(PsStreams, ASecondVideoStreamIsLeftAside)
{
    for (const std::uint8_t first : {0xE0, 0xE1}) {
        SCOPED_TRACE(static_cast<int>(first));
        const auto second = static_cast<std::uint8_t>(first ^ 1);
        Bytes bytes;
        std::vector<std::int64_t> packs;
        for (int i = 0; i < kPictures; ++i) {
            packs.push_back(static_cast<std::int64_t>(bytes.size()));
            const Bytes other = VideoPes(3600 * kSecond + PtsOf(i), Picture(i), std::nullopt, second);
            Append(bytes, Pack(i * kFrame, {VideoPes(PtsOf(i), Picture(i), std::nullopt, first), other}));
        }
        ExpectBothReadEachPicture(bytes, packs);
        TempFile file(bytes);
        EXPECT_TRUE(decoderlib::FindBreaks(decoderlib::VideoFile(file.Path())).empty());
    }
}

// Packs larger than a DVD's: a Video CD's 2324 bytes, and packs whose packets outgrow the
// scanner's read window, an audio packet before the video too.
TEST(PsStreams, PacksLargerThanADvdsAreReadWhole)
{
    for (const std::size_t size : {2324u, 8192u, 40000u}) {
        SCOPED_TRACE(size);
        Bytes bytes;
        std::vector<std::int64_t> packs;
        for (int i = 0; i < kPictures; ++i) {
            packs.push_back(static_cast<std::int64_t>(bytes.size()));
            Bytes audio{0x81, 0x00, 0x00};
            audio.resize(size / 3);
            audio = Packet(0xC0, audio);
            const Bytes video = VideoPes(PtsOf(i), Picture(i, size / 2));
            Append(bytes, Pack(i * kFrame, {audio, video}, size));
        }
        ExpectBothReadEachPicture(bytes, packs);
    }
}

// FFmpeg's demuxer looks for a start code 100000 bytes at a time, each time afresh, so a packet
// whose start code is cut by that point is lost to it. The demuxer loses it too: the decoder must
// not get a picture that FFmpeg never gave it. Such runs without a start code are what damage leaves.
TEST(PsStreams, AStartCodeIsLookedForAsFarAsFfmpegLooks)
{
    // From the end of the first pack, the search reads 100000 bytes: the next packet's start code
    // fits them, or its last one, two or three bytes fall outside.
    for (const std::size_t garbage : {99996u, 99997u, 99998u, 99999u}) {
        SCOPED_TRACE(garbage);
        Bytes bytes = Pack(0, {VideoPes(PtsOf(0), Picture(0))});
        bytes.resize(bytes.size() + garbage, 0x55);
        Append(bytes, VideoPes(PtsOf(1), Picture(1)));
        for (int i = 2; i < kPictures; ++i)
            Append(bytes, Pack(i * kFrame, {VideoPes(PtsOf(i), Picture(i))}));
        TempFile file(bytes);
        ffprobepackets::ExpectSamePackets(file.Path());
    }
}
