// Where the main window goes: centred from the work area's size at start, and kept inside the work
// area while it is moved or sized. Pure arithmetic on screen rectangles, so that it can be tested.
#pragma once

#include <cstdint>

// Left, top, right, bottom in screen coordinates, right and bottom outside.
struct TScreenRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
    friend bool operator==(const TScreenRect&, const TScreenRect&) = default;
};

struct TScreenPoint {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    friend bool operator==(const TScreenPoint&, const TScreenPoint&) = default;
};

// ((WorkWidth - Width) div 2, (WorkHeight - Height) div 2), measured from the screen's origin; a
// window larger than the work area starts at 0 on that axis so that its caption stays reachable.
TScreenPoint CenteredPosition(std::int32_t WorkWidth, std::int32_t WorkHeight, std::int32_t Width, std::int32_t Height);

// A move proposed as Rect, for a window of Width x Height in a work area of WorkWidth x WorkHeight:
// the window may not pass the screen's left or top edge nor the work area's right or bottom edge. A
// window larger than the work area keeps its left and top edges on the screen.
void ClampMoving(TScreenRect& Rect, std::int32_t WorkWidth, std::int32_t WorkHeight, std::int32_t Width,
                 std::int32_t Height);

// A sizing proposed as Rect: each edge stays inside the screen's left and top and the work area's right
// and bottom.
void ClampSizing(TScreenRect& Rect, std::int32_t WorkWidth, std::int32_t WorkHeight);
