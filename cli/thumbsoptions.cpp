#include "cli/thumbsoptions.h"

#include "cli/optiontable.h"

#include <algorithm>
#include <string_view>

namespace thumbs {

namespace {

struct Given {
    const OptionRow* option;
    std::string spelling;
};

// The option that makes `job` the command line's, as its errors name it.
std::string_view Opener(unsigned job)
{
    for (const OptionRow& option : OptionTable())
        if (option.opens & job)
            return option.name;
    return {};
}

} // namespace

Options ParseOptions(const std::vector<std::string>& args)
{
    ParseState state;
    Options& o = state.options;
    job::Choices& c = o.choices;
    std::vector<Given> given;  // in the order given
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--") {
            o.files.insert(o.files.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            break;
        }
        const OptionRow* option = FindOption(a);
        if (!option) {
            if (a.size() > 1 && a[0] == '-')
                throw UsageError("unknown option: " + a);
            o.files.push_back(a);
            continue;
        }
        if (!option->exclusive.empty())
            for (const Given& earlier : given)
                if (earlier.option != option && earlier.option->exclusive == option->exclusive)
                    throw UsageError(std::string(option->exclusive));
        Values values(args, i, a, option->wanted);
        option->apply(state, values);
        given.push_back({option, a});
    }

    const unsigned job = o.thumbnail ? kThumbnailJob : !o.catalogue.empty() ? kCatalogueJob : kPicturesJob;
    for (const Given& g : given) {
        if (g.option->jobs & job)
            continue;
        if (job == kPicturesJob)
            throw UsageError(g.spelling + " goes with " + std::string(Opener(g.option->jobs)));
        throw UsageError(g.spelling + " does not go with " + std::string(Opener(job)));
    }
    if (job == kThumbnailJob) {
        if (o.files.size() != 2 && !o.help && !o.version)
            throw UsageError("--thumbnail takes one video and one output file");
        return o;
    }
    if (job == kCatalogueJob) {
        // Every input gets a sheet: the default grid unless one is given.
        c.sheet = c.sheet.value_or(job::SheetChoice{});
        if (state.sheetRows == 0)
            state.sheetRows = 4;
    }
    for (const Given& g : given)
        if (g.option->met && !g.option->met(state))
            throw UsageError(g.spelling + " goes with " + std::string(g.option->needs));
    if (state.forcedStream > 0)
        o.subtitles.stream = state.forcedStream;
    if (state.keepBlank)
        c.sheet->keepBlank = true;
    if (c.sheet) {
        if (c.mode == job::Mode::Pieces && state.modeGiven)
            throw UsageError("a sheet's pieces are its cells: give --sheet COLSxROWS, not --pieces");
        if (c.width || c.height)
            throw UsageError("a sheet's pictures take their size from --sheet-width");
        if (c.mode == job::Mode::Pieces) {
            if (c.sheet->columns < 1 || state.sheetRows < 1)
                throw UsageError("a sheet needs at least one column and one row");
            c.pieces = static_cast<std::int32_t>(
                std::min<std::int64_t>(std::int64_t{c.sheet->columns} * state.sheetRows, INT32_MAX));
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
    std::string text = "Usage: stillreel-thumbs [options] FILE.vob|DISC...\n"
                       "       stillreel-thumbs --thumbnail [-s SIZE] FILE.vob|DISC OUTPUT.png\n"
                       "       stillreel-thumbs --catalogue OUTDIR [sheet options] FILE.vob|DISC|FOLDER...\n"
                       "Writes still pictures of DVD video files as JPEG files of quality 100, named\n"
                       "<folder>/<video name>/<video name>_<i>.jpg. A DISC is a VIDEO_TS folder, the folder\n"
                       "holding it, its VIDEO_TS.IFO or a disc image; its video name is <disc name>_T<NN>.\n"
                       "\n";
    // Each option's spellings and arguments in a column wide enough for "-o, --save-folder DIR".
    constexpr std::size_t kColumn = 23;
    const std::string indent(2 + kColumn, ' ');
    std::string_view section;
    for (const OptionRow& option : OptionTable()) {
        if (option.section != section) {
            section = option.section;
            text.append(section).append("\n");
        }
        std::string label(option.name);
        if (!option.longName.empty())
            label.append(", ").append(option.longName);
        if (!option.metavar.empty())
            label.append(" ").append(option.metavar);
        label.resize(std::max(label.size() + 1, kColumn), ' ');
        text.append("  ").append(label);
        std::string_view help = option.help;
        for (std::size_t line = help.find('\n'); line != std::string_view::npos; line = help.find('\n')) {
            text.append(help.substr(0, line)).append("\n").append(indent);
            help.remove_prefix(line + 1);
        }
        text.append(help).append("\n");
    }
    return text +
        "\n"
        "Exit status: 0 when every file succeeded, 1 when a job failed, 2 for a usage error,\n"
        "130 when interrupted.\n";
}

} // namespace thumbs
