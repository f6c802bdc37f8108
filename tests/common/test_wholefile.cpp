// Files written whole: writers of one name at once never mix their bytes or leave a temporary file,
// and a write that fails leaves the earlier file as it was.
#include "common/wholefile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class WholeFile : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("stillreel_wholefile_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directory(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_))
            names.push_back(entry.path().filename().string());
        return names;
    }

    static std::string Read(const fs::path& file)
    {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    fs::path dir_;
};

TEST_F(WholeFile, WritersOfOneNameAtOnceEachLeaveAWholeFileAndNothingBeside)
{
    const fs::path file = dir_ / "picture.jpg";
    const mode_t oldMask = ::umask(027);
    constexpr int kWriters = 4;
    constexpr int kRounds = 25;
    // Large enough that a write takes several calls' worth of time, so the writers overlap.
    constexpr std::size_t kSize = 256 * 1024;
    std::vector<std::string> failures(kWriters);
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w)
        writers.emplace_back([&, w] {
            for (int round = 0; round < kRounds; ++round) {
                const std::string bytes(kSize, static_cast<char>('A' + w));
                try {
                    WriteWholeFile(file.string(), bytes.data(), bytes.size());
                } catch (const std::system_error& e) {
                    failures[w] = e.what();
                }
            }
        });
    for (std::thread& writer : writers)
        writer.join();
    ::umask(oldMask);

    for (const std::string& failure : failures)
        EXPECT_EQ(failure, "");
    const std::string content = Read(file);
    ASSERT_EQ(content.size(), kSize);
    EXPECT_GE(content[0], 'A');
    EXPECT_LT(content[0], 'A' + kWriters);
    EXPECT_EQ(content.find_first_not_of(content[0]), std::string::npos) << "the bytes of two writers mixed";
    EXPECT_EQ(Entries(), std::vector<std::string>{"picture.jpg"});
    // As a file created in place under that umask.
    EXPECT_EQ(fs::status(file).permissions(), fs::perms(0640));
}

TEST_F(WholeFile, AFailedWriteLeavesTheEarlierFileAsItWasAndNothingBeside)
{
    const fs::path file = dir_ / "sheet.jpg";
    std::ofstream(file) << "earlier";
    const std::string bytes(64 * 1024, 'x');

    // Files may grow to 4 KiB only: the write fails with EFBIG part way through.
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old;
    limit.rlim_cur = 4096;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    int code = 0;
    try {
        WriteWholeFile(file.string(), bytes.data(), bytes.size());
    } catch (const std::system_error& e) {
        code = e.code().value();
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(code, EFBIG);
    EXPECT_EQ(Read(file), "earlier");
    EXPECT_EQ(Entries(), std::vector<std::string>{"sheet.jpg"});
}

}  // namespace
