// stillreel-thumbs: the thumbnail engine of Stillreel from the command line, one job per file.
#include "catalogue/catalogue.h"
#include "cli/thumbsoptions.h"
#include "cli/titlelisting.h"

#include "common/hms.h"
#include "common/version.h"
#include "convert/convertthread.h"
#include "decoder/decoder.h"
#include "dvd/disc.h"
#include "job/choices.h"
#include "job/prepare.h"
#include "job/statuslines.h"
#include "job/subtitles.h"
#include "job/thumbnail.h"
#include "job/video.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kJobFailed = 1;
constexpr int kUsage = 2;
constexpr int kInterrupted = 130;

std::atomic<bool> g_interrupted{false};

extern "C" void OnInterrupt(int)
{
    g_interrupted = true;
}

// Ctrl+C asks the running job to stop; the handler is one-shot, so a second Ctrl+C ends the
// program at once (a pieces or range job does not look at the stop request).
void CatchInterrupt()
{
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    // SA_RESETHAND is 0x80000000, an int only by the C library's own cast.
    action.sa_flags = static_cast<int>(SA_RESETHAND);
    sigaction(SIGINT, &action, nullptr);
}

// The progress line of the window: redrawn in place on a terminal, plain lines otherwise. Where the
// standard error is a terminal, someone watches: it shows a line of its own with the share done, the
// rate and the time left, while the standard output keeps its plain lines unless it is that terminal.
class ProgressPrinter {
public:
    explicit ProgressPrinter(bool quiet)
        : quiet_(quiet), terminal_(isatty(STDOUT_FILENO)), watched_(isatty(STDERR_FILENO)),
          start_(std::chrono::steady_clock::now())
    {
    }

    void Saved(const std::string& line, std::int64_t written, std::int64_t total, bool first, bool secondPassed)
    {
        if (quiet_)
            return;
        if (watched_) {
            DrawLive(written, total);
            if (!terminal_ && (first || secondPassed))
                std::printf("%s\n", line.c_str());
        } else if (terminal_) {
            std::printf("\r%s", line.c_str());
            std::fflush(stdout);
        } else if (first || secondPassed) {
            std::printf("%s\n", line.c_str());
        }
    }

    void Done(const std::string& line)
    {
        if (quiet_)
            return;
        if (watched_)
            std::fputs("\r\x1b[K", stderr);
        std::printf("%s%s\n", terminal_ && !watched_ ? "\r" : "", line.c_str());
    }

    // Ends a progress line left open on a terminal, before anything else is printed.
    void Break()
    {
        if (!quiet_ && watched_)
            std::fputs("\n", stderr);
        else if (!quiet_ && terminal_)
            std::printf("\n");
        std::fflush(stdout);
    }

private:
    void DrawLive(std::int64_t written, std::int64_t total)
    {
        const auto now = std::chrono::steady_clock::now();
        // A terminal redrawn hundreds of times a second only flickers.
        if (now - lastDrawn_ < std::chrono::milliseconds(100))
            return;
        lastDrawn_ = now;
        const double seconds = std::chrono::duration<double>(now - start_).count();
        std::fprintf(stderr, "\r%s\x1b[K", job::LiveLine(written, total, seconds).c_str());
        std::fflush(stderr);
    }

    bool quiet_;
    bool terminal_;
    bool watched_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDrawn_{};
};

void PrintError(const std::string& message)
{
    std::fprintf(stderr, "stillreel-thumbs: %s\n", message.c_str());
}

// Where a file's failures are told: the standard error, or a catalogue's record of the file.
using Failure = std::function<void(const std::string&)>;

// A library without the switch always deinterlaces: off is then an error, auto its own way.
void SetDeinterlace(TDecoder& decoder, const thumbs::Options& options)
{
    if (!decoder.SetDeinterlace(options.deinterlace ? kDeinterlaceAuto : kDeinterlaceOff) && !options.deinterlace)
        throw std::runtime_error("the decoder library cannot turn deinterlacing off");
}

THms Duration(const TDecoderFileInfo& info)
{
    return {info.DurationHours, info.DurationMinutes, info.DurationSeconds};
}

// Why a job wrote no picture: every mode asks for at least one.
std::string NothingWritten(const job::Choices& choices, const TDecoderFileInfo& info)
{
    if (choices.mode == job::Mode::Range && choices.start >= info.TotalSeconds)
        return "the video ends at " + job::ClockText(Duration(info));
    return "no frame of the video could be decoded";
}

struct Outcome {
    int status = 0;  // the exit status the job calls for
    std::string sheetFile;  // the sheet, where the job wrote one
};

