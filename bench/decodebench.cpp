// Measures the decoder library through its binding: opening a file, decoding all of it, and
// exact seeks spread over it. Prints one "key value" line per figure for bench/decode.
#include "decoder/decoder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Peak resident memory of this process so far, in MiB.
double PeakResidentMiB()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            double kib = 0;
            status >> kib;
            return kib / 1024.0;
        }
        status.ignore(4096, '\n');
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || (std::string(argv[1]) != "open" && std::string(argv[1]) != "decode")) {
        std::fprintf(stderr, "usage: bench_decode open|decode FILE.vob\n");
        return 2;
    }
    const std::string mode = argv[1];
    try {
        TDecoder decoder;
        const Clock::time_point openStart = Clock::now();
        decoder.OpenFile(argv[2], 0, 0);
        std::printf("open_ms %.1f\n", MillisecondsSince(openStart));
        std::printf("total_seconds %d\n", decoder.FileInfo()->TotalSeconds);

        if (mode == "decode") {
            const Clock::time_point decodeStart = Clock::now();
            long frames = 0;
            while (decoder.GetNextFrame())
                ++frames;
            const double ms = MillisecondsSince(decodeStart);
            std::printf("frames %ld\n", frames);
            std::printf("decode_fps %.1f\n", static_cast<double>(frames) * 1000.0 / ms);
        }

        // Twelve seconds spread over the file, visited out of order so that each seek is a
        // real jump, each followed by its frame.
        const int total = decoder.FileInfo()->TotalSeconds;
        std::vector<double> seekMs;
        for (int i : {6, 1, 9, 3, 11, 0, 7, 4, 10, 2, 8, 5}) {
            const int second = total * i / 12;
            const Clock::time_point seekStart = Clock::now();
            decoder.Seek(second);
            PDecodedFrame frame = decoder.GetNextFrame();
            seekMs.push_back(MillisecondsSince(seekStart));
            if (!frame || decoder.FrameInfo()->Timestamp != second) {
                std::fprintf(stderr, "seek to %d s did not land on that second\n", second);
                return 1;
            }
        }
        std::sort(seekMs.begin(), seekMs.end());
        std::printf("seek_median_ms %.2f\n", (seekMs[5] + seekMs[6]) / 2);
        std::printf("peak_rss_mib %.1f\n", PeakResidentMiB());
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.Message().c_str());
        return 1;
    }
    return 0;
}
