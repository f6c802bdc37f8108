#include "controls/FlatUtilitys.h"

#include "controls/HSLUtils.h"

#include <QApplication>
#include <QPainter>

#include <algorithm>

QColor AdvancedColor(QColor Current, QColor Base, int Offset, TAdvColorDirection Direction)
{
    if (Offset == 0)
        return Current;
    THSL hsl = RGBToHSL(Base);
    hsl.L += 10;
    hsl.L = Direction == TAdvColorDirection::Lighter ? std::min(hsl.L + Offset, 100) : std::max(hsl.L - Offset, 0);
    return HSLToRGB(hsl.H, hsl.S, hsl.L);
}

TFlatEditFrame::TFlatEditFrame(QWidget* Parent) : QLineEdit(Parent)
{
    // The frame is drawn here over a 3-pixel margin; the edit paints only its text, on no background
    // of its own, so the fill below shows through.
    setFrame(false);
    setTextMargins(3, 3, 3, 3);
    QPalette transparentBase = palette();
    transparentBase.setColor(QPalette::Base, Qt::transparent);
    setPalette(transparentBase);
    resize(121, 19);
    if (FParentColor)
        TakeParentColor();
}

void TFlatEditFrame::AdjustHeight()
{
    resize(width(), QFontMetrics(font()).height() + 6);
}

void TFlatEditFrame::SetColorFocused(QColor Value)
{
    FColorFocused = Value;
    RedrawBorder();
}

void TFlatEditFrame::SetColorBorder(QColor Value)
{
    FColorBorder = Value;
    RedrawBorder();
}

void TFlatEditFrame::SetColorFlat(QColor Value)
{
    FColorFlat = Value;
    FParentColor = false;
    RedrawBorder();
}

void TFlatEditFrame::SetParentColor(bool Value)
{
    if (Value == FParentColor)
        return;
    FParentColor = Value;
    if (Value) {
        TakeParentColor();
        RedrawBorder();
    }
}

void TFlatEditFrame::TakeParentColor()
{
    if (const QWidget* parent = parentWidget())
        FColorFlat = parent->palette().color(parent->backgroundRole());
}

void TFlatEditFrame::ParentColorChanged()
{
    if (FParentColor)
        TakeParentColor();
    RedrawBorder();
}

void TFlatEditFrame::RedrawBorder()
{
    FActive = hasFocus() || (FHover && !IsSameKind(QApplication::focusWidget()));
    update();
}

bool TFlatEditFrame::event(QEvent* Event)
{
    // Polished just before it is first shown, when its owner has set it up: the field takes the
    // height of its font then, whatever height it was given.
    if (Event->type() == QEvent::Polish)
        AdjustHeight();
    return QLineEdit::event(Event);
}

void TFlatEditFrame::paintEvent(QPaintEvent* Event)
{
    {
        QPainter painter(this);
        // The two inner rings and the text area share one colour.
        painter.fillRect(rect(), FActive ? FColorFocused : FColorFlat);
        painter.setPen(FColorBorder);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    QLineEdit::paintEvent(Event);
}

void TFlatEditFrame::focusInEvent(QFocusEvent* Event)
{
    QLineEdit::focusInEvent(Event);
    RedrawBorder();
}

void TFlatEditFrame::focusOutEvent(QFocusEvent* Event)
{
    QLineEdit::focusOutEvent(Event);
    RedrawBorder();
}

void TFlatEditFrame::enterEvent(QEnterEvent* Event)
{
    QLineEdit::enterEvent(Event);
    // Only while one of the application's windows is active.
    if (QApplication::activeWindow())
        FHover = true;
    RedrawBorder();
}

void TFlatEditFrame::leaveEvent(QEvent* Event)
{
    QLineEdit::leaveEvent(Event);
    FHover = false;
    RedrawBorder();
}

void TFlatEditFrame::changeEvent(QEvent* Event)
{
    QLineEdit::changeEvent(Event);
    switch (Event->type()) {
    case QEvent::FontChange:
        AdjustHeight();
        break;
    case QEvent::EnabledChange:
        RedrawBorder();
        break;
    // A palette reaching the field from its parent or from the application, or a new parent.
    case QEvent::PaletteChange:
    case QEvent::ParentChange:
        ParentColorChanged();
        break;
    default:
        break;
    }
}
