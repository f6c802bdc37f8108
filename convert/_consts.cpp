#include "convert/_consts.h"

#include <filesystem>
#include <system_error>

namespace {

std::string ExecutableFolder()
{
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    // Without /proc the thumbnails land below the working folder rather than at the file system's root.
    if (error)
        return "./";
    std::string folder = exe.parent_path().string();
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

}  // namespace

const std::string AppFolder = ExecutableFolder();
