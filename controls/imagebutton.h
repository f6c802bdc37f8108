// TImageButton: a push button drawn from up to four images (normal, mouse over, pressed, disabled),
// with a click event and an enabled flag of its own. It paints no background and takes no focus.
#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

class TImageButton : public QWidget {
    Q_OBJECT

public:
    explicit TImageButton(QWidget* parent = nullptr);

    // The button keeps its own copy of each look; a null image empties it.
    const QImage& Image() const noexcept { return FImage; }
    const QImage& ImageOver() const noexcept { return FImageOver; }
    const QImage& ImageDown() const noexcept { return FImageDown; }
    const QImage& ImageDisable() const noexcept { return FImageDisable; }
    void SetImage(const QImage& image);
    void SetImageOver(const QImage& image);
    void SetImageDown(const QImage& image);
    void SetImageDisable(const QImage& image);

    bool UseDown() const noexcept { return FUseDown; }
    void SetUseDown(bool value);

    // The button's own flag, apart from QWidget::isEnabled: a button that is not Enabled still gets
    // the mouse, its hint and its cursor; it only shows ImageDisable and never clicks.
    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool value);

    // Where the last paint put the image; also the area that a click must end in.
    QRect ImageRect() const noexcept { return FImageRect; }

signals:
    void OnClick(TImageButton* Sender);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void SetLook(QImage& look, const QImage& image);

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
