// The timeline of every fixture video and disc title, and of seeded damaged copies, held to the one
// recorded in timelines.txt: where each stretch starts in the file and on the timeline, its first
// and last PTS, and the whole length. The fixtures are made at test time, so their checksums are
// recorded beside: a fixture made differently fails as such, not as changed timelines.
//
// After a change meant to move the timelines, or with fixtures made anew, record them again with
//   STILLREEL_RECORD_TIMELINES=tests/decoderlib/timelines.txt build/bin/decoderlib_tests --gtest_filter='Timelines.*'
// and read the difference before committing it.
#include "psdamage.h"

#include "decoderlib/session.h"
#include "support/fixtures.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/hash.h>
#include <libavutil/log.h>
}

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Video {
    const char* fixture;  // a file or a disc folder among the fixtures
    int title = 0;  // on a disc, the title and angle opened (0: the main title, the first angle)
    int angle = 0;
};

const Video kVideos[] = {
    {"pal.vob"},
    {"pal5.vob"},
    {"pal100.vob"},
    {"ntsc.vob"},
    {"blackstart.vob"},
    {"colours.vob"},
    {"untimed.vob"},
    {"untimedjoined.vob"},
    {"film.vob"},
    {"title/VIDEO_TS/VTS_01_1.VOB"},
    {"cut.vob"},
    {"interlacedpal.vob"},
    {"interlacedntsc.vob"},
    {"vcd.mpg"},
    {"truncated.vob"},
    {"zeroed.vob"},
    {"disc"},
    {"disc", 1},
    {"disc", 3},
    {"split"},
    {"disc.iso"},
    {"angles", 2, 2},
    {"interleaved", 2, 1},
    {"interleaved", 2, 2},
    {"chapters"},
};

// The lines of one video's timeline: "<name> <stretch> <start byte> <timeline start> <first PTS>
// <last PTS>" for each stretch, then "<name> duration <ticks>".
std::vector<std::string> TimelineLines(const std::string& name, const std::string& path, int title, int angle)
{
    const decoderlib::Session session(path, title, angle, false);
    const decoderlib::Timeline& timeline = session.VideoTimeline();

    std::vector<std::string> lines;
    const auto& stretches = timeline.Stretches();
    for (std::size_t k = 0; k < stretches.size(); ++k) {
        const decoderlib::Stretch& s = stretches[k];
        lines.push_back(name + " " + std::to_string(k) + " " + std::to_string(s.startPos) + " " +
                        std::to_string(s.timelineStart) + " " + std::to_string(s.firstPts) + " " +
                        std::to_string(s.lastPts));
    }
    lines.push_back(name + " duration " + std::to_string(timeline.Duration()));
    return lines;
}

std::string NameOf(const Video& video)
{
    std::string name = video.fixture;
    if (video.title || video.angle)
        name += ":t" + std::to_string(video.title) + "a" + std::to_string(video.angle);
    return name;
}

// Every video's lines, in the order of kVideos and then of the damaged copies.
std::vector<std::string> CurrentLines()
{
    std::vector<std::string> lines;
    for (const Video& video : kVideos) {
        const auto more = TimelineLines(NameOf(video), FixturePath(video.fixture), video.title, video.angle);
        lines.insert(lines.end(), more.begin(), more.end());
    }
    for (const psdamage::Damage& damage : psdamage::kDamages) {
        const psdamage::DamagedFile file(damage);
        const auto more = TimelineLines(std::string("damaged/") + damage.name, file.Path(), 0, 0);
        lines.insert(lines.end(), more.begin(), more.end());
    }
    return lines;
}

struct HashDeleter {
    void operator()(AVHashContext* hash) const { av_hash_freep(&hash); }
};

std::string Md5Of(const fs::path& path)
{
    AVHashContext* made = nullptr;
    if (av_hash_alloc(&made, "MD5") < 0)
        return "no MD5";
    const std::unique_ptr<AVHashContext, HashDeleter> md5(made);
    av_hash_init(md5.get());
    std::ifstream in(path, std::ios::binary);
    std::vector<char> chunk(1 << 20);
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        av_hash_update(md5.get(), reinterpret_cast<const std::uint8_t*>(chunk.data()),
                       static_cast<std::size_t>(in.gcount()));
    }
    char hex[2 * AV_HASH_MAX_SIZE + 1] = {};
    av_hash_final_hex(md5.get(), reinterpret_cast<std::uint8_t*>(hex), sizeof hex);
    return hex;
}

