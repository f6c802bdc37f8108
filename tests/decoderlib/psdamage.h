// Seeded damaged copies of fixture videos, the same bytes on every machine, that the demuxer's and
// the timeline's tests share. Changed bytes land in packet headers and lengths as well as in the
// pictures (at 1% nearly every pack has some); zeroed sectors leave the search for the next start
// code to cross them. Among them are videos whose timestamps restart.
#pragma once

#include "support/damage.h"
#include "support/fixtures.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace psdamage {

struct Damage {
    const char* name;
    const char* fixture;
    void (*apply)(std::vector<char>&);
};

inline const Damage kDamages[] = {
    {"bytes_0_01pct", "pal5.vob", [](auto& b) { ChangeBytes(b, b.size() / 10000, 11); }},
    {"bytes_0_1pct", "ntsc.vob", [](auto& b) { ChangeBytes(b, b.size() / 1000, 12); }},
    {"bytes_1pct", "film.vob", [](auto& b) { ChangeBytes(b, b.size() / 100, 13); }},
    {"bytes_1pct_title", "title/VIDEO_TS/VTS_01_1.VOB", [](auto& b) { ChangeBytes(b, b.size() / 100, 14); }},
    {"bytes_1pct_vcd", "vcd.mpg", [](auto& b) { ChangeBytes(b, b.size() / 100, 16); }},
    {"scattered_sectors", "untimedjoined.vob", [](auto& b) { ZeroScatteredSectors(b, 20, 15); }},
    {"sector_run", "interlacedpal.vob", [](auto& b) { ZeroSectorRun(b, b.size() / kSectorSize / 2, 300); }},
};

// A damaged copy in a file of its own, removed again with this.
class DamagedFile {
public:
    explicit DamagedFile(const Damage& damage) : path_(testing::TempDir() + "psdamage-" + damage.name + ".vob")
    {
        std::vector<char> bytes = ReadFileBytes(FixturePath(damage.fixture));
        damage.apply(bytes);
        WriteFileBytes(path_, bytes);
    }
    ~DamagedFile() { std::remove(path_.c_str()); }
    DamagedFile(const DamagedFile&) = delete;
    DamagedFile& operator=(const DamagedFile&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace psdamage
