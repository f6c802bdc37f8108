// stillreel-thumbs: the thumbnail engine of Stillreel from the command line, one job per file.
#include "cli/discvideo.h"
#include "cli/thumbsoptions.h"

#include "convert/convertthread.h"
#include "decoder/decoder.h"
#include "dvd/disc.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
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

// The progress line of the window: redrawn in place on a terminal, plain lines otherwise.
class Progress {
public:
    explicit Progress(bool quiet) : quiet_(quiet), terminal_(isatty(STDOUT_FILENO)) {}

    void Saved(std::int64_t shown, std::int64_t total, bool secondPassed)
    {
        if (quiet_)
            return;
        if (terminal_) {
            std::printf("\rProcessing: %lld/%lld", static_cast<long long>(shown), static_cast<long long>(total));
            std::fflush(stdout);
        } else if (shown == 1 || secondPassed) {
            std::printf("Processing: %lld/%lld\n", static_cast<long long>(shown), static_cast<long long>(total));
        }
    }

    void Done(std::int64_t shown, std::int64_t total)
    {
        if (quiet_)
            return;
        std::printf("%sDone: %lld/%lld\n", terminal_ ? "\r" : "", static_cast<long long>(shown),
                    static_cast<long long>(total));
    }

    // Ends a progress line left open on a terminal, before anything else is printed.
    void Break()
    {
        if (!quiet_ && terminal_)
            std::printf("\n");
        std::fflush(stdout);
    }

private:
    bool quiet_;
    bool terminal_;
};

void PrintError(const std::string& message)
{
    std::fprintf(stderr, "stillreel-thumbs: %s\n", message.c_str());
}

// The folder the pictures' folder is made in, ending in "/": the one asked for, or the current one.
std::string SaveFolderOf(const thumbs::Options& options)
{
    std::string folder = options.saveFolder;
    if (folder.empty()) {
        std::error_code error;
        folder = std::filesystem::current_path(error).string();
        if (error)
            throw Exception("Unable to find the current folder (" + error.message() + ")");
    }
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

// hh:mm:ss
std::string Duration(const TDecoderFileInfo& info)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.2d:%.2d:%.2d", info.DurationHours, info.DurationMinutes,
                  info.DurationSeconds);
    return text;
}

void PrintInfo(const TDecoderFileInfo& info)
{
    std::printf("FPS: %.2f Size: %dx%d Duration: %s\n", info.Fps, info.Width, info.Height, Duration(info).c_str());
}

// Why a job wrote no picture: every mode asks for at least one.
std::string NothingWritten(const thumbs::Options& options, const TDecoderFileInfo& info)
{
    if (options.mode == thumbs::Mode::Range && options.rangeStart >= info.TotalSeconds)
        return "the video ends at " + Duration(info);
    return "no frame of the video could be decoded";
}

TConvertRec JobFor(const thumbs::Options& options, const std::string& videoName, const TDecoder& decoder)
{
    const thumbs::Size size = thumbs::ThumbnailSize(options, decoder.FileInfo()->Width, decoder.AspectRatio());
    TConvertRec job;
    job.Width = size.width;
    job.Height = size.height;
    job.Whole = options.mode == thumbs::Mode::Whole;
    job.StartEnd = options.mode == thumbs::Mode::Range;
    job.Pieces = options.pieces;
    job.VideoName = videoName;
    job.SaveFolder = SaveFolderOf(options);
    job.StartPoint = options.rangeStart;
    job.EndPoint = options.rangeEnd;
    return job;
}

// Runs the job for one open video; answers the exit status it calls for.
int Convert(TDecoder& decoder, const thumbs::Options& options, const std::string& file, const std::string& videoName)
{
    const std::int32_t totalSeconds = decoder.FileInfo()->TotalSeconds;
    // Like mkdir -p: a save folder named on the command line is made when missing.
    std::error_code error;
    std::filesystem::create_directories(options.saveFolder.empty() ? "." : options.saveFolder, error);
    if (error) {
        PrintError("Unable to create folder: " + options.saveFolder + " (" + error.message() + ")");
        return kJobFailed;
    }
    Progress progress(options.quiet);
    std::string failure;
    // The engine's Current is the index of the last picture, which stays 0 when none was written:
    // the pictures on disk are counted here.
    std::int64_t written = 0;
    // The handler runs only once the thread has started, so it may use the thread.
    TConvertThread thread(decoder, totalSeconds, JobFor(options, videoName, decoder),
                          [&](TStatusFlags status, const TConvertProgress* p) {
                              if (g_interrupted)
                                  thread.Terminate();
                              if (status.Has(TStatusFlag::stFrameSaved))
                                  progress.Saved(++written, p->Total, status.Has(TStatusFlag::stConvertRate));
                              if (status.Has(TStatusFlag::stConvertDone) && written > 0)
                                  progress.Done(written, p->Total);
                              if (status.Has(TStatusFlag::stConvertError))
                                  failure = thread.LastError().empty() ? file + ": the job failed" : thread.LastError();
                          });
    thread.Start();
    thread.WaitFor();
    if (!failure.empty()) {
        progress.Break();
        PrintError(failure);
        return kJobFailed;
    }
    if (g_interrupted) {
        progress.Break();
        PrintError(file + ": interrupted; the pictures written so far stay");
        return kInterrupted;
    }
    if (written == 0) {
        PrintError(file + ": " + NothingWritten(options, *decoder.FileInfo()));
        return kJobFailed;
    }
    return 0;
}

// Every file in turn; answers the exit status. An error that concerns no single file, such as a
// library that cannot be loaded, ends the run by an exception.
int ConvertFiles(const thumbs::Options& options)
{
    int status = 0;
    TDecoder decoder;
    // A library without the switch always deinterlaces: off is then an error, auto its own way.
    if (!decoder.SetDeinterlace(options.deinterlace ? kDeinterlaceAuto : kDeinterlaceOff) && !options.deinterlace)
        throw std::runtime_error("the decoder library cannot turn deinterlacing off");
    for (const std::string& file : options.files) {
        if (options.files.size() > 1 && !options.quiet)
            std::printf("%s\n", file.c_str());
        thumbs::Video video;
        try {
            video = thumbs::ChooseVideo(options, file);
        } catch (const dvd::DiscError& e) {
            PrintError(file + ": " + e.what());
            status = kJobFailed;
            continue;
        }
        try {
            decoder.OpenFile(file, video.title, video.angle);
        } catch (const EMPEG2Error& e) {
            PrintError(e.Message());
            status = kJobFailed;
            continue;
        }
        if (options.info) {
            PrintInfo(*decoder.FileInfo());
            continue;
        }
        const int result = Convert(decoder, options, file, video.name);
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
    if (options.listTitles)
        return ListTitles(options);
    CatchInterrupt();
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
