#include "dvd/titlesource.h"

#include "dvd/disc.h"
#include "dvd/discreader.h"
#include "dvd/programchain.h"

#include "mpeg/mpegps.h"

#include <dvdread/nav_read.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace dvd {

namespace {

// The most sectors read at once; a read asks for no more than its caller wants, so the probes of a
// seek's bisection do not pay for sectors they never look at.
constexpr std::int64_t kCacheSectors = 128;
// An encrypted title is scrambled from its start on; this many sectors hold hundreds of packs.
constexpr std::int64_t kScrambleScan = 1000;
// The interleaved-unit bits of a DSI's seamless category.
constexpr std::uint16_t kIlvuBlock = 1 << 14;
constexpr std::uint16_t kIlvuLast = 1 << 12;
// A DSI address: a sector count from the navigation pack, backwards with the top bit; all
// other bits set, it points nowhere.
constexpr std::uint32_t kNoAddress = 0x7fffffff;
constexpr std::uint32_t kBackward = 0x80000000;
constexpr std::uint32_t kAddressMask = 0x3fffffff;

// A VOBU's first pack: a system header, then the PCI and the DSI as private stream 2.
bool IsNavigationPack(const unsigned char* s)
{
    return mpegps::IsStartCode(s + mpegps::kNavSystemHeader, mpegps::kSystemHeader) &&
        mpegps::IsStartCode(s + mpegps::kNavDsiPacket, mpegps::kPrivateStream2) &&
        mpegps::Substream(s + mpegps::kNavDsiPacket) == mpegps::kDsiSubstream;
}

}  // namespace

TitleSource::TitleSource(const Disc& disc, int number, int angle) : reader_(disc.Reader())
{
    const TitleInfo& info = disc.Title(number);
    angle = disc.Angle(number, angle);
    titleSet_ = info.titleSet;
    std::lock_guard lock(reader_->Lock());
    const pgc_t& pgc = ProgramChain(*reader_, info.number);
    const std::int64_t setSectors = reader_->TitleSetSectors(titleSet_);
    const std::string damaged = "title " + std::to_string(info.number) + " is damaged: ";
    // A title whose cells do not overlap reads each navigation pack once at most, fewer than its files
    // have sectors. Overlapping cells whose every sector is a navigation pack would read every sector
    // once for each cell: a hang, on a disc of gigabytes.
    std::int64_t navigationLeft = setSectors;
    for (int i : PlayedCells(pgc, angle)) {
        const cell_playback_t& cell = pgc.cell_playback[i];
        if (cell.last_sector < cell.first_sector || cell.last_sector >= setSectors)
            throw DiscError(damaged + "a cell lies outside its files");
        cells_.emplace_back(
            size_,
            pgc.cell_position ? mpegps::CellId(pgc.cell_position[i].vob_id_nr, pgc.cell_position[i].cell_nr) : -1);
        if (!cell.interleaved)
            AddSectors(cell.first_sector, cell.last_sector - cell.first_sector + 1);
        else if (!FollowInterleaved(cell.first_sector, cell.last_sector, angle,
                                    cell.block_type == BLOCK_TYPE_ANGLE_BLOCK, navigationLeft))
            throw DiscError(damaged + "its interleaved cells cover its files over and over");
    }
    if (size_ == 0)
        throw DiscError("title " + std::to_string(info.number) + " holds no video");
    RefuseScrambled();
}

TitleSource::~TitleSource() = default;

void TitleSource::AddSectors(std::int64_t first, std::int64_t count)
{
    if (!extents_.empty() && extents_.back().firstSector + extents_.back().sectors == first)
        extents_.back().sectors += count;
    else
        extents_.push_back({first, count, size_});
    size_ += count * kSectorSize;
}

