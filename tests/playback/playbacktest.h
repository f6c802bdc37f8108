// What the preview tests share: a Qt application whose event loop serves the workers' hand-offs
// (and counts them, so a test can hold a worker in its hand-off by not serving it), and the frame
// index read back from the panel's screen surface.
#pragma once

#include "playback/SDLPanel.h"

#include <functional>

// Creates this process's QApplication on the Qt platform (once) and installs the hand-off hook.
void StartApplication(const char* Platform);

// Hand-offs that workers have asked the main thread for so far.
int HandOffsAsked();
// Waits without serving any hand-off until more than Count were asked for; false on timeout.
bool WaitForHandOff(int Count, int TimeoutMs = 5000);
// Runs the event loop, and with it the hand-offs, until Done answers true; false on timeout.
bool RunUntil(const std::function<bool()>& Done, int TimeoutMs = 10000);
void RunFor(int Milliseconds);

// Where the picture of a video with that aspect ratio lands in a screen of that size.
struct TPictureRect {
    int X;
    int Y;
    int Width;
    int Height;
};
inline constexpr TPictureRect Picture43{69, 0, 257, 193};   // 4/3 in 395 x 193
inline constexpr TPictureRect Picture169{26, 0, 343, 193};  // 16/9 in 395 x 193

// The fixture frame index shown in that rectangle of the panel's screen, or -1.
int ShownIndex(const TSDLPanel& Panel, TPictureRect Rect = Picture43);
