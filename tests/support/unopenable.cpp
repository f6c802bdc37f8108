#include "support/unopenable.h"

#include "support/damage.h"
#include "support/fixtures.h"

#include <fstream>

namespace fs = std::filesystem;

std::vector<UnopenableFile> MakeUnopenableFiles(const fs::path& folder)
{
    const fs::path unreadable = folder / "unreadable.vob";
    fs::copy_file(FixturePath("pal5.vob"), unreadable, fs::copy_options::overwrite_existing);
    fs::permissions(unreadable, fs::perms::none);
    fs::create_directories(folder / "folder");
    // Packs and a sequence header, but not one whole picture: what is left of a rip cut short.
    std::vector<char> head = ReadFileBytes(FixturePath("pal.vob"));
    head.resize(16 * 1024);
    WriteFileBytes((folder / "head.vob").string(), head);
    const std::string noVideo = "no MPEG video found: this is not a DVD video file";
    return {
        {(folder / "missing.vob").string(), "No such file or directory"},
        {unreadable.string(), "Permission denied"},
        {FixturePath("empty.vob"), "the file is empty"},
        {FixturePath("text.vob"), noVideo},
        {(folder / "folder").string(), "a folder without VIDEO_TS"},
        {(folder / "head.vob").string(), noVideo},
    };
}

fs::path MakeUnreadableDisc(const fs::path& folder)
{
    const fs::path disc = folder / "broken";
    fs::create_directories(disc / "VIDEO_TS");
    std::ofstream(disc / "VIDEO_TS" / "VIDEO_TS.IFO") << "not an information file";
    return disc;
}
