#include "job/thumbnail.h"

#include "common/exceptions.h"
#include "common/wholefile.h"
#include "convert/FastDIB.h"
#include "convert/FastFX.h"
#include "convert/FastSize.h"
#include "convert/FreeBitmap.h"
#include "convert/uniform.h"
#include "decoder/decoder.h"
#include "job/thumbsize.h"

#include <FreeImage.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace job {

namespace {

// Where a picture is black, a fade or a flat card, the next try is 10% further on: nine tries, from
// 10% to 90% of the length, reach past any opening, and stop short of the last tenth, where
// closing credits run.
constexpr std::int32_t kTries = 9;

// The seconds tried in turn: 10%, 20%, ... of the length, each the first frame of that whole second.
// A short video gives the same second more than once; it is tried once.
std::vector<std::int32_t> TrySeconds(std::int32_t totalSeconds)
{
    std::vector<std::int32_t> seconds;
    for (std::int32_t k = 1; k <= kTries; ++k) {
        const auto second = static_cast<std::int32_t>(std::int64_t{std::max(totalSeconds, 0)} * k / 10);
        if (std::find(seconds.begin(), seconds.end(), second) == seconds.end())
            seconds.push_back(second);
    }
    return seconds;
}

// The longer side `side`, the other by the display aspect (the picture's own shape without one).
Size ThumbnailBox(const Picture& picture, std::int32_t side)
{
    double aspect = picture.aspectRatio;
    if (!(aspect > 0))
        aspect = picture.height > 0 ? static_cast<double>(picture.width) / picture.height : 1.0;
    if (aspect >= 1)
        return {side, std::max(1, HeightForWidth(side, aspect))};
    return {std::max(1, WidthForHeight(side, aspect)), side};
}

// The picture the thumbnail shows, copied into `dib` as it comes from the decoder (top row first,
// so upside down for the bitmap). False when no try gave a frame, not even the first one.
bool PickPicture(TDecoder& decoder, TFastDIB& dib)
{
    const std::int32_t width = dib.Width();
    const std::int32_t height = dib.Rows();
    bool kept = false;
    for (const std::int32_t second : TrySeconds(decoder.FileInfo()->TotalSeconds)) {
        decoder.Seek(second);
        // Null only at the end of the stream; a damaged stretch is passed over to the next
        // frame that decodes.
        const PDecodedFrame frame = decoder.GetNextFrame();
        if (!frame)
            continue;
        const bool uniform = NearlyUniform(frame->Pixels, width, height);
        if (!uniform || !kept) {
            CopyLongs(frame->Pixels, dib.Bits(), width * height);
            kept = true;
        }
        if (!uniform)
            return true;
    }
    if (kept)
        return true;
    // A length longer than what decodes (a damaged or cut copy) leaves every try past the end;
    // the first frame there is still a picture of the video.
    decoder.Rewind();
    if (const PDecodedFrame frame = decoder.GetNextFrame()) {
        CopyLongs(frame->Pixels, dib.Bits(), width * height);
        return true;
    }
    return false;
}

// Whether `output` is an empty file someone made for us: a thumbnail service (tumbler) creates the
// output itself, holds it open and reads it back, so a file renamed onto its name is never seen.
bool IsEmptyFileGiven(const std::string& output)
{
    struct stat info {};
    return lstat(output.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size == 0;
}

// `bytes` as the file `output`: into the empty file given, emptied again on failure; else written
// beside it and renamed onto it, so no part of a picture is ever seen. Throws std::system_error.
void WriteWhole(const std::string& output, const BYTE* bytes, std::size_t size)
{
    if (IsEmptyFileGiven(output)) {
        const int file = open(output.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
        if (file < 0)
            ThrowSystemError(errno);
        int error = WriteFully(file, bytes, size);
        if (error != 0) {
            // Nothing of a picture stays; the error that stopped the write is the one told.
            [[maybe_unused]] const int emptied = ftruncate(file, 0);
        }
        if (close(file) != 0 && error == 0)
            error = errno;
        if (error != 0)
            ThrowSystemError(error);
        return;
    }
    WriteWholeFile(output, bytes, size);
}

// The whole PNG is encoded in memory first, so the temporary file lives only while it is written.
// Not compressed: the file manager or thumbnail service reads it back once and stores the picture
// in its cache itself, with the file's URI and time, while it waits for it; even zlib's fastest
// level took more than half the time of the PNG.
void SavePng(FIBITMAP* dib, const std::string& output)
{
    struct CloseMemory {
        void operator()(FIMEMORY* memory) const noexcept { FreeImage_CloseMemory(memory); }
    };
    const std::unique_ptr<FIMEMORY, CloseMemory> memory(FreeImage_OpenMemory());
    BYTE* data = nullptr;
    DWORD size = 0;
    if (!memory || !FreeImage_SaveToMemory(FIF_PNG, dib, memory.get(), PNG_Z_NO_COMPRESSION) ||
        !FreeImage_AcquireMemory(memory.get(), &data, &size))
        ThrowSystemError(ENOMEM);
    WriteWhole(output, data, size);
}

[[noreturn]] void ThrowAllocationError(std::int32_t width, std::int32_t height)
{
    throw Exception("Unable to allocate a picture of " + std::to_string(width) + " x " + std::to_string(height) +
                    " pixels.");
}

}  // namespace

void WriteThumbnail(TDecoder& decoder, const std::string& input, const TitleRequest& request, std::int32_t side,
                    const std::string& output)
{
    Video video;
    try {
        video = *FindVideo(input, request);
    } catch (const dvd::DiscError& e) {
        throw Exception(input + ": " + e.what());
    }
    decoder.OpenFile(video.path, video.title, video.angle);

    TFastDIB source;
    source.SetSize(decoder.Width(), decoder.Height(), 32);
    if (!source.Bits())
        ThrowAllocationError(decoder.Width(), decoder.Height());
    if (!PickPicture(decoder, source))
        throw Exception(input + ": no frame of the video could be decoded");

    const Size box = ThumbnailBox({decoder.Width(), decoder.Height(), decoder.AspectRatio()}, side);
    TFastDIB scaled;
    const TFastDIB* picture = &source;
    if (box.width == source.Width() && box.height == source.Rows()) {
        FlipRows(source);
    } else {
        scaled.SetSize(box.width, box.height, 32);
        if (!scaled.Bits())
            ThrowAllocationError(box.width, box.height);
        Resample(source, scaled);
        FlipRows(scaled);
        picture = &scaled;
    }
    try {
        TFreeBitmap bitmap;
        CopyToFreeBitmap(*picture, bitmap);
        if (!bitmap.IsValid() || !bitmap.ConvertTo24Bits())
            ThrowSystemError(ENOMEM);
        SavePng(bitmap.Dib(), output);
    } catch (const std::system_error& e) {
        throw Exception("Unable to write thumbnail: " + output + " (" + e.code().message() + ")");
    }
}

}  // namespace job
