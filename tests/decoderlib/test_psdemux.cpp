// The demuxer's video packets against those of FFmpeg's own program-stream demuxer, as ffprobe lists
// them: on every fixture video, the real DVD samples and seeded damaged copies, each packet's bytes (their CRC), size,
// PTS, DTS, position and key flag are the same, in the same order. The decoder and the timeline
// were built on FFmpeg's packets, so any difference here changes what they see.
#include "ffprobepackets.h"

#include "support/damage.h"
#include "support/fixtures.h"

#include <cstdio>

namespace {

using ffprobepackets::ExpectSamePackets;

// Every fixture that holds video, the discs' VOB files among them.
const char* const kFixtureVideos[] = {"pal.vob",
                                      "pal5.vob",
                                      "pal100.vob",
                                      "ntsc.vob",
                                      "blackstart.vob",
                                      "colours.vob",
                                      "untimed.vob",
                                      "untimedjoined.vob",
                                      "film.vob",
                                      "title/VIDEO_TS/VTS_01_1.VOB",
                                      "cut.vob",
                                      "disc/VIDEO_TS/VTS_01_1.VOB",
                                      "disc/VIDEO_TS/VTS_02_1.VOB",
                                      "split/VIDEO_TS/VTS_01_2.VOB",
                                      "chapters/VIDEO_TS/VTS_01_1.VOB",
                                      "interleaved/VIDEO_TS/VTS_01_1.VOB",
                                      "scrambled/VIDEO_TS/VTS_01_1.VOB",
                                      "interlacedpal.vob",
                                      "interlacedntsc.vob",
                                      "vcd.mpg",
                                      "truncated.vob",
                                      "zeroed.vob"};

TEST(PsDemuxerAgainstFfprobe, FixtureVideos)
{
    for (const char* name : kFixtureVideos)
        ExpectSamePackets(FixturePath(name));
}

TEST(PsDemuxerAgainstFfprobe, RealDvdSamples)
{
    const std::vector<std::string> files = RealDvdVobFiles();
    if (files.empty())
        GTEST_SKIP() << "no real DVD samples";
    for (const std::string& path : files)
        ExpectSamePackets(path);
}

struct Damage {
    const char* name;
    const char* fixture;
    void (*apply)(std::vector<char>&);
};

// Changed bytes land in packet headers and lengths as well as in the pictures; at 1% nearly every
// pack has some. Zeroed sectors leave the search for the next start code to cross them.
const Damage kDamages[] = {
    {"bytes_0_01pct", "pal5.vob", [](auto& b) { ChangeBytes(b, b.size() / 10000, 11); }},
    {"bytes_0_1pct", "ntsc.vob", [](auto& b) { ChangeBytes(b, b.size() / 1000, 12); }},
    {"bytes_1pct", "film.vob", [](auto& b) { ChangeBytes(b, b.size() / 100, 13); }},
    {"bytes_1pct_title", "title/VIDEO_TS/VTS_01_1.VOB", [](auto& b) { ChangeBytes(b, b.size() / 100, 14); }},
    {"scattered_sectors", "untimedjoined.vob", [](auto& b) { ZeroScatteredSectors(b, 20, 15); }},
    {"sector_run", "interlacedpal.vob", [](auto& b) { ZeroSectorRun(b, b.size() / kSectorSize / 2, 300); }},
};

TEST(PsDemuxerAgainstFfprobe, DamagedCopies)
{
    for (const Damage& damage : kDamages) {
        SCOPED_TRACE(damage.name);
        std::vector<char> bytes = ReadFileBytes(FixturePath(damage.fixture));
        damage.apply(bytes);
        const std::string path = testing::TempDir() + "psdemux-" + damage.name + ".vob";
        WriteFileBytes(path, bytes);
        ExpectSamePackets(path);
        std::remove(path.c_str());
    }
}

}  // namespace
