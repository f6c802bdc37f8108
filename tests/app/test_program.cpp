// The real program, one copy at a time: a second copy without a file ends at once with status 0, and
// a second copy with a file hands it to the running copy, which opens it. Each test runs its copies
// offscreen with a runtime folder of its own, so that no other copy on the machine takes part.
#include "support/fixtures.h"
#include "support/xvfb.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <fcntl.h>
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

    // A copy offscreen, or on the X server of DISPLAY with OnX; what it writes to stderr goes to ErrorFile.
    pid_t Start(const std::vector<std::string>& Args, bool OnX = false, const std::string& ErrorFile = {})
    {
        std::vector<std::string> env{OnX ? "QT_QPA_PLATFORM=xcb" : "QT_QPA_PLATFORM=offscreen",
                                     "XDG_RUNTIME_DIR=" + runtime_.string()};
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            if (entry.rfind("QT_QPA_PLATFORM=", 0) != 0 && entry.rfind("XDG_RUNTIME_DIR=", 0) != 0 &&
                (OnX || entry.rfind("DISPLAY=", 0) != 0))
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
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (!ErrorFile.empty())
            posix_spawn_file_actions_addopen(&actions, 2, ErrorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = 0;
        EXPECT_EQ(::posix_spawn(&pid, STILLREEL_PROGRAM, &actions, nullptr, argv.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
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
    void StartFirst(const std::vector<std::string>& Args = {}, bool OnX = false)
    {
        first_ = Start(Args, OnX);
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

    bool SocketLeft() const
    {
        for (const auto& entry : fs::directory_iterator(runtime_))
            if (entry.path().extension() == ".socket")
                return true;
        return false;
    }

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

    // A file the first copy does not take: the second says why and fails.
    const std::string errors = (runtime_ / "second.err").string();
    EXPECT_EQ(Finish(Start({FixturePath("manifest.txt")}, false, errors), 10s), 1);
    std::stringstream said;
    said << std::ifstream(errors).rdbuf();
    EXPECT_EQ(said.str(),
              "stillreel: " + FixturePath("manifest.txt") +
                  " is not a DVD video file (.vob, .vro, .mpg, .mpeg, .mod), a DVD folder or a disc image\n");
    EXPECT_TRUE(FirstHasOpen(video));

    // SDL would swallow the signal; the program ends cleanly instead.
    ::kill(first_, SIGTERM);
    EXPECT_EQ(Finish(first_, 10s), 0);
    first_ = -1;
}

// Runs xdotool on the test's X server; answers its output.
std::string XDoTool(const std::string& Arguments)
{
    std::string output;
    if (FILE* pipe = ::popen(("xdotool " + Arguments + " 2>/dev/null").c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
            output += buffer;
        ::pclose(pipe);
    }
    return output;
}

// The visible top-level windows whose name matches Pattern.
int VisibleWindows(const std::string& Pattern)
{
    std::istringstream ids(XDoTool("search --onlyvisible --name '" + Pattern + "'"));
    int count = 0;
    for (std::string line; std::getline(ids, line);)
        ++count;
    return count;
}

// A quit signal ends the program within 2 s from whatever state it is in, every kind of modal dialog
// up or a job running; the instance is freed and no part of a picture is left.
TEST_F(Program, ASignalEndsItWithinTwoSecondsWithAnyDialogUpOrAJobRunning)
{
    TXvfb server;
    if (const std::string failure = server.Start("1280x1024x24"); !failure.empty())
        GTEST_SKIP() << "No X server for this test: " << failure;
    if (std::system("xdotool version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xdotool is not installed";
    const std::string generate = "search --onlyvisible --name '^Stillreel$' mousemove --window %1 625 424 click 1";
    struct TCase {
        const char* What;
        std::vector<std::string> Args;
        std::vector<std::string> Actions;  // xdotool commands, with the main window up
        const char* Dialog;  // the name of the window to wait for; null: none
        int Signal;
    };
    const std::string video = FixturePath("pal5.vob");
    const TCase cases[] = {
        {"the error display", {(runtime_ / "missing.vob").string()}, {}, "^Stillreel$", SIGTERM},
        {"the title chooser", {FixturePath("angles")}, {}, "^Choose a title$", SIGHUP},
        {"the file dialog", {video}, {"key alt+o"}, "^Open$", SIGINT},
        {"the folder chooser", {video}, {"key alt+s"}, "^Select Folder$", SIGTERM},
        {"the settings", {video}, {"key alt+a", "key c"}, "^Config Stillreel$", SIGTERM},
        {"the completion dialog", {video}, {generate}, "^Congratulations$", SIGTERM},
        {"a job", {FixturePath("pal100.vob")}, {generate}, nullptr, SIGTERM},
    };
    const fs::path pictures = fs::path(STILLREEL_PROGRAM).parent_path() / "pal100";
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        fs::remove_all(pictures);
        StartFirst(c.Args, true);
        ASSERT_TRUE(WaitUntil([] { return VisibleWindows("^Stillreel$") > 0; }, 15s));
        std::this_thread::sleep_for(500ms);
        for (const std::string& action : c.Actions) {
            XDoTool(action);
            std::this_thread::sleep_for(300ms);
        }
        if (c.Dialog != nullptr) {
            // The error display shares the main window's name.
            const int wanted = std::string(c.Dialog) == "^Stillreel$" ? 2 : 1;
            EXPECT_TRUE(WaitUntil([&] { return VisibleWindows(c.Dialog) >= wanted; }, 10s));
        } else {
            std::this_thread::sleep_for(1s);
        }
        ASSERT_TRUE(FirstAlive());
        ::kill(first_, c.Signal);
        const auto signalled = std::chrono::steady_clock::now();
        EXPECT_EQ(Finish(first_, 10s), 0);
        EXPECT_LT(std::chrono::steady_clock::now() - signalled, 2s);
        first_ = -1;
        EXPECT_FALSE(SocketLeft());
    }
    // The job was stopped: some pictures, none of them half written.
    std::size_t written = 0;
    for (const auto& entry : fs::directory_iterator(pictures)) {
        EXPECT_EQ(entry.path().extension(), ".jpg") << entry.path();
        ++written;
    }
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, 2500u);
    fs::remove_all(pictures);
}

}  // namespace
