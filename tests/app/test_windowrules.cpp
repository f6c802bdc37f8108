// The window's arithmetic: placement and the move clamps, the splash's minimum time over a wrapping
// tick counter, and the information line's formats.
#include "app/splashForm.h"
#include "app/uiManager.h"
#include "app/windowplace.h"
#include "job/statuslines.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <cstdint>

TEST(WindowPlacement, CentresFromTheWorkAreasSizeAndKeepsABigWindowReachable)
{
    EXPECT_EQ(CenteredPosition(1280, 994, 798, 547), (TScreenPoint{241, 223}));
    // A task bar on the left: the size counts, the origin does not.
    EXPECT_EQ(CenteredPosition(1180, 994, 798, 547).X, 191);
    EXPECT_EQ(CenteredPosition(640, 480, 798, 547), (TScreenPoint{0, 0}));
}

TEST(WindowPlacement, MovesStayInsideTheScreenAndTheWorkArea)
{
    TScreenRect past{-30, 100, 768, 647};
    ClampMoving(past, 1280, 994, 798, 547);
    EXPECT_EQ(past, (TScreenRect{0, 100, 798, 647}));

    TScreenRect right{600, -5, 1398, 542};
    ClampMoving(right, 1280, 994, 798, 547);
    EXPECT_EQ(right, (TScreenRect{482, 0, 1280, 547}));

    TScreenRect low{100, 500, 898, 1047};
    ClampMoving(low, 1280, 994, 798, 547);
    EXPECT_EQ(low, (TScreenRect{100, 447, 898, 994}));

    // In a work area smaller than the window the caption stays on the screen.
    TScreenRect big{50, 50, 848, 597};
    ClampMoving(big, 640, 480, 798, 547);
    EXPECT_EQ(big, (TScreenRect{0, 0, 798, 547}));

    TScreenRect sized{-3, -4, 1300, 1000};
    ClampSizing(sized, 1280, 994);
    EXPECT_EQ(sized, (TScreenRect{0, 0, 1280, 994}));
}

TEST(SplashTime, WaitsAThousandTicksAcrossTheCountersWrap)
{
    std::uint32_t now = 0xFFFFFE00u;
    int passes = 0;
    const auto tick = [&] {
        now += 10;
        return now;
    };
    WaitAtLeast(tick, 0xFFFFFE00u, 1000, [&] { ++passes; });
    // 1000 ms in 10 ms steps; the difference is taken modulo 2^32, so the wrap changes nothing.
    EXPECT_EQ(passes, 99);
    EXPECT_EQ(now, 0xFFFFFE00u + 1000u);
}

TEST(InformationLine, FormatsTimestampsAndTheLocalesDecimalSeparator)
{
    EXPECT_EQ(job::ClockText(SplitSeconds(309)), "00:05:09");
    EXPECT_EQ(job::ClockText(SplitSeconds(3725)), "01:02:05");
    EXPECT_EQ(job::ClockText(SplitSeconds(std::int64_t{100} * 3600)), "100:00:00");
    // Past 32 bits of seconds the hours still come out whole.
    EXPECT_EQ(job::ClockText(SplitSeconds(std::int64_t{5'000'000'000})), "1388888:53:20");

    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English));
    EXPECT_EQ(FormatInfoLine(29.97, 720, 480, {1, 2, 3}, SplitSeconds(309)),
              "FPS: 29.97 Size: 720x480 Duration: 01:02:03 Timestamp: 00:05:09");
    QLocale::setDefault(QLocale(QLocale::German));
    EXPECT_EQ(FormatInfoLine(25, 720, 576, {0, 0, 12}, {}),
              "FPS: 25,00 Size: 720x576 Duration: 00:00:12 Timestamp: 00:00:00");
    QLocale::setDefault(saved);
}