// md5sum's lines of the fixture files the videos are read from, a disc's every file. A disc image is
// left out: genisoimage stamps it with the moment it was made, so no two makings agree, and its files
// are those of a folder among the fixtures, whose own sums stand for it.
std::vector<std::string> CurrentChecksums()
{
    std::set<std::string> names;
    for (const Video& video : kVideos)
        names.insert(video.fixture);
    for (const psdamage::Damage& damage : psdamage::kDamages)
        names.insert(damage.fixture);
    const fs::path folder = FixturePath("");
    std::set<std::string> files;
    for (const std::string& name : names) {
        if (fs::is_directory(folder / name)) {
            for (const auto& entry : fs::recursive_directory_iterator(folder / name))
                if (entry.is_regular_file())
                    files.insert(fs::relative(entry.path(), folder).string());
        } else if (fs::path(name).extension() != ".iso") {
            files.insert(name);
        }
    }
    std::vector<std::string> lines;
    for (const std::string& file : files)
        lines.push_back(Md5Of(folder / file) + "  fixtures/" + file);
    return lines;
}

bool IsChecksum(const std::string& line)
{
    return line.size() > 34 && line.compare(32, 2, "  ") == 0;
}

// The lines of each video by name.
std::map<std::string, std::vector<std::string>> ByVideo(const std::vector<std::string>& lines)
{
    std::map<std::string, std::vector<std::string>> videos;
    for (const std::string& line : lines)
        videos[line.substr(0, line.find(' '))].push_back(line);
    return videos;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += "\n    " + line;
    return text;
}

void Record(const std::string& path)
{
    std::ofstream out(path);
    out << "# The timelines of tests/decoderlib/test_timelines.cpp: \"<video> <stretch> <start byte> <timeline\n"
           "# start> <first PTS> <last PTS>\" for each stretch, in 90 kHz ticks, then \"<video> duration <ticks>\".\n"
           "# A disc's title and angle follow its name; damaged/ names a seeded damaged copy. Above them, the\n"
           "# md5sum lines of the fixtures they were read from.\n";
    for (const std::string& line : CurrentChecksums())
        out << line << "\n";
    for (const std::string& line : CurrentLines())
        out << line << "\n";
    ASSERT_TRUE(out.good()) << "cannot write " << path;
}

TEST(Timelines, AreTheRecordedOnes)
{
    // As the library's entry points keep it: the damaged copies would fill the log.
    av_log_set_level(AV_LOG_QUIET);
    if (const char* path = std::getenv("STILLREEL_RECORD_TIMELINES")) {
        Record(path);
        GTEST_SKIP() << "recorded into " << path;
    }
    std::vector<std::string> recordedSums;
    std::vector<std::string> recordedLines;
    std::ifstream in(STILLREEL_TIMELINES);
    ASSERT_TRUE(in) << "cannot read " << STILLREEL_TIMELINES;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#')
            (IsChecksum(line) ? recordedSums : recordedLines).push_back(line);

    const std::vector<std::string> sums = CurrentChecksums();
    ASSERT_EQ(sums, recordedSums) << "the fixtures are not those the timelines were recorded from: the timelines "
                                     "were not compared; record them again with the fixtures as made now";

    const auto now = ByVideo(CurrentLines());
    const auto recorded = ByVideo(recordedLines);
    for (const auto& [name, lines] : now) {
        const auto it = recorded.find(name);
        if (it == recorded.end())
            ADD_FAILURE() << name << " has no recorded timeline; it is now:" << Joined(lines);
        else if (it->second != lines)
            ADD_FAILURE() << name << "'s timeline changed; recorded:" << Joined(it->second)
                          << "\n  now:" << Joined(lines);
    }
    for (const auto& [name, lines] : recorded)
        if (!now.count(name))
            ADD_FAILURE() << name << " is recorded but no longer checked";
}

}  // namespace
