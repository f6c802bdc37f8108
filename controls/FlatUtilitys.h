// What the two flat fields share: the advanced colours, and the flat frame with its colours, hover and
// active rule, drawn over a single-line edit in place of the native border.
#pragma once

#include <QColor>
#include <QLineEdit>

enum class TAdvColorDirection { Lighter, Darker };

// The colour offset from base in lightness, or current when the offset is 0. The bound is 100
// although lightness runs up to 240.
QColor AdvancedColor(QColor current, QColor base, int offset, TAdvColorDirection direction);

class TFlatEditFrame : public QLineEdit {
    Q_OBJECT

public:
    explicit TFlatEditFrame(QWidget* parent = nullptr);

    QColor ColorFocused() const noexcept { return FColorFocused; }
    QColor ColorBorder() const noexcept { return FColorBorder; }
    QColor ColorFlat() const noexcept { return FColorFlat; }
    bool ParentColor() const noexcept { return FParentColor; }
    void SetColorFocused(QColor value);
    void SetColorBorder(QColor value);
    // Also stops following the parent's colour.
    void SetColorFlat(QColor value);
    void SetParentColor(bool value);

    // As set by the last RedrawBorder: the field shows ColorFocused rather than ColorFlat.
    bool Active() const noexcept { return FActive; }

protected:
    // Whether widget is a field of this one's kind; while such a field holds the focus, hovering
    // over this one does not light it up.
    virtual bool IsSameKind(const QWidget* widget) const = 0;
    // The parent's colour or the system colours changed.
    virtual void ParentColorChanged();
    void TakeParentColor();
    void RedrawBorder();

    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void AdjustHeight();

    QColor FColorFocused{255, 255, 255};
    QColor FColorBorder{160, 150, 131};
    QColor FColorFlat{235, 234, 225};

    bool FParentColor = true;
    bool FHover = false;
    bool FActive = false;
};
