// A catalogue of discs and video files: a contact sheet of each (of its main title, or of every title
// long enough), the facts of its titles, one page to browse them and the same facts as JSON. The
// sheets are made by whoever runs the catalogue, through the sheet job; this decides what to make,
// what a run before already made, and writes the page.
#pragma once

#include "catalogue/entry.h"
#include "catalogue/inputs.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace catalogue {

struct Settings {
    std::string folder;  // where the page, the JSON and each input's folder of sheets go
    bool allTitles = false;  // every title of minLengthMs or more, not only the main one
    std::int64_t minLengthMs = 60000;
    std::string sheetRecipe;  // how the caller makes a sheet: a later run with another makes them again
};

// One sheet to make: of title `title` of the disc at `path` (0: the file itself), into `folder`.
struct SheetRequest {
    std::string path;
    int title = 0;
    std::string folder;
};

struct SheetResult {
    std::string sheet;  // the file written; empty when it failed
    std::string error;  // why it failed
    bool interrupted = false;  // the user stopped the run
    // What the opened video tells of itself, for a file, which has no disc information.
    std::int64_t lengthMs = 0;
    std::string aspect;
};

using SheetMaker = std::function<SheetResult(const SheetRequest&)>;
// Takes each line of progress as the run goes.
using Say = std::function<void(const std::string&)>;

struct Summary {
    int done = 0;
    int skipped = 0;
    int failed = 0;
    bool interrupted = false;
    std::vector<std::pair<std::string, std::string>> failures;  // path, reason
};

// Makes the catalogue of `inputs` in settings.folder: each input's sheets into a folder of its own,
// skipping an input whose sheets from an earlier run with the same settings are all newer than it,
// then index.html and catalogue.json listing every input. Says a line for each input. Stops after
// the input the user interrupted, the page listing those before it. Throws std::system_error when
// the folder or the page cannot be written.
Summary MakeCatalogue(const std::vector<Input>& inputs, const Settings& settings, const SheetMaker& makeSheet,
                      const Say& say);

// "N discs: n done, m skipped, k failed", then a line for each failure with its path and reason.
std::string SummaryText(const Summary& summary);

}  // namespace catalogue
