// damagegen: a damaged copy of a video, for benchmarks and for trying the program by hand.
//
//   damagegen IN OUT bytes COUNT SEED [FROM]    COUNT bytes changed at random from byte FROM on
//                                               (by default the first 64 KiB stay intact)
//   damagegen IN OUT sectors COUNT SEED [FROM]  COUNT 2048-byte sectors zeroed at random (likewise)
//
// The damage is the tests' own (damage.h): the same arguments give the same file.
#include "support/damage.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 6 && argc != 7) {
        std::fprintf(stderr, "usage: damagegen IN OUT bytes|sectors COUNT SEED [FROM]\n");
        return 2;
    }
    const std::string mode = argv[3];
    const std::size_t count = std::strtoull(argv[4], nullptr, 10);
    const std::uint64_t seed = std::strtoull(argv[5], nullptr, 10);
    const std::size_t from = argc == 7 ? std::strtoull(argv[6], nullptr, 10) : kIntactHead;
    try {
        std::vector<char> bytes = ReadFileBytes(argv[1]);
        if (mode == "bytes")
            ChangeBytes(bytes, count, seed, from);
        else if (mode == "sectors")
            ZeroScatteredSectors(bytes, count, seed, from);
        else {
            std::fprintf(stderr, "damagegen: unknown damage '%s'\n", mode.c_str());
            return 2;
        }
        WriteFileBytes(argv[2], bytes);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "damagegen: %s\n", e.what());
        return 1;
    }
    return 0;
}
