// TDecoder: the binding to the decoder library libdecoder.so, which is loaded at run time and
// driven through its seven entry points.
#pragma once

#include "decoder/decoderrecords.h"
#include "common/exceptions.h"
#include "decoder/library.h"
#include "decoder/tempfile.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

// Bindings that are being built or hold a loaded library, across the whole process.
inline std::atomic<std::int32_t> DecoderCount{0};

// A video file that the library refused to open.
class EMPEG2Error : public Exception {
public:
    using Exception::Exception;
};

// Holds one place in DecoderCount for as long as it lives, so that a binding whose
// construction fails gives its place back exactly once.
class TDecoderCountHold {
public:
    TDecoderCountHold() noexcept : FCountAfterIncrement(++DecoderCount) {}
    TDecoderCountHold(const TDecoderCountHold&) = delete;
    TDecoderCountHold& operator=(const TDecoderCountHold&) = delete;
    ~TDecoderCountHold() { --DecoderCount; }

    std::int32_t CountAfterIncrement() const noexcept { return FCountAfterIncrement; }

private:
    std::int32_t FCountAfterIncrement;
};

class TDecoder {
public:
    // An empty folder loads the library by its bare name, found beside the program.
    explicit TDecoder(const std::string& LibraryFolder = {});
    TDecoder(const TDecoder&) = delete;
    TDecoder& operator=(const TDecoder&) = delete;

    // Raises EMPEG2Error when the library refuses the file, with the library's reason in parentheses
    // where it gives one; the earlier file's data then stays. On a disc, Title 0 is the main title and
    // Angle 0 the first angle; a single video file takes 0 for both.
    void OpenFile(const std::string& FileName, std::int32_t Title, std::int32_t Angle);
    // kDeinterlaceAuto (the library's default) or kDeinterlaceOff, from the next OpenFile on. False
    // when the library has no such switch (it then deinterlaces) or refuses the mode.
    bool SetDeinterlace(std::int32_t Mode);
    // Empty at the end of the stream.
    PDecodedFrame GetNextFrame();
    // Whether the frame GetNextFrame last delivered was made whole from its two fields; false when
    // the library cannot tell.
    bool FrameDeinterlaced() const;
    // What could not be read of the open video since it opened (a scratched disc, a failing drive);
    // nothing when the library cannot tell.
    TDecoderUnreadable Unreadable() const;
    // The open video's length in frames; where the library cannot tell, its whole seconds at its rate.
    std::int64_t FrameCount() const;
    // The open video's subtitle streams; none when the library cannot tell.
    std::vector<TDecoderSubtitleStream> SubtitleStreams() const;
    // Draws stream `Stream` (its Number; 0: none) into the frames from the next GetNextFrame on, only its
    // forced subpictures with ForcedOnly. False where the video has no such stream or the library cannot
    // draw subtitles (asking for none then succeeds). Each OpenFile starts with none.
    bool SetSubtitles(std::int32_t Stream, bool ForcedOnly);
    std::int32_t Seek(std::int32_t Position);
    std::int32_t Rewind();

    // The records belong to the library; they are only read here.
    const TDecoderFileInfo* FileInfo() const noexcept { return FFileInfo; }
    const TDecoderFrameInfo* FrameInfo() const noexcept { return FFrameInfo; }
    std::int32_t Width() const noexcept { return FWidth; }
    std::int32_t Height() const noexcept { return FHeight; }
    double Fps() const noexcept { return FFps; }
    double AspectRatio() const noexcept { return FAspectRatio; }
    void* LibraryHandle() const noexcept { return FLibraryHandle.get(); }
    const std::string& TempLibrary() const noexcept { return FTempLibrary.Path(); }

private:
    template <typename TProc>
    TProc Resolve(const char* Name) const
    {
        return reinterpret_cast<TProc>(ResolveEntryPoint(FLibraryHandle.get(), Name));
    }

    // Declared so that they are released in the order unload, give back the count, delete the copy.
    TTempFile FTempLibrary;
    TDecoderCountHold FCountHold;
    TLibraryHandle FLibraryHandle;

    TOpenFileProc FOpenFile = nullptr;
    TGetFrameInfoProc FGetFrameInfo = nullptr;
    TGetFileInfoProc FGetFileInfo = nullptr;
    TGetFrameProc FGetFrame = nullptr;
    TGetNextFrameProc FGetNextFrame = nullptr;
    TSeekProc FSeek = nullptr;
    TSetDeinterlaceProc FSetDeinterlace = nullptr;
    TGetLastErrorProc FGetLastError = nullptr;
    TFrameDeinterlacedProc FFrameDeinterlaced = nullptr;
    TGetUnreadableProc FGetUnreadable = nullptr;
    TGetFrameCountProc FGetFrameCount = nullptr;
    TGetSubtitlesProc FGetSubtitles = nullptr;
    TSetSubtitlesProc FSetSubtitles = nullptr;

    TDecoderFileInfo* FFileInfo = nullptr;
    TDecoderFrameInfo* FFrameInfo = nullptr;
    std::int32_t FWidth = 0;
    std::int32_t FHeight = 0;
    double FFps = 0;
    double FAspectRatio = 0;
};
