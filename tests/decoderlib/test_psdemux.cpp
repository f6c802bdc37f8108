// The demuxer's video packets against those of FFmpeg's own program-stream demuxer, as ffprobe lists
// them: on every fixture video, the real DVD samples and seeded damaged copies, each packet's bytes
// (their CRC), size, PTS, DTS, position and key flag are the same, in the same order. The decoder
// and the timeline were built on FFmpeg's packets, so any difference here changes what they see.
#include "ffprobepackets.h"
#include "psdamage.h"

#include "support/fixtures.h"

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

TEST(PsDemuxerAgainstFfprobe, DamagedCopies)
{
    for (const psdamage::Damage& damage : psdamage::kDamages) {
        SCOPED_TRACE(damage.name);
        const psdamage::DamagedFile file(damage);
        ExpectSamePackets(file.Path());
    }
}

}  // namespace
