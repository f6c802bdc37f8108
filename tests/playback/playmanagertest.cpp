#include "playmanagertest.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>

namespace {

std::mutex handOffLock;
std::condition_variable handOffAsked;
int handOffs = 0;

int Asked()
{
    const std::lock_guard guard(handOffLock);
    return handOffs;
}

}  // namespace

void ServeHandOffsOnThisThread()
{
    TThread::SetWakeMainThread([] {
        {
            const std::lock_guard guard(handOffLock);
            ++handOffs;
        }
        handOffAsked.notify_all();
    });
}

int HandOffsAsked()
{
    return Asked();
}

bool WaitForHandOff(int Count, int TimeoutMs)
{
    std::unique_lock guard(handOffLock);
    return handOffAsked.wait_for(guard, std::chrono::milliseconds(TimeoutMs), [&] { return handOffs > Count; });
}

bool RunUntil(const std::function<bool()>& Done, int TimeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    for (;;) {
        // Counted before serving, so a hand-off asked for meanwhile cuts the wait below short.
        const int seen = Asked();
        TThread::CheckSynchronize();
        if (Done())
            return true;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return false;
        std::unique_lock guard(handOffLock);
        handOffAsked.wait_until(guard, std::min(deadline, now + std::chrono::milliseconds(10)),
                                [&] { return handOffs != seen; });
    }
}

void RunFor(int Milliseconds)
{
    RunUntil([] { return false; }, Milliseconds);
}

void TPlayManagerFixture::SetUp()
{
    Manager.Panel = &Panel;
    Record(Manager.OnPosition, TEventKind::Position);
    Record(Manager.OnPlayEnd, TEventKind::PlayEnd);
    Record(Manager.OnProgress, TEventKind::Progress);
    Record(Manager.OnConvertDone, TEventKind::ConvertDone);
    Record(Manager.OnConvertFailed, TEventKind::ConvertFailed);
}

void TPlayManagerFixture::Record(TManagerEvent& Event, TEventKind Kind)
{
    Event = [this, Kind](void* Sender, bool FromConversion, const TConvertProgress* Info) {
        TEvent event{Kind,
                     FromConversion,
                     Sender == nullptr,
                     TThread::IsMainThread(),
                     {-1, -1},
                     Manager.Position(),
                     Manager.Fps(),
                     Manager.Converting(),
                     Panel.ShownIndex(),
                     Manager.ConvertError(),
                     std::chrono::steady_clock::now()};
        if (Info)
            event.Progress = *Info;
        Events.push_back(event);
    };
}

int TPlayManagerFixture::Count(TEventKind Kind) const
{
    return static_cast<int>(
        std::count_if(Events.begin(), Events.end(), [&](const TEvent& Event) { return Event.Kind == Kind; }));
}

std::vector<double> TPlayManagerFixture::Rates() const
{
    std::vector<double> rates;
    for (const TEvent& event : Events)
        if (event.Kind == TEventKind::Position)
            rates.push_back(event.Fps);
    return rates;
}

int TPlayManagerFixture::DrawnFrameAfter(int Asked)
{
    return WaitForHandOff(Asked) ? Panel.ShownIndex() : -2;
}

int TPlayManagerFixture::FirstFramePlayed()
{
    const int asked = HandOffsAsked();
    Manager.Play();
    const int index = DrawnFrameAfter(asked);
    Manager.Pause();
    return index;
}
