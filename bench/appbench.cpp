// The program's window measured as a user meets it: a TmainDlg with its TUIManager in a real X server
// (Qt on xcb, SDL's x11 driver in the panel), every modal thing answered at once so that nothing
// blocks. Prints one "key value" line per figure for bench/app:
//   convert: the whole video at 720 x 540 through GENERATE, pictures per second, and the event
//            loop's longest stall meanwhile (a 20 ms timer's largest gap between ticks);
//   seek:    slider drags released at 12 spread seconds, from the release to the frame on screen,
//            each checked against the play manager's Position and the window's pixels;
//   open:    OpenVideo on a fresh window to the first frame on screen, median of some runs.
#include "app/mainForm.h"
#include "app/stillreelapp.h"
#include "app/uiManager.h"
#include "playback/SDLPanel.h"
#include "playback/playManager.h"
#include "support/frameindex.h"

#include <QEventLoop>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// Last: Xlib defines macros (Status, None, Bool) that clash with ordinary names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

using Clock = std::chrono::steady_clock;

double MsBetween(Clock::time_point From, Clock::time_point To)
{
    return std::chrono::duration<double, std::milli>(To - From).count();
}

double Median(std::vector<double> Values)
{
    std::sort(Values.begin(), Values.end());
    const std::size_t n = Values.size();
    return n % 2 == 1 ? Values[n / 2] : (Values[n / 2 - 1] + Values[n / 2]) / 2;
}

double ThreadCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Every modal thing answered at once; what the job reported is kept.
struct Answers {
    std::string folder;
    std::vector<std::string> errors;
    bool completed = false;
    Clock::time_point completedAt;
    // Called when the job has ended, either way.
    std::function<void()> onEnd;
};

class BenchChoosers : public TUIChoosers {
public:
    explicit BenchChoosers(Answers& answers) : answers_(answers) {}
    std::string ChooseVideoFile(QWidget*) override { return {}; }
    std::string ChooseFolder(QWidget*, const std::string&) override { return answers_.folder; }
    void ShowMessage(QWidget*, const std::string& text, bool) override { answers_.errors.push_back(text); }
    void ShowError(QWidget*, const std::string& text) override
    {
        answers_.errors.push_back(text);
        if (answers_.onEnd)
            answers_.onEnd();
    }
    void RunConfig(QWidget*, TConfigManager&, bool, double) override {}
    void ShowComplete(QWidget*, const std::string&, const std::string&) override
    {
        answers_.completedAt = Clock::now();
        answers_.completed = true;
        if (answers_.onEnd)
            answers_.onEnd();
    }
    void ShowAbout(QWidget*) override {}

private:
    Answers& answers_;
};

// The panel's pixels as the X server has them, next to what SDL drew, read on a connection of our own.
class ScreenReader {
public:
    ScreenReader() : display_(XOpenDisplay(nullptr))
    {
        if (display_ == nullptr)
            throw std::runtime_error("cannot open the X display");
    }
    ~ScreenReader() { XCloseDisplay(display_); }
    ScreenReader(const ScreenReader&) = delete;
    ScreenReader& operator=(const ScreenReader&) = delete;

    // Waits until the server has handled everything sent to it before now on this connection.
    void Sync() { XSync(display_, False); }

    // 0x00RRGGBB per pixel, top row first; empty when the window cannot be read (not mapped).
    std::vector<std::uint32_t> Window(const TSDLPanel& panel)
    {
        std::vector<std::uint32_t> pixels;
        const auto previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        XImage* image = XGetImage(display_, panel.winId(), 0, 0, static_cast<unsigned>(panel.width()),
                                  static_cast<unsigned>(panel.height()), AllPlanes, ZPixmap);
        XSync(display_, False);
        XSetErrorHandler(previous);
        if (image == nullptr)
            return pixels;
        pixels.reserve(static_cast<std::size_t>(panel.width() * panel.height()));
        for (int y = 0; y < panel.height(); ++y)
            for (int x = 0; x < panel.width(); ++x)
                pixels.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0x00FFFFFFu);
        XDestroyImage(image);
        return pixels;
    }