// Runs the job for one open video.
Outcome Convert(TDecoder& decoder, const thumbs::Options& options, const std::string& file, const job::Video& video,
                const Failure& fail)
{
    const TDecoderFileInfo& info = *decoder.FileInfo();
    job::PreparedJob work;
    try {
        work = job::PrepareJob(
            options.choices, video,
            {{info.Width, info.Height, decoder.AspectRatio()}, info.Fps, info.TotalSeconds, Duration(info)},
            job::Front::CommandLine);
    } catch (const Exception& e) {
        fail(e.Message());
        return {kJobFailed, {}};
    }
    ProgressPrinter printer(options.quiet);
    job::Progress progress;
    std::string failure;
    // The handler runs only once the thread has started, so it may use the thread.
    const std::string sheetFile = work.sheetFile;
    TConvertThread thread(
        decoder, info.TotalSeconds, std::move(work.record),
        [&](TStatusFlags status, const TConvertProgress* p) {
            if (g_interrupted)
                thread.Terminate();
            if (status.Has(TStatusFlag::stFrameSaved)) {
                const bool first = progress.Written() == 0;
                const std::string line = progress.Saved(*p);
                printer.Saved(line, progress.Written(), p->Total, first, status.Has(TStatusFlag::stConvertRate));
            }
            if (status.Has(TStatusFlag::stConvertDone) && progress.Written() > 0)
                printer.Done(progress.Done(*p));
            if (status.Has(TStatusFlag::stConvertError))
                failure = thread.LastError().empty() ? file + ": the job failed" : thread.LastError();
        },
        std::move(work.sheet));
    thread.Start();
    thread.WaitFor();
    // Pictures from a scratched disc are kept, but the job does not pass for whole.
    const std::string unreadable = job::UnreadableLine(decoder.Unreadable());
    const auto finish = [&](int status) {
        const Outcome outcome{status, progress.Written() > 0 ? sheetFile : std::string()};
        if (unreadable.empty())
            return outcome;
        std::fflush(stdout);
        fail(file + ": " + unreadable);
        return Outcome{status == 0 ? kJobFailed : status, outcome.sheetFile};
    };
    if (!failure.empty()) {
        printer.Break();
        fail(failure);
        return finish(kJobFailed);
    }
    if (g_interrupted) {
        printer.Break();
        fail(file + ": interrupted; the pictures written so far stay");
        return finish(kInterrupted);
    }
    if (progress.Written() == 0) {
        fail(file + ": " + NothingWritten(options.choices, info));
        return finish(kJobFailed);
    }
    if (!sheetFile.empty() && !options.quiet)
        std::printf("Sheet: %s\n", sheetFile.c_str());
    return finish(0);
}

// The video `file` names, opened; nothing, having told why, where it cannot be found or opened.
std::optional<job::Video> OpenVideo(TDecoder& decoder, const std::string& file, const job::TitleRequest& title,
                                    const Failure& fail)
{
    try {
        const job::Video video = *job::FindVideo(file, title);
        decoder.OpenFile(video.path, video.title, video.angle);
        return video;
    } catch (const dvd::DiscError& e) {
        fail(file + ": " + e.what());
    } catch (const EMPEG2Error& e) {
        fail(e.Message());
    }
    return std::nullopt;
}

// Draws the subtitles asked for into the open video's frames; false, having said why, where the
// video has no such stream.
bool ChooseSubtitles(TDecoder& decoder, const job::SubtitleRequest& request, const std::string& file)
{
    // Every open starts with none, and a plain VOB is not walked for streams it will not draw.
    if (request.kind == job::SubtitleRequest::Kind::Off)
        return true;
    // Listing a plain VOB's streams reads all of it; stream n needs only as much as it takes to meet
    // the n lowest. The list is read only to name a language or to say what the video has instead.
    using Kind = job::SubtitleRequest::Kind;
    if ((request.kind == Kind::Number || request.kind == Kind::Forced) &&
        decoder.SetSubtitles(request.stream > 0 ? request.stream : 1, request.kind == Kind::Forced))
        return true;
    try {
        const job::SubtitleChoice choice =
            job::ResolveSubtitles(request, job::SubtitleStreams(decoder.SubtitleStreams()));
        if (decoder.SetSubtitles(choice.stream, choice.forcedOnly))
            return true;
        PrintError(file + ": the decoder library cannot draw subtitles");
    } catch (const Exception& e) {
        PrintError(file + ": " + e.Message());
    }
    return false;
}

// Every file in turn; answers the exit status. An error that concerns no single file, such as a
// library that cannot be loaded, ends the run by an exception.
int ConvertFiles(const thumbs::Options& options)
{
    int status = 0;
    TDecoder decoder;
    SetDeinterlace(decoder, options);
    for (const std::string& file : options.files) {
        if (options.files.size() > 1 && !options.quiet)
            std::printf("%s\n", file.c_str());
        const std::optional<job::Video> video = OpenVideo(decoder, file, options.title, PrintError);
        if (!video) {
            status = kJobFailed;
            continue;
        }
        if (options.info) {
            const TDecoderFileInfo& info = *decoder.FileInfo();
            std::printf("%s\n", job::InfoLine(info.Fps, info.Width, info.Height, Duration(info)).c_str());
            if (const std::string subtitles = job::SubtitlesLine(job::SubtitleStreams(decoder.SubtitleStreams()));
                !subtitles.empty())
                std::printf("%s\n", subtitles.c_str());
            continue;
        }
        if (!ChooseSubtitles(decoder, options.subtitles, file)) {
            status = kJobFailed;
            continue;
        }
        const int result = Convert(decoder, options, file, *video, PrintError).status;
        if (result == kInterrupted)
            return kInterrupted;
        if (result != 0)
            status = result;
    }
    return status;
}

