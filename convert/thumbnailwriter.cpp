#include "convert/thumbnailwriter.h"

#include <algorithm>

TThumbnailWriter::TThumbnailWriter(std::int32_t Threads)
{
    for (std::int32_t i = 0; i < std::max(Threads, 1); ++i)
        FThreads.emplace_back(&TThumbnailWriter::Run, this);
}

TThumbnailWriter::~TThumbnailWriter()
{
    Cancel();
    {
        std::lock_guard lock(FLock);
        FStop = true;
    }
    FBegun.notify_all();
    for (std::thread& thread : FThreads)
        thread.join();
}

std::int32_t TThumbnailWriter::DefaultThreads()
{
    return static_cast<std::int32_t>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
}

void TThumbnailWriter::Begin(FIBITMAP* Dib, std::vector<BYTE>& Jpeg)
{
    {
        std::lock_guard lock(FLock);
        FWork.push_back({Dib, &Jpeg, false, nullptr});
    }
    FBegun.notify_one();
}

bool TThumbnailWriter::Done()
{
    std::lock_guard lock(FLock);
    return !FWork.empty() && FWork.front().Done;
}

void TThumbnailWriter::Finish()
{
    std::unique_lock lock(FLock);
    if (FWork.empty())
        return;
    FDone.wait(lock, [this] { return FWork.front().Done; });
    const std::exception_ptr error = FWork.front().Error;
    FWork.pop_front();
    --FStarted;
    lock.unlock();
    if (error)
        std::rethrow_exception(error);
}

void TThumbnailWriter::Cancel()
{
    std::unique_lock lock(FLock);
    FWork.erase(FWork.begin() + static_cast<std::ptrdiff_t>(FStarted), FWork.end());
    FDone.wait(lock,
               [this] { return std::all_of(FWork.begin(), FWork.end(), [](const TWork& Work) { return Work.Done; }); });
    FWork.clear();
    FStarted = 0;
}

void TThumbnailWriter::Run()
{
    std::unique_lock lock(FLock);
    for (;;) {
        FBegun.wait(lock, [this] { return FStop || FStarted < FWork.size(); });
        if (FStop)
            return;
        // The deque keeps an element where it is while others come and go at its ends.
        TWork& work = FWork[FStarted++];
        lock.unlock();
        std::exception_ptr error;
        try {
            EncodeJpeg(work.Dib, *work.Jpeg);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        work.Error = error;
        work.Done = true;
        FDone.notify_all();
    }
}
