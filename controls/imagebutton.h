// TImageButton: a push button drawn from up to four images (normal, mouse over, pressed, disabled),
// with a click event and an enabled flag of its own. It paints no background and takes no focus.
#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

class TImageButton : public QWidget {
    Q_OBJECT

public:
    explicit TImageButton(QWidget* Parent = nullptr);

    // The button keeps its own copy of each look; a null image empties it.
    const QImage& Image() const noexcept { return FImage; }
    const QImage& ImageOver() const noexcept { return FImageOver; }
    const QImage& ImageDown() const noexcept { return FImageDown; }
    const QImage& ImageDisable() const noexcept { return FImageDisable; }
    void SetImage(const QImage& AImage);
    void SetImageOver(const QImage& AImage);
    void SetImageDown(const QImage& AImage);
    void SetImageDisable(const QImage& AImage);

    bool UseDown() const noexcept { return FUseDown; }
    void SetUseDown(bool Value);

    // The button's own flag, apart from QWidget::isEnabled: a button that is not Enabled still gets
    // the mouse, its hint and its cursor; it only shows ImageDisable and never clicks.
    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool Value);

    // Where the last paint put the image; also the area that a click must end in.
    QRect ImageRect() const noexcept { return FImageRect; }

signals:
    void OnClick(TImageButton* Sender);

protected:
    void paintEvent(QPaintEvent* Event) override;
    void enterEvent(QEnterEvent* Event) override;
    void leaveEvent(QEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;

private:
    void SetLook(QImage& Look, const QImage& AImage);

    QImage FImage;
    QImage FImageOver;
    QImage FImageDown;
    QImage FImageDisable;
    bool FUseDown = true;
    bool FEnabled = true;
    bool FOver = false;
    bool FPressed = false;
    QRect FImageRect;
};
