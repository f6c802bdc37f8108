// Encodes and writes one JPEG thumbnail at a time on a thread of its own, so that the conversion
// thread prepares the next picture meanwhile. Pictures are written, and their outcome collected,
// strictly one after another.
#pragma once

#include <FreeImage.h>

#include <condition_variable>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

class TThumbnailWriter {
public:
    TThumbnailWriter();
    // Waits for a write still under way; its outcome is dropped.
    ~TThumbnailWriter();
    TThumbnailWriter(const TThumbnailWriter&) = delete;
    TThumbnailWriter& operator=(const TThumbnailWriter&) = delete;

    // Starts writing Dib as a JPEG of quality 100 to FileName. The caller keeps Dib unchanged until
    // Finish has returned. Only one write is under way at a time: call Finish first.
    void Begin(FIBITMAP* Dib, const std::string& FileName);
    // Waits for the write begun last; throws std::system_error with the system's reason when it
    // failed. Does nothing when no write is under way.
    void Finish();

private:
    void Run();

    std::mutex FLock;
    std::condition_variable FChanged;
    FIBITMAP* FDib = nullptr; // the picture being written; null when idle
    std::string FFileName;
    std::exception_ptr FError;
    bool FStop = false;
    std::thread FThread; // last: it starts once everything it reads is built
};

// Encodes Dib with FreeImage's JPEG writer at quality 100 and writes the bytes to FileName, beside
// it first and then renamed over it. Throws std::system_error with the reason.
void SaveJpeg(FIBITMAP* Dib, const std::string& FileName);
