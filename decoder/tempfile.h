// A uniquely named file in the temporary folder, deleted together with its owner.
#pragma once

#include <string>

class TTempFile {
public:
    TTempFile() = default;
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;
    ~TTempFile();

    // Creates a new empty file named Prefix + a unique suffix in $TMPDIR, or /tmp without it;
    // raises EOSError when the file cannot be made.
    void Create(const std::string& Prefix);

    // Empty until Create succeeded.
    const std::string& Path() const noexcept { return FPath; }

private:
    std::string FPath;
};
