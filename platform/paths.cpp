#include "platform/paths.h"

#include "common/exceptions.h"

#include <filesystem>
#include <system_error>

std::string ProgramFolder()
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        throw EOSError(error.value(), error.message());
    return program.parent_path().string();
}
