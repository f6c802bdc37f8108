// Seeded damage to a video's bytes, as a scratched disc or a bad rip leaves it. The same seed gives
// the same damage on every machine, so a test and a benchmark can name the file they used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// DVD sectors, and the pack size of a program stream.
inline constexpr std::size_t kSectorSize = 2048;
// Damage spares the start of a file, where its headers are; players need them too.
inline constexpr std::size_t kIntactHead = 64 * 1024;

// Changes `count` bytes at random offsets in [from, to) (clamped to the data) to other values.
void ChangeBytes(std::vector<char>& bytes, std::size_t count, std::uint64_t seed, std::size_t from = kIntactHead,
                 std::size_t to = SIZE_MAX);
// Zeroes `count` whole sectors at random, none in the first `from` bytes.
void ZeroScatteredSectors(std::vector<char>& bytes, std::size_t count, std::uint64_t seed,
                          std::size_t from = kIntactHead);
// Zeroes `count` consecutive sectors from sector `first`.
void ZeroSectorRun(std::vector<char>& bytes, std::size_t first, std::size_t count);

std::vector<char> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<char>& bytes);
