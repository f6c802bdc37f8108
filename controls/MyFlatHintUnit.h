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
    // Owner is the form that holds the component. The first component makes every tooltip of the
    // application show in TMyFlatHintWindow from then on, and sets the hint timing.
    explicit TMyFlatHint(QObject* Owner = nullptr);
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
    void SetColorBackground(QColor Value) { FColorBackground = Value; }
    void SetColorBorder(QColor Value) { FColorBorder = Value; }
    void SetColorArrowBackground(QColor Value) { FColorArrowBackground = Value; }
    void SetColorArrow(QColor Value) { FColorArrow = Value; }
    void SetMaxHintWidth(int Value) { FMaxHintWidth = Value; }
    void SetFont(const QFont& Value) { FFont = Value; }
    void SetFontColor(QColor Value) { FFontColor = Value; }

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

    // Shows AText beside the cursor, above all other windows and without taking the activation. Shows
    // nothing when no open form holds a hint component.
    void ActivateHint(const QString& AText);

    const QString& Text() const noexcept { return FText; }
    TArrowCorner ArrowCorner() const noexcept { return FArrowCorner; }
    QPoint ArrowAnchor() const noexcept { return FArrowAnchor; }
    TMyFlatHint* HintComponent() const noexcept { return FHintComponent; }

    // The component whose form comes first; null when no form holds one.
    static TMyFlatHint* FindHintComponent();
    // The window's size for AText measured word-wrapped in a box MaxHintWidth - 22 pixels wide.
    static QSize HintSize(const QString& AText, const QFont& Font, int MaxHintWidth);
    // Where a window of Size opens for the mouse at Cursor on a screen of the full size Screen.
    static THintPlacement PlaceHint(QPoint Cursor, QSize Screen, QSize Size);
    // The arrow's column and its anchor inside a client area of the given size.
    static QRect ArrowColumn(TArrowCorner Corner, QSize Client);
    static QPoint ArrowAnchorIn(TArrowCorner Corner, QRect Column);
    // The 18 points of the arrow's polyline, pointing into the corner from the anchor.
    static QPolygon ArrowPoints(TArrowCorner Corner, QPoint Anchor);

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    QString FText;
    QPointer<TMyFlatHint> FHintComponent;
    TArrowCorner FArrowCorner = TArrowCorner::TopLeft;
    QPoint FArrowAnchor;
};
