#include "playbacktest.h"

#include "platform/thread.h"

#include <QApplication>
#include <QTest>

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
    TThread::SetWakeMainThread(
        [] { QMetaObject::invokeMethod(qApp, [] { TThread::CheckSynchronize(); }, Qt::QueuedConnection); });
}

bool RunUntil(const std::function<bool()>& Done, int TimeoutMs)
{
    return QTest::qWaitFor(Done, TimeoutMs);
}

void RunFor(int Milliseconds)
{
    QTest::qWait(Milliseconds);
}
