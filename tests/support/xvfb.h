// An Xvfb of the test's own, on a free display, for tests that need a real X server.
#pragma once

#include <sys/types.h>

#include <string>

class TXvfb {
public:
    TXvfb() = default;
    TXvfb(const TXvfb&) = delete;
    TXvfb& operator=(const TXvfb&) = delete;
    ~TXvfb();

    // Starts the server with one screen of Geometry ("640x480x24") and sets DISPLAY; answers why it
    // could not, or an empty text.
    std::string Start(const std::string& Geometry);

private:
    pid_t FPid = 0;
};
