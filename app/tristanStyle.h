// TTristanStyle: the flat toolbar theme "tristan". Menus in their dock, push buttons, radio buttons
// and check boxes are drawn flat in the blues of the program's artwork; everything else, and every
// size, is Fusion's.
#pragma once

#include <QProxyStyle>

class TTristanStyle : public QProxyStyle {
    Q_OBJECT

public:
    TTristanStyle();

    // Fusion's, with the artwork's blue as the highlight.
    QPalette standardPalette() const override;

    void drawPrimitive(PrimitiveElement Element, const QStyleOption* Option, QPainter* Painter,
                       const QWidget* Widget = nullptr) const override;
    void drawControl(ControlElement Element, const QStyleOption* Option, QPainter* Painter,
                     const QWidget* Widget = nullptr) const override;
    QSize sizeFromContents(ContentsType Type, const QStyleOption* Option, const QSize& Size,
                           const QWidget* Widget = nullptr) const override;
    int pixelMetric(PixelMetric Metric, const QStyleOption* Option = nullptr,
                    const QWidget* Widget = nullptr) const override;
};
