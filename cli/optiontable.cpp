#include "cli/optiontable.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace thumbs {

namespace {

std::int64_t ParseInteger(const std::string& text, const std::string& what)
{
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end)
        throw UsageError("invalid " + what + ": '" + text + "'");
    return value;
}

std::int32_t ParseInt32(const std::string& text, const std::string& what)
{
    const std::int64_t value = ParseInteger(text, what);
    if (value < INT32_MIN || value > INT32_MAX)
        throw UsageError(what + " out of range: '" + text + "'");
    return static_cast<std::int32_t>(value);
}

// COLSxROWS: digits, an x, digits.
bool IsGrid(const std::string& text)
{
    const std::size_t x = text.find('x');
    auto digits = [](std::string_view part) {
        return !part.empty() && part.find_first_not_of("0123456789") == std::string_view::npos;
    };
    return x != std::string::npos && digits(std::string_view(text).substr(0, x)) &&
        digits(std::string_view(text).substr(x + 1));
}

// --title and --angle: numbers from 1, named in their errors without the dashes.
std::int32_t DiscNumber(Values& values)
{
    const std::string what = values.Given().substr(2);
    const std::int32_t n = ParseInt32(values.Next(), what);
    if (n < 1)
        throw UsageError(what + " numbers start at 1");
    return n;
}

void SetMode(ParseState& state, job::Mode mode)
{
    state.options.choices.mode = mode;
    state.modeGiven = true;
}

job::SheetChoice& Sheet(ParseState& state)
{
    std::optional<job::SheetChoice>& sheet = state.options.choices.sheet;
    sheet = sheet.value_or(job::SheetChoice{});
    return *sheet;
}

constexpr std::string_view kPicks = "Which pictures (one of):";
constexpr std::string_view kSheet =
    "Contact sheet (one JPEG, <video name>_sheet.jpg, in the output folder, and beside it\n"
    "<video name>_sheet.json, each cell's frame, time and place on the sheet):";
constexpr std::string_view kSize = "Size (default: the video's width, the height by its aspect ratio):";
constexpr std::string_view kDisc = "A disc:";
constexpr std::string_view kPictures = "Pictures:";
constexpr std::string_view kOutput = "Output:";
constexpr std::string_view kCatalogue = "A catalogue (with the contact sheet options, --deinterlace and -q):";
constexpr std::string_view kThumbnail =
    "A file manager's thumbnail (with --title, --angle and --deinterlace, no other option):";

constexpr std::string_view kOneMode = "choose one of --whole, --pieces, --range and --chapters";

constexpr std::array<std::string_view, 1> kNumber{"a number"};
constexpr std::array<std::string_view, 2> kStartEnd{"a start and an end", "an end"};
constexpr std::array<std::string_view, 1> kWidth{"a width"};
constexpr std::array<std::string_view, 1> kWxH{"WIDTHxHEIGHT"};
constexpr std::array<std::string_view, 1> kFolder{"a folder"};
constexpr std::array<std::string_view, 1> kLength{"a length"};
constexpr std::array<std::string_view, 1> kASize{"a size"};
constexpr std::array<std::string_view, 1> kAutoOff{"auto or off"};
constexpr std::array<std::string_view, 2> kDeinterlaceModes{"auto", "off"};
constexpr std::array<std::string_view, 1> kSubtitleChoices{"off, forced, a stream number or a language"};
constexpr std::array<std::string_view, 2> kSubtitleWords{"off", "forced"};

