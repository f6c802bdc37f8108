// Encodes JPEG thumbnails on threads of their own, several at once, while the conversion thread
// prepares the next pictures: the encoder is most of a picture's work, and so every core gets some.
// Encodings are collected strictly in the order they were begun; writing the bytes to disk is left
// to the caller, so that files appear one after another, in order.
#pragma once

#include "convert/jpegfile.h"

#include <FreeImage.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TThumbnailWriter {
public:
    // Threads encoders, at least one.
    explicit TThumbnailWriter(std::int32_t Threads);
    // Drops the encodings not yet started and waits for those under way.
    ~TThumbnailWriter();
    TThumbnailWriter(const TThumbnailWriter&) = delete;
    TThumbnailWriter& operator=(const TThumbnailWriter&) = delete;

    std::int32_t Threads() const noexcept { return static_cast<std::int32_t>(FThreads.size()); }

    // Starts encoding Dib as a JPEG of quality 100 into Jpeg, once a thread is free. The caller
    // leaves both alone until Finish or Cancel has let go of them.
    void Begin(FIBITMAP* Dib, std::vector<BYTE>& Jpeg);
    // Whether the oldest encoding not yet finished is done, so that Finish would not wait.
    bool Done();
    // Waits for the oldest encoding not yet finished and lets go of it; throws std::system_error
    // when it failed.
    void Finish();
    // Lets go of every encoding not yet finished: those not started are dropped, those under way
    // awaited, their outcome ignored.
    void Cancel();

    // One thread a core, at least one and no more than four: the decoder feeds no more than that.
    static std::int32_t DefaultThreads();

private:
    struct TWork {
        FIBITMAP* Dib;
        std::vector<BYTE>* Jpeg;
        bool Done = false;
        std::exception_ptr Error;
    };

    void Run();

    std::mutex FLock;
    // One for the threads, one for the owner, so that neither wakes the other for nothing.
    std::condition_variable FBegun;
    std::condition_variable FDone;
    // Begun and not yet let go of, oldest first; the first FStarted have been taken by a thread.
    std::deque<TWork> FWork;
    std::size_t FStarted = 0;
    bool FStop = false;
    std::vector<std::thread> FThreads;  // last: they start once everything they read is built
};
