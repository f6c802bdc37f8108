#include "cli/thumbsoptions.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <string_view>

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

// What a thumbnail has no use for: it is one picture of a chosen size into a named file.
constexpr std::array<std::string_view, 20> kNotWithThumbnail{
    "--info",       "--list-titles", "--whole",      "--pieces",
    "--range",      "--chapters",    "--sheet",      "--sheet-width",
    "--size",       "--width",       "-o",           "--save-folder",
    "-q",           "--quiet",       "--subtitles",  "--subtitles-stream",
    "--keep-blank", "--catalogue",   "--all-titles", "--min-length"};

// What a catalogue has no use for: it makes a sheet of whole titles into folders of its own.
constexpr std::array<std::string_view, 14> kNotWithCatalogue{
    "--info", "--list-titles", "--whole", "--pieces", "--range",     "--chapters",        "--size", "--width",
    "-o",     "--save-folder", "--title", "--angle",  "--subtitles", "--subtitles-stream"};

} // namespace

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

Options ParseOptions(const std::vector<std::string>& args)
{
    Options o;
    job::Choices& c = o.choices;
    bool modeGiven = false;
    std::int32_t sheetRows = 0;  // given with --sheet: the pieces are its cells
    bool sideGiven = false;
    std::string notWithThumbnail;  // the first option given that a thumbnail refuses
    std::string notWithCatalogue;  // and that a catalogue refuses
    bool minLengthGiven = false;
    std::int32_t forcedStream = 0;  // --subtitles-stream
    bool keepBlank = false;
    auto setMode = [&](job::Mode mode) {
        if (modeGiven && c.mode != mode)
            throw UsageError("choose one of --whole, --pieces, --range and --chapters");
        c.mode = mode;
        modeGiven = true;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](const char* what) -> const std::string& {
            if (i + 1 >= args.size())
                throw UsageError(a + " needs " + what);
            return args[++i];
        };
        if (notWithThumbnail.empty() &&
            std::find(kNotWithThumbnail.begin(), kNotWithThumbnail.end(), a) != kNotWithThumbnail.end())
            notWithThumbnail = a;
        if (notWithCatalogue.empty() &&
            std::find(kNotWithCatalogue.begin(), kNotWithCatalogue.end(), a) != kNotWithCatalogue.end())
            notWithCatalogue = a;
        if (a == "-h" || a == "--help") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "-q" || a == "--quiet") {
            o.quiet = true;
        } else if (a == "--info") {
            o.info = true;
        } else if (a == "--list-titles") {
            o.listTitles = true;
        } else if (a == "--title" || a == "--angle") {
            const std::int32_t n = ParseInt32(value("a number"), a.substr(2));
            if (n < 1)
                throw UsageError(a.substr(2) + " numbers start at 1");
            (a == "--title" ? o.title.title : o.title.angle) = n;
        } else if (a == "--thumbnail") {
            o.thumbnail = true;
        } else if (a == "-s") {
            o.thumbnailSide = ParseInt32(value("a size"), "thumbnail size");
            sideGiven = true;
            if (o.thumbnailSide < 1 || o.thumbnailSide > job::kThumbnailLargestSide)
                throw UsageError("the thumbnail size must be from 1 to " + std::to_string(job::kThumbnailLargestSide) +
                                 " pixels");
        } else if (a == "--whole") {
            setMode(job::Mode::Whole);
        } else if (a == "--pieces") {
            setMode(job::Mode::Pieces);
            c.pieces = ParseInt32(value("a number"), "number of pieces");
        } else if (a == "--range") {
            setMode(job::Mode::Range);
            c.start = ParseSeconds(value("a start and an end"));
            c.end = ParseSeconds(value("an end"));
        } else if (a == "--chapters") {
            setMode(job::Mode::Chapters);
        } else if (a == "--sheet") {
            c.sheet = c.sheet.value_or(job::SheetChoice{});
            c.sheet->columns = 4;
            sheetRows = 4;
            // The grid is optional: a next word that is not COLSxROWS is a file or an option.
            if (i + 1 < args.size() && IsGrid(args[i + 1])) {
                const std::string& grid = args[++i];
                const std::size_t x = grid.find('x');
                c.sheet->columns = ParseInt32(grid.substr(0, x), "number of columns");
                sheetRows = ParseInt32(grid.substr(x + 1), "number of rows");
            }
        } else if (a == "--keep-blank") {
            keepBlank = true;
        } else if (a == "--sheet-width") {
            const std::int32_t width = ParseInt32(value("a width"), "sheet width");
            c.sheet = c.sheet.value_or(job::SheetChoice{});
            c.sheet->width = width;
        } else if (a == "--catalogue") {
            o.catalogue = value("a folder");
            if (o.catalogue.empty())
                throw UsageError("the catalogue folder is empty");
        } else if (a == "--all-titles") {
            o.allTitles = true;
        } else if (a == "--min-length") {
            const std::int64_t seconds = ParseSeconds(value("a length"));
            o.minLength = static_cast<std::int32_t>(seconds);
            minLengthGiven = true;
        } else if (a == "--size") {
            const std::string& size = value("WIDTHxHEIGHT");
            const std::size_t x = size.find('x');
            if (x == std::string::npos)
                throw UsageError("invalid size: '" + size + "' (WIDTHxHEIGHT)");
            c.width = ParseInt32(size.substr(0, x), "width");
            c.height = ParseInt32(size.substr(x + 1), "height");
        } else if (a == "--width") {
            c.width = ParseInt32(value("a width"), "width");
            c.height.reset();
        } else if (a == "-o" || a == "--save-folder") {
            c.saveFolder = value("a folder");
            if (c.saveFolder.empty())
                throw UsageError("the save folder is empty");
        } else if (a == "--deinterlace") {
            const std::string& mode = value("auto or off");
            if (mode != "auto" && mode != "off")
                throw UsageError("invalid deinterlace mode: '" + mode + "' (auto or off)");
            o.deinterlace = mode == "auto";
        } else if (a == "--subtitles") {
            const std::string& spec = value("off, forced, a stream number or a language");
            const std::optional<job::SubtitleRequest> request = job::ParseSubtitles(spec);
            if (!request)
                throw UsageError("invalid subtitles: '" + spec +
                                 "' (off, forced, a stream number or a two-letter language)");
            o.subtitles = *request;
        } else if (a == "--subtitles-stream") {
            forcedStream = ParseInt32(value("a number"), "subtitle stream");
            if (forcedStream < 1)
                throw UsageError("subtitle stream numbers start at 1");
        } else if (a == "--") {
            o.files.insert(o.files.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            break;
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError("unknown option: " + a);
        } else {
            o.files.push_back(a);
        }
    }
    if (o.thumbnail) {
        if (!notWithThumbnail.empty())
            throw UsageError(notWithThumbnail + " does not go with --thumbnail");
        if (o.files.size() != 2 && !o.help && !o.version)
            throw UsageError("--thumbnail takes one video and one output file");
        return o;
    }
    if (sideGiven)
        throw UsageError("-s goes with --thumbnail");
    if (forcedStream > 0) {
        if (o.subtitles.kind != job::SubtitleRequest::Kind::Forced)
            throw UsageError("--subtitles-stream goes with --subtitles forced");
        o.subtitles.stream = forcedStream;
    }
    if (!o.catalogue.empty()) {
        if (!notWithCatalogue.empty())
            throw UsageError(notWithCatalogue + " does not go with --catalogue");
        if (minLengthGiven && !o.allTitles)
            throw UsageError("--min-length goes with --all-titles");
        // Every input gets a sheet: the default grid unless one is given.
        c.sheet = c.sheet.value_or(job::SheetChoice{});
        if (sheetRows == 0)
            sheetRows = 4;
    } else if (o.allTitles || minLengthGiven) {
        throw UsageError(std::string(o.allTitles ? "--all-titles" : "--min-length") + " goes with --catalogue");
    }
    if (c.sheet && sheetRows == 0)
        throw UsageError("--sheet-width goes with --sheet");
    if (keepBlank) {
        if (!c.sheet || c.mode != job::Mode::Pieces)
            throw UsageError("--keep-blank goes with a --sheet of the whole video");
        c.sheet->keepBlank = true;
    }
    if (c.sheet) {
        if (c.mode == job::Mode::Pieces && modeGiven)
            throw UsageError("a sheet's pieces are its cells: give --sheet COLSxROWS, not --pieces");
        if (c.width || c.height)
            throw UsageError("a sheet's pictures take their size from --sheet-width");
        if (c.mode == job::Mode::Pieces) {
            if (c.sheet->columns < 1 || sheetRows < 1)
                throw UsageError("a sheet needs at least one column and one row");
            c.pieces = static_cast<std::int32_t>(
                std::min<std::int64_t>(std::int64_t{c.sheet->columns} * sheetRows, INT32_MAX));
        }
    }
    if (const std::string problem = job::Problem(c); !problem.empty())
        throw UsageError(problem);
    if (o.files.empty() && !o.help && !o.version)
        throw UsageError("no video file given");
    return o;
}

