#include "convert/thumbnailwriter.h"

#include "common/exceptions.h"

#include <cerrno>
#include <memory>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int JpegQuality = 100;

// The bytes are written beside the final name and renamed over it, so a failed write leaves no
// half-written picture behind.
void WriteFile(const std::string& FileName, const BYTE* Data, std::size_t Size)
{
    const std::size_t slash = FileName.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string temporary = FileName.substr(0, nameStart) + "." + FileName.substr(nameStart) + ".part";

    const int file = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (file < 0)
        ThrowSystemError(errno);
    int error = 0;
    while (Size > 0 && error == 0) {
        const ssize_t written = write(file, Data, Size);
        if (written >= 0) {
            Data += written;
            Size -= static_cast<std::size_t>(written);
        } else if (errno != EINTR) {
            error = errno;
        }
    }
    if (close(file) != 0 && error == 0)
        error = errno;
    if (error == 0 && rename(temporary.c_str(), FileName.c_str()) != 0)
        error = errno;
    if (error != 0) {
        unlink(temporary.c_str());
        ThrowSystemError(error);
    }
}

}  // namespace

// FreeImage's own file writer does not tell why a write failed, and may miss a failed write
// altogether; so its JPEG writer encodes into memory and the file is written here.
void SaveJpeg(FIBITMAP* Dib, const std::string& FileName)
{
    struct TCloseMemory {
        void operator()(FIMEMORY* Memory) const noexcept { FreeImage_CloseMemory(Memory); }
    };
    const std::unique_ptr<FIMEMORY, TCloseMemory> memory(FreeImage_OpenMemory());
    BYTE* data = nullptr;
    DWORD size = 0;
    if (!memory || !FreeImage_SaveToMemory(FIF_JPEG, Dib, memory.get(), JpegQuality) ||
        !FreeImage_AcquireMemory(memory.get(), &data, &size))
        ThrowSystemError(ENOMEM);
    WriteFile(FileName, data, size);
}

TThumbnailWriter::TThumbnailWriter() : FThread(&TThumbnailWriter::Run, this) {}

TThumbnailWriter::~TThumbnailWriter()
{
    {
        std::lock_guard lock(FLock);
        FStop = true;
    }
    FChanged.notify_all();
    FThread.join();
}

void TThumbnailWriter::Begin(FIBITMAP* Dib, const std::string& FileName)
{
    {
        std::lock_guard lock(FLock);
        FDib = Dib;
        FFileName = FileName;
        FError = nullptr;
    }
    FChanged.notify_all();
}

void TThumbnailWriter::Finish()
{
    std::unique_lock lock(FLock);
    FChanged.wait(lock, [this] { return FDib == nullptr; });
    if (FError)
        std::rethrow_exception(std::exchange(FError, nullptr));
}

void TThumbnailWriter::Run()
{
    std::unique_lock lock(FLock);
    for (;;) {
        // A write that was begun is always finished, even when stopping, so Dib is let go of.
        FChanged.wait(lock, [this] { return FDib != nullptr || FStop; });
        if (!FDib)
            return;
        lock.unlock();
        std::exception_ptr error;
        try {
            SaveJpeg(FDib, FFileName);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        FError = error;
        FDib = nullptr;
        FChanged.notify_all();
    }
}
