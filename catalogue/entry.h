// What the catalogue tells of one input: the facts of its titles, its sheets and what became of it;
// kept beside its sheets, so that a later run that skips the input still lists it.
#pragma once

#include "catalogue/inputs.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace catalogue {

enum class Status { Done, Skipped, Failed };

// A disc's title, or the one video of a file (number 0).
struct TitleRow {
    int number = 0;
    bool main = false;
    std::int64_t lengthMs = 0;
    int chapters = 0;
    int angles = 1;
    std::string aspect;  // "4:3", "16:9", ...
    std::vector<std::string> audio;  // "en AC-3 2ch", in the title set's order
    std::vector<std::string> subtitles;  // "en", "de forced", ...
    std::string sheet;  // relative to the catalogue's folder; empty where the title got none
};

struct Entry {
    std::string path;
    Kind kind = Kind::File;
    std::string name;  // the disc's name, or the file's
    std::string folder;  // the input's folder in the catalogue
    Status status = Status::Done;
    std::string reason;  // why it failed
    std::vector<TitleRow> titles;  // those the disc lists (at least its sheets'), or the file's one
    std::string recipe;  // how its sheets were made: a run with other settings makes them again
};

// Nothing where the text is not an entry this program wrote.
std::optional<Entry> EntryFromJson(const std::string& text);

// The whole catalogue as catalogue.json holds it.
std::string CatalogueJson(const std::vector<Entry>& entries);
// An entry as its folder keeps it.
std::string EntryJson(const Entry& entry);

}  // namespace catalogue
