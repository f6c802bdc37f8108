// What the play manager's tests share: the workers' hand-offs served on the test's own main thread
// (counted, so a test can hold a worker in its hand-off by not serving it), and one fixture with a
// manager drawing into a test surface and every event it raises recorded. No Qt, no SDL.
#pragma once

#include "platform/thread.h"
#include "playback/playManager.h"
#include "testsurface.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Counts the hand-offs from here on and lets RunUntil serve them; call once before any worker starts.
void ServeHandOffsOnThisThread();
// Hand-offs that workers have asked the main thread for so far.
int HandOffsAsked();
// Waits without serving any hand-off until more than Count were asked for; false on timeout.
bool WaitForHandOff(int Count, int TimeoutMs = 5000);
// Serves hand-offs as they come until Done answers true; false on timeout.
bool RunUntil(const std::function<bool()>& Done, int TimeoutMs = 10000);
void RunFor(int Milliseconds);

enum class TEventKind { Position, PlayEnd, Progress, ConvertDone, ConvertFailed };

// One event as its handler saw it.
struct TEvent {
    TEventKind Kind;
    bool FromConversion;
    bool SenderNone;
    bool OnMainThread;
    TConvertProgress Progress;  // a copy of the block, for the conversion events
    std::int64_t Position;
    double Fps;
    bool Converting;
    int ShownIndex;
    std::string Error;
    std::chrono::steady_clock::time_point Time;
};

class TPlayManagerFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ServeHandOffsOnThisThread(); }
    void SetUp() override;

    int Count(TEventKind Kind) const;
    // The Fps of every OnPosition so far.
    std::vector<double> Rates() const;

    // Waits, without serving it, for the report of the next frame the playback thread draws after
    // Asked hand-offs were asked for (count them before the thread can ask); answers that frame.
    int DrawnFrameAfter(int Asked);
    // The first frame that a Play from here draws; playback is paused again afterwards.
    int FirstFramePlayed();

    TTestSurface Panel;
    TPlayManager Manager;
    std::vector<TEvent> Events;

private:
    void Record(TManagerEvent& Event, TEventKind Kind);
};