// The units of several angles (or of several titles sharing a stretch) lie interleaved inside the
// cell, so reading it straight through would mix them. The navigation pack that opens each VOBU
// says where the VOBU ends and, at the end of a unit, where the next unit of this angle begins.
bool TitleSource::FollowInterleaved(std::int64_t first, std::int64_t last, int angle, bool angleBlock,
                                    std::int64_t& navigationLeft)
{
    std::vector<unsigned char> nav(kSectorSize);
    std::int64_t pos = first;
    while (pos <= last) {
        if (navigationLeft-- == 0)
            return false;
        reader_->ReadSectors(titleSet_, pos, 1, nav.data());
        if (!IsNavigationPack(nav.data())) {
            // Damaged navigation: the rest of the cell is taken as it lies rather than guessed at.
            AddSectors(pos, last - pos + 1);
            return true;
        }
        dsi_t dsi{};
        navRead_DSI(&dsi, nav.data() + mpegps::kNavDsi);
        const std::int64_t end = std::min<std::int64_t>(pos + dsi.dsi_gi.vobu_ea, last);
        AddSectors(pos, end - pos + 1);
        const bool unitEnds = (dsi.sml_pbi.category & (kIlvuBlock | kIlvuLast)) == (kIlvuBlock | kIlvuLast);
        if (!unitEnds) {
            pos = end + 1;
            continue;
        }
        std::uint32_t next = angleBlock ? dsi.sml_agli.data[angle - 1].address : 0;
        if (next == 0)
            next = dsi.sml_pbi.ilvu_sa;
        if (next == 0 || (next & kNoAddress) == kNoAddress)
            return true;
        const std::int64_t step = next & kAddressMask;
        const std::int64_t target = (next & kBackward) ? pos - step : pos + step;
        if (target <= end)
            return true;  // a loop back would never end
        pos = target;
    }
    return true;
}

void TitleSource::RefuseScrambled() const
{
    const std::int64_t scanEnd = std::min(size_, kScrambleScan * kSectorSize);
    for (std::int64_t offset = 0; offset < scanEnd; offset += kSectorSize) {
        if (!Fill(offset, static_cast<std::size_t>(scanEnd - offset)))
            return;
        if (IsScrambled(cache_.data() + (offset - cacheStart_)))
            throw DiscError(kEncryptedMessage);
    }
}

bool TitleSource::Fill(std::int64_t offset, std::size_t want) const
{
    if (offset >= cacheStart_ && offset < cacheStart_ + cacheLength_)
        return true;
    auto it = std::upper_bound(extents_.begin(), extents_.end(), offset,
                               [](std::int64_t o, const Extent& e) { return o < e.byteStart; });
    const Extent& e = *std::prev(it);
    const std::int64_t sectorInExtent = (offset - e.byteStart) / kSectorSize;
    const std::int64_t wanted =
        (offset % kSectorSize + static_cast<std::int64_t>(want) + kSectorSize - 1) / kSectorSize;
    const std::int64_t count = std::min({kCacheSectors, wanted, e.sectors - sectorInExtent});
    cache_.resize(static_cast<std::size_t>(kCacheSectors * kSectorSize));
    cacheLength_ = 0;
    try {
        reader_->ReadSectors(titleSet_, e.firstSector + sectorInExtent, count, cache_.data());
    } catch (const DiscError&) {
        return false;
    }
    cacheStart_ = e.byteStart + sectorInExtent * kSectorSize;
    cacheLength_ = count * kSectorSize;
    return true;
}

namespace {

bool StartsAfter(std::int64_t offset, const std::pair<std::int64_t, int>& cell)
{
    return offset < cell.first;
}

}  // namespace

std::int64_t TitleSource::CellStartAfter(std::int64_t offset) const
{
    const auto after = std::upper_bound(cells_.begin(), cells_.end(), offset, StartsAfter);
    return after == cells_.end() ? -1 : after->first;
}

int TitleSource::CellAt(std::int64_t offset) const
{
    const auto after = std::upper_bound(cells_.begin(), cells_.end(), offset, StartsAfter);
    return after == cells_.begin() ? -1 : std::prev(after)->second;
}

std::size_t TitleSource::ReadAt(std::int64_t offset, void* buffer, std::size_t count) const
{
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    std::lock_guard lock(reader_->Lock());
    while (done < count && offset < size_ && offset >= 0) {
        if (!Fill(offset, count - done))
            break;
        const std::int64_t available = cacheStart_ + cacheLength_ - offset;
        const std::size_t n = std::min(count - done, static_cast<std::size_t>(available));
        std::memcpy(out + done, cache_.data() + (offset - cacheStart_), n);
        done += n;
        offset += static_cast<std::int64_t>(n);
    }
    return done;
}

}  // namespace dvd
