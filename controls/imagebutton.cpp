#include "controls/imagebutton.h"

#include <QMouseEvent>
#include <QPainter>

TImageButton::TImageButton(QWidget* parent) : QWidget(parent)
{
    // Windowless: the parent's painting shows through, and the keyboard never comes here.
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(false);
}

void TImageButton::SetLook(QImage& look, const QImage& image)
{
    look = image;
    update();
}

void TImageButton::SetImage(const QImage& image) { SetLook(FImage, image); }
void TImageButton::SetImageOver(const QImage& image) { SetLook(FImageOver, image); }
void TImageButton::SetImageDown(const QImage& image) { SetLook(FImageDown, image); }
void TImageButton::SetImageDisable(const QImage& image) { SetLook(FImageDisable, image); }

void TImageButton::SetUseDown(bool value)
{
    FUseDown = value;
    update();
}

void TImageButton::SetEnabled(bool value)
{
    FEnabled = value;
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
void TImageButton::mouseMoveEvent(QMouseEvent* event)
{
    // Leaving the image ends the pressed look for good; coming back does not restore it.
    if (!FImageRect.contains(event->position().toPoint())) {
        FPressed = false;
        update();
    }
}

void TImageButton::mouseReleaseEvent(QMouseEvent* event)
{
    FPressed = false;
    update();
    // The hit area is the rectangle of the last paint, so a pressed image drawn 2 pixels in moves it.
    if (FImageRect.contains(event->position().toPoint()) && FEnabled && event->button() == Qt::LeftButton)
        emit OnClick(this);
}
