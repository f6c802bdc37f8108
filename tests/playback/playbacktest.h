// What the panel's tests share: a Qt application whose event loop serves the workers' hand-offs,
// and where a picture lands in the panel's screen.
#pragma once

#include "playback/SDLPanel.h"

#include <functional>

// Creates this process's QApplication on the Qt platform (once) and installs the hand-off hook.
void StartApplication(const char* Platform);

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
