#include "controls/TFlatEditUnit.h"

#include <algorithm>

TCustomFlatEdit::TCustomFlatEdit(QWidget* parent) : TFlatEditFrame(parent) {}

bool TCustomFlatEdit::IsSameKind(const QWidget* widget) const
{
    return qobject_cast<const TFlatEdit*>(widget) != nullptr;
}

void TCustomFlatEdit::SetUseAdvColors(bool value)
{
    if (value == FUseAdvColors)
        return;
    FUseAdvColors = value;
    SetParentColor(value);
    if (value)
        CalcAdvColors();
    RedrawBorder();
}

void TCustomFlatEdit::SetAdvColorFocused(int value)
{
    FAdvColorFocused = std::clamp(value, 0, 100);
    if (FUseAdvColors) {
        CalcAdvColors();
        RedrawBorder();
    }
}

void TCustomFlatEdit::SetAdvColorBorder(int value)
{
    FAdvColorBorder = std::clamp(value, 0, 100);
    if (FUseAdvColors) {
        CalcAdvColors();
        RedrawBorder();
    }
}

void TCustomFlatEdit::CalcAdvColors()
{
    SetColorFocused(AdvancedColor(ColorFocused(), ColorFlat(), FAdvColorFocused, TAdvColorDirection::Lighter));
    SetColorBorder(AdvancedColor(ColorBorder(), ColorFlat(), FAdvColorBorder, TAdvColorDirection::Darker));
}

void TCustomFlatEdit::ParentColorChanged()
{
    if (ParentColor() || FUseAdvColors) {
        TakeParentColor();
        if (FUseAdvColors)
            CalcAdvColors();
    }
    RedrawBorder();
}
