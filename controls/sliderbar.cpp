#include "controls/sliderbar.h"

#include "common/Nearest.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

// Rectangles here are told as left, top, right, bottom with right and bottom outside.
QRect FromEdges(std::int64_t left, int top, std::int64_t right, int bottom)
{
    return QRect(static_cast<int>(left), top, static_cast<int>(right - left), bottom - top);
}

}  // namespace

TSliderBar::TSliderBar(QWidget* parent) : QWidget(parent)
{
    // Windowless: the parent's painting shows through, and the keyboard never comes here.
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(false);
    // Moves are raised without a held button too.
    setMouseTracking(true);
}

std::int64_t TSliderBar::PixelOf(std::int64_t position) const
{
    return Nearest(static_cast<double>(position) * FScale);
}

int TSliderBar::PointerRange() const
{
    return width() - FBarPointer.width();
}

void TSliderBar::SetMax(std::int64_t value)
{
    FMax = value;
    UpdateScale();
    if (FPosition > value)
        FPosition = value;
    update();
}

void TSliderBar::SetPosition(std::int64_t value)
{
    const std::int64_t pixel = PixelOf(value);
    const int rightEnd = PointerRange();
    if (pixel > rightEnd)
        return;
    // A value that lands exactly on the right end stands for the end itself.
    FPosition = pixel == rightEnd ? FMax : value;
    update();
}

void TSliderBar::SetSelStart(std::int64_t value)
{
    FSelStart = value;
    if (FSelEnd < value)
        FSelEnd = value;
    UpdateBand(0);
}

void TSliderBar::SetSelEnd(std::int64_t value)
{
    FSelEnd = value;
    if (FSelStart > value)
        FSelStart = value;
    // Setting the end reaches to the right edge of a pointer standing there; setting the start does not.
    UpdateBand(FBarPointer.width());
}

void TSliderBar::UpdateBand(int rightExtra)
{
    FBandRect = FromEdges(PixelOf(FSelStart), FTrackRect.top(), PixelOf(FSelEnd) + rightExtra,
                          FTrackRect.top() + FTrackRect.height());
    update();
}

void TSliderBar::SetBarLeft(const QImage& image)
{
    FBarLeft = image;
    update();
}

void TSliderBar::SetBarRight(const QImage& image)
{
    FBarRight = image;
    update();
}

void TSliderBar::SetBar(const QImage& image)
{
    FBar = image;
    if (FBar.isNull())
        FTrackRect = QRect();
    update();
}

void TSliderBar::SetBarPointer(const QImage& image)
{
    FBarPointer = image;
    update();
}

void TSliderBar::SetBarPointerDown(const QImage& image)
{
    FBarPointerDown = image;
    update();
}

void TSliderBar::SetBarProgress(const QImage& image)
{
    FBarProgress = image;
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

void TSliderBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    UpdateScale();
}

void TSliderBar::paintEvent(QPaintEvent*)
{
    UpdateRects();
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const auto draw = [&painter](const QRect& target, const QImage& image) {
        if (!image.isNull())
            painter.drawImage(target, image);
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

void TSliderBar::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    emit OnMouseDown(this, event->button(), event->modifiers(), at.x(), at.y());
    if (event->button() == Qt::RightButton)
        return;
    if (FPointerRect.contains(at)) {
        FIsDown = true;
        FMouseOnPointer = true;
        FGrabOffset = at.x() - FPointerRect.left();
        update();
    }
    emit OnMouseDown(this, event->button(), event->modifiers(), at.x(), at.y());
}

void TSliderBar::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    emit OnMouseMove(this, event->modifiers(), at.x(), at.y());
    if (FIsDown && FScale != 0) {
        const int left = at.x() - FGrabOffset;
        // Not clamped: outside the track the pointer stays where the last move inside left it.
        if (left >= 0 && left <= PointerRange()) {
            FPosition = Nearest(left / FScale);
            update();
        }
    }
    emit OnMouseMove(this, event->modifiers(), at.x(), at.y());
}

void TSliderBar::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    emit OnMouseUp(this, event->button(), event->modifiers(), at.x(), at.y());
    FIsDown = false;
    FMouseOnPointer = false;
    update();
    emit OnMouseUp(this, event->button(), event->modifiers(), at.x(), at.y());
}
