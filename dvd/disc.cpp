#include "dvd/disc.h"

#include "dvd/audiostreams.h"
#include "dvd/discreader.h"
#include "dvd/programchain.h"
#include "dvd/subpictures.h"
#include "dvd/titlesource.h"

#include "common/hms.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <mutex>

namespace dvd {

namespace {

// Titles this close to the longest count as equally long: fake titles of copy-protected discs
// differ from the film by seconds.
constexpr double kNearEqual = 0.01;
// A title has at most nine angles: a navigation pack has room for no more, and a title that claims
// more offers the nine it can have.
constexpr int kMaxAngles = 9;

// Cells in strictly rising sector order: none played twice, none played back.
bool PlaysInOrder(const pgc_t& pgc, const std::vector<int>& cells)
{
    std::int64_t last = -1;
    for (int i : cells) {
        const std::int64_t first = pgc.cell_playback[i].first_sector;
        if (first <= last)
            return false;
        last = first;
    }
    return true;
}

TitleInfo Describe(DiscReader& reader, int number)
{
    const title_info_t& title = reader.Vmg().tt_srpt->title[number - 1];
    TitleInfo info;
    info.number = number;
    info.chapters = title.nr_of_ptts;
    info.angles = std::clamp<int>(title.nr_of_angles, 1, kMaxAngles);
    info.titleSet = title.title_set_nr;
    try {
        const vtsi_mat_t& attributes = *reader.TitleSet(title.title_set_nr).vtsi_mat;
        const video_attr_t& video = attributes.vts_video_attr;
        info.aspect = video.display_aspect_ratio == 3 ? Aspect::Wide : Aspect::FourThree;
        info.system = video.video_format == 1 ? TvSystem::Pal : TvSystem::Ntsc;
        const pgc_t& pgc = ProgramChain(reader, number);
        info.lengthMs = DvdTimeMs(pgc.playback_time);
        info.inOrder = PlaysInOrder(pgc, PlayedCells(pgc, 1));
        info.audio = AudioStreams(attributes, pgc);
        info.subtitles = SubpictureStreams(attributes, pgc, info.aspect == Aspect::Wide);
        info.palette = PaletteOf(pgc);
    } catch (const DiscError&) {
        // Listed without a length: the other titles stay usable, and opening this one says why not.
        info.inOrder = false;
    }
    return info;
}

}  // namespace

Disc::Disc(const std::string& path) : reader_(std::make_shared<DiscReader>(path))
{
    const int count = reader_->Vmg().tt_srpt->nr_of_srpts;
    for (int number = 1; number <= count; ++number)
        titles_.push_back(Describe(*reader_, number));
    if (titles_.empty())
        throw DiscError("the disc has no titles");
    mainTitle_ = MainTitleOf(titles_);
    name_ = reader_->Name();
    // A scrambled disc would read back as noise: it is refused here. Any other fault of the main
    // title is left for its opening to report, so the other titles stay listed.
    try {
        [[maybe_unused]] const TitleSource mainTitle(*this, mainTitle_, 1);
    } catch (const DiscError& e) {
        if (std::string(e.what()) == kEncryptedMessage)
            throw;
    }
}

Disc::~Disc() = default;

const TitleInfo& Disc::Title(int number) const
{
    if (number == 0)
        number = mainTitle_;
    if (number < 1 || number > static_cast<int>(titles_.size()))
        throw DiscError("title " + std::to_string(number) + " not found: the disc has " +
                        std::to_string(titles_.size()) + " titles");
    return titles_[static_cast<std::size_t>(number - 1)];
}

int MainTitleOf(const std::vector<TitleInfo>& titles)
{
    std::int64_t longest = 0;
    for (const TitleInfo& t : titles)
        longest = std::max(longest, t.lengthMs);
    const TitleInfo* best = nullptr;
    for (const TitleInfo& t : titles) {
        if (static_cast<double>(t.lengthMs) < static_cast<double>(longest) * (1.0 - kNearEqual))
            continue;
        if (!best || (t.inOrder && !best->inOrder) || (t.inOrder == best->inOrder && t.chapters > best->chapters))
            best = &t;
    }
    return best ? best->number : 0;
}

int Disc::Angle(int number, int angle) const
{
    const TitleInfo& info = Title(number);
    if (angle == 0)
        return 1;
    if (angle < 1 || angle > info.angles)
        throw DiscError("angle " + std::to_string(angle) + " not found: title " + std::to_string(info.number) +
                        " has " + std::to_string(info.angles) + (info.angles == 1 ? " angle" : " angles"));
    return angle;
}

std::vector<double> Disc::ChapterStarts(int number, int angle) const
{
    const TitleInfo& info = Title(number);
    angle = Angle(number, angle);
    std::lock_guard lock(reader_->Lock());
    return dvd::ChapterStarts(*reader_, info.number, angle);
}

bool IsDiscPath(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path p(path);
    if (fs::is_directory(p, error))
        return VideoTsFolder(p).has_value();
    std::string name = p.filename().string();
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (name == "VIDEO_TS.IFO" || name == "VIDEO_TS.BUP")
        return true;
    // A program stream has a pack header at every sector; an image has volume descriptors at 16.
    std::ifstream in(p, std::ios::binary);
    char id[5] = {};
    in.seekg(16 * kSectorSize + 1);
    if (!in.read(id, sizeof id))
        return false;
    const std::string text(id, sizeof id);
    return text == "CD001" || text == "BEA01" || text == "NSR02" || text == "NSR03";
}

std::string TitleVideoName(const Disc& disc, int title)
{
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "_T%02d", title);
    return disc.Name() + suffix;
}

std::string LengthText(std::int64_t lengthMs)
{
    return FormatHms(SplitSeconds(lengthMs / 1000), 1);
}

std::string AspectText(Aspect aspect)
{
    return aspect == Aspect::Wide ? "16:9" : "4:3";
}

}  // namespace dvd
