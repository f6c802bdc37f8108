// The demuxer's video packets against those of FFmpeg's own program-stream demuxer, as ffprobe lists
// them: on every fixture video and on seeded damaged copies, each packet's bytes (their CRC), size,
// PTS, DTS, position and key flag are the same, in the same order. The decoder and the timeline
// were built on FFmpeg's packets, so any difference here changes what they see.
#include "decoderlib/psdemux.h"
#include "decoderlib/videofile.h"
#include "support/damage.h"
#include "support/fixtures.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/hash.h>
}

#include <cstdio>
#include <string>
#include <vector>

namespace {

// As the video stream opens a file.
constexpr std::int64_t kVideoSearchLimit = 16 * 1024 * 1024;

std::string Stamp(std::int64_t value, std::int64_t none)
{
    return value == none ? "N/A" : std::to_string(value);
}

// One packet as ffprobe's csv gives it: pts,dts,size,pos,flags,data_hash.
std::string Line(const AVPacket& pkt, AVHashContext& crc)
{
    char hash[AV_HASH_MAX_SIZE * 2 + 1] = {};
    av_hash_init(&crc);
    av_hash_update(&crc, pkt.data, static_cast<std::size_t>(pkt.size));
    av_hash_final_hex(&crc, reinterpret_cast<std::uint8_t*>(hash), sizeof hash);
    return Stamp(pkt.pts, AV_NOPTS_VALUE) + "," + Stamp(pkt.dts, AV_NOPTS_VALUE) + "," + std::to_string(pkt.size) +
        "," + Stamp(pkt.pos, -1) + "," + ((pkt.flags & AV_PKT_FLAG_KEY) ? "K_" : "__") + ",CRC32:" + hash;
}

std::vector<std::string> OurPackets(const std::string& path)
{
    std::vector<std::string> lines;
    AVHashContext* crc = nullptr;
    if (av_hash_alloc(&crc, "CRC32") < 0) {
        ADD_FAILURE() << "no CRC32";
        return lines;
    }
    decoderlib::VideoFile file(path);
    decoderlib::PsDemuxer demuxer(file);
    EXPECT_TRUE(demuxer.FindVideo(kVideoSearchLimit)) << path;
    AVPacket* pkt = av_packet_alloc();
    while (pkt && demuxer.Read(*pkt)) {
        lines.push_back(Line(*pkt, *crc));
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    av_hash_freep(&crc);
    return lines;
}

std::vector<std::string> FfprobePackets(const std::string& path)
{
    std::vector<std::string> lines;
    const std::string command = "ffprobe -v quiet -select_streams v -show_data_hash CRC32 "
                                "-show_entries packet=pts,dts,size,pos,flags,data_hash -of csv=p=0 '" +
        path + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot run " << command;
        return lines;
    }
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
        std::string line(buffer);
        if (!line.empty() && line.back() == '\n')
            line.pop_back();
        lines.push_back(line);
    }
    EXPECT_EQ(pclose(pipe), 0) << command;
    return lines;
}

// A line without its PTS and DTS.
std::string Untimed(const std::string& line)
{
    const std::size_t afterDts = line.find(',', line.find(',') + 1);
    return afterDts == std::string::npos ? line : line.substr(afterDts);
}

// Both lists in full where they differ would drown the message: the first difference and what
// lies around it.
void ExpectSamePackets(const std::string& path)
{
    const std::vector<std::string> theirs = FfprobePackets(path);
    const std::vector<std::string> ours = OurPackets(path);
    ASSERT_FALSE(theirs.empty()) << "ffprobe lists no video packet in " << path;
    std::size_t i = 0;
    // A file that starts without a timestamp (cut inside a GOP) has pictures before the first
    // one timed. ffprobe reads them once, ahead, to learn the streams, and dates them back from
    // the first time met; the library reads them again after it rewinds, and FFmpeg's demuxer,
    // like ours, leaves pictures read after a seek untimed until a time comes.
    while (i < ours.size() && i < theirs.size() && ours[i].rfind("N/A,N/A,", 0) == 0 &&
           Untimed(ours[i]) == Untimed(theirs[i]))
        ++i;
    while (i < ours.size() && i < theirs.size() && ours[i] == theirs[i])
        ++i;
    if (i == ours.size() && i == theirs.size())
        return;
    std::string context;
    for (std::size_t k = i > 2 ? i - 2 : 0; k < i + 3 && k < std::max(ours.size(), theirs.size()); ++k)
        context += "\n  #" + std::to_string(k) + " ours " + (k < ours.size() ? ours[k] : "(none)") + "  ffprobe " +
            (k < theirs.size() ? theirs[k] : "(none)");
    ADD_FAILURE() << path << ": " << ours.size() << " packets against ffprobe's " << theirs.size()
                  << ", the first difference at packet " << i << " (pts,dts,size,pos,flags,data):" << context;
}

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
