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

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
};
