// Every JPEG that stillreel-thumbs writes, byte for byte the one an earlier build wrote for the same
// video and settings (picture_bytes.md5): whole-video jobs at the default size, at the frame's own
// size (no resampling), at odd sizes down and up, on interlaced video deinterlaced and as decoded, on
// an anamorphic disc title, and a pieces and a range job. The fixtures are made at test time, so
// their checksums are recorded too: a changed fixture is told apart from changed pictures.
#include "support/fixtures.h"
#include "support/shell.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Job {
    const char* name;
    const char* fixture;  // a file or a disc folder among the fixtures
    std::vector<std::string> options;
};

// Names the job in the test's name.
void PrintTo(const Job& job, std::ostream* out)
{
    *out << job.name;
}

using Sums = std::vector<std::pair<std::string, std::string>>;  // path, md5 in hex

// The recorded checksums, in the file's order.
const Sums& Recorded()
{
    static const Sums recorded = [] {
        Sums sums;
        std::ifstream in(STILLREEL_PICTURE_BYTES);
        std::string line;
        while (std::getline(in, line))
            if (!line.empty() && line[0] != '#' && line.size() > 34)
                sums.emplace_back(line.substr(34), line.substr(0, 32));
        return sums;
    }();
    return recorded;
}

// The recorded entries of folder (the files in it and below) or of the file itself, their paths
// relative to where folder lies.
Sums RecordedUnder(const std::string& parent, const std::string& name)
{
    const std::string prefix = parent.empty() ? name : parent + "/" + name;
    Sums found;
    for (const auto& [path, sum] : Recorded())
        if (path == prefix || path.rfind(prefix + "/", 0) == 0)
            found.emplace_back(path.substr(prefix.size() - name.size()), sum);
    return found;
}

// md5sum's answers for files relative to folder; a file it cannot read is left out.
std::map<std::string, std::string> Md5Sums(const fs::path& folder, const Sums& files)
{
    std::string command = "cd " + Quote(folder.string()) + " && md5sum --";
    for (const auto& file : files)
        command += " " + Quote(file.first);
    command += " 2>/dev/null";
    std::map<std::string, std::string> sums;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return sums;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
        std::string line(buffer);
        if (!line.empty() && line.back() == '\n')
            line.pop_back();
        if (line.size() > 34)
            sums[line.substr(34)] = line.substr(0, 32);
    }
    pclose(pipe);
    return sums;
}

class PictureBytes : public testing::TestWithParam<Job> {
protected:
    void SetUp() override
    {
        dir_ = fs::path(testing::TempDir()) / ("picture-bytes-" + std::string(GetParam().name));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
};

TEST_P(PictureBytes, AreTheRecordedOnes)
{
    const Job& job = GetParam();

    const Sums inputs = RecordedUnder("fixtures", job.fixture);
    ASSERT_FALSE(inputs.empty()) << "nothing recorded of the fixture " << job.fixture;
    const fs::path fixtures = fs::path(FixturePath(job.fixture)).parent_path();
    const std::map<std::string, std::string> inputSums = Md5Sums(fixtures, inputs);
    for (const auto& [path, sum] : inputs) {
        const auto now = inputSums.find(path);
        if (now == inputSums.end() || now->second != sum)
            ADD_FAILURE() << "the fixture " << path << " changed since the pictures were recorded (md5 "
                          << (now == inputSums.end() ? "unreadable" : now->second) << ", recorded " << sum
                          << "): the pictures were not compared; record them again with the fixtures as made now";
    }
    if (HasFailure())
        return;

    const fs::path out = dir_ / job.name;
    std::string command = Quote(STILLREEL_THUMBS) + " -q";
    for (const std::string& option : job.options)
        command += " " + Quote(option);
    command += " -o " + Quote(out.string()) + " " + Quote(FixturePath(job.fixture)) + " 2>" +
        Quote((dir_ / "err.txt").string());
    const int raw = std::system(command.c_str());
    std::stringstream err;
    err << std::ifstream(dir_ / "err.txt").rdbuf();
    ASSERT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << "job " << job.name << " failed: " << err.str();

    const Sums pictures = RecordedUnder("", job.name);
    ASSERT_FALSE(pictures.empty()) << "no picture recorded for the job " << job.name;
    const std::map<std::string, std::string> written = Md5Sums(dir_, pictures);
    for (const auto& [path, sum] : pictures) {
        const auto now = written.find(path);
        if (now == written.end())
            ADD_FAILURE() << "job " << job.name << ": picture " << path << " was not written";
        else if (now->second != sum)
            ADD_FAILURE() << "job " << job.name << ": picture " << path << " differs from the recorded bytes (md5 "
                          << now->second << ", recorded " << sum << ")";
    }
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(out))
        if (entry.is_regular_file()) {
            const std::string path = fs::relative(entry.path(), dir_).string();
            if (written.find(path) == written.end())
                ADD_FAILURE() << "job " << job.name << " wrote " << path << ", which was not recorded";
        }
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, PictureBytes,
    testing::Values(Job{"pal5_whole", "pal5.vob", {"--whole"}},
                    Job{"pal5_whole_720x576", "pal5.vob", {"--whole", "--size", "720x576"}},
                    Job{"pal5_whole_333x187", "pal5.vob", {"--whole", "--size", "333x187"}},
                    Job{"pal5_whole_width101", "pal5.vob", {"--whole", "--width", "101"}},
                    Job{"pal5_whole_1001x777", "pal5.vob", {"--whole", "--size", "1001x777"}},
                    Job{"interlacedpal_whole", "interlacedpal.vob", {"--whole"}},
                    Job{"interlacedpal_whole_off", "interlacedpal.vob", {"--whole", "--deinterlace", "off"}},
                    Job{"interlacedntsc_whole", "interlacedntsc.vob", {"--whole"}},
                    Job{"disc_title3_whole", "disc", {"--whole", "--title", "3"}},
                    Job{"disc_title3_whole_width333", "disc", {"--whole", "--title", "3", "--width", "333"}},
                    Job{"pal_pieces", "pal.vob", {"--pieces", "12"}},
                    Job{"pal_range_333x187", "pal.vob", {"--range", "3", "4", "--size", "333x187"}}),
    [](const testing::TestParamInfo<Job>& param) { return std::string(param.param.name); });

}  // namespace
