// TCustomFlatEdit / TFlatEdit: a plain single-line text field with a flat frame, whose focused and
// border colours can be derived from its flat colour.
#pragma once

#include "controls/FlatUtilitys.h"

class TCustomFlatEdit : public TFlatEditFrame {
    Q_OBJECT

public:
    explicit TCustomFlatEdit(QWidget* Parent = nullptr);

    bool UseAdvColors() const noexcept { return FUseAdvColors; }
    int AdvColorFocused() const noexcept { return FAdvColorFocused; }
    int AdvColorBorder() const noexcept { return FAdvColorBorder; }
    void SetUseAdvColors(bool Value);
    // Offsets of 0..100 in lightness.
    void SetAdvColorFocused(int Value);
    void SetAdvColorBorder(int Value);

protected:
    bool IsSameKind(const QWidget* Widget) const override;
    void ParentColorChanged() override;

private:
    void CalcAdvColors();

    bool FUseAdvColors = false;
    int FAdvColorFocused = 10;
    int FAdvColorBorder = 50;
};

class TFlatEdit : public TCustomFlatEdit {
    Q_OBJECT

public:
    using TCustomFlatEdit::TCustomFlatEdit;
};
