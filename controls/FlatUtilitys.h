// What the two flat fields share: the advanced colours, and the flat frame with its colours, hover and
// active rule, drawn over a single-line edit in place of the native border.
#pragma once

#include <QColor>
#include <QLineEdit>

enum class TAdvColorDirection { Lighter, Darker };

// The colour Offset from Base in lightness, or Current when Offset is 0. The bound is 100
// although lightness runs up to 240.
QColor AdvancedColor(QColor Current, QColor Base, int Offset, TAdvColorDirection Direction);

class TFlatEditFrame : public QLineEdit {
    Q_OBJECT

public:
    explicit TFlatEditFrame(QWidget* Parent = nullptr);

    QColor ColorFocused() const noexcept { return FColorFocused; }
    QColor ColorBorder() const noexcept { return FColorBorder; }
    QColor ColorFlat() const noexcept { return FColorFlat; }
    bool ParentColor() const noexcept { return FParentColor; }
    void SetColorFocused(QColor Value);
    void SetColorBorder(QColor Value);
    // Also stops following the parent's colour.
    void SetColorFlat(QColor Value);
    void SetParentColor(bool Value);

    // As set by the last RedrawBorder: the field shows ColorFocused rather than ColorFlat.
    bool Active() const noexcept { return FActive; }

protected:
    // Whether Widget is a field of this one's kind; while such a field holds the focus, hovering
    // over this one does not light it up.
    virtual bool IsSameKind(const QWidget* Widget) const = 0;
    // The parent's colour or the system colours changed.
    virtual void ParentColorChanged();
    void TakeParentColor();
    void RedrawBorder();

    bool event(QEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
    void enterEvent(QEnterEvent* Event) override;
    void leaveEvent(QEvent* Event) override;
    void changeEvent(QEvent* Event) override;

private:
    void AdjustHeight();

    QColor FColorFocused{255, 255, 255};
    QColor FColorBorder{160, 150, 131};
    QColor FColorFlat{235, 234, 225};

    bool FParentColor = true;
    bool FHover = false;
    bool FActive = false;
};
