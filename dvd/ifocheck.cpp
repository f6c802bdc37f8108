#include "dvd/ifocheck.h"

#include <dvdread/dvd_reader.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <vector>

namespace dvd {

namespace {

constexpr std::uint32_t kSectorBytes = 2048;
// The tables' places in a main menu's information (VIDEO_TS.IFO)...
constexpr std::size_t kFirstPlayChain = 0x84;
constexpr std::size_t kTitleTable = 0xC4;
constexpr std::size_t kMainMenus = 0xC8;
constexpr std::size_t kMainMenuCells = 0xD8;
// ... and in a title set's (VTS_nn_0.IFO), as sector numbers.
constexpr std::size_t kChapterTable = 0xC8;
constexpr std::size_t kChainTable = 0xCC;
constexpr std::size_t kSetMenus = 0xD0;
constexpr std::size_t kSetMenuCells = 0xD8;
constexpr std::size_t kTitleCells = 0xE0;
constexpr std::size_t kHeadBytes = 0xE4;
// A program chain: its counts, and its tables' offsets from its start.
constexpr std::size_t kChainBytes = 236;
constexpr std::size_t kPrograms = 2;
constexpr std::size_t kCells = 3;
constexpr std::size_t kCommandTable = 0xE4;
constexpr std::size_t kProgramMap = 0xE6;
constexpr std::size_t kCellPlayback = 0xE8;
constexpr std::size_t kCellPosition = 0xEA;
constexpr std::uint32_t kCellPlaybackBytes = 24;
constexpr std::uint32_t kCellPositionBytes = 4;
constexpr std::uint32_t kCommandBytes = 8;
// Every table opens with an 8-byte header; search pointers and language units are 8 bytes.
constexpr std::uint32_t kHeaderBytes = 8;
constexpr std::uint32_t kPointerBytes = 8;
constexpr std::size_t kPointerStart = 4;
constexpr std::size_t kTableLength = 4;  // the offset of its last byte, in the header
// The most bytes one read can take: 2^21 - 1 sectors, whose count in bytes still fits in 32 bits.
constexpr std::uint64_t kLargestRead = 0xFFFFF800;

std::uint32_t BigEndian(const unsigned char* bytes, int length)
{
    std::uint32_t value = 0;
    for (int i = 0; i < length; ++i)
        value = value << 8 | bytes[i];
    return value;
}

// The file as libdvdread reads it: whole sectors, at offsets it reckons in 32 bits and seeks to as
// an int.
class Information {
public:
    explicit Information(dvd_file_s& file)
        : file_(file), size_(static_cast<std::uint64_t>(std::max<ssize_t>(DVDFileSize(&file), 0)) * kSectorBytes)
    {
    }

    std::uint64_t Size() const { return size_; }
    bool Fits(std::uint32_t offset, std::uint64_t length) const
    {
        return offset <= INT32_MAX && offset + length <= size_;
    }
    bool Read(std::uint32_t offset, unsigned char* out, std::size_t length) const
    {
        const auto at = static_cast<std::int32_t>(offset);
        return Fits(offset, length) && DVDFileSeek(&file_, at) == at &&
            DVDReadBytes(&file_, out, length) == static_cast<ssize_t>(length);
    }
    template <std::size_t N>
    bool Read(std::uint32_t offset, std::array<unsigned char, N>& out) const
    {
        return Read(offset, out.data(), N);
    }

private:
    dvd_file_s& file_;
    std::uint64_t size_;
};

enum class Reads { None, Partly, Whole };

// A command table: its header, then its commands.
Reads CommandTableReads(const Information& ifo, std::uint32_t offset)
{
    std::array<unsigned char, kHeaderBytes> header{};
    if (!ifo.Read(offset, header))
        return Reads::None;
    const std::uint64_t commands = BigEndian(&header[0], 2) + BigEndian(&header[2], 2) + BigEndian(&header[4], 2);
    return ifo.Fits(offset + kHeaderBytes, commands * kCommandBytes) ? Reads::Whole : Reads::Partly;
}

// A program chain and each table it has.
bool ChainReads(const Information& ifo, std::uint32_t offset)
{
    std::array<unsigned char, kChainBytes> chain{};
    if (!ifo.Read(offset, chain))
        return false;
    const std::uint32_t programs = chain[kPrograms];
    const std::uint32_t cells = chain[kCells];
    const auto table = [&](std::size_t at) { return offset + BigEndian(&chain[at], 2); };
    const auto has = [&](std::size_t at, std::uint32_t count) { return BigEndian(&chain[at], 2) != 0 && count > 0; };
    return (BigEndian(&chain[kCommandTable], 2) == 0 || CommandTableReads(ifo, table(kCommandTable)) == Reads::Whole) &&
        (!has(kProgramMap, programs) || ifo.Fits(table(kProgramMap), programs)) &&
        (!has(kCellPlayback, cells) || ifo.Fits(table(kCellPlayback), cells * kCellPlaybackBytes)) &&
        (!has(kCellPosition, cells) || ifo.Fits(table(kCellPosition), cells * kCellPositionBytes));
}

// A table of program chains. Search pointers that share a chain share what was read of it, a null
// when it failed to read, which libdvdread then follows. A menu's table whose pointers do not read
// is freed as if they had.
bool ChainTableUnsafe(const Information& ifo, std::uint32_t offset, bool menu)
{
    std::array<unsigned char, kHeaderBytes> header{};
    if (!ifo.Read(offset, header))
        return false;
    const std::uint32_t count = BigEndian(&header[0], 2);
    if (count == 0)
        return false;
    std::vector<unsigned char> pointers(count * kPointerBytes);
    if (!ifo.Read(offset + kHeaderBytes, pointers.data(), pointers.size()))
        return menu;
    std::map<std::uint32_t, bool> chains;  // by start, whether it reads
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t start = BigEndian(&pointers[i * kPointerBytes + kPointerStart], 4);
        const auto [chain, first] = chains.try_emplace(start, false);
        if (first)
            chain->second = ChainReads(ifo, offset + start);
        else if (!chain->second)
            return true;
    }
    return false;
}

// The menus: a table per language, each a table of program chains.
bool MenusUnsafe(const Information& ifo, std::uint32_t sector)
{
    const std::uint32_t offset = sector * kSectorBytes;
    std::array<unsigned char, kHeaderBytes> header{};
    if (sector == 0 || !ifo.Read(offset, header))
        return false;
    std::vector<unsigned char> units(BigEndian(&header[0], 2) * kPointerBytes);
    if (!ifo.Read(offset + kHeaderBytes, units.data(), units.size()))
        return false;
    std::set<std::uint32_t> read;  // languages share a table by its start
    for (std::size_t at = 0; at < units.size(); at += kPointerBytes) {
        const std::uint32_t start = BigEndian(&units[at + kPointerStart], 4);
        if (read.insert(start).second && ChainTableUnsafe(ifo, offset + start, true))
            return true;
    }
    return false;
}

// The chapter table: offsets, from the table's start, of each title's chapters. libdvdread reads a
// title's chapters from its offset less the header, before its buffer when the offset is in the header.
bool ChapterTableUnsafe(const Information& ifo, std::uint32_t sector)
{
    const std::uint32_t offset = sector * kSectorBytes;
    std::array<unsigned char, kHeaderBytes> header{};
    if (sector == 0 || !ifo.Read(offset, header))
        return false;
    const std::uint32_t count = BigEndian(&header[0], 2);
    std::uint32_t last = BigEndian(&header[4], 4);
    if (last == 0)
        last = static_cast<std::uint32_t>(count * 4 - 1 + kHeaderBytes);
    const auto length = static_cast<std::int32_t>(last + 1 - kHeaderBytes);
    if (length <= 0 || !ifo.Fits(offset + kHeaderBytes, static_cast<std::uint64_t>(length)))
        return false;
    std::vector<unsigned char> data(static_cast<std::size_t>(length));
    if (!ifo.Read(offset + kHeaderBytes, data.data(), data.size()) || count == 0 || count > data.size() / 4)
        return false;
    std::vector<std::uint32_t> starts;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t start = BigEndian(&data[4 * i], 4);
        if (std::uint64_t{start} + 4 > std::uint64_t{static_cast<std::uint32_t>(last + 1)})
            break;
        starts.push_back(start);
    }
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const std::uint32_t end = i + 1 < starts.size() ? starts[i + 1] : last + 1;
        const auto chapterBytes = static_cast<std::int32_t>(end - starts[i]);
        if (chapterBytes >= 4 && starts[i] < kHeaderBytes)
            return true;
    }
    return false;
}

