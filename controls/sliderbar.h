// TSliderBar: a horizontal slider drawn from six images (track caps, stretched middle, range band,
// pointer and held pointer). It paints no background of its own and never takes the keyboard focus.
#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

#include <cstdint>

class TSliderBar : public QWidget {
    Q_OBJECT

public:
    explicit TSliderBar(QWidget* Parent = nullptr);

    std::int64_t Position() const noexcept { return FPosition; }
    std::int64_t Max() const noexcept { return FMax; }
    std::int64_t SelStart() const noexcept { return FSelStart; }
    std::int64_t SelEnd() const noexcept { return FSelEnd; }
    // None of these setters raises an event.
    void SetPosition(std::int64_t Value);
    void SetMax(std::int64_t Value);
    void SetSelStart(std::int64_t Value);
    void SetSelEnd(std::int64_t Value);

    bool MouseOnPointer() const noexcept { return FMouseOnPointer; }
    bool isDown() const noexcept { return FIsDown; }

    // The control keeps its own copy of each piece; a null image empties the piece.
    const QImage& BarLeft() const noexcept { return FBarLeft; }
    const QImage& BarRight() const noexcept { return FBarRight; }
    const QImage& Bar() const noexcept { return FBar; }
    const QImage& BarPointer() const noexcept { return FBarPointer; }
    const QImage& BarPointerDown() const noexcept { return FBarPointerDown; }
    const QImage& BarProgress() const noexcept { return FBarProgress; }
    void SetBarLeft(const QImage& Image);
    void SetBarRight(const QImage& Image);
    void SetBar(const QImage& Image);
    void SetBarPointer(const QImage& Image);
    void SetBarPointerDown(const QImage& Image);
    void SetBarProgress(const QImage& Image);

    // Internal geometry, readable so that owners and tests can see where the pieces went.
    double Scale() const noexcept { return FScale; }
    QRect TrackRect() const noexcept { return FTrackRect; }
    QRect PointerRect() const noexcept { return FPointerRect; }
    QRect BandRect() const noexcept { return FBandRect; }

signals:
    // Raised twice per press (once only for the right button), release and move; see the .cpp.
    void OnMouseDown(TSliderBar* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void OnMouseUp(TSliderBar* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void OnMouseMove(TSliderBar* Sender, Qt::KeyboardModifiers Shift, int X, int Y);

protected:
    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;

private:
    void UpdateScale();
    void UpdateRects();
    void UpdateBand(int RightExtra);
    // Pixel of APosition at the current scale.
    std::int64_t PixelOf(std::int64_t APosition) const;
    // The rightmost pixel the pointer's left edge can take.
    int PointerRange() const;

    QImage FBarLeft;
    QImage FBarRight;
    QImage FBar;
    QImage FBarPointer;
    QImage FBarPointerDown;
    QImage FBarProgress;

    std::int64_t FPosition = 0;
    std::int64_t FMax = 10;
    std::int64_t FSelStart = 0;
    std::int64_t FSelEnd = 0;
    bool FMouseOnPointer = false;
    bool FIsDown = false;

    double FScale = 0;
    int FGrabOffset = 0;
    QRect FTrackRect;
    QRect FPointerRect;
    QRect FBandRect;
};
