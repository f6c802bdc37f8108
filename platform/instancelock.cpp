#include "platform/instancelock.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

std::string InstanceFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0')
        return runtime;
    return "/tmp";
}

TInstanceLock::TInstanceLock(const std::string& Name) : FPath(InstanceFolder() + "/" + Name)
{
    const int handle = ::open(FPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (handle < 0)
        return;
    if (::flock(handle, LOCK_EX | LOCK_NB) != 0) {
        FAlreadyRunning = errno == EWOULDBLOCK;
        ::close(handle);
        return;
    }
    FHandle = handle;
}

TInstanceLock::~TInstanceLock()
{
    // Closing the descriptor releases the lock; the file stays, so that no other copy can lock a
    // different file of the same name in the gap between an unlink and its own open.
    if (FHandle >= 0)
        ::close(FHandle);
}
