// The colours of our artwork, shared by the picture generator and the theme drawn to match it.
#pragma once

#include <QColor>

namespace Palette {
inline const QColor Accent(31, 111, 209);
inline const QColor Deep(13, 63, 134);
inline const QColor Navy(10, 42, 92);
inline const QColor Sky(92, 155, 232);
inline const QColor Mist(232, 241, 252);
inline const QColor Haze(207, 225, 247);
inline const QColor Slate(90, 107, 130);
inline const QColor Line(197, 213, 234);
inline const QColor Screen(11, 27, 51);
// The grey of the main window's text and menus, and of its hints' frame, arrow and text.
inline const QColor GreyText(102, 102, 102);
}  // namespace Palette
