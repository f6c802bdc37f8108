#include "playbacktest.h"

#include "support/frameindex.h"
#include "platform/thread.h"

#include <QApplication>
#include <QTest>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

namespace {

std::atomic<int> HandOffs{0};

}  // namespace

void StartApplication(const char* Platform)
{
    if (qApp)
        return;
    qputenv("QT_QPA_PLATFORM", Platform);
    static int argc = 1;
    static char name[] = "playback_tests";
    static char* argv[] = {name, nullptr};
    // Never freed: Qt cannot be torn down after main() has returned, and the process ends with it.
    new QApplication(argc, argv);
    TThread::SetWakeMainThread([] {
        ++HandOffs;
        QMetaObject::invokeMethod(qApp, [] { TThread::CheckSynchronize(); }, Qt::QueuedConnection);
    });
}

int HandOffsAsked()
{
    return HandOffs;
}

bool WaitForHandOff(int Count, int TimeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (HandOffs <= Count) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

bool RunUntil(const std::function<bool()>& Done, int TimeoutMs)
{
    return QTest::qWaitFor(Done, TimeoutMs);
}

void RunFor(int Milliseconds)
{
    QTest::qWait(Milliseconds);
}

int ShownIndex(const TSDLPanel& Panel, TPictureRect Rect)
{
    const SDL_Surface* screen = Panel.Screen();
    if (!screen || screen->format->BytesPerPixel != 4)
        return -1;
    const auto* pixels = static_cast<const std::uint8_t*>(screen->pixels);
    return ReadFrameIndex(pixels + Rect.Y * screen->pitch + Rect.X * 4, Rect.Width, Rect.Height, screen->pitch, 4);
}
