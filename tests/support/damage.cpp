#include "support/damage.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace {

// mt19937_64's sequence is fixed by the standard; the distributions are not, so none is used.
std::size_t Below(std::mt19937_64& random, std::size_t n)
{
    return static_cast<std::size_t>(random() % n);
}

}  // namespace

void ChangeBytes(std::vector<char>& bytes, std::size_t count, std::uint64_t seed, std::size_t from, std::size_t to)
{
    to = std::min(to, bytes.size());
    if (from >= to)
        return;
    std::mt19937_64 random(seed);
    for (std::size_t i = 0; i < count; ++i) {
        char& b = bytes[from + Below(random, to - from)];
        // Adding 1..255 always changes the byte.
        b = static_cast<char>(static_cast<unsigned char>(b) + 1 + Below(random, 255));
    }
}

void ZeroScatteredSectors(std::vector<char>& bytes, std::size_t count, std::uint64_t seed, std::size_t from)
{
    const std::size_t first = (from + kSectorSize - 1) / kSectorSize;
    const std::size_t sectors = bytes.size() / kSectorSize;
    if (first >= sectors)
        return;
    std::mt19937_64 random(seed);
    for (std::size_t i = 0; i < count; ++i)
        ZeroSectorRun(bytes, first + Below(random, sectors - first), 1);
}

void ZeroSectorRun(std::vector<char>& bytes, std::size_t first, std::size_t count)
{
    const std::size_t begin = std::min(first * kSectorSize, bytes.size());
    const std::size_t end = std::min((first + count) * kSectorSize, bytes.size());
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(begin), bytes.begin() + static_cast<std::ptrdiff_t>(end), 0);
}

std::vector<char> ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::string& path, const std::vector<char>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}
