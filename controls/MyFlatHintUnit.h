// TMyFlatHint: a component that replaces the application's tooltips with TMyFlatHintWindow, a flat box
// with a coloured column whose small arrow points at the cursor, and word-wrapped text. The window
// opens on the side of the cursor that faces the centre of the screen.
#pragma once

#include <QColor>
#include <QFont>
#include <QObject>
#include <QPointer>
#include <QPolygon>
#include <QRect>
#include <QString>
#include <QWidget>

struct THintInfo {
    QWidget* HintControl = nullptr;
    QPoint CursorPos;
    // Milliseconds until the hint hides again.
    int HideTimeout = 0;
};

class TMyFlatHint : public QObject {
    Q_OBJECT

public:
    // The owner is the form that holds the component. The first component makes every tooltip of the
    // application show in TMyFlatHintWindow from then on, and sets the hint timing.
    explicit TMyFlatHint(QObject* owner = nullptr);
    ~TMyFlatHint() override;

    QColor ColorBackground() const noexcept { return FColorBackground; }
    QColor ColorBorder() const noexcept { return FColorBorder; }
    QColor ColorArrowBackground() const noexcept { return FColorArrowBackground; }
    QColor ColorArrow() const noexcept { return FColorArrow; }
    int MaxHintWidth() const noexcept { return FMaxHintWidth; }
    const QFont& Font() const noexcept { return FFont; }
    // A font carries no colour here, so the text colour sits beside it.
    QColor FontColor() const noexcept { return FFontColor; }
    // Each takes effect from the next hint on.
    void SetColorBackground(QColor value) { FColorBackground = value; }
    void SetColorBorder(QColor value) { FColorBorder = value; }
    void SetColorArrowBackground(QColor value) { FColorArrowBackground = value; }
    void SetColorArrow(QColor value) { FColorArrow = value; }
    void SetMaxHintWidth(int value) { FMaxHintWidth = value; }
    void SetFont(const QFont& value) { FFont = value; }
    void SetFontColor(QColor value) { FFontColor = value; }

    // Hint timing, in milliseconds, that every component sets for the application.
    static constexpr int HintPause = 500;
    static constexpr int HintShortPause = 25;
    static constexpr int HintHidePause = 5000;

signals:
    // Raised by the most recently created component whenever the application is about to show a hint;
    // a handler may change the text or refuse the hint. Connect it directly: the arguments are references.
    void OnShowHint(QString& HintStr, bool& CanShow, THintInfo& HintInfo);

private:
    QColor FColorBackground{255, 255, 255};
    QColor FColorBorder{0, 0, 0};
    QColor FColorArrowBackground{255, 210, 83};
    QColor FColorArrow{0, 0, 0};
    int FMaxHintWidth = 200;
    QFont FFont;
    QColor FFontColor{0, 0, 0};
};

enum class TArrowCorner { TopLeft, TopRight, BottomLeft, BottomRight };

struct THintPlacement {
    TArrowCorner ArrowCorner = TArrowCorner::TopLeft;
    QRect Bounds;
};

class TMyFlatHintWindow : public QWidget {
    Q_OBJECT

public:
    TMyFlatHintWindow();

    // Shows text beside the cursor, above all other windows and without taking the activation. Shows
    // nothing when no open form holds a hint component.
    void ActivateHint(const QString& text);

    const QString& Text() const noexcept { return FText; }
    TArrowCorner ArrowCorner() const noexcept { return FArrowCorner; }
    QPoint ArrowAnchor() const noexcept { return FArrowAnchor; }
    TMyFlatHint* HintComponent() const noexcept { return FHintComponent; }

    // The component whose form comes first; null when no form holds one.
    static TMyFlatHint* FindHintComponent();
    // The window's size for text measured word-wrapped in a box maxHintWidth - 22 pixels wide.
    static QSize HintSize(const QString& text, const QFont& font, int maxHintWidth);
    // Where a window of that size opens for a cursor on a screen of the given full size.
    static THintPlacement PlaceHint(QPoint cursor, QSize screen, QSize size);
    // The arrow's column and its anchor inside a client area of the given size.
    static QRect ArrowColumn(TArrowCorner corner, QSize client);
    static QPoint ArrowAnchorIn(TArrowCorner corner, QRect column);
    // The 18 points of the arrow's polyline, pointing into the corner from the anchor.
    static QPolygon ArrowPoints(TArrowCorner corner, QPoint anchor);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString FText;
    QPointer<TMyFlatHint> FHintComponent;
    TArrowCorner FArrowCorner = TArrowCorner::TopLeft;
    QPoint FArrowAnchor;
};