// Lists the titles of every disc, without loading the decoder library; answers the exit status.
int ListTitles(const thumbs::Options& options)
{
    int status = 0;
    for (const std::string& file : options.files) {
        if (options.files.size() > 1 && !options.quiet)
            std::printf("%s\n", file.c_str());
        try {
            if (!dvd::IsDiscPath(file))
                throw dvd::DiscError("not a DVD folder or image");
            std::fputs(thumbs::TitleListing(dvd::Disc(file)).c_str(), stdout);
        } catch (const dvd::DiscError& e) {
            std::fflush(stdout);
            PrintError(file + ": " + e.what());
            status = kJobFailed;
        }
    }
    return status;
}

// One picture of the one file as a PNG, for a file manager, which may run this where nothing but
// the output's folder can be written; answers the exit status and prints nothing but a failure.
int Thumbnail(const thumbs::Options& options)
{
    // libdvdcss, where installed, keeps the keys of the discs it reads in the home folder.
    setenv("DVDCSS_CACHE", "off", 1);
    TDecoder decoder;
    SetDeinterlace(decoder, options);
    try {
        job::WriteThumbnail(decoder, options.files[0], options.title, options.thumbnailSide, options.files[1]);
    } catch (const Exception& e) {
        PrintError(e.Message());
        return kJobFailed;
    }
    return 0;
}

// How the catalogue's sheets are made, so that a run with other choices makes them again.
std::string SheetRecipe(const thumbs::Options& options)
{
    const job::SheetChoice& sheet = *options.choices.sheet;
    return "sheet " + std::to_string(sheet.columns) + "x" + std::to_string(options.choices.pieces / sheet.columns) +
        ", " + std::to_string(sheet.width) + " wide" + (sheet.keepBlank ? ", blank cells kept" : "") +
        (options.deinterlace ? "" : ", not deinterlaced");
}

// A sheet of each disc and video, the page and the JSON of them all; answers the exit status.
int Catalogue(const thumbs::Options& options)
{
    TDecoder decoder;
    SetDeinterlace(decoder, options);
    const catalogue::SheetMaker makeSheet = [&](const catalogue::SheetRequest& request) {
        catalogue::SheetResult result;
        // The summary names the file; the first reason is the one that counts.
        const Failure fail = [&](const std::string& message) {
            const std::string prefix = request.path + ": ";
            if (result.error.empty())
                result.error = message.starts_with(prefix) ? message.substr(prefix.size()) : message;
        };
        const std::optional<job::Video> video = OpenVideo(decoder, request.path, {request.title, 0}, fail);
        if (!video)
            return result;
        const TDecoderFileInfo& info = *decoder.FileInfo();
        result.lengthMs = std::int64_t{info.TotalSeconds} * 1000;
        const double aspect = decoder.AspectRatio();
        result.aspect = job::AspectText(aspect > 0 ? aspect : static_cast<double>(info.Width) / info.Height);
        thumbs::Options sheetOptions = options;
        sheetOptions.quiet = true;
        sheetOptions.choices.saveFolder = request.folder;
        const Outcome outcome = Convert(decoder, sheetOptions, request.path, *video, fail);
        result.sheet = outcome.sheetFile;
        result.interrupted = outcome.status == kInterrupted;
        return result;
    };
    const catalogue::Settings settings{options.catalogue, options.allTitles, std::int64_t{options.minLength} * 1000,
                                       SheetRecipe(options)};
    const catalogue::Say say = [&](const std::string& line) {
        if (options.quiet)
            return;
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    };
    const catalogue::Summary summary =
        catalogue::MakeCatalogue(catalogue::FindInputs(options.files), settings, makeSheet, say);
    std::fputs(catalogue::SummaryText(summary).c_str(), stdout);
    if (summary.interrupted)
        return kInterrupted;
    return summary.failed > 0 ? kJobFailed : 0;
}

int Run(int argc, char** argv)
{
    thumbs::Options options;
    try {
        options = thumbs::ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const thumbs::UsageError& e) {
        PrintError(e.what());
        std::fprintf(stderr, "Try 'stillreel-thumbs --help' for more information.\n");
        return kUsage;
    }
    if (options.help) {
        std::fputs(thumbs::UsageText().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("stillreel-thumbs %s\n", STILLREEL_VERSION);
        return 0;
    }
    if (options.thumbnail)
        return Thumbnail(options);
    if (options.listTitles)
        return ListTitles(options);
    CatchInterrupt();
    if (!options.catalogue.empty())
        return Catalogue(options);
    return ConvertFiles(options);
}

} // namespace

int main(int argc, char** argv)
{
    // Nothing escapes: an uncaught exception would abort the program (status 134) instead of saying
    // in one line what went wrong.
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::fflush(stdout);
        PrintError(e.what());
    } catch (...) {
        std::fflush(stdout);
        PrintError("unexpected error");
    }
    return kJobFailed;
}
