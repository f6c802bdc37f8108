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
