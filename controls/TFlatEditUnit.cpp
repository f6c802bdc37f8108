#include "controls/TFlatEditUnit.h"

#include <algorithm>

TCustomFlatEdit::TCustomFlatEdit(QWidget* Parent) : TFlatEditFrame(Parent)
{
}

bool TCustomFlatEdit::IsSameKind(const QWidget* Widget) const
{
    return qobject_cast<const TFlatEdit*>(Widget) != nullptr;
}

void TCustomFlatEdit::SetUseAdvColors(bool Value)
{
    if (Value == FUseAdvColors)
        return;
    FUseAdvColors = Value;
    SetParentColor(Value);
    if (Value)
        CalcAdvColors();
    RedrawBorder();
}

void TCustomFlatEdit::SetAdvColorFocused(int Value)
{
    FAdvColorFocused = std::clamp(Value, 0, 100);
    if (FUseAdvColors) {
        CalcAdvColors();
        RedrawBorder();
    }
}

void TCustomFlatEdit::SetAdvColorBorder(int Value)
{
    FAdvColorBorder = std::clamp(Value, 0, 100);
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
