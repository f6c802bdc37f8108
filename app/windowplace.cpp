#include "app/windowplace.h"

#include <algorithm>

TScreenPoint CenteredPosition(std::int32_t WorkWidth, std::int32_t WorkHeight, std::int32_t Width, std::int32_t Height)
{
    return {std::max(0, (WorkWidth - Width) / 2), std::max(0, (WorkHeight - Height) / 2)};
}

void ClampMoving(TScreenRect& Rect, std::int32_t WorkWidth, std::int32_t WorkHeight, std::int32_t Width,
                 std::int32_t Height)
{
    if (Rect.Left <= 0) {
        Rect.Left = 0;
        Rect.Right = Width;
    }
    if (Rect.Right >= WorkWidth) {
        Rect.Left = WorkWidth - Width;
        Rect.Right = WorkWidth;
    }
    if (Rect.Top <= 0) {
        Rect.Top = 0;
        Rect.Bottom = Height;
    }
    if (Rect.Top >= WorkHeight - Height) {
        Rect.Top = WorkHeight - Height;
        Rect.Bottom = Rect.Top + Height;
    }
    // In a work area smaller than the window the rules above push the caption off the screen, where
    // it could never be grabbed again.
    if (Rect.Left < 0) {
        Rect.Left = 0;
        Rect.Right = Width;
    }
    if (Rect.Top < 0) {
        Rect.Top = 0;
        Rect.Bottom = Height;
    }
}

void ClampSizing(TScreenRect& Rect, std::int32_t WorkWidth, std::int32_t WorkHeight)
{
    if (Rect.Left <= 0)
        Rect.Left = 0;
    if (Rect.Top <= 0)
        Rect.Top = 0;
    if (Rect.Right >= WorkWidth)
        Rect.Right = WorkWidth;
    if (Rect.Bottom >= WorkHeight)
        Rect.Bottom = WorkHeight;
}
