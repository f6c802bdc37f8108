#include "dvd/programchain.h"

#include "dvd/disc.h"
#include "dvd/discreader.h"

#include <cmath>

namespace dvd {

namespace {

int FromBcd(std::uint8_t value)
{
    return (value >> 4) * 10 + (value & 0x0f);
}

[[noreturn]] void Damaged(int number)
{
    throw DiscError("title " + std::to_string(number) + " is damaged: its information does not describe it");
}

}  // namespace

const pgc_t& ProgramChain(DiscReader& reader, int number)
{
    const tt_srpt_t& titles = *reader.Vmg().tt_srpt;
    if (number < 1 || number > titles.nr_of_srpts)
        Damaged(number);
    const title_info_t& title = titles.title[number - 1];
    const ifo_handle_t& vts = reader.TitleSet(title.title_set_nr);
    const vts_ptt_srpt_t& parts = *vts.vts_ptt_srpt;
    if (title.vts_ttn < 1 || title.vts_ttn > parts.nr_of_srpts)
        Damaged(number);
    const ttu_t& unit = parts.title[title.vts_ttn - 1];
    if (unit.nr_of_ptts < 1)
        Damaged(number);
    const int pgcn = unit.ptt[0].pgcn;
    if (pgcn < 1 || pgcn > vts.vts_pgcit->nr_of_pgci_srp || !vts.vts_pgcit->pgci_srp[pgcn - 1].pgc)
        Damaged(number);
    const pgc_t& pgc = *vts.vts_pgcit->pgci_srp[pgcn - 1].pgc;
    if (pgc.nr_of_cells < 1 || !pgc.cell_playback)
        Damaged(number);
    return pgc;
}

std::vector<int> PlayedCells(const pgc_t& pgc, int angle)
{
    std::vector<int> cells;
    int first = 0;
    if (pgc.nr_of_programs > 0 && pgc.program_map && pgc.program_map[0] >= 1)
        first = pgc.program_map[0] - 1;
    for (int i = first; i < pgc.nr_of_cells;) {
        const cell_playback_t& cell = pgc.cell_playback[i];
        if (cell.block_type != BLOCK_TYPE_ANGLE_BLOCK) {
            cells.push_back(i++);
            continue;
        }
        // The block runs from its first cell to the one marked last.
        int end = i + 1;
        while (end < pgc.nr_of_cells && pgc.cell_playback[end].block_type == BLOCK_TYPE_ANGLE_BLOCK &&
               pgc.cell_playback[end - 1].block_mode != BLOCK_MODE_LAST_CELL &&
               pgc.cell_playback[end].block_mode != BLOCK_MODE_FIRST_CELL)
            ++end;
        cells.push_back(angle >= 1 && angle <= end - i ? i + angle - 1 : i);
        i = end;
    }
    return cells;
}

std::int64_t DvdTimeMs(const dvd_time_t& time)
{
    const std::int64_t seconds = (FromBcd(time.hour) * 60 + FromBcd(time.minute)) * 60 + FromBcd(time.second);
    const double fps = (time.frame_u >> 6) == 3 ? 30000.0 / 1001.0 : 25.0;
    const int frames = FromBcd(time.frame_u & 0x3f);
    return seconds * 1000 + std::llround(frames * 1000.0 / fps);
}

}  // namespace dvd
