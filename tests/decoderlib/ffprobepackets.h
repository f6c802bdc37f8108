// The demuxer's video packets beside those of FFmpeg's own program-stream demuxer, as ffprobe lists
// them, one line each: PTS, DTS, size, position, flags and the CRC of the bytes. Both keep to the
// first video stream met in the file.
#pragma once

#include "decoderlib/psdemux.h"
#include "decoderlib/videofile.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/hash.h>
}

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace ffprobepackets {

// As the video stream opens a file.
inline constexpr std::int64_t kVideoSearchLimit = 16 * 1024 * 1024;

inline std::string Field(std::int64_t value, std::int64_t none)
{
    return value == none ? "N/A" : std::to_string(value);
}

// One packet as ffprobe's csv gives it: pts,dts,size,pos,flags,data_hash.
inline std::string Line(const AVPacket& pkt, AVHashContext& crc)
{
    char hash[AV_HASH_MAX_SIZE * 2 + 1] = {};
    av_hash_init(&crc);
    av_hash_update(&crc, pkt.data, static_cast<std::size_t>(pkt.size));
    av_hash_final_hex(&crc, reinterpret_cast<std::uint8_t*>(hash), sizeof hash);
    return Field(pkt.pts, AV_NOPTS_VALUE) + "," + Field(pkt.dts, AV_NOPTS_VALUE) + "," + std::to_string(pkt.size) +
        "," + Field(pkt.pos, -1) + "," + ((pkt.flags & AV_PKT_FLAG_KEY) ? "K_" : "__") + ",CRC32:" + hash;
}

struct HashDeleter {
    void operator()(AVHashContext* crc) const { av_hash_freep(&crc); }
};

inline std::vector<std::string> OurPackets(const std::string& path)
{
    std::vector<std::string> lines;
    AVHashContext* made = nullptr;
    const int rc = av_hash_alloc(&made, "CRC32");
    const std::unique_ptr<AVHashContext, HashDeleter> crc(made);
    if (rc < 0) {
        ADD_FAILURE() << "no CRC32";
        return lines;
    }
    decoderlib::VideoFile file(path);
    decoderlib::PsDemuxer demuxer(file);
    EXPECT_TRUE(demuxer.FindVideo(kVideoSearchLimit)) << path;
    const decoderlib::PacketPtr pkt = decoderlib::MakePacket();
    while (demuxer.Read(*pkt)) {
        lines.push_back(Line(*pkt, *crc));
        av_packet_unref(pkt.get());
    }
    return lines;
}

inline std::vector<std::string> FfprobePackets(const std::string& path)
{
    std::vector<std::string> lines;
    const std::string command = "ffprobe -v quiet -select_streams v:0 -show_data_hash CRC32 "
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

// Whether our line is ffprobe's with no DTS, and perhaps no PTS, where ffprobe gives one.
inline bool LacksOnlyTimes(const std::string& ours, const std::string& theirs)
{
    auto fields = [](const std::string& line) {
        std::vector<std::string> out(1);
        for (char c : line) {
            if (c == ',')
                out.emplace_back();
            else
                out.back().push_back(c);
        }
        return out;
    };
    const std::vector<std::string> a = fields(ours);
    const std::vector<std::string> b = fields(theirs);
    return a.size() == 6 && b.size() == 6 && std::equal(a.begin() + 2, a.end(), b.begin() + 2) && a[1] == "N/A" &&
        (a[0] == "N/A" || a[0] == b[0]);
}

// Both lists in full where they differ would drown the message: the first difference and what
// lies around it.
inline void ExpectSamePackets(const std::string& path)
{
    const std::vector<std::string> theirs = FfprobePackets(path);
    const std::vector<std::string> ours = OurPackets(path);
    ASSERT_FALSE(theirs.empty()) << "ffprobe lists no video packet in " << path;
    std::size_t i = 0;
    // The pictures before the first that gets a decoding time: ffprobe reads them once, ahead, to
    // learn the streams, and dates them back from the first time met; the library reads them
    // again after it rewinds, and FFmpeg's demuxer, like ours, leaves the times it would have
    // to guess unset after a seek until one comes (a file cut inside a GOP, or whose first
    // picture carries a PTS alone).
    while (i < ours.size() && i < theirs.size() && LacksOnlyTimes(ours[i], theirs[i]))
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

}  // namespace ffprobepackets