private:
    Display* display_;
};

// What SDL drew into its screen surface, in the same layout.
std::vector<std::uint32_t> Drawn(const TSDLPanel& panel)
{
    std::vector<std::uint32_t> pixels;
    const SDL_Surface* screen = panel.Screen();
    if (screen == nullptr || screen->format->BytesPerPixel != 4)
        return pixels;
    for (int y = 0; y < screen->h; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(screen->pixels) +
                                                                 y * screen->pitch);
        for (int x = 0; x < screen->w; ++x)
            pixels.push_back(row[x] & 0x00FFFFFFu);
    }
    return pixels;
}

bool AllBlack(const std::vector<std::uint32_t>& pixels)
{
    return std::all_of(pixels.begin(), pixels.end(), [](std::uint32_t p) { return p == 0; });
}

// The frame index in the picture's letterboxed middle (the bars are black), or -1.
int IndexOnScreen(const std::vector<std::uint32_t>& pixels, int width, int height)
{
    int left = width;
    int right = -1;
    for (int x = 0; x < width; ++x)
        if (pixels[static_cast<std::size_t>(height / 2 * width + x)] != 0) {
            left = std::min(left, x);
            right = x;
        }
    if (right < left)
        return -1;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(pixels.data());
    return ReadFrameIndex(bytes + left * 4, right - left + 1, height, width * 4, 4);
}

// The window as the program shows it, exposed and idle.
std::unique_ptr<TmainDlg> ShowWindow(Answers& answers)
{
    auto form = std::make_unique<TmainDlg>(std::make_unique<BenchChoosers>(answers));
    form->show();
    const Clock::time_point until = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < until && !form->windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
    return form;
}

int Convert(const std::string& video, const std::string& folder)
{
    Answers answers;
    answers.folder = folder;
    const std::unique_ptr<TmainDlg> form = ShowWindow(answers);
    TUIManager& manager = form->Manager();
    if (manager.OpenVideo(video) != TUIManager::TOpenResult::Opened)
        throw std::runtime_error("not a .vob file: " + video);
    manager.Settings().Width = 720;
    manager.Settings().Height = 540;
    manager.SaveFolderClick();
    form->rbWhole->setChecked(true);
    QCoreApplication::processEvents();

    // The event loop's longest stall: the largest gap between two ticks of a 20 ms timer.
    Clock::time_point lastTick = Clock::now();
    double longestGap = 0;
    long ticks = 0;
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    beat.setInterval(20);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        const Clock::time_point now = Clock::now();
        longestGap = std::max(longestGap, MsBetween(lastTick, now));
        lastTick = now;
        ++ticks;
    });
    long handOffs = 0;
    std::int64_t pictures = 0;
    const TManagerEvent shown = manager.PlayManager().OnProgress;
    manager.PlayManager().OnProgress = [&](void* sender, bool fromConversion, const TConvertProgress* info) {
        ++handOffs;
        if (info != nullptr)
            pictures = info->Current + 1;
        shown(sender, fromConversion, info);
    };

    const double cpuStart = ThreadCpuSeconds();
    const Clock::time_point start = Clock::now();
    lastTick = start;
    beat.start();
    // The loop blocks while idle, as the program's does; it ends once the job's last event has returned.
    QEventLoop loop;
    answers.onEnd = [&] { QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection); };
    form->btnGenerate->click();
    if (manager.PlayManager().Converting())
        loop.exec();
    beat.stop();
    longestGap = std::max(longestGap, MsBetween(lastTick, answers.completedAt));
    const double mainCpu = ThreadCpuSeconds() - cpuStart;

    if (!answers.completed || !answers.errors.empty()) {
        std::fprintf(stderr, "bench_app: the job failed: %s\n",
                     answers.errors.empty() ? "no completion" : answers.errors.front().c_str());
        return 1;
    }
    const double seconds = MsBetween(start, answers.completedAt) / 1000;
    std::printf("pictures %lld\n", static_cast<long long>(pictures));
    std::printf("seconds %.3f\n", seconds);
    std::printf("pictures_per_second %.2f\n", static_cast<double>(pictures) / seconds);
    std::printf("progress_line %s\n", form->lbConvertInfo->text().toStdString().c_str());
    std::printf("longest_stall_ms %.1f\n", longestGap);
    std::printf("timer_ticks %ld\n", ticks);
    std::printf("progress_events %ld\n", handOffs);
    std::printf("main_thread_cpu_percent %.1f\n", 100.0 * mainCpu / seconds);
    return 0;
}

