#include "platform/thread.h"

#include <condition_variable>
#include <deque>
#include <mutex>

#include <unistd.h>

namespace {

struct TSyncRequest {
    const std::function<void()>& Method;
    std::exception_ptr Error;
    bool Done = false;
};

// One queue for the whole process: every worker hands off to the same main thread.
struct TSyncQueue {
    std::mutex Lock;
    // Signalled when a request is queued or served and when a worker finishes.
    std::condition_variable Changed;
    std::deque<TSyncRequest*> Pending;
    std::function<void()> WakeMainThread;
};

TSyncQueue& Queue()
{
    // Never destroyed: exit() may come while a worker still waits on it (Qt calls it when the X
    // connection breaks), and destroying a condition variable that has a waiter blocks for ever.
    static TSyncQueue& queue = *new TSyncQueue;
    return queue;
}

}  // namespace

TThread::~TThread()
{
    Terminate();
    WaitFor();
}

void TThread::Start()
{
    if (FStarted)
        return;
    FHandle = std::thread([this] { Run(); });
    FStarted = true;
}

void TThread::Terminate() noexcept
{
    FTerminated = true;
}

bool TThread::Terminated() const noexcept
{
    return FTerminated;
}

void TThread::Run() noexcept
{
    try {
        Execute();
    } catch (...) {
        FFatalException = std::current_exception();
    }
    TSyncQueue& queue = Queue();
    {
        std::lock_guard lock(queue.Lock);
        FFinished = true;
    }
    queue.Changed.notify_all();
}

void TThread::WaitFor()
{
    if (!FHandle.joinable())
        return;
    if (IsMainThread()) {
        TSyncQueue& queue = Queue();
        for (;;) {
            CheckSynchronize();
            std::unique_lock lock(queue.Lock);
            queue.Changed.wait(lock, [&] { return FFinished || !queue.Pending.empty(); });
            if (FFinished)
                break;
        }
    }
    FHandle.join();
}

void TThread::SynchronizeReport(const std::function<void()>& Report)
{
    if (FDetached)
        return;
    Synchronize([&] {
        if (!FDetached)
            Report();
    });
}

void TThread::DetachAndWait()
{
    FDetached = true;
    Terminate();
    WaitFor();
}

bool TThread::IsMainThread() noexcept
{
    return gettid() == getpid();
}

bool TThread::CheckSynchronize()
{
    if (!IsMainThread())
        return false;
    TSyncQueue& queue = Queue();
    bool ran = false;
    for (;;) {
        TSyncRequest* request;
        {
            std::lock_guard lock(queue.Lock);
            if (queue.Pending.empty())
                break;
            request = queue.Pending.front();
            queue.Pending.pop_front();
        }
        try {
            request->Method();
        } catch (...) {
            request->Error = std::current_exception();
        }
        {
            // The worker may destroy the request as soon as it sees Done; it is not touched after this.
            std::lock_guard lock(queue.Lock);
            request->Done = true;
        }
        queue.Changed.notify_all();
        ran = true;
    }
    return ran;
}

void TThread::SetWakeMainThread(std::function<void()> Wake)
{
    TSyncQueue& queue = Queue();
    std::lock_guard lock(queue.Lock);
    queue.WakeMainThread = std::move(Wake);
}

void TThread::Synchronize(const std::function<void()>& Method)
{
    if (IsMainThread()) {
        Method();
        return;
    }
    TSyncQueue& queue = Queue();
    TSyncRequest request{Method, nullptr, false};
    std::function<void()> wake;
    {
        std::lock_guard lock(queue.Lock);
        queue.Pending.push_back(&request);
        wake = queue.WakeMainThread;
    }
    queue.Changed.notify_all();
    if (wake)
        wake();
    {
        std::unique_lock lock(queue.Lock);
        queue.Changed.wait(lock, [&] { return request.Done; });
    }
    if (request.Error)
        std::rethrow_exception(request.Error);
}
