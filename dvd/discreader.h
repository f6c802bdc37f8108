// The open disc: libdvdread's handle with its information files, owned once and shared by the
// listing and every title read from it.
#pragma once

#include <dvdread/ifo_types.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace dvd {

inline constexpr std::int64_t kSectorSize = 2048;

// The VIDEO_TS folder that `folder` is or holds, its name in any case; nothing when it is neither.
std::optional<std::filesystem::path> VideoTsFolder(const std::filesystem::path& folder);

class DiscReader {
public:
    // Throws DiscError when `path` holds no readable disc.
    explicit DiscReader(const std::string& path);
    ~DiscReader();
    DiscReader(const DiscReader&) = delete;
    DiscReader& operator=(const DiscReader&) = delete;

    const ifo_handle_t& Vmg() const { return *vmg_; }
    // The title set's information; throws DiscError when it cannot be read.
    const ifo_handle_t& TitleSet(int titleSet);
    // Reads `count` sectors from `sector` on of the title set's title VOBs, whatever the parts they
    // lie in; throws DiscError on a short read.
    void ReadSectors(int titleSet, std::int64_t sector, std::int64_t count, unsigned char* out);
    std::int64_t TitleSetSectors(int titleSet);

    const std::string& Name() const { return name_; }
    // libdvdread's handles serve one reader at a time.
    std::mutex& Lock() { return lock_; }

private:
    struct ReaderDeleter {
        void operator()(dvd_reader_s* reader) const;
    };
    struct FileDeleter {
        void operator()(dvd_file_s* file) const;
    };
    struct IfoDeleter {
        void operator()(ifo_handle_t* ifo) const;
    };
    using FilePtr = std::unique_ptr<dvd_file_s, FileDeleter>;
    using IfoPtr = std::unique_ptr<ifo_handle_t, IfoDeleter>;

    dvd_file_s& TitleVobs(int titleSet);
    void CheckImageParts(int titleSet);
    void RefuseUnsafeInformation(int titleSet);

    std::unique_ptr<dvd_reader_s, ReaderDeleter> reader_;
    IfoPtr vmg_;
    std::map<int, IfoPtr> titleSets_;
    std::map<int, std::string> unreadable_;  // title sets that failed, and why
    std::map<int, FilePtr> vobs_;
    std::string name_;
    bool image_ = false;
    std::mutex lock_;
};

// True when the sector is an audio or video pack marked scrambled (CSS).
bool IsScrambled(const unsigned char* sector);

}  // namespace dvd
