// Prints what the decoder library knows of a DVD video file: a quick look through the same
// binding the program uses.
#include "decoder/decoder.h"

#include <cstdio>
#include <string>

namespace {

void PrintInfo(TDecoder& decoder, const std::string& file)
{
    decoder.OpenFile(file, 0, 0);
    const TDecoderFileInfo& info = *decoder.FileInfo();
    std::printf("File:          %s\n", file.c_str());
    std::printf("Size:          %dx%d (frames %dx%d)\n", info.Width, info.Height, info.FrameWidth, info.FrameHeight);
    std::printf("Frame rate:    %.3f fps\n", info.Fps);
    std::printf("Aspect ratio:  %.4f\n", info.AspectRatio);
    std::printf("Duration:      %02d:%02d:%02d (%d s)\n", info.DurationHours, info.DurationMinutes,
                info.DurationSeconds, info.TotalSeconds);

    if (decoder.GetNextFrame())
        std::printf("First frame:   second %lld\n", static_cast<long long>(decoder.FrameInfo()->Timestamp));
    else
        std::printf("First frame:   none\n");

    const int middle = info.TotalSeconds / 2;
    decoder.Seek(middle);
    if (decoder.GetNextFrame())
        std::printf("Seek to %d s:   frame at second %lld\n", middle,
                    static_cast<long long>(decoder.FrameInfo()->Timestamp));
    else
        std::printf("Seek to %d s:   no frame\n", middle);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: vobinfo FILE.vob...\n");
        return 2;
    }
    int status = 0;
    try {
        TDecoder decoder;
        for (int i = 1; i < argc; ++i) {
            try {
                PrintInfo(decoder, argv[i]);
            } catch (const EMPEG2Error& e) {
                std::fprintf(stderr, "%s\n", e.Message().c_str());
                status = 1;
            }
            if (i + 1 < argc)
                std::printf("\n");
        }
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.Message().c_str());
        return 1;
    }
    return status;
}