void Mouse(TSliderBar& slider, QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, at, slider.mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(&slider, &event);
}

// Drags the pointer to each of 12 places spread over the track, out of order, and releases it there.
// Runs the event loop, blocking while idle, for that long.
void RunFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Playing: each drag starts while the preview plays, so the press pauses it and the release resumes it.
int Seek(const std::string& video, bool indexed, bool playing)
{
    Answers answers;
    const std::unique_ptr<TmainDlg> form = ShowWindow(answers);
    TUIManager& manager = form->Manager();
    if (manager.OpenVideo(video) != TUIManager::TOpenResult::Opened)
        throw std::runtime_error("not a .vob file: " + video);
    const TSDLPanel& panel = manager.Panel();
    for (int i = 0; i < 50; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ScreenReader reader;
    TSliderBar& slider = *form->SliderBar;
    const double range = slider.width() - slider.PointerRect().width();
    const int order[] = {7, 2, 10, 0, 5, 11, 3, 8, 1, 9, 4, 6};

    std::vector<double> latencies;
    int exactPosition = 0;
    int exactOnScreen = 0;
    int firstFrameOfSecond = 0;
    int presentedAtFirstRead = 0;
    int resumed = 0;
    for (const int place : order) {
        if (playing) {
            manager.PlayClick();
            RunFor(120);
        }
        const QPoint grab = slider.PointerRect().center();
        // Kept off both ends: a release at the end stops instead of seeking.
        const int targetLeft = static_cast<int>(range * (0.03 + 0.94 * place / 11.0));
        QPoint to(grab.x() + targetLeft - slider.PointerRect().left(), grab.y());
        Mouse(slider, QEvent::MouseButtonPress, grab, Qt::LeftButton);
        Mouse(slider, QEvent::MouseMove, to, Qt::LeftButton);
        // On a short video the last place can round to the end itself.
        while (slider.Position() == slider.Max() && to.x() > 0) {
            to.rx() -= 1;
            Mouse(slider, QEvent::MouseMove, to, Qt::LeftButton);
        }
        const std::int64_t second = slider.Position();

        const Clock::time_point released = Clock::now();
        Mouse(slider, QEvent::MouseButtonRelease, to, Qt::NoButton);
        // SDL syncs its own connection in Flip; a round trip on ours puts the server past it as well.
        reader.Sync();
        const Clock::time_point presented = Clock::now();
        latencies.push_back(MsBetween(released, presented));

        const std::vector<std::uint32_t> onScreen = reader.Window(panel);
        // While playing, the playback thread may already be drawing the next frame.
        if (!playing && onScreen == Drawn(panel) && !AllBlack(onScreen))
            ++presentedAtFirstRead;
        if (manager.PlayManager().Position() == second)
            ++exactPosition;
        if (manager.PlayManager().Playing())
            ++resumed;
        int index = -1;
        if (indexed) {
            index = IndexOnScreen(onScreen, panel.width(), panel.height());
            if (index >= 0 && index / 25 == second)
                ++exactOnScreen;
            if (index == second * 25)
                ++firstFrameOfSecond;
        }
        std::printf("seek second %lld release_to_screen_ms %.2f position %lld screen_index %d\n",
                    static_cast<long long>(second), latencies.back(),
                    static_cast<long long>(manager.PlayManager().Position()), index);
        QCoreApplication::processEvents();
    }
    manager.PauseClick();
    std::printf("seeks %zu\n", latencies.size());
    std::printf("release_to_screen_median_ms %.2f\n", Median(latencies));
    std::printf("release_to_screen_max_ms %.2f\n", *std::max_element(latencies.begin(), latencies.end()));
    std::printf("exact_position %d\n", exactPosition);
    if (playing)
        std::printf("playing_after_release %d\n", resumed);
    else
        std::printf("presented_at_first_read %d\n", presentedAtFirstRead);
    if (indexed) {
        std::printf("exact_on_screen %d\n", exactOnScreen);
        if (!playing)
            std::printf("first_frame_of_second %d\n", firstFrameOfSecond);
    }
    return 0;
}

// OpenVideo on a fresh window each run: the panel is hidden until then, so the frame reaches the
// screen once the panel's window is mapped and exposed. Timed to the first read-back that shows it.
int Open(const std::string& video, int runs)
{
    std::vector<double> toScreen;
    std::vector<double> inCall;
    for (int run = 0; run < runs; ++run) {
        Answers answers;
        const std::unique_ptr<TmainDlg> form = ShowWindow(answers);
        TUIManager& manager = form->Manager();
        ScreenReader reader;
        const Clock::time_point start = Clock::now();
        if (manager.OpenVideo(video) != TUIManager::TOpenResult::Opened)
            throw std::runtime_error("not a .vob file: " + video);
        const Clock::time_point returned = Clock::now();
        bool shown = false;
        while (!shown && MsBetween(start, Clock::now()) < 5000) {
            QCoreApplication::processEvents();
            const std::vector<std::uint32_t> drawn = Drawn(manager.Panel());
            shown = !AllBlack(drawn) && reader.Window(manager.Panel()) == drawn;
        }
        if (!shown)
            throw std::runtime_error("the first frame did not reach the screen within 5 s");
        const Clock::time_point onScreen = Clock::now();
        inCall.push_back(MsBetween(start, returned));
        toScreen.push_back(MsBetween(start, onScreen));
        std::printf("open run %d call_ms %.1f to_screen_ms %.1f\n", run, inCall.back(), toScreen.back());
    }
    std::printf("open_call_median_ms %.1f\n", Median(inCall));
    std::printf("open_to_screen_median_ms %.1f\n", Median(toScreen));
    return 0;
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: bench_app convert FILE.vob FOLDER\n"
                 "       bench_app seek FILE.vob [--indexed] [--playing]\n"
                 "       bench_app open FILE.vob RUNS\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    // As the program runs: Qt on X, so that the panel binds SDL's x11 driver to its window.
    qputenv("QT_QPA_PLATFORM", "xcb");
    const std::string mode = argv[1];
    const std::string video = argv[2];
    TStillreelApplication application(argc, argv);
    application.OnError = [](const std::string& message) { std::fprintf(stderr, "bench_app: %s\n", message.c_str()); };
    try {
        if (mode == "convert" && argc == 4)
            return Convert(video, argv[3]);
        if (mode == "seek") {
            const std::vector<std::string> flags(argv + 3, argv + argc);
            const auto has = [&](const char* flag) {
                return std::find(flags.begin(), flags.end(), flag) != flags.end();
            };
            if (flags.size() == static_cast<std::size_t>(has("--indexed") + has("--playing")))
                return Seek(video, has("--indexed"), has("--playing"));
        }
        if (mode == "open" && argc == 4)
            return Open(video, std::atoi(argv[3]));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_app: %s\n", error.what());
        return 1;
    }
    return Usage();
}
