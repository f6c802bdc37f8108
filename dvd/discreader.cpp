#include "dvd/discreader.h"

#include "dvd/disc.h"
#include "dvd/ifocheck.h"

#include "mpeg/mpegps.h"

#include <dvdread/dvd_reader.h>
#include <dvdread/dvd_udf.h>
#include <dvdread/ifo_read.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

namespace dvd {

namespace fs = std::filesystem;

namespace {

// One DVDReadBlocks across several parts of a folder returns short, so reads are capped and looped.
constexpr std::int64_t kMaxReadSectors = 512;
// A title set's video is VTS_nn_1.VOB to VTS_nn_9.VOB.
constexpr int kMaxParts = 9;
// ISO 9660 and UDF place their volume descriptors from sector 16 on, one per sector.
constexpr std::int64_t kFirstDescriptor = 16;
constexpr std::int64_t kDescriptorsScanned = 32;

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// libdvdread complains on every folder ("Couldn't find device name."), so its lines are shown only
// to whoever asks for debug output.
extern "C" void LogToDebug(void*, dvd_logger_level_t, const char* format, va_list args)
{
    static const bool enabled = std::getenv("STILLREEL_DEBUG") != nullptr;
    if (!enabled)
        return;
    std::fputs("libdvdread: ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
}
const dvd_logger_cb kLogger{LogToDebug};

struct VolumeKinds {
    bool iso = false;
    bool udf = false;
};

VolumeKinds ReadVolumeKinds(const fs::path& image)
{
    VolumeKinds kinds;
    std::ifstream in(image, std::ios::binary);
    std::array<char, 6> id{};
    for (std::int64_t k = kFirstDescriptor; k < kFirstDescriptor + kDescriptorsScanned; ++k) {
        in.seekg(k * kSectorSize + 1);
        if (!in.read(id.data(), 5))
            break;
        const std::string name(id.data(), 5);
        kinds.iso |= name == "CD001";
        kinds.udf |= name == "NSR02" || name == "NSR03";
    }
    return kinds;
}

std::optional<fs::path> ChildNamed(const fs::path& folder, const std::string& lowerName)
{
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (Lower(entry.path().filename().string()) == lowerName)
            return entry.path();
    return std::nullopt;
}

// Absolute, without "." or "..", and without a trailing slash, so that "." and "VIDEO_TS/" have names.
fs::path Normalized(const fs::path& path)
{
    std::error_code error;
    fs::path p = fs::absolute(path, error).lexically_normal();
    if (!p.has_filename() && p.has_parent_path())
        p = p.parent_path();
    return p;
}

// vts_nn_k.vob, in lower case.
bool IsTitlePart(const std::string& name)
{
    auto digit = [&](std::size_t i) { return std::isdigit(static_cast<unsigned char>(name[i])) != 0; };
    return name.size() == 12 && name.compare(0, 4, "vts_") == 0 && digit(4) && digit(5) && name[6] == '_' && digit(7) &&
        name.compare(8, 4, ".vob") == 0;
}

// A part whose size is not whole sectors shifts every sector after it: refused rather than read wrong.
void CheckWholeSectors(const std::string& name, std::uintmax_t size)
{
    if (size % static_cast<std::uintmax_t>(kSectorSize) != 0)
        throw DiscError(name + " is " + std::to_string(size) +
                        " bytes, not whole 2048-byte sectors: the file is damaged");
}

void CheckParts(const fs::path& videoTs)
{
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(videoTs, error)) {
        if (!IsTitlePart(Lower(entry.path().filename().string())))
            continue;
        const std::uintmax_t size = entry.file_size(error);
        if (!error)
            CheckWholeSectors(entry.path().filename().string(), size);
    }
}

// Where libdvdread is to open the disc, and the name the pictures' folder takes from it.
struct Location {
    std::string openPath;
    std::string name;
    bool image = false;
};

Location Locate(const std::string& path)
{
    std::error_code error;
    const fs::path p = Normalized(path);
    const fs::file_status status = fs::status(p, error);
    if (!fs::exists(status))
        throw DiscError("no such file or folder");
    // A drive is read as libdvdread reads an image.
    if (fs::is_block_file(status))
        return {p.string(), p.filename().string(), true};
    const std::string lowerName = Lower(p.filename().string());
    if (fs::is_regular_file(status) && lowerName != "video_ts.ifo" && lowerName != "video_ts.bup") {
        const VolumeKinds kinds = ReadVolumeKinds(p);
        if (!kinds.udf && kinds.iso)
            throw DiscError("the image has no UDF file system, which a DVD image needs (make it with "
                            "genisoimage -dvd-video)");
        if (!kinds.udf)
            throw DiscError("not a DVD image");
        return {p.string(), p.stem().string(), true};
    }
    const std::optional<fs::path> videoTs = VideoTsFolder(fs::is_regular_file(status) ? p.parent_path() : p);
    if (!videoTs)
        throw DiscError("not a DVD (no VIDEO_TS folder)");
    CheckParts(*videoTs);
    std::string name = videoTs->parent_path().filename().string();
    return {videoTs->string(), name.empty() ? "DVD" : name, false};
}

std::string VolumeName(dvd_reader_t* reader)
{
    char name[33] = {};
    if (DVDUDFVolumeInfo(reader, name, sizeof name, nullptr, 0) == 0 && name[0] != '\0')
        return name;
    if (DVDISOVolumeInfo(reader, name, sizeof name, nullptr, 0) == 0 && name[0] != '\0')
        return name;
    return {};
}

}  // namespace

std::optional<fs::path> VideoTsFolder(const fs::path& folder)
{
    const fs::path p = Normalized(folder);
    if (Lower(p.filename().string()) == "video_ts")
        return p;
    return ChildNamed(p, "video_ts");
}

void DiscReader::ReaderDeleter::operator()(dvd_reader_s* reader) const
{
    DVDClose(reader);
}

void DiscReader::FileDeleter::operator()(dvd_file_s* file) const
{
    DVDCloseFile(file);
}

void DiscReader::IfoDeleter::operator()(ifo_handle_t* ifo) const
{
    ifoClose(ifo);
}

DiscReader::DiscReader(const std::string& path)
{
    const Location where = Locate(path);
    reader_.reset(DVDOpen2(nullptr, &kLogger, where.openPath.c_str()));
    if (!reader_)
        throw DiscError("not a DVD");
    // DVDOpen2 accepts any folder or file; a disc is what has a readable VMG (or its backup copy).
    RefuseUnsafeInformation(0);
    vmg_.reset(ifoOpen(reader_.get(), 0));
    if (!vmg_ || !vmg_->tt_srpt)
        throw DiscError("not a DVD (its VIDEO_TS.IFO cannot be read)");
    name_ = where.name;
    image_ = where.image;
    if (where.image) {
        const std::string volume = VolumeName(reader_.get());
        if (!volume.empty())
            name_ = volume;
    }
    std::replace(name_.begin(), name_.end(), '/', '_');
}

DiscReader::~DiscReader() = default;

const ifo_handle_t& DiscReader::TitleSet(int titleSet)
{
    if (const auto known = titleSets_.find(titleSet); known != titleSets_.end())
        return *known->second;
    // Every title of a set asks for it: a set that cannot be read is tried once (libdvdread may ask for
    // gigabytes on the way) and refused with the same reason after.
    if (const auto failed = unreadable_.find(titleSet); failed != unreadable_.end())
        throw DiscError(failed->second);
    try {
        RefuseUnsafeInformation(titleSet);
        // ifoOpen also takes a main menu's information file, which has no title tables.
        IfoPtr opened(ifoOpen(reader_.get(), titleSet));
        if (!opened || !opened->vtsi_mat || !opened->vts_ptt_srpt || !opened->vts_pgcit)
            throw DiscError("the information file of title set " + std::to_string(titleSet) + " cannot be read");
        return *(titleSets_[titleSet] = std::move(opened));
    } catch (const DiscError& e) {
        unreadable_.emplace(titleSet, e.what());
        throw;
    }
}

// The information file and its backup, before ifoOpen reads whichever it takes.
void DiscReader::RefuseUnsafeInformation(int titleSet)
{
    for (const dvd_read_domain_t domain : {DVD_READ_INFO_FILE, DVD_READ_INFO_BACKUP_FILE}) {
        const FilePtr file(DVDOpenFile(reader_.get(), titleSet, domain));
        if (file && ReadsUnsafely(*file)) {
            char stem[16] = "VIDEO_TS";
            if (titleSet != 0)
                std::snprintf(stem, sizeof stem, "VTS_%02d_0", titleSet);
            throw DiscError(stem + std::string(domain == DVD_READ_INFO_FILE ? ".IFO" : ".BUP") +
                            " is damaged: its tables point where they cannot be read");
        }
    }
}

// In an image libdvdread reads a title set's parts as one run of sectors from the first part's start
// on, so parts that do not lie whole one after the other would be read from whatever lies past them.
void DiscReader::CheckImageParts(int titleSet)
{
    std::string previous;
    std::uint32_t next = 0;
    for (int part = 1; part <= kMaxParts; ++part) {
        char name[32];
        std::snprintf(name, sizeof name, "VTS_%02d_%d.VOB", titleSet, part);
        std::uint32_t size = 0;
        const std::uint32_t start = UDFFindFile(reader_.get(), ("/VIDEO_TS/" + std::string(name)).c_str(), &size);
        if (start == 0)
            return;
        if (part > 1 && start != next)
            throw DiscError(std::string(name) + " does not follow " + previous + " in the image: the image is damaged");
        CheckWholeSectors(name, size);
        previous = name;
        next = start + size / static_cast<std::uint32_t>(kSectorSize);
    }
}

dvd_file_s& DiscReader::TitleVobs(int titleSet)
{
    auto& file = vobs_[titleSet];
    if (!file) {
        if (image_)
            CheckImageParts(titleSet);
        file.reset(DVDOpenFile(reader_.get(), titleSet, DVD_READ_TITLE_VOBS));
        if (!file)
            throw DiscError("the video files of title set " + std::to_string(titleSet) + " cannot be opened");
    }
    return *file;
}

std::int64_t DiscReader::TitleSetSectors(int titleSet)
{
    return DVDFileSize(&TitleVobs(titleSet));
}

void DiscReader::ReadSectors(int titleSet, std::int64_t sector, std::int64_t count, unsigned char* out)
{
    dvd_file_s& file = TitleVobs(titleSet);
    while (count > 0) {
        const std::int64_t want = std::min(count, kMaxReadSectors);
        const ssize_t got = DVDReadBlocks(&file, static_cast<int>(sector), static_cast<std::size_t>(want), out);
        if (got <= 0)
            throw DiscError("sector " + std::to_string(sector) + " of title set " + std::to_string(titleSet) +
                            " cannot be read");
        sector += got;
        count -= got;
        out += got * kSectorSize;
    }
}

bool IsScrambled(const unsigned char* s)
{
    if (!mpegps::IsStartCode(s, mpegps::kPackStart) || !mpegps::IsMpeg2Pack(s))
        return false;
    const unsigned char* packet = s + mpegps::Mpeg2PackHeaderLength(s);
    if (!mpegps::HasStartCodePrefix(packet))
        return false;
    // System headers, padding and private stream 2 (navigation) are never scrambled.
    const std::uint8_t id = mpegps::StreamId(packet);
    return id != mpegps::kSystemHeader && id != mpegps::kPaddingStream && id != mpegps::kPrivateStream2 &&
        mpegps::IsMpeg2PesScrambled(packet);
}

}  // namespace dvd
