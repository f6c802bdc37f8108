// The decoder library's entry points on a file of the fuzzer's bytes: open it, list its subtitle
// streams and have the first drawn into the frames (only its forced subpictures when the input's last
// byte is odd), read its frames, seek to the start, the end and the middle, and read again. Then a
// known video replaces it, as the next open does in the program, while its worker still decodes ahead.
#include "driver.h"

#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::OpenRestVideo();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = fuzz::ScratchFolder() / "input.vob";
    if (fuzz::WriteFile(path, data, size))
        fuzz::DriveVideo(path, 0, 0,
                         size > 0 && data[size - 1] % 2 ? fuzz::Subtitles::kFirstForcedOnly : fuzz::Subtitles::kFirst);
    return 0;
}
