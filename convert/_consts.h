// Values shared by the conversion job, the worker threads and the window: the job record, the status
// flags of the workers' reports, the progress block and the program's own folder.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

// A picture at an exact frame: the first frame of Second, then Skip frames on.
struct TStillPoint {
    std::int32_t Second = 0;
    std::int32_t Skip = 0;
};

struct TConvertRec {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    bool Whole = false;
    bool StartEnd = false;
    std::int32_t Pieces = 0;
    // Pieces spread over the whole length to the frame, as a contact sheet's cells, instead of
    // whole seconds: piece k is the frame nearest (k + 0.5) x frames / Pieces, or, where that is
    // nearly uniform (black, a fade, a flat card), the nearest in its own share of the length that
    // is not, unless KeepBlank.
    bool Spread = false;
    bool KeepBlank = false;
    std::string VideoName;
    std::string SaveFolder;  // empty, or a folder ending in "/"
    std::int64_t StartPoint = 0;
    std::int64_t EndPoint = 0;
    // Not empty: one picture at the first frame of each chapter instead of the modes above, named
    // <VideoName>_ch<NN>.jpg after the chapter's number.
    std::vector<TStillPoint> Chapters;
};

// The second that piece Index (from 0) of Pieces starts at in a video of TotalSeconds: evenly
// spaced from the start, one a second when the video is shorter than Pieces seconds.
std::int32_t PieceSecond(std::int32_t TotalSeconds, std::int32_t Pieces, std::int32_t Index);
// The file name of picture Index of the job, without its folder.
std::string PictureFileName(const TConvertRec& Job, std::int32_t Index);

// Why a job of this size or with this many pieces cannot run, or null when it can.
const char* SizeProblem(std::int32_t Width, std::int32_t Height);
const char* PiecesProblem(std::int32_t Pieces);

enum class TStatusFlag : std::uint16_t {
    stFrameShown = 0x0001,
    stPlayError = 0x0002,
    stPlayStopped = 0x0004,
    stPlayRate = 0x0008,
    stPlayEnd = 0x0010,
    stFrameSaved = 0x0020,
    stConvertError = 0x0040,
    stConvertStopped = 0x0080,
    stConvertRate = 0x0100,
    stConvertEnd = 0x0200,
    stConvertDone = 0x0400,
};

// A set of TStatusFlag in one 16-bit word, bit 0 first.
class TStatusFlags {
public:
    constexpr TStatusFlags() noexcept = default;
    constexpr TStatusFlags(std::initializer_list<TStatusFlag> Flags) noexcept
    {
        for (TStatusFlag flag : Flags)
            Include(flag);
    }

    constexpr bool Has(TStatusFlag Flag) const noexcept { return (FBits & static_cast<std::uint16_t>(Flag)) != 0; }
    constexpr void Include(TStatusFlag Flag) noexcept { FBits |= static_cast<std::uint16_t>(Flag); }
    constexpr std::uint16_t Bits() const noexcept { return FBits; }

    friend constexpr bool operator==(TStatusFlags, TStatusFlags) noexcept = default;

private:
    std::uint16_t FBits = 0;
};
static_assert(sizeof(TStatusFlags) == 2);

// The block whose address travels with every report of the conversion thread.
struct TConvertProgress {
    std::int64_t Total = 0;
    std::int64_t Current = 0;
};

// The workers' report to the play manager, run on the main thread; Info is the conversion's
// progress block, valid during the call only, or null from the playback thread.
using TStatusEvent = std::function<void(TStatusFlags Status, const TConvertProgress* Info)>;

// Folder of the running executable, ending in "/"; set while the program initialises, before main().
extern const std::string AppFolder;

// The folder that receives a job's pictures: the save folder, or AppFolder, followed by the video's name.
std::string ThumbFolder(const TConvertRec& Job);