// The title table and the cell address tables are read whole, after their header, as long as their
// header says (a title table's 0 meaning as long as its count). libdvdread reckons the bytes of its
// buffer for a read in 32 bits: nearly 4 GiB, or a cell address table's 0 less its header, comes
// round to a few bytes, and the read runs on past them.
bool ReadOverruns(const Information& ifo, std::uint32_t sector, bool zeroIsCounted)
{
    std::array<unsigned char, kHeaderBytes> header{};
    if (sector == 0 || !ifo.Read(sector * kSectorBytes, header))
        return false;
    const std::uint32_t last = BigEndian(&header[kTableLength], 4);
    const std::uint32_t length = last + 1 - kHeaderBytes;
    return !(last == 0 && zeroIsCounted) && kHeaderBytes + std::uint64_t{length} > kLargestRead;
}

}  // namespace

bool ReadsUnsafely(dvd_file_s& file)
{
    const Information ifo(file);
    std::array<unsigned char, kHeadBytes> head{};
    if (!ifo.Read(0, head))
        return false;
    const auto sectorAt = [&](std::size_t at) { return BigEndian(&head[at], 4); };
    if (std::memcmp(head.data(), "DVDVIDEO-VMG", 12) == 0) {
        // The first-play chain's commands, read but for the last, are freed twice with the chain;
        // a title table right at the end is sought but not read, and freed twice with the handle.
        const std::uint32_t firstPlay = sectorAt(kFirstPlayChain);
        std::array<unsigned char, kChainBytes> chain{};
        if (firstPlay != 0 && ifo.Read(firstPlay, chain) && BigEndian(&chain[kCommandTable], 2) != 0 &&
            CommandTableReads(ifo, firstPlay + BigEndian(&chain[kCommandTable], 2)) == Reads::Partly)
            return true;
        const std::uint32_t titles = sectorAt(kTitleTable);
        return (titles != 0 && titles * kSectorBytes == ifo.Size()) || ReadOverruns(ifo, titles, true) ||
            MenusUnsafe(ifo, sectorAt(kMainMenus)) || ReadOverruns(ifo, sectorAt(kMainMenuCells), false);
    }
    if (std::memcmp(head.data(), "DVDVIDEO-VTS", 12) == 0)
        return ChapterTableUnsafe(ifo, sectorAt(kChapterTable)) ||
            ChainTableUnsafe(ifo, sectorAt(kChainTable) * kSectorBytes, false) ||
            MenusUnsafe(ifo, sectorAt(kSetMenus)) || ReadOverruns(ifo, sectorAt(kSetMenuCells), false) ||
            ReadOverruns(ifo, sectorAt(kTitleCells), false);
    return false;
}

}  // namespace dvd
