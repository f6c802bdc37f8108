#include "platform/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// Runs a body given by the test as Execute.
class TBodyThread : public TThread {
public:
    explicit TBodyThread(std::function<void(TBodyThread&)> body) : FBody(std::move(body)) {}
    ~TBodyThread() override
    {
        Terminate();
        WaitFor();
    }
    using TThread::Synchronize;

protected:
    void Execute() override { FBody(*this); }

private:
    std::function<void(TBodyThread&)> FBody;
};

// The reporting pattern of the worker threads: look for a handler, then hand the report over, where
// the handler is looked for again because the owner may have cleared it meanwhile.
class TReportingThread : public TThread {
public:
    std::function<void()> OnStatus;
    std::promise<void> HandlerSeen;
    std::promise<void> Proceed;
    int DoStatusRuns = 0;

    ~TReportingThread() override
    {
        OnStatus = nullptr;
        Terminate();
        WaitFor();
    }

protected:
    void Execute() override
    {
        if (!OnStatus)
            return;
        HandlerSeen.set_value();
        Proceed.get_future().wait();
        Synchronize([this] { DoStatus(); });
    }

private:
    void DoStatus()
    {
        ++DoStatusRuns;
        if (OnStatus)
            OnStatus();
    }
};

// Installs a wake-up hook for one test and removes it again, whatever happens.
struct TWakeHook {
    explicit TWakeHook(std::function<void()> wake) { TThread::SetWakeMainThread(std::move(wake)); }
    ~TWakeHook() { TThread::SetWakeMainThread(nullptr); }
};

}  // namespace

TEST(Thread, HandOffRunsOnTheMainThreadWhileTheWorkerWaits)
{
    std::promise<void> woken;
    TWakeHook hook([&] { woken.set_value(); });
    bool ranOnMainThread = false;
    std::atomic<bool> workerWentOn = false;
    TBodyThread thread([&](TBodyThread& self) {
        self.Synchronize([&] { ranOnMainThread = TThread::IsMainThread(); });
        workerWentOn = true;
    });
    thread.Start();

    ASSERT_EQ(woken.get_future().wait_for(10s), std::future_status::ready);
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(workerWentOn);
    EXPECT_TRUE(TThread::CheckSynchronize());
    EXPECT_TRUE(ranOnMainThread);
    thread.WaitFor();
    EXPECT_TRUE(workerWentOn);
}

// Qt ends the program with exit() when its X connection breaks, which may come while a worker waits in
// a hand-off that will never be served; the process must still end, not wait in exit for ever.
TEST(Thread, ExitWhileAWorkerWaitsInAHandOffEnds)
{
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::promise<void> queued;
        TThread::SetWakeMainThread([&] { queued.set_value(); });
        // Never freed: its destructor would serve the hand-off.
        auto* worker = new TBodyThread([](TBodyThread& self) { self.Synchronize([] {}); });
        worker->Start();
        queued.get_future().wait();
        std::this_thread::sleep_for(50ms);
        std::exit(7);
    }
    int status = 0;
    pid_t ended = 0;
    for (int waited = 0; ended == 0 && waited < 100; ++waited) {
        std::this_thread::sleep_for(100ms);
        ended = waitpid(child, &status, WNOHANG);
    }
    if (ended == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "the process did not end within 10 s of exit()";
    }
    ASSERT_EQ(ended, child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
}

TEST(Thread, StoppingAWorkerBlockedInAHandOffServesIt)
{
    std::promise<void> queued;
    TWakeHook hook([&] { queued.set_value(); });
    int handOffs = 0;
    {
        TBodyThread thread([&](TBodyThread& self) { self.Synchronize([&] { ++handOffs; }); });
        thread.Start();
        queued.get_future().wait();
    }
    EXPECT_EQ(handOffs, 1);
}

TEST(Thread, ClearedHandlerIsSkippedByAHandOffAlreadyOnItsWay)
{
    int handlerCalls = 0;
    TReportingThread thread;
    thread.OnStatus = [&] { ++handlerCalls; };
    thread.Start();
    thread.HandlerSeen.get_future().wait();

    thread.OnStatus = nullptr;
    thread.Proceed.set_value();
    thread.Terminate();
    thread.WaitFor();

    EXPECT_EQ(thread.DoStatusRuns, 1);
    EXPECT_EQ(handlerCalls, 0);
}

TEST(Thread, ExceptionOfAHandOffReachesTheWorker)
{
    std::string caught;
    TBodyThread thread([&](TBodyThread& self) {
        try {
            self.Synchronize([] { throw std::runtime_error("refused"); });
        } catch (const std::runtime_error& error) {
            caught = error.what();
        }
    });
    thread.Start();
    thread.WaitFor();
    EXPECT_EQ(caught, "refused");
}

TEST(Thread, HandOffOnTheMainThreadRunsAtOnce)
{
    bool ran = false;
    TBodyThread::Synchronize([&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_FALSE(TThread::CheckSynchronize());
}

TEST(Thread, ExceptionEscapingExecuteEndsTheThreadAndIsKept)
{
    TBodyThread thread([](TBodyThread&) { throw std::runtime_error("broken"); });
    thread.Start();
    thread.WaitFor();
    ASSERT_TRUE(thread.FatalException());
    EXPECT_THROW(std::rethrow_exception(thread.FatalException()), std::runtime_error);
}

TEST(Thread, ThreadNeverStartedNeverRuns)
{
    bool ran = false;
    {
        TBodyThread thread([&](TBodyThread&) { ran = true; });
    }
    EXPECT_FALSE(ran);
}