std::string UsageText()
{
    return "Usage: stillreel-thumbs [options] FILE.vob|DISC...\n"
           "       stillreel-thumbs --thumbnail [-s SIZE] FILE.vob|DISC OUTPUT.png\n"
           "       stillreel-thumbs --catalogue OUTDIR [sheet options] FILE.vob|DISC|FOLDER...\n"
           "Writes still pictures of DVD video files as JPEG files of quality 100, named\n"
           "<folder>/<video name>/<video name>_<i>.jpg. A DISC is a VIDEO_TS folder, the folder\n"
           "holding it, its VIDEO_TS.IFO or a disc image; its video name is <disc name>_T<NN>.\n"
           "\n"
           "Which pictures (one of):\n"
           "  --pieces N             N pictures spread evenly over the video (default: 12)\n"
           "  --whole                every frame\n"
           "  --range START END      every frame from second START to second END, both included;\n"
           "                         whole seconds or [hh:]mm:ss\n"
           "  --chapters             the first frame of each chapter of a disc title, named\n"
           "                         <video name>_chNN.jpg\n"
           "Contact sheet (one JPEG, <video name>_sheet.jpg, in the output folder, and beside it\n"
           "<video name>_sheet.json, each cell's frame, time and place on the sheet):\n"
           "  --sheet [COLSxROWS]    COLS x ROWS cells (default: 4x4) over the whole video, each the\n"
           "                         frame in the middle of its share of the length or, where that\n"
           "                         is nearly uniform (black, a fade, a flat card), the nearest in\n"
           "                         its share that is not, with its time, under a heading with the\n"
           "                         video's facts; with --chapters one cell per chapter, COLS\n"
           "                         across (<video name>_chapters.jpg and .json)\n"
           "  --keep-blank           each cell the frame in the middle of its share, blank or not\n"
           "  --sheet-width W        the sheet's width in pixels (default: 1600)\n"
           "Size (default: the video's width, the height by its aspect ratio):\n"
           "  --size WxH             exactly W x H pixels\n"
           "  --width W              W pixels wide, the height by the video's aspect ratio\n"
           "A disc:\n"
           "  --title N              title N of the disc (default: the main title)\n"
           "  --angle N              angle N of the title (default: the first)\n"
           "  --list-titles          print the disc's titles and write nothing\n"
           "Pictures:\n"
           "  --deinterlace MODE     auto: frames the video marks interlaced are deinterlaced\n"
           "                         (the default); off: frames as decoded\n"
           "  --subtitles SPEC       draw subtitles into the pictures: off (the default), a stream\n"
           "                         number as --info lists it, a language code (en: the first\n"
           "                         stream in it) or forced (only the forced subpictures of the\n"
           "                         first stream)\n"
           "  --subtitles-stream N   with --subtitles forced: those of stream N instead\n"
           "Output:\n"
           "  -o, --save-folder DIR  make the pictures' folder in DIR (default: the current directory)\n"
           "  --info                 print each file's information and subtitle streams, and\n"
           "                         write nothing\n"
           "  -q, --quiet            print no progress\n"
           "  -h, --help             print this help\n"
           "  --version              print the version\n"
           "A catalogue (with the contact sheet options, --deinterlace and -q):\n"
           "  --catalogue OUTDIR     a contact sheet of each disc's main title and of each video\n"
           "                         file, folders searched through for discs, images and videos,\n"
           "                         each into a folder of its own in OUTDIR; then OUTDIR/index.html,\n"
           "                         one page of them all with each disc's titles, and the same as\n"
           "                         OUTDIR/catalogue.json. Inputs whose sheets are newer than they\n"
           "                         are skipped\n"
           "  --all-titles           a sheet of every title of --min-length or more\n"
           "  --min-length SECONDS   whole seconds or [hh:]mm:ss (default: 60)\n"
           "A file manager's thumbnail (with --title, --angle and --deinterlace, no other option):\n"
           "  --thumbnail            one picture, at 10% of the video or the first of 20%, 30%, ...\n"
           "                         90% where that is nearly uniform (black, a fade, a flat card),\n"
           "                         written as the PNG file OUTPUT.png; nothing else is printed\n"
           "                         or written\n"
           "  -s SIZE                its longer side in pixels, 1 to 4096 (default: 256)\n"
           "\n"
           "Exit status: 0 when every file succeeded, 1 when a job failed, 2 for a usage error,\n"
           "130 when interrupted.\n";
}

} // namespace thumbs
