#include "convert/jpegfile.h"

#include "common/exceptions.h"
#include "common/wholefile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace {

constexpr int JpegQuality = 100;

// FreeImage's writer streams into a byte vector: its own memory stream cannot be emptied for reuse,
// and a fresh one grows by copying for every picture.
struct TJpegStream {
    std::vector<BYTE>& Bytes;
    std::size_t Position;
};

unsigned DLL_CALLCONV ReadNothing(void*, unsigned, unsigned, fi_handle)
{
    return 0;
}

unsigned DLL_CALLCONV WriteToStream(void* Buffer, unsigned Size, unsigned Count, fi_handle Handle)
{
    TJpegStream& stream = *static_cast<TJpegStream*>(Handle);
    const std::size_t length = std::size_t{Size} * Count;
    const auto* data = static_cast<const BYTE*>(Buffer);
    try {
        if (stream.Position == stream.Bytes.size()) {
            stream.Bytes.insert(stream.Bytes.end(), data, data + length);
        } else {
            if (stream.Position + length > stream.Bytes.size())
                stream.Bytes.resize(stream.Position + length);
            std::memcpy(stream.Bytes.data() + stream.Position, data, length);
        }
    } catch (...) {
        return 0;  // no exception may cross the library
    }
    stream.Position += length;
    return Count;
}

int DLL_CALLCONV SeekInStream(fi_handle Handle, long Offset, int Origin)
{
    TJpegStream& stream = *static_cast<TJpegStream*>(Handle);
    const long base = Origin == SEEK_SET ? 0
        : Origin == SEEK_CUR             ? static_cast<long>(stream.Position)
                                         : static_cast<long>(stream.Bytes.size());
    if (base + Offset < 0)
        return -1;
    stream.Position = static_cast<std::size_t>(base + Offset);
    return 0;
}

long DLL_CALLCONV TellStream(fi_handle Handle)
{
    return static_cast<long>(static_cast<TJpegStream*>(Handle)->Position);
}

}  // namespace

void EncodeJpeg(FIBITMAP* Dib, std::vector<BYTE>& Jpeg)
{
    Jpeg.clear();
    TJpegStream stream{Jpeg, 0};
    FreeImageIO io{ReadNothing, WriteToStream, SeekInStream, TellStream};
    if (!FreeImage_SaveToHandle(FIF_JPEG, Dib, &io, &stream, JpegQuality) || Jpeg.empty())
        ThrowSystemError(ENOMEM);
    // A writer that seeked back would leave its length at the position it reached last.
    Jpeg.resize(std::max(stream.Position, Jpeg.size()));
}

// FreeImage's own file writer does not tell why a write failed, and may miss a failed write
// altogether; so the bytes are written here.
void WriteJpeg(const std::string& FileName, const std::vector<BYTE>& Jpeg)
{
    WriteWholeFile(FileName, Jpeg.data(), Jpeg.size());
}

void SaveJpeg(FIBITMAP* Dib, const std::string& FileName)
{
    std::vector<BYTE> jpeg;
    EncodeJpeg(Dib, jpeg);
    WriteJpeg(FileName, jpeg);
}
