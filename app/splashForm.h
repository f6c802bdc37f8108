// TsplashDlg: the splash shown at start, a frameless white box with a thin grey frame and a picture.
#pragma once

#include <QLabel>
#include <QWidget>

#include <cstdint>
#include <functional>

class TsplashDlg : public QWidget {
public:
    TsplashDlg();

    QWidget* Shape1;
    QLabel* Image1;
};

// Runs ProcessEvents until Minimum milliseconds of Tick have passed since Start, taking the difference
// as an unsigned 32-bit value so that a wrap of the counter does not lengthen the wait. Does not sleep.
void WaitAtLeast(const std::function<std::uint32_t()>& Tick, std::uint32_t Start, std::uint32_t Minimum,
                 const std::function<void()>& ProcessEvents);
