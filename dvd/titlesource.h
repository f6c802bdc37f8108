// One title (and angle) of a disc as one continuous run of bytes: its cells in play order, angle
// blocks resolved, across the title set's VOB files. Read at any offset, as a file would be.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace dvd {

class Disc;
class DiscReader;

class TitleSource {
public:
    // `number` 0 is the main title, `angle` 0 the first. Throws DiscError for a title or angle the
    // disc lacks, a title that cannot be read, and a scrambled (encrypted) title.
    TitleSource(const Disc& disc, int number, int angle);
    ~TitleSource();
    TitleSource(const TitleSource&) = delete;
    TitleSource& operator=(const TitleSource&) = delete;

    std::int64_t Size() const { return size_; }
    // Reads up to `count` bytes at `offset`; fewer only at the end of the title or on a read error.
    std::size_t ReadAt(std::int64_t offset, void* buffer, std::size_t count) const;
    // The cell that plays at `offset`, as its VOB and cell number (mpegps::CellId).
    int CellAt(std::int64_t offset) const;
    // The first byte after `offset` where a played cell begins, -1 where none does.
    std::int64_t CellStartAfter(std::int64_t offset) const;

private:
    // A run of sectors that plays straight through.
    struct Extent {
        std::int64_t firstSector = 0;
        std::int64_t sectors = 0;
        std::int64_t byteStart = 0;  // where it begins in the title's bytes
    };

    void AddSectors(std::int64_t first, std::int64_t count);
    // Adds the sectors of an interleaved cell that `angle` plays; false when that would read more
    // navigation packs than `navigationLeft`, which it counts down.
    bool FollowInterleaved(std::int64_t first, std::int64_t last, int angle, bool angleBlock,
                           std::int64_t& navigationLeft);
    void RefuseScrambled() const;
    // Makes the cache hold the sector at `offset` and, as far as it goes, the `want` bytes from
    // there; false when it cannot be read.
    bool Fill(std::int64_t offset, std::size_t want) const;

    std::shared_ptr<DiscReader> reader_;
    int titleSet_ = 0;
    std::vector<Extent> extents_;
    // Each played cell's first byte in the title and its id, in play order.
    std::vector<std::pair<std::int64_t, int>> cells_;
    std::int64_t size_ = 0;

    mutable std::vector<unsigned char> cache_;
    mutable std::int64_t cacheStart_ = 0;  // title byte offset of cache_[0]
    mutable std::int64_t cacheLength_ = 0;
};

}  // namespace dvd