const std::array kTable{
    OptionRow{
        .name = "--pieces",
        .section = kPicks,
        .metavar = "N",
        .argument = Argument::Value,
        .wanted = kNumber,
        .exclusive = kOneMode,
        .apply =
            [](ParseState& s, Values& v) {
                SetMode(s, job::Mode::Pieces);
                s.options.choices.pieces = ParseInt32(v.Next(), "number of pieces");
            },
        .help = "N pictures spread evenly over the video (default: 12)",
    },
    OptionRow{
        .name = "--whole",
        .section = kPicks,
        .exclusive = kOneMode,
        .apply = [](ParseState& s, Values&) { SetMode(s, job::Mode::Whole); },
        .help = "every frame",
    },
    OptionRow{
        .name = "--range",
        .section = kPicks,
        .metavar = "START END",
        .argument = Argument::Value,
        .wanted = kStartEnd,
        .exclusive = kOneMode,
        .apply =
            [](ParseState& s, Values& v) {
                SetMode(s, job::Mode::Range);
                s.options.choices.start = ParseSeconds(v.Next());
                s.options.choices.end = ParseSeconds(v.Next());
            },
        .help = "every frame from second START to second END, both included;\n"
                "whole seconds or [hh:]mm:ss",
    },
    OptionRow{
        .name = "--chapters",
        .section = kPicks,
        .exclusive = kOneMode,
        .apply = [](ParseState& s, Values&) { SetMode(s, job::Mode::Chapters); },
        .help = "the first frame of each chapter of a disc title, named\n"
                "<video name>_chNN.jpg",
    },
    OptionRow{
        .name = "--sheet",
        .section = kSheet,
        .metavar = "[COLSxROWS]",
        .argument = Argument::OptionalGrid,
        .jobs = kPicturesJob | kCatalogueJob,
        .apply =
            [](ParseState& s, Values& v) {
                job::SheetChoice& sheet = Sheet(s);
                sheet.columns = 4;
                s.sheetRows = 4;
                // The grid is optional: a next word that is not COLSxROWS is a file or an option.
                if (const std::string* grid = v.NextGrid()) {
                    const std::size_t x = grid->find('x');
                    sheet.columns = ParseInt32(grid->substr(0, x), "number of columns");
                    s.sheetRows = ParseInt32(grid->substr(x + 1), "number of rows");
                }
            },
        .help = "COLS x ROWS cells (default: 4x4) over the whole video, each the\n"
                "frame in the middle of its share of the length or, where that\n"
                "is nearly uniform (black, a fade, a flat card), the nearest in\n"
                "its share that is not, with its time, under a heading with the\n"
                "video's facts; with --chapters one cell per chapter, COLS\n"
                "across (<video name>_chapters.jpg and .json)",
    },
    OptionRow{
        .name = "--keep-blank",
        .section = kSheet,
        .jobs = kPicturesJob | kCatalogueJob,
        .needs = "a --sheet of the whole video",
        .met = [](const ParseState& s) { return s.sheetRows != 0 && s.options.choices.mode == job::Mode::Pieces; },
        .apply = [](ParseState& s, Values&) { s.keepBlank = true; },
        .help = "each cell the frame in the middle of its share, blank or not",
    },
    OptionRow{
        .name = "--sheet-width",
        .section = kSheet,
        .metavar = "W",
        .argument = Argument::Value,
        .wanted = kWidth,
        .jobs = kPicturesJob | kCatalogueJob,
        .needs = "--sheet",
        .met = [](const ParseState& s) { return s.sheetRows != 0; },
        .apply =
            [](ParseState& s, Values& v) {
                const std::int32_t width = ParseInt32(v.Next(), "sheet width");
                Sheet(s).width = width;
            },
        .help = "the sheet's width in pixels (default: 1600)",
    },
    OptionRow{
        .name = "--size",
        .section = kSize,
        .metavar = "WxH",
        .argument = Argument::Value,
        .wanted = kWxH,
        .apply =
            [](ParseState& s, Values& v) {
                const std::string& size = v.Next();
                const std::size_t x = size.find('x');
                if (x == std::string::npos)
                    throw UsageError("invalid size: '" + size + "' (WIDTHxHEIGHT)");
                s.options.choices.width = ParseInt32(size.substr(0, x), "width");
                s.options.choices.height = ParseInt32(size.substr(x + 1), "height");
            },
        .help = "exactly W x H pixels",
    },
    OptionRow{
        .name = "--width",
        .section = kSize,
        .metavar = "W",
        .argument = Argument::Value,
        .wanted = kWidth,
        .apply =
            [](ParseState& s, Values& v) {
                s.options.choices.width = ParseInt32(v.Next(), "width");
                s.options.choices.height.reset();
            },
        .help = "W pixels wide, the height by the video's aspect ratio",
    },
    OptionRow{
        .name = "--title",
        .section = kDisc,
        .metavar = "N",
        .argument = Argument::Value,
        .wanted = kNumber,
        .jobs = kPicturesJob | kThumbnailJob,
        .apply = [](ParseState& s, Values& v) { s.options.title.title = DiscNumber(v); },
        .help = "title N of the disc (default: the main title)",
    },
    OptionRow{
        .name = "--angle",
        .section = kDisc,
        .metavar = "N",
        .argument = Argument::Value,
        .wanted = kNumber,
        .jobs = kPicturesJob | kThumbnailJob,
        .apply = [](ParseState& s, Values& v) { s.options.title.angle = DiscNumber(v); },
        .help = "angle N of the title (default: the first)",
    },
    OptionRow{
        .name = "--list-titles",
        .section = kDisc,
        .apply = [](ParseState& s, Values&) { s.options.listTitles = true; },
        .help = "print the disc's titles and write nothing",
    },
    OptionRow{
        .name = "--deinterlace",
        .section = kPictures,
        .metavar = "MODE",
        .argument = Argument::Choice,
        .wanted = kAutoOff,
        .choices = kDeinterlaceModes,
        .jobs = kAnyJob,
        .apply =
            [](ParseState& s, Values& v) {
                const std::string& mode = v.Next();
                if (mode != "auto" && mode != "off")
                    throw UsageError("invalid deinterlace mode: '" + mode + "' (auto or off)");
                s.options.deinterlace = mode == "auto";
            },
        .help = "auto: frames the video marks interlaced are deinterlaced\n"
                "(the default); off: frames as decoded",
    },
    OptionRow{
        .name = "--subtitles",
        .section = kPictures,
        .metavar = "CHOICE",
        .argument = Argument::Choice,
        .wanted = kSubtitleChoices,
        .choices = kSubtitleWords,
        .apply =
            [](ParseState& s, Values& v) {
                const std::string& choice = v.Next();
                const std::optional<job::SubtitleRequest> request = job::ParseSubtitles(choice);
                if (!request)
                    throw UsageError("invalid subtitles: '" + choice +
                                     "' (off, forced, a stream number or a two-letter language)");
                s.options.subtitles = *request;
            },
        .help = "draw subtitles into the pictures: off (the default), a stream\n"
                "number as --info lists it, a language code (en: the first\n"
                "stream in it) or forced (only the forced subpictures of the\n"
                "first stream)",
    },
    OptionRow{
        .name = "--subtitles-stream",
        .section = kPictures,
        .metavar = "N",
        .argument = Argument::Value,
        .wanted = kNumber,
        .needs = "--subtitles forced",
        .met = [](const ParseState& s) { return s.options.subtitles.kind == job::SubtitleRequest::Kind::Forced; },
        .apply =
            [](ParseState& s, Values& v) {
                s.forcedStream = ParseInt32(v.Next(), "subtitle stream");
                if (s.forcedStream < 1)
                    throw UsageError("subtitle stream numbers start at 1");
            },
        .help = "with --subtitles forced: those of stream N instead",
    },
    OptionRow{
        .name = "-o",
        .longName = "--save-folder",
        .section = kOutput,
        .metavar = "DIR",
        .argument = Argument::Folder,
        .wanted = kFolder,
        .apply =
            [](ParseState& s, Values& v) {
                s.options.choices.saveFolder = v.Next();
                if (s.options.choices.saveFolder.empty())
                    throw UsageError("the save folder is empty");
            },
        .help = "make the pictures' folder in DIR (default: the current directory)",
    },
    OptionRow{
        .name = "--info",
        .section = kOutput,
        .apply = [](ParseState& s, Values&) { s.options.info = true; },
        .help = "print each file's information and subtitle streams, and\n"
                "write nothing",
    },
    OptionRow{
        .name = "-q",
        .longName = "--quiet",
        .section = kOutput,
        .jobs = kPicturesJob | kCatalogueJob,
        .apply = [](ParseState& s, Values&) { s.options.quiet = true; },
        .help = "print no progress",
    },
    OptionRow{
        .name = "-h",
        .longName = "--help",
        .section = kOutput,
        .jobs = kAnyJob,
        .apply = [](ParseState& s, Values&) { s.options.help = true; },
        .help = "print this help",
    },
    OptionRow{
        .name = "--version",
        .section = kOutput,
        .jobs = kAnyJob,
        .apply = [](ParseState& s, Values&) { s.options.version = true; },
        .help = "print the version",
    },
    OptionRow{
        .name = "--catalogue",
        .section = kCatalogue,
        .metavar = "OUTDIR",
        .argument = Argument::Folder,
        .wanted = kFolder,
        .jobs = kCatalogueJob,
        .opens = kCatalogueJob,
        .apply =
            [](ParseState& s, Values& v) {
                s.options.catalogue = v.Next();
                if (s.options.catalogue.empty())
                    throw UsageError("the catalogue folder is empty");
            },
        .help = "a contact sheet of each disc's main title and of each video\n"
                "file, folders searched through for discs, images and videos,\n"
                "each into a folder of its own in OUTDIR; then OUTDIR/index.html,\n"
                "one page of them all with each disc's titles, and the same as\n"
                "OUTDIR/catalogue.json. Inputs whose sheets are newer than they\n"
                "are skipped",
    },
    OptionRow{
        .name = "--all-titles",
        .section = kCatalogue,
        .jobs = kCatalogueJob,
        .apply = [](ParseState& s, Values&) { s.options.allTitles = true; },
        .help = "a sheet of every title of --min-length or more",
    },
    OptionRow{
        .name = "--min-length",
        .section = kCatalogue,
        .metavar = "SECONDS",
        .argument = Argument::Value,
        .wanted = kLength,
        .jobs = kCatalogueJob,
        .needs = "--all-titles",
        .met = [](const ParseState& s) { return s.options.allTitles; },
        .apply = [](ParseState& s,
                    Values& v) { s.options.minLength = static_cast<std::int32_t>(ParseSeconds(v.Next())); },
        .help = "whole seconds or [hh:]mm:ss (default: 60)",
    },
    OptionRow{
        .name = "--thumbnail",
        .section = kThumbnail,
        .jobs = kThumbnailJob,
        .opens = kThumbnailJob,
        .apply = [](ParseState& s, Values&) { s.options.thumbnail = true; },
        .help = "one picture, at 10% of the video or the first of 20%, 30%, ...\n"
                "90% where that is nearly uniform (black, a fade, a flat card),\n"
                "written as the PNG file OUTPUT.png; nothing else is printed\n"
                "or written",
    },
    OptionRow{
        .name = "-s",
        .section = kThumbnail,
        .metavar = "SIZE",
        .argument = Argument::Value,
        .wanted = kASize,
        .jobs = kThumbnailJob,
        .apply =
            [](ParseState& s, Values& v) {
                s.options.thumbnailSide = ParseInt32(v.Next(), "thumbnail size");
                if (s.options.thumbnailSide < 1 || s.options.thumbnailSide > job::kThumbnailLargestSide)
                    throw UsageError("the thumbnail size must be from 1 to " +
                                     std::to_string(job::kThumbnailLargestSide) + " pixels");
            },
        .help = "its longer side in pixels, 1 to 4096 (default: 256)",
    },
};

}  // namespace

