// Plays a video in the preview for a given time, as the window does (panel 395 x 193 in a window,
// every report handed to the Qt event loop), and prints one "key value" line per figure for
// bench/play: the display rate over the whole run and as the playback thread measured it, and the
// CPU time the process spent, as a share of one core.
#include "platform/thread.h"
#include "playback/SDLPanel.h"
#include "playback/playManager.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds(int Who)
{
    rusage usage{};
    getrusage(Who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Every frame the playback thread draws is reported by exactly one hand-off.
std::atomic<long> HandOffs{0};
std::atomic<Clock::rep> FirstHandOff{0};
std::atomic<Clock::rep> LastHandOff{0};

double SecondsBetween(Clock::rep From, Clock::rep To)
{
    return std::chrono::duration<double>(Clock::duration(To - From)).count();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: bench_play FILE.vob [SECONDS]\n");
        return 2;
    }
    const std::string file = argv[1];
    const int seconds = argc == 3 ? std::atoi(argv[2]) : 20;
    QApplication application(argc, argv);
    TThread::SetWakeMainThread([] {
        const Clock::rep now = Clock::now().time_since_epoch().count();
        if (++HandOffs == 1)
            FirstHandOff = now;
        LastHandOff = now;
        QMetaObject::invokeMethod(qApp, [] { TThread::CheckSynchronize(); }, Qt::QueuedConnection);
    });

    try {
        QWidget window;
        window.resize(470, 400);
        auto* panel = new TSDLPanel(&window);
        panel->setGeometry(37, 151, 395, 193);
        panel->InitSDL();
        window.show();

        TPlayManager manager;
        manager.Panel = panel;
        std::vector<double> rates;
        manager.OnPosition = [&](void*, bool, const TConvertProgress*) { rates.push_back(manager.Fps()); };
        bool ended = false;
        manager.OnPlayEnd = [&](void*, bool, const TConvertProgress*) { ended = true; };
        manager.OpenFile(file);
        std::printf("nominal_fps %.3f\n", manager.Fps());

        const double processStart = CpuSeconds(RUSAGE_SELF);
        const double mainStart = CpuSeconds(RUSAGE_THREAD);
        const Clock::time_point start = Clock::now();
        manager.Play();
        QTimer::singleShot(seconds * 1000, &application, &QCoreApplication::quit);
        application.exec();
        manager.Pause();
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        const double processCpu = CpuSeconds(RUSAGE_SELF) - processStart;
        const double mainCpu = CpuSeconds(RUSAGE_THREAD) - mainStart;

        const long frames = HandOffs;
        std::printf("seconds %.2f\n", wall);
        std::printf("ended_early %d\n", ended ? 1 : 0);
        std::printf("frames %ld\n", frames);
        // Frames after the first, over the time from the first to the last.
        std::printf("shown_fps %.3f\n", static_cast<double>(frames - 1) / SecondsBetween(FirstHandOff, LastHandOff));
        if (!rates.empty()) {
            double sum = 0;
            for (double rate : rates)
                sum += rate;
            std::printf("reports %zu\n", rates.size());
            std::printf("reported_fps_mean %.3f\n", sum / static_cast<double>(rates.size()));
            std::printf("reported_fps_min %.3f\n", *std::min_element(rates.begin(), rates.end()));
            std::printf("reported_fps_max %.3f\n", *std::max_element(rates.begin(), rates.end()));
        }
        std::printf("cpu_percent %.1f\n", 100.0 * processCpu / wall);
        std::printf("main_thread_cpu_percent %.1f\n", 100.0 * mainCpu / wall);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_play: %s\n", error.what());
        return 1;
    }
    return 0;
}
