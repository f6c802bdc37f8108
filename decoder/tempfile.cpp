#include "decoder/tempfile.h"

#include "common/exceptions.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace {

std::string TempFolder()
{
    const char* folder = std::getenv("TMPDIR");
    return folder && *folder ? folder : "/tmp";
}

} // namespace

TTempFile::~TTempFile()
{
    if (!FPath.empty())
        unlink(FPath.c_str());
}

void TTempFile::Create(const std::string& Prefix)
{
    std::string folder = TempFolder();
    if (folder.back() != '/')
        folder += '/';
    const std::string pattern = folder + Prefix + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0)
        RaiseLastOSError();
    close(fd);
    FPath = name.data();
}
