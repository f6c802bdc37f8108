#include "convert/_consts.h"

#include "common/exceptions.h"
#include "platform/paths.h"

namespace {

std::string AppFolderOnce()
{
    try {
        const std::string folder = ProgramFolder();
        return folder.ends_with('/') ? folder : folder + "/";
    } catch (const EOSError&) {
        // Without /proc the thumbnails land below the working folder rather than at the file system's root.
        return "./";
    }
}

}  // namespace

const std::string AppFolder = AppFolderOnce();

const char* SizeProblem(std::int32_t Width, std::int32_t Height)
{
    return Width < 1 || Height < 1 ? "The thumbnail size must be at least 1 x 1 pixels." : nullptr;
}

const char* PiecesProblem(std::int32_t Pieces)
{
    return Pieces < 1 ? "The number of pieces must be at least 1." : nullptr;
}

std::string ThumbFolder(const TConvertRec& Job)
{
    return (Job.SaveFolder.empty() ? AppFolder : Job.SaveFolder) + Job.VideoName;
}

std::int32_t PieceSecond(std::int32_t TotalSeconds, std::int32_t Pieces, std::int32_t Index)
{
    const std::int32_t step = TotalSeconds / Pieces;
    return step == 0 ? Index : Index * step;
}

std::string PictureFileName(const TConvertRec& Job, std::int32_t Index)
{
    // Joined, never formatted: a "%" in a name stays a character.
    if (Job.Chapters.empty())
        return Job.VideoName + "_" + std::to_string(Index) + ".jpg";
    const std::string number = std::to_string(Index + 1);
    return Job.VideoName + "_ch" + (number.size() < 2 ? "0" : "") + number + ".jpg";
}
