// A DVD made of the fuzzer's bytes, listed and read as the program does: every title and angle, its
// chapter starts and its run of bytes (start, middle and end), then the main title through the
// decoder library's entry points. An input that is a disc image by its volume descriptors is opened
// as one; any other is laid out as a VIDEO_TS folder: a header of three little-endian 32-bit numbers
// (the sizes of VIDEO_TS.IFO and VTS_01_0.IFO, and the sectors of VTS_01_1.VOB), the two information
// files, then the title set's video in whole sectors, those past the first part's in VTS_01_2.VOB.
#include "driver.h"

#include "dvd/disc.h"
#include "dvd/titlesource.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kHeaderBytes = 12;
constexpr std::size_t kSectorBytes = 2048;
// Title sources opened for one input: a hostile title table may list thousands of titles, and every
// one is read the same way.
constexpr int kMaxSources = 200;
constexpr std::size_t kReadBytes = 64 * 1024;

std::uint32_t LittleEndian(const std::uint8_t* p)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | p[i];
    return value;
}

// The folder for the input, or an empty path when it cannot be written.
fs::path LayOutFolder(const fs::path& root, const std::uint8_t* data, std::size_t size)
{
    const fs::path videoTs = root / "disc" / "VIDEO_TS";
    std::error_code error;
    fs::remove_all(videoTs, error);
    fs::create_directories(videoTs, error);
    if (error || size < kHeaderBytes)
        return {};
    const std::uint8_t* rest = data + kHeaderBytes;
    std::size_t left = size - kHeaderBytes;
    auto take = [&](std::size_t want) {
        const std::size_t n = std::min(want, left);
        const std::uint8_t* at = rest;
        rest += n;
        left -= n;
        return std::pair{at, n};
    };
    const auto [vmg, vmgSize] = take(LittleEndian(data));
    const auto [vts, vtsSize] = take(LittleEndian(data + 4));
    const std::size_t sectors = left / kSectorBytes;
    std::size_t firstPart = LittleEndian(data + 8);
    if (firstPart == 0 || firstPart > sectors)
        firstPart = sectors;
    const bool written = fuzz::WriteFile(videoTs / "VIDEO_TS.IFO", vmg, vmgSize) &&
        fuzz::WriteFile(videoTs / "VTS_01_0.IFO", vts, vtsSize) &&
        fuzz::WriteFile(videoTs / "VTS_01_1.VOB", rest, firstPart * kSectorBytes) &&
        (firstPart == sectors ||
         fuzz::WriteFile(videoTs / "VTS_01_2.VOB", rest + firstPart * kSectorBytes,
                         (sectors - firstPart) * kSectorBytes));
    return written ? videoTs.parent_path() : fs::path{};
}

// Reckons a title's chapter starts and reads its start, middle and end; a read never gives more than
// asked, nor anything past the end.
void ReadTitle(const dvd::Disc& disc, int number, int angle)
{
    try {
        disc.ChapterStarts(number, angle);
    } catch (const dvd::DiscError&) {
        // Chapters the information puts nowhere are refused; the title may still read.
    }
    try {
        const dvd::TitleSource source(disc, number, angle);
        const std::int64_t size = source.Size();
        const auto chunk = static_cast<std::int64_t>(kReadBytes);
        std::vector<unsigned char> buffer(kReadBytes);
        for (const std::int64_t offset : {std::int64_t{0}, size / 2, std::max<std::int64_t>(size - chunk, 0), size}) {
            const std::size_t n = source.ReadAt(offset, buffer.data(), buffer.size());
            if (static_cast<std::int64_t>(n) > std::min(chunk, size - offset))
                __builtin_trap();
        }
    } catch (const dvd::DiscError&) {
        // A title the disc describes wrongly is refused with its reason; listing goes on.
    }
}

void ListAndReadTitles(const fs::path& path)
{
    try {
        const dvd::Disc disc(path);
        int sources = 0;
        for (const dvd::TitleInfo& title : disc.Titles()) {
            for (int angle = 1; angle <= title.angles; ++angle) {
                if (++sources > kMaxSources)
                    return;
                ReadTitle(disc, title.number, angle);
            }
        }
    } catch (const dvd::DiscError&) {
        // Not a disc that can be listed: the program says why and opens nothing.
    }
}

}  // namespace

// libdvdread sizes some tables by a length field less their header, and a short field asks calloc for
// nearly 2^64 bytes; it checks for the null that calloc returns outside the sanitizer too. (A length
// field up to 4 GiB is asked for as it is, hence the run's -malloc_limit_mb=4096.)
extern "C" const char* __asan_default_options()
{
    return "allocator_may_return_null=1";
}

// libdvdread 6.1 frees a program chain it failed to read without the tables it had read for it, a few
// bytes each; what it allocates has no frames of ours to tell its leaks from others, so none of its
// allocations count. Ours are freed through owners.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdvdread.so\n";
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::OpenRestVideo();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fs::path& root = fuzz::ScratchFolder();
    fs::path disc = root / "disc.iso";
    if (!fuzz::WriteFile(disc, data, size))
        return 0;
    if (!dvd::IsDiscPath(disc))
        disc = LayOutFolder(root, data, size);
    if (disc.empty())
        return 0;
    ListAndReadTitles(disc);
    fuzz::DriveVideo(disc, 0, 0);
    return 0;
}
