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
