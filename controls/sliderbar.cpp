#include "controls/sliderbar.h"

#include "common/Nearest.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

// Rectangles here are told as left, top, right, bottom with right and bottom outside.
QRect FromEdges(std::int64_t Left, int Top, std::int64_t Right, int Bottom)
{
    return QRect(static_cast<int>(Left), Top, static_cast<int>(Right - Left), Bottom - Top);
}

}  // namespace

TSliderBar::TSliderBar(QWidget* Parent) : QWidget(Parent)
{
    // Windowless: the parent's painting shows through, and the keyboard never comes here.
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(false);
    // Moves are raised without a held button too.
    setMouseTracking(true);
}

std::int64_t TSliderBar::PixelOf(std::int64_t APosition) const
{
    return Nearest(static_cast<double>(APosition) * FScale);
}

int TSliderBar::PointerRange() const
{
    return width() - FBarPointer.width();
}

void TSliderBar::SetMax(std::int64_t Value)
{
    FMax = Value;
    UpdateScale();
    if (FPosition > Value)
        FPosition = Value;
    update();
}

void TSliderBar::SetPosition(std::int64_t Value)
{
    const std::int64_t pixel = PixelOf(Value);
    const int rightEnd = PointerRange();
    if (pixel > rightEnd)
        return;
    // A value that lands exactly on the right end stands for the end itself.
    FPosition = pixel == rightEnd ? FMax : Value;
    update();
}

void TSliderBar::SetSelStart(std::int64_t Value)
{
    FSelStart = Value;
    if (FSelEnd < Value)
        FSelEnd = Value;
    UpdateBand(0);
}

void TSliderBar::SetSelEnd(std::int64_t Value)
{
    FSelEnd = Value;
    if (FSelStart > Value)
        FSelStart = Value;
    // Setting the end reaches to the right edge of a pointer standing there; setting the start does not.
    UpdateBand(FBarPointer.width());
}

void TSliderBar::UpdateBand(int RightExtra)
{
    FBandRect = FromEdges(PixelOf(FSelStart), FTrackRect.top(), PixelOf(FSelEnd) + RightExtra,
                          FTrackRect.top() + FTrackRect.height());
    update();
}

void TSliderBar::SetBarLeft(const QImage& Image)
{
    FBarLeft = Image;
    update();
}

void TSliderBar::SetBarRight(const QImage& Image)
{
    FBarRight = Image;
    update();
}

void TSliderBar::SetBar(const QImage& Image)
{
    FBar = Image;
    if (FBar.isNull())
        FTrackRect = QRect();
    update();
}

void TSliderBar::SetBarPointer(const QImage& Image)
{
    FBarPointer = Image;
    update();
}

void TSliderBar::SetBarPointerDown(const QImage& Image)
{
    FBarPointerDown = Image;
    update();
}

void TSliderBar::SetBarProgress(const QImage& Image)
{
    FBarProgress = Image;
    update();
}

void TSliderBar::UpdateScale()
{
    // A zero Max would divide by zero; the old scale stays.
    if (FMax == 0)
        return;
    FScale = static_cast<double>(PointerRange()) / static_cast<double>(FMax);
}

void TSliderBar::UpdateRects()
{
    if (!FBar.isNull()) {
        const int top = (height() - FBar.height()) / 2;
        FTrackRect = QRect(0, top, width(), FBar.height());
    }
    if (!FBarPointer.isNull()) {
        const int top = (height() - FBarPointer.height()) / 2;
        FPointerRect = QRect(static_cast<int>(PixelOf(FPosition)), top, FBarPointer.width(), FBarPointer.height());
    }
}

void TSliderBar::resizeEvent(QResizeEvent* Event)
{
    QWidget::resizeEvent(Event);
    UpdateScale();
}

void TSliderBar::paintEvent(QPaintEvent*)
{
    UpdateRects();
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const auto draw = [&painter](const QRect& Target, const QImage& Image) {
        if (!Image.isNull())
            painter.drawImage(Target, Image);
    };
    const int trackTop = FTrackRect.top();
    const int trackBottom = trackTop + FTrackRect.height();
    draw(FTrackRect, FBar);
    draw(FromEdges(FTrackRect.left(), trackTop, FBarLeft.width(), trackBottom), FBarLeft);
    draw(FromEdges(width() - FBarRight.width(), trackTop, width(), trackBottom), FBarRight);
    if (FSelEnd > FSelStart)
        draw(FBandRect, FBarProgress);
    draw(FPointerRect, FIsDown && !FBarPointerDown.isNull() ? FBarPointerDown : FBarPointer);
}

// Each mouse event is raised once before the slider acts on it and once after, so an owner can tell
// from MouseOnPointer which raising it is in.

void TSliderBar::mousePressEvent(QMouseEvent* Event)
{
    const QPoint at = Event->position().toPoint();
    emit OnMouseDown(this, Event->button(), Event->modifiers(), at.x(), at.y());
    if (Event->button() == Qt::RightButton)
        return;
    if (FPointerRect.contains(at)) {
        FIsDown = true;
        FMouseOnPointer = true;
        FGrabOffset = at.x() - FPointerRect.left();
        update();
    }
    emit OnMouseDown(this, Event->button(), Event->modifiers(), at.x(), at.y());
}

void TSliderBar::mouseMoveEvent(QMouseEvent* Event)
{
    const QPoint at = Event->position().toPoint();
    emit OnMouseMove(this, Event->modifiers(), at.x(), at.y());
    if (FIsDown && FScale != 0) {
        const int left = at.x() - FGrabOffset;
        // Not clamped: outside the track the pointer stays where the last move inside left it.
        if (left >= 0 && left <= PointerRange()) {
            FPosition = Nearest(left / FScale);
            update();
        }
    }
    emit OnMouseMove(this, Event->modifiers(), at.x(), at.y());
}

void TSliderBar::mouseReleaseEvent(QMouseEvent* Event)
{
    const QPoint at = Event->position().toPoint();
    emit OnMouseUp(this, Event->button(), Event->modifiers(), at.x(), at.y());
    FIsDown = false;
    FMouseOnPointer = false;
    update();
    emit OnMouseUp(this, Event->button(), Event->modifiers(), at.x(), at.y());
}
