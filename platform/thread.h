// A worker thread with synchronous hand-offs to the main thread.
//
// The main thread is the process's initial thread (the one that runs main()), found by comparing the
// kernel's thread id with the process id; nothing has to register it. Hand-offs queued by workers are
// run there by CheckSynchronize, which the application calls from its event loop when the wake-up hook
// tells it that something is waiting, and by WaitFor while the main thread waits for a worker to end.
#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <thread>

class TThread {
public:
    // Created suspended: Execute runs only after Start. A thread that is never started never runs it.
    TThread() = default;
    // Terminate and WaitFor. A derived class whose Execute uses members of its own must call
    // Terminate() and WaitFor() (or DetachAndWait()) at the top of its own destructor: by the time
    // this destructor runs, those members are already destroyed while the worker could still be
    // using them.
    virtual ~TThread();

    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Lets Execute begin; later calls do nothing.
    void Start();
    // Asks Execute to end; Execute decides when it looks.
    void Terminate() noexcept;
    bool Terminated() const noexcept;
    // Returns once Execute has ended. On the main thread it keeps running queued hand-offs meanwhile,
    // so a worker blocked in Synchronize can always finish.
    void WaitFor();
    // What escaped Execute, if anything; read it after WaitFor.
    std::exception_ptr FatalException() const noexcept { return FFatalException; }

    static bool IsMainThread() noexcept;
    // Runs every queued hand-off; answers whether any ran. Does nothing off the main thread.
    static bool CheckSynchronize();
    // Called by Synchronize (on the worker) after queueing, so that an event loop can be told to run
    // CheckSynchronize. Empty by default.
    static void SetWakeMainThread(std::function<void()> Wake);

protected:
    virtual void Execute() = 0;
    // Runs Method on the main thread and returns after it ran; an exception it raises is rethrown here.
    // Called on the main thread itself, Method runs at once.
    static void Synchronize(const std::function<void()>& Method);
    // Synchronize for a report to the owner: Report runs on the main thread unless the owner has
    // let go of the reports, before the hand-off or while it waited.
    void SynchronizeReport(const std::function<void()>& Report);
    // For a derived destructor: lets go of the reports, so that one made from now on reaches nobody,
    // then asks Execute to end and waits for it while serving its hand-offs.
    void DetachAndWait();
    // Whether the owner has let go: nobody is left to see what Execute still does.
    bool Detached() const noexcept { return FDetached; }

private:
    void Run() noexcept;

    std::thread FHandle;
    std::atomic<bool> FTerminated{false};
    bool FStarted = false;
    bool FFinished = false;  // guarded by the hand-off queue's lock, which WaitFor waits on
    std::exception_ptr FFatalException;
    // Read by the worker without a lock, so the owner's handler itself is never cleared.
    std::atomic<bool> FDetached{false};
};
