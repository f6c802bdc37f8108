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

// A title's chapters: its entry in the title set's part-of-title table.
struct TitleChapters {
    const ifo_handle_t& vts;
    const ttu_t& unit;
};

TitleChapters ChaptersOf(DiscReader& reader, int number)
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
    return {vts, unit};
}

// A span of DVD time in whole frames at each rate: a sum over many cells stays exact.
struct Frames {
    std::int64_t pal = 0;
    std::int64_t ntsc = 0;

    void Add(const dvd_time_t& time)
    {
        const std::int64_t seconds = (FromBcd(time.hour) * 60 + FromBcd(time.minute)) * 60 + FromBcd(time.second);
        const int frames = FromBcd(time.frame_u & 0x3f);
        if ((time.frame_u >> 6) == 3)
            ntsc += seconds * 30 + frames;
        else
            pal += seconds * 25 + frames;
    }
    double Seconds() const { return static_cast<double>(pal) / 25.0 + static_cast<double>(ntsc) * 1001.0 / 30000.0; }
};

}  // namespace

const pgc_t& ProgramChain(DiscReader& reader, int number)
{
    const auto [vts, unit] = ChaptersOf(reader, number);
    const int pgcn = unit.ptt[0].pgcn;
    if (pgcn < 1 || pgcn > vts.vts_pgcit->nr_of_pgci_srp || !vts.vts_pgcit->pgci_srp[pgcn - 1].pgc)
        Damaged(number);
    const pgc_t& pgc = *vts.vts_pgcit->pgci_srp[pgcn - 1].pgc;
    if (pgc.nr_of_cells < 1 || !pgc.cell_playback)
        Damaged(number);
    return pgc;
}

std::vector<double> ChapterStarts(DiscReader& reader, int number, int angle)
{
    const pgc_t& pgc = ProgramChain(reader, number);
    const ttu_t& unit = ChaptersOf(reader, number).unit;
    const int chapters = reader.Vmg().tt_srpt->title[number - 1].nr_of_ptts;
    const std::vector<int> played = PlayedCells(pgc, angle);
    std::vector<double> starts;
    for (int chapter = 1; chapter <= chapters; ++chapter) {
        const auto pointsNowhere = [&] {
            return DiscError("title " + std::to_string(number) + " is damaged: chapter " + std::to_string(chapter) +
                             " points to no cell");
        };
        if (chapter > unit.nr_of_ptts)
            throw pointsNowhere();
        const ptt_info_t& part = unit.ptt[chapter - 1];
        if (part.pgcn != unit.ptt[0].pgcn)
            break;
        if (!pgc.program_map || part.pgn < 1 || part.pgn > pgc.nr_of_programs)
            throw pointsNowhere();
        const int cell = pgc.program_map[part.pgn - 1];
        if (cell < 1 || cell > pgc.nr_of_cells)
            throw pointsNowhere();
        // Played cells rise in number, an angle block's as the angle's own cell: those below the
        // chapter's first cell play before it.
        Frames before;
        for (const int i : played) {
            if (i >= cell - 1)
                break;
            before.Add(pgc.cell_playback[i].playback_time);
        }
        starts.push_back(before.Seconds());
    }
    return starts;
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
