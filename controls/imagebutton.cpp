#include "controls/imagebutton.h"

#include <QMouseEvent>
#include <QPainter>

TImageButton::TImageButton(QWidget* Parent) : QWidget(Parent)
{
    // Windowless: the parent's painting shows through, and the keyboard never comes here.
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(false);
}

void TImageButton::SetLook(QImage& Look, const QImage& AImage)
{
    Look = AImage;
    update();
}

void TImageButton::SetImage(const QImage& AImage)
{
    SetLook(FImage, AImage);
}
void TImageButton::SetImageOver(const QImage& AImage)
{
    SetLook(FImageOver, AImage);
}
void TImageButton::SetImageDown(const QImage& AImage)
{
    SetLook(FImageDown, AImage);
}
void TImageButton::SetImageDisable(const QImage& AImage)
{
    SetLook(FImageDisable, AImage);
}

void TImageButton::SetUseDown(bool Value)
{
    FUseDown = Value;
    update();
}

void TImageButton::SetEnabled(bool Value)
{
    FEnabled = Value;
    update();
}

void TImageButton::paintEvent(QPaintEvent*)
{
    QPoint offset(0, 0);
    const QImage* look = &FImage;
    if (!FEnabled) {
        look = &FImageDisable;
    } else if (FPressed) {
        const int o = FUseDown ? 2 : 0;
        offset = QPoint(o, o);
        look = FImageDown.isNull() ? &FImageOver : &FImageDown;
    } else if (FOver && !FImageOver.isNull()) {
        look = &FImageOver;
    }
    FImageRect = QRect(offset, look->size());
    if (!look->isNull())
        QPainter(this).drawImage(offset, *look);
}

void TImageButton::enterEvent(QEnterEvent*)
{
    FOver = true;
    update();
}

void TImageButton::leaveEvent(QEvent*)
{
    FOver = false;
    update();
}

void TImageButton::mousePressEvent(QMouseEvent*)
{
    FPressed = true;
    update();
}

// Moves arrive while a button is held.
void TImageButton::mouseMoveEvent(QMouseEvent* Event)
{
    // Leaving the image ends the pressed look for good; coming back does not restore it.
    if (!FImageRect.contains(Event->position().toPoint())) {
        FPressed = false;
        update();
    }
}

void TImageButton::mouseReleaseEvent(QMouseEvent* Event)
{
    FPressed = false;
    update();
    // The hit area is the rectangle of the last paint, so a pressed image drawn 2 pixels in moves it.
    if (FImageRect.contains(Event->position().toPoint()) && FEnabled && Event->button() == Qt::LeftButton)
        emit OnClick(this);
}
