// The single-instance guard: an exclusive, non-blocking lock on a file named after the instance, in
// $XDG_RUNTIME_DIR (or /tmp). The kernel drops the lock when the process dies, so a crashed copy
// never blocks the next one.
#pragma once

#include <string>

class TInstanceLock {
public:
    // Tries to take the lock on <folder>/<Name>. A failure for any reason other than another holder
    // leaves the copy running without a guard.
    explicit TInstanceLock(const std::string& Name);
    ~TInstanceLock();
    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;

    // Another process holds the lock.
    bool AlreadyRunning() const noexcept { return FAlreadyRunning; }
    bool Held() const noexcept { return FHandle >= 0; }
    const std::string& Path() const noexcept { return FPath; }

private:
    int FHandle = -1;
    bool FAlreadyRunning = false;
    std::string FPath;
};

// $XDG_RUNTIME_DIR when set and not empty, else /tmp; without a trailing "/".
std::string InstanceFolder();
