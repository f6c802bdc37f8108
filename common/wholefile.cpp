#include "common/wholefile.h"

#include "common/exceptions.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <utility>

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

namespace {

// As much of the name as the temporary file repeats: with the dot before it and the suffix after,
// a name of up to 255 bytes, the most a folder entry takes, still gives one of its own.
constexpr std::size_t NameShown = 200;
// A random name is taken only by a file left from another run or a writer of the same moment;
// a folder where every try is taken has something wrong with it.
constexpr int CreateAttempts = 100;

std::string RandomSuffix()
{
    std::uint64_t value = 0;
    if (getrandom(&value, sizeof value, 0) != static_cast<ssize_t>(sizeof value))
        ThrowSystemError(errno);
    static constexpr char Digits[] = "0123456789abcdef";
    std::string suffix(2 * sizeof value, '0');
    for (char& digit : suffix) {
        digit = Digits[value & 15];
        value >>= 4;
    }
    return suffix;
}

// The file the bytes go to first, beside the name and hidden: created anew (O_EXCL), so that no two
// writers ever share one; removed again unless it became the file.
class TTemporary {
public:
    explicit TTemporary(const std::string& FileName);
    ~TTemporary();
    TTemporary(const TTemporary&) = delete;
    TTemporary& operator=(const TTemporary&) = delete;

    int File() const noexcept { return FFile; }
    // Closes the file and renames it onto FileName; answers 0 or the errno of the call that failed.
    int Commit(const std::string& FileName);

private:
    std::string FName;
    int FFile = -1;
    bool FCommitted = false;
};

TTemporary::TTemporary(const std::string& FileName)
{
    const std::size_t slash = FileName.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string stem = FileName.substr(0, nameStart) + "." + FileName.substr(nameStart, NameShown) + ".";
    for (int attempt = 1;; ++attempt) {
        FName = stem + RandomSuffix() + ".part";
        // The mode a file created in place gets, the umask and a folder's default ACL applied.
        FFile = open(FName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (FFile >= 0)
            return;
        if (errno != EEXIST || attempt == CreateAttempts)
            ThrowSystemError(errno);
    }
}

TTemporary::~TTemporary()
{
    if (FFile >= 0)
        close(FFile);
    if (!FCommitted)
        unlink(FName.c_str());
}

int TTemporary::Commit(const std::string& FileName)
{
    // Never closed twice: Linux lets go of the descriptor even when close fails.
    if (close(std::exchange(FFile, -1)) != 0)
        return errno;
    if (rename(FName.c_str(), FileName.c_str()) != 0)
        return errno;
    FCommitted = true;
    return 0;
}

}  // namespace

void WriteWholeFile(const std::string& FileName, const void* Bytes, std::size_t Size)
{
    TTemporary temporary(FileName);
    int error = WriteFully(temporary.File(), Bytes, Size);
    if (error == 0)
        error = temporary.Commit(FileName);
    if (error != 0)
        ThrowSystemError(error);
}

int WriteFully(int File, const void* Bytes, std::size_t Size)
{
    const auto* data = static_cast<const unsigned char*>(Bytes);
    std::size_t left = Size;
    while (left > 0) {
        const ssize_t written = write(File, data, left);
        if (written >= 0) {
            data += written;
            left -= static_cast<std::size_t>(written);
        } else if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
}
