// The real program, one copy at a time: a second copy without a file ends at once with status 0, and
// a second copy with a file hands it to the running copy, which opens it. Each test runs its copies
// offscreen with a runtime folder of its own, so that no other copy on the machine takes part.
#include "support/fixtures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

bool WaitUntil(const std::function<bool()>& Done, std::chrono::milliseconds Timeout)
{
    const auto end = std::chrono::steady_clock::now() + Timeout;
    while (!Done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

class Program : public ::testing::Test {
protected:
    void SetUp() override
    {
        runtime_ = fs::temp_directory_path() / ("stillreel_program_" + std::to_string(::getpid()));
        fs::remove_all(runtime_);
        fs::create_directories(runtime_);
        fs::permissions(runtime_, fs::perms::owner_all, fs::perm_options::replace);
    }

    void TearDown() override
    {
        if (first_ > 0) {
            ::kill(first_, SIGTERM);
            ::waitpid(first_, nullptr, 0);
        }
        fs::remove_all(runtime_);
    }

    pid_t Start(const std::vector<std::string>& Args)
    {
        std::vector<std::string> env{"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + runtime_.string()};
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            if (entry.rfind("QT_QPA_PLATFORM=", 0) != 0 && entry.rfind("XDG_RUNTIME_DIR=", 0) != 0 &&
                entry.rfind("DISPLAY=", 0) != 0)
                env.push_back(entry);
        }
        std::vector<std::string> args{STILLREEL_PROGRAM};
        args.insert(args.end(), Args.begin(), Args.end());
        std::vector<char*> argv, envp;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        pid_t pid = 0;
        EXPECT_EQ(::posix_spawn(&pid, STILLREEL_PROGRAM, nullptr, nullptr, argv.data(), envp.data()), 0);
        return pid;
    }

    // The exit status of a copy that must end within the timeout; -1 if it did not.
    static int Finish(pid_t Pid, std::chrono::milliseconds Timeout)
    {
        int status = 0;
        if (!WaitUntil([&] { return ::waitpid(Pid, &status, WNOHANG) == Pid; }, Timeout)) {
            ::kill(Pid, SIGKILL);
            ::waitpid(Pid, nullptr, 0);
            return -1;
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Starts the first copy and waits until it listens for other copies.
    void StartFirst()
    {
        first_ = Start({});
        ASSERT_TRUE(WaitUntil(
            [&] {
                for (const auto& entry : fs::directory_iterator(runtime_))
                    if (entry.path().extension() == ".socket")
                        return true;
                return false;
            },
            15s));
    }

    bool FirstAlive() const { return ::waitpid(first_, nullptr, WNOHANG) == 0; }

    // Whether the first copy holds the file open (the decoder keeps the open video's file open).
    bool FirstHasOpen(const std::string& File) const
    {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator("/proc/" + std::to_string(first_) + "/fd", error))
            if (fs::read_symlink(entry.path(), error) == File)
                return true;
        return false;
    }

    fs::path runtime_;
    pid_t first_ = -1;
};

TEST_F(Program, ASecondCopyWithoutAFileEndsAtOnceAndLeavesTheFirstRunning)
{
    StartFirst();
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(Finish(Start({}), 5s), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 900ms);
    EXPECT_TRUE(FirstAlive());
}

TEST_F(Program, ASecondCopyWithAFileHandsItToTheFirstWhichOpensIt)
{
    StartFirst();
    const std::string video = FixturePath("pal5.vob");
    EXPECT_FALSE(FirstHasOpen(video));
    EXPECT_EQ(Finish(Start({video}), 10s), 0);
    EXPECT_TRUE(WaitUntil([&] { return FirstHasOpen(video); }, 10s));
    EXPECT_TRUE(FirstAlive());

    // SDL would swallow the signal; the program ends cleanly instead.
    ::kill(first_, SIGTERM);
    EXPECT_EQ(Finish(first_, 10s), 0);
    first_ = -1;
}

}  // namespace
