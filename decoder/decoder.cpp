#include "decoder/decoder.h"

#include "platform/paths.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace {

constexpr const char* LibraryName = "libdecoder.so";

// Never called; it only has to be there. The last binding built sets it.
TConvertProc DecoderConvert = nullptr;

std::string LibraryPath(const std::string& Folder)
{
    if (Folder.empty())
        return LibraryName;
    return Folder.back() == '/' ? Folder + LibraryName : Folder + "/" + LibraryName;
}

} // namespace

TDecoder::TDecoder(const std::string& LibraryFolder)
{
    if (FCountHold.CountAfterIncrement() == 1) {
        FLibraryHandle = LoadLibraryFile(LibraryPath(LibraryFolder));
    } else {
        // The loader would hand back the module already loaded for the living binding, with the
        // same globals; a copy under another name is loaded as a module of its own.
        FTempLibrary.Create("dec");
        const std::string source = LibraryPath(LibraryFolder.empty() ? ProgramFolder() : LibraryFolder);
        // A failed copy leaves the empty file, which then fails to load with the loader's text.
        std::error_code ignored;
        std::filesystem::copy_file(source, FTempLibrary.Path(),
                                   std::filesystem::copy_options::overwrite_existing, ignored);
        FLibraryHandle = LoadLibraryFile(FTempLibrary.Path());
    }

    FOpenFile = Resolve<TOpenFileProc>("openFile");
    FGetFrameInfo = Resolve<TGetFrameInfoProc>("getFrameInfo");
    FGetFileInfo = Resolve<TGetFileInfoProc>("getFileInfo");
    FGetFrame = Resolve<TGetFrameProc>("getFrame");
    FGetNextFrame = Resolve<TGetNextFrameProc>("getNextFrame");
    FSeek = Resolve<TSeekProc>("seek");
    DecoderConvert = Resolve<TConvertProc>("convert");
    FSetDeinterlace =
        reinterpret_cast<TSetDeinterlaceProc>(ResolveOptionalEntryPoint(FLibraryHandle.get(), "setDeinterlace"));
    FGetLastError =
        reinterpret_cast<TGetLastErrorProc>(ResolveOptionalEntryPoint(FLibraryHandle.get(), "getLastError"));
    FFrameDeinterlaced =
        reinterpret_cast<TFrameDeinterlacedProc>(ResolveOptionalEntryPoint(FLibraryHandle.get(), "frameDeinterlaced"));
    FGetUnreadable =
        reinterpret_cast<TGetUnreadableProc>(ResolveOptionalEntryPoint(FLibraryHandle.get(), "getUnreadable"));
    FGetFrameCount =
        reinterpret_cast<TGetFrameCountProc>(ResolveOptionalEntryPoint(FLibraryHandle.get(), "getFrameCount"));
    FGetSubtitles =
        reinterpret_cast<TGetSubtitlesProc>(ResolveOptionalEntryPoint(FLibraryHandle.get(), "getSubtitles"));
    FSetSubtitles =
        reinterpret_cast<TSetSubtitlesProc>(ResolveOptionalEntryPoint(FLibraryHandle.get(), "setSubtitles"));
}

bool TDecoder::SetDeinterlace(std::int32_t Mode)
{
    return FSetDeinterlace && FSetDeinterlace(Mode) == 0;
}

void TDecoder::OpenFile(const std::string& FileName, std::int32_t Title, std::int32_t Angle)
{
    if (FOpenFile(FileName.c_str(), Title, Angle) != 0) {
        std::string message = "Unable to open video file: " + FileName;
        // A library without getLastError gives no reason.
        const char* reason = FGetLastError ? FGetLastError() : nullptr;
        if (reason != nullptr && *reason != '\0')
            message += std::string(" (") + reason + ")";
        throw EMPEG2Error(message);
    }
    FFileInfo = FGetFileInfo();
    FFrameInfo = FGetFrameInfo();
    FWidth = FFileInfo->FrameWidth;
    FHeight = FFileInfo->FrameHeight;
    FFps = FFileInfo->Fps;
    FAspectRatio = FFileInfo->AspectRatio;
}

PDecodedFrame TDecoder::GetNextFrame()
{
    const PDecodedFrame frame = FGetNextFrame();
    FFrameInfo = FGetFrameInfo();
    return frame;
}

bool TDecoder::FrameDeinterlaced() const
{
    return FFrameDeinterlaced && FFrameDeinterlaced() == 1;
}

TDecoderUnreadable TDecoder::Unreadable() const
{
    TDecoderUnreadable unreadable{};
    if (!FGetUnreadable || FGetUnreadable(&unreadable) != 0)
        return {};
    return unreadable;
}

std::int64_t TDecoder::FrameCount() const
{
    if (FGetFrameCount)
        return FGetFrameCount();
    return FFileInfo ? std::llround(FFileInfo->TotalSeconds * FFileInfo->Fps) : 0;
}

std::vector<TDecoderSubtitleStream> TDecoder::SubtitleStreams() const
{
    TDecoderSubtitles subtitles{};
    if (!FGetSubtitles || FGetSubtitles(&subtitles) != 0)
        return {};
    const std::int32_t count = std::clamp(subtitles.Count, 0, kSubtitleStreamsMax);
    std::vector<TDecoderSubtitleStream> streams(subtitles.Streams, subtitles.Streams + count);
    for (TDecoderSubtitleStream& stream : streams)
        stream.Language[sizeof stream.Language - 1] = '\0';
    return streams;
}

bool TDecoder::SetSubtitles(std::int32_t Stream, bool ForcedOnly)
{
    if (!FSetSubtitles)
        return Stream == 0;
    return FSetSubtitles(Stream, ForcedOnly ? 1 : 0) == 0;
}

std::int32_t TDecoder::Seek(std::int32_t Position)
{
    return FSeek(Position);
}

std::int32_t TDecoder::Rewind()
{
    return Seek(0);
}