Values::Values(const std::vector<std::string>& args, std::size_t& at, std::string_view given,
               std::span<const std::string_view> wanted)
    : args_(args), at_(at), given_(given), wanted_(wanted)
{
}

const std::string& Values::Next()
{
    if (at_ + 1 >= args_.size())
        throw UsageError(given_ + " needs " + std::string(wanted_[taken_]));
    ++taken_;
    return args_[++at_];
}

const std::string* Values::NextGrid()
{
    if (at_ + 1 >= args_.size() || !IsGrid(args_[at_ + 1]))
        return nullptr;
    return &args_[++at_];
}

std::int64_t ParseSeconds(const std::string& text)
{
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (;;) {
        const std::size_t colon = text.find(':', from);
        parts.push_back(text.substr(from, colon - from));
        if (colon == std::string::npos)
            break;
        from = colon + 1;
    }
    if (parts.size() > 3)
        throw UsageError("invalid time: '" + text + "'");
    std::int64_t seconds = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::int64_t value = ParseInteger(parts[i], "time");
        // Minutes and seconds after a colon run from 0 to 59.
        if (value < 0 || (i > 0 && value > 59) || value > INT32_MAX)
            throw UsageError("invalid time: '" + text + "'");
        seconds = seconds * 60 + value;
    }
    if (seconds > INT32_MAX)
        throw UsageError("invalid time: '" + text + "'");
    return seconds;
}

std::span<const OptionRow> OptionTable()
{
    return kTable;
}

const OptionRow* FindOption(std::string_view spelling)
{
    const auto row = std::find_if(kTable.begin(), kTable.end(), [&](const OptionRow& option) {
        return option.name == spelling || (!option.longName.empty() && option.longName == spelling);
    });
    return row == kTable.end() ? nullptr : &*row;
}

}  // namespace thumbs
