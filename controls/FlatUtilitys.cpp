#include "controls/FlatUtilitys.h"

#include "controls/HSLUtils.h"

#include <QApplication>
#include <QPainter>

#include <algorithm>

QColor AdvancedColor(QColor current, QColor base, int offset, TAdvColorDirection direction)
{
    if (offset == 0)
        return current;
    THSL hsl = RGBToHSL(base);
    hsl.L += 10;
    hsl.L = direction == TAdvColorDirection::Lighter ? std::min(hsl.L + offset, 100) : std::max(hsl.L - offset, 0);
    return HSLToRGB(hsl.H, hsl.S, hsl.L);
}

TFlatEditFrame::TFlatEditFrame(QWidget* parent) : QLineEdit(parent)
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

void TFlatEditFrame::SetColorFocused(QColor value)
{
    FColorFocused = value;
    RedrawBorder();
}

void TFlatEditFrame::SetColorBorder(QColor value)
{
    FColorBorder = value;
    RedrawBorder();
}

void TFlatEditFrame::SetColorFlat(QColor value)
{
    FColorFlat = value;
    FParentColor = false;
    RedrawBorder();
}

void TFlatEditFrame::SetParentColor(bool value)
{
    if (value == FParentColor)
        return;
    FParentColor = value;
    if (value) {
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

bool TFlatEditFrame::event(QEvent* event)
{
    // Polished just before it is first shown, when its owner has set it up: the field takes the
    // height of its font then, whatever height it was given.
    if (event->type() == QEvent::Polish)
        AdjustHeight();
    return QLineEdit::event(event);
}

void TFlatEditFrame::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(this);
        // The two inner rings and the text area share one colour.
        painter.fillRect(rect(), FActive ? FColorFocused : FColorFlat);
        painter.setPen(FColorBorder);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    QLineEdit::paintEvent(event);
}

void TFlatEditFrame::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    RedrawBorder();
}

void TFlatEditFrame::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    RedrawBorder();
}

void TFlatEditFrame::enterEvent(QEnterEvent* event)
{
    QLineEdit::enterEvent(event);
    // Only while one of the application's windows is active.
    if (QApplication::activeWindow())
        FHover = true;
    RedrawBorder();
}

void TFlatEditFrame::leaveEvent(QEvent* event)
{
    QLineEdit::leaveEvent(event);
    FHover = false;
    RedrawBorder();
}

void TFlatEditFrame::changeEvent(QEvent* event)
{
    QLineEdit::changeEvent(event);
    switch (event->type()) {
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
