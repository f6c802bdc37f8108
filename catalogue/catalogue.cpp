#include "catalogue/catalogue.h"

#include "catalogue/page.h"
#include "common/wholefile.h"
#include "dvd/disc.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

namespace catalogue {

namespace fs = std::filesystem;

namespace {

constexpr const char* kEntryFile = "entry.json";

void WriteText(const fs::path& file, const std::string& text)
{
    WriteWholeFile(file.string(), text.data(), text.size());
}

std::string ReadText(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// "en AC-3 2ch"; the language left out where the disc names none.
std::string AudioText(const dvd::AudioStream& stream)
{
    const std::string format = dvd::FormatText(stream.format);
    std::string text = stream.language;
    if (!format.empty())
        text += (text.empty() ? "" : " ") + format;
    return text + (text.empty() ? "" : " ") + std::to_string(stream.channels) + "ch";
}

// "en", "de forced"; "?" where the disc names no language.
std::string SubtitleText(const dvd::SubpictureStream& stream)
{
    std::string text = stream.language.empty() ? "?" : stream.language;
    if (stream.kind != dvd::SubpictureKind::Normal && stream.kind != dvd::SubpictureKind::Unspecified)
        text += " " + dvd::KindText(stream.kind);
    return text;
}

TitleRow RowOf(const dvd::TitleInfo& title, int mainTitle)
{
    TitleRow row;
    row.number = title.number;
    row.main = title.number == mainTitle;
    row.lengthMs = title.lengthMs;
    row.chapters = title.chapters;
    row.angles = title.angles;
    row.aspect = dvd::AspectText(title.aspect);
    // Streams the title's program chain does not play are not there for a viewer.
    for (const dvd::AudioStream& stream : title.audio)
        if (stream.available)
            row.audio.push_back(AudioText(stream));
    for (const dvd::SubpictureStream& stream : title.subtitles)
        if (stream.available)
            row.subtitles.push_back(SubtitleText(stream));
    return row;
}

class Run {
public:
    Run(const Settings& settings, const SheetMaker& makeSheet) : settings_(settings), makeSheet_(makeSheet) {}

    // The entry of one input, its sheets made unless an earlier run's still stand.
    Entry Process(const Input& input)
    {
        Entry entry;
        entry.path = input.path;
        entry.kind = input.kind;
        entry.folder = FolderName(input);
        entry.recipe = Recipe();
        entry.name = fs::path(input.path).filename().string();
        if (std::optional<Entry> previous = Previous(input, entry)) {
            previous->status = Status::Skipped;
            previous->path = input.path;
            return *previous;
        }
        try {
            if (input.kind == Kind::Disc)
                MakeDiscSheets(entry);
            else
                MakeFileSheet(entry);
        } catch (const dvd::DiscError& e) {
            Fail(entry, e.what());
        }
        if (entry.status == Status::Done && !interrupted_)
            WriteText(Folder(entry) / kEntryFile, EntryJson(entry));
        return entry;
    }

    bool Interrupted() const { return interrupted_; }

private:
    fs::path Folder(const Entry& entry) const { return fs::path(settings_.folder) / entry.folder; }

    std::string Recipe() const
    {
        return settings_.sheetRecipe +
            (settings_.allTitles ? "; titles of " + std::to_string(settings_.minLengthMs) + " ms or more"
                                 : "; the main title");
    }

    // The entry an earlier run left, where it made every sheet with these settings after the input's
    // last change.
    std::optional<Entry> Previous(const Input& input, const Entry& entry) const
    {
        const fs::path folder = Folder(entry);
        std::optional<Entry> previous = EntryFromJson(ReadText(folder / kEntryFile));
        if (!previous || previous->status != Status::Done || previous->recipe != entry.recipe)
            return std::nullopt;
        const fs::file_time_type changed = InputTime(input);
        int sheets = 0;
        for (const TitleRow& row : previous->titles) {
            if (row.sheet.empty())
                continue;
            std::error_code error;
            const fs::file_time_type made = fs::last_write_time(fs::path(settings_.folder) / row.sheet, error);
            if (error || made <= changed)
                return std::nullopt;
            ++sheets;
        }
        return sheets > 0 ? previous : std::nullopt;
    }

    void Fail(Entry& entry, const std::string& reason) const
    {
        // The first reason is the one to tell: the later titles of a damaged disc fail alike.
        if (entry.status != Status::Failed)
            entry.reason = reason;
        entry.status = Status::Failed;
    }

    // Makes the row's sheet; false where it failed or the user stopped the run. A sheet written
    // despite a failure (parts of a scratched disc unreadable) is still listed.
    bool Make(Entry& entry, TitleRow& row)
    {
        const SheetResult result = makeSheet_({entry.path, row.number, Folder(entry).string()});
        if (row.number == 0) {
            row.lengthMs = result.lengthMs;
            row.aspect = result.aspect;
        }
        if (!result.sheet.empty())
            row.sheet = entry.folder + "/" + fs::path(result.sheet).filename().string();
        if (result.interrupted) {
            interrupted_ = true;
            Fail(entry, "interrupted");
            return false;
        }
        if (!result.error.empty() || result.sheet.empty()) {
            Fail(entry, result.error.empty() ? "no sheet was written" : result.error);
            return false;
        }
        return true;
    }

    void MakeDiscSheets(Entry& entry)
    {
        const dvd::Disc disc(entry.path);
        entry.name = disc.Name();
        for (const dvd::TitleInfo& title : disc.Titles())
            entry.titles.push_back(RowOf(title, disc.MainTitle()));
        for (TitleRow& row : entry.titles) {
            const bool wanted = settings_.allTitles ? row.lengthMs >= settings_.minLengthMs : row.main;
            if (wanted && !Make(entry, row) && interrupted_)
                return;
        }
    }

    void MakeFileSheet(Entry& entry)
    {
        TitleRow row;
        Make(entry, row);
        // A file that is no video has nothing to list.
        if (!row.sheet.empty())
            entry.titles.push_back(row);
    }

    const Settings& settings_;
    const SheetMaker& makeSheet_;
    bool interrupted_ = false;
};

std::string Seconds(std::chrono::steady_clock::duration duration)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", std::chrono::duration<double>(duration).count());
    return text;
}

std::string Line(std::size_t index, std::size_t count, const Entry& entry, std::chrono::steady_clock::duration took)
{
    std::string line = "[" + std::to_string(index + 1) + "/" + std::to_string(count) + "] " + entry.path + ": ";
    int sheets = 0;
    for (const TitleRow& row : entry.titles)
        sheets += row.sheet.empty() ? 0 : 1;
    switch (entry.status) {
    case Status::Done:
        return line + "done, " + std::to_string(sheets) + (sheets == 1 ? " sheet" : " sheets") + " (" + Seconds(took) +
            ")";
    case Status::Skipped:
        return line + "skipped, its sheets are newer than it";
    case Status::Failed:
        return line + "failed: " + entry.reason;
    }
    return line;
}

}  // namespace

Summary MakeCatalogue(const std::vector<Input>& inputs, const Settings& settings, const SheetMaker& makeSheet,
                      const Say& say)
{
    fs::create_directories(settings.folder);
    Run run(settings, makeSheet);
    Summary summary;
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < inputs.size() && !run.Interrupted(); ++i) {
        const auto start = std::chrono::steady_clock::now();
        Entry entry = run.Process(inputs[i]);
        say(Line(i, inputs.size(), entry, std::chrono::steady_clock::now() - start));
        switch (entry.status) {
        case Status::Done:
            ++summary.done;
            break;
        case Status::Skipped:
            ++summary.skipped;
            break;
        case Status::Failed:
            ++summary.failed;
            summary.failures.emplace_back(entry.path, entry.reason);
            break;
        }
        entries.push_back(std::move(entry));
    }
    summary.interrupted = run.Interrupted();
    WriteText(fs::path(settings.folder) / "index.html", PageHtml(entries));
    WriteText(fs::path(settings.folder) / "catalogue.json", CatalogueJson(entries));
    return summary;
}

std::string SummaryText(const Summary& summary)
{
    const int count = summary.done + summary.skipped + summary.failed;
    std::string text = std::to_string(count) + (count == 1 ? " disc: " : " discs: ") + std::to_string(summary.done) +
        " done, " + std::to_string(summary.skipped) + " skipped, " + std::to_string(summary.failed) + " failed\n";
    for (const auto& [path, reason] : summary.failures)
        text += "  " + path + ": " + reason + "\n";
    return text;
}

}  // namespace catalogue
