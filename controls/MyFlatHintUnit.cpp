#include "controls/MyFlatHintUnit.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include <array>
#include <memory>
#include <vector>

namespace {

// Every live component, oldest first.
std::vector<TMyFlatHint*>& Components()
{
    static std::vector<TMyFlatHint*> components;
    return components;
}

// The application's hint engine, once a component exists: an application-wide filter that keeps
// Qt's own tooltips from showing, watches the mouse to decide when a hint shows and hides, and
// shows it in TMyFlatHintWindow.
class THintFilter : public QObject {
public:
    static THintFilter& Instance()
    {
        if (!Current()) {
            Current() = new THintFilter(qApp);
            qApp->installEventFilter(Current());
        }
        return *Current();
    }

    // Null before the first component, and once the application has gone.
    static QPointer<THintFilter>& Current()
    {
        static QPointer<THintFilter> current;
        return current;
    }

    // Each new component makes a fresh window of the hint class and takes the show-hint notification.
    void ComponentCreated(TMyFlatHint* Component)
    {
        CancelHint();
        FWindow = std::make_unique<TMyFlatHintWindow>();
        FRoute = Component;
    }

    // Without components no hint can show; the window must not outlive the application's widgets.
    void LastComponentGone()
    {
        CancelHint();
        FWindow.reset();
    }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override
    {
        switch (Event->type()) {
        case QEvent::ToolTip:
            return true;
        case QEvent::MouseMove:
            if (const auto* move = static_cast<QMouseEvent*>(Event);
                Watched->isWidgetType() && move->buttons() == Qt::NoButton)
                MouseMoved(move->globalPosition().toPoint());
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::ApplicationDeactivate:
            CancelHint();
            break;
        case QEvent::Leave:
            if (Watched->isWidgetType() && static_cast<QWidget*>(Watched)->isWindow())
                CancelHint();
            break;
        default:
            break;
        }
        return QObject::eventFilter(Watched, Event);
    }

private:
    explicit THintFilter(QObject* Parent) : QObject(Parent)
    {
        FShowTimer.setSingleShot(true);
        FHideTimer.setSingleShot(true);
        connect(&FShowTimer, &QTimer::timeout, this, &THintFilter::ShowHint);
        connect(&FHideTimer, &QTimer::timeout, this, &THintFilter::HintExpired);
    }

    // The widget under the mouse, or the nearest of its parents in the same window, that has a hint.
    static QWidget* HintControlOf(QWidget* Widget)
    {
        while (Widget && Widget->toolTip().isEmpty() && !Widget->isWindow())
            Widget = Widget->parentWidget();
        return Widget && !Widget->toolTip().isEmpty() ? Widget : nullptr;
    }

    void MouseMoved(QPoint GlobalPos)
    {
        QWidget* under = QApplication::widgetAt(GlobalPos);
        if (under && FWindow && under->window() == FWindow.get())
            return;
        QWidget* control = HintControlOf(under);
        if (control != FExpiredControl)
            FExpiredControl = nullptr;
        if (!control) {
            CancelHint();
            return;
        }
        if (control == FHintControl || control == FExpiredControl)
            return;
        FHintControl = control;
        // A hint that is already showing hands over to the next control almost at once.
        FShowTimer.start(FWindow && FWindow->isVisible() ? TMyFlatHint::HintShortPause : TMyFlatHint::HintPause);
    }

    void ShowHint()
    {
        if (!FHintControl || !FWindow)
            return;
        QString text = FHintControl->toolTip();
        bool canShow = true;
        THintInfo info{FHintControl, QCursor::pos(), TMyFlatHint::HintHidePause};
        if (FRoute)
            emit FRoute->OnShowHint(text, canShow, info);
        if (!canShow || text.isEmpty()) {
            FWindow->hide();
            return;
        }
        FWindow->ActivateHint(text);
        FHideTimer.start(info.HideTimeout);
    }

    // A hint that has hidden by itself stays hidden until the pointer leaves its control.
    void HintExpired()
    {
        FExpiredControl = FHintControl;
        CancelHint();
    }

    void CancelHint()
    {
        FShowTimer.stop();
        FHideTimer.stop();
        if (FWindow)
            FWindow->hide();
        FHintControl = nullptr;
    }

    std::unique_ptr<TMyFlatHintWindow> FWindow;
    QPointer<TMyFlatHint> FRoute;
    QPointer<QWidget> FHintControl;
    QPointer<QWidget> FExpiredControl;
    QTimer FShowTimer;
    QTimer FHideTimer;
};

bool IsLeft(TArrowCorner Corner)
{
    return Corner == TArrowCorner::TopLeft || Corner == TArrowCorner::BottomLeft;
}

bool IsTop(TArrowCorner Corner)
{
    return Corner == TArrowCorner::TopLeft || Corner == TArrowCorner::TopRight;
}

// Width of the arrow's column with the frame pixel on its outer side, and what the text area leaves
// beside the measured text: the column, the far frame pixel and 3 pixels of margin on each side.
constexpr int ColumnEdge = 15;
constexpr int TextExtraWidth = 22;
constexpr int TextExtraHeight = 6;

}  // namespace

TMyFlatHint::TMyFlatHint(QObject* Owner) : QObject(Owner)
{
    Components().push_back(this);
    THintFilter::Instance().ComponentCreated(this);
}

TMyFlatHint::~TMyFlatHint()
{
    std::erase(Components(), this);
    if (THintFilter* filter = THintFilter::Current(); filter && Components().empty())
        filter->LastComponentGone();
}

TMyFlatHintWindow::TMyFlatHintWindow()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
}

TMyFlatHint* TMyFlatHintWindow::FindHintComponent()
{
    for (TMyFlatHint* component : Components())
        if (component->parent() && component->parent()->isWidgetType())
            return component;
    return nullptr;
}

QSize TMyFlatHintWindow::HintSize(const QString& AText, const QFont& Font, int MaxHintWidth)
{
    // Word-wrapped, without mnemonics; a word wider than the box keeps its width.
    const QRect measured =
        QFontMetrics(Font).boundingRect(QRect(0, 0, MaxHintWidth - TextExtraWidth, 0), Qt::TextWordWrap, AText);
    return {measured.width() + TextExtraWidth, measured.height() + TextExtraHeight};
}

THintPlacement TMyFlatHintWindow::PlaceHint(QPoint Cursor, QSize Screen, QSize Size)
{
    // The right and bottom halves take the dividing lines.
    const bool left = Cursor.x() < Screen.width() / 2;
    const bool top = Cursor.y() < Screen.height() / 2;
    const TArrowCorner corner = top ? (left ? TArrowCorner::TopLeft : TArrowCorner::TopRight)
                                    : (left ? TArrowCorner::BottomLeft : TArrowCorner::BottomRight);
    const int gap = corner == TArrowCorner::TopLeft ? 12 : 5;
    const int x = left ? Cursor.x() + gap : Cursor.x() - Size.width() - gap;
    const int y = top ? Cursor.y() + gap : Cursor.y() - Size.height() - gap;
    return {corner, QRect(QPoint(x, y), Size)};
}

QRect TMyFlatHintWindow::ArrowColumn(TArrowCorner Corner, QSize Client)
{
    const int left = IsLeft(Corner) ? 1 : Client.width() - ColumnEdge;
    return QRect(left, 1, ColumnEdge - 1, Client.height() - 2);
}

QPoint TMyFlatHintWindow::ArrowAnchorIn(TArrowCorner Corner, QRect Column)
{
    const int x = IsLeft(Corner) ? Column.left() + 2 : Column.left() + Column.width() - 3;
    const int y = IsTop(Corner) ? Column.top() + 2 : Column.top() + Column.height() - 3;
    return {x, y};
}

QPolygon TMyFlatHintWindow::ArrowPoints(TArrowCorner Corner, QPoint Anchor)
{
    static constexpr std::array<std::array<int, 2>, 18> Steps{{{0, 0}, {0, 6}, {1, 6}, {1, 0}, {6, 0}, {6, 1},
                                                               {2, 1}, {2, 4}, {5, 7}, {6, 7}, {3, 4}, {3, 3},
                                                               {6, 6}, {7, 6}, {3, 2}, {4, 2}, {7, 5}, {7, 6}}};
    const int sx = IsLeft(Corner) ? 1 : -1;
    const int sy = IsTop(Corner) ? 1 : -1;
    QPolygon points;
    for (const auto& [dx, dy] : Steps)
        points << Anchor + QPoint(sx * dx, sy * dy);
    return points;
}

void TMyFlatHintWindow::ActivateHint(const QString& AText)
{
    FText = AText;
    FHintComponent = FindHintComponent();
    if (!FHintComponent) {
        hide();
        return;
    }
    const QSize size = HintSize(AText, FHintComponent->Font(), FHintComponent->MaxHintWidth());
    const THintPlacement placement =
        PlaceHint(QCursor::pos(), QGuiApplication::primaryScreen()->geometry().size(), size);
    FArrowCorner = placement.ArrowCorner;
    FArrowAnchor = ArrowAnchorIn(FArrowCorner, ArrowColumn(FArrowCorner, size));
    // Not moved back onto the screen: the quadrant rule already keeps it on the inner side.
    setGeometry(placement.Bounds);
    show();
    update();
}

void TMyFlatHintWindow::paintEvent(QPaintEvent*)
{
    const TMyFlatHint* component = FHintComponent;
    if (!component)
        return;
    const int w = width();
    const int h = height();
    const QRect column = ArrowColumn(FArrowCorner, size());
    const QRect textArea(IsLeft(FArrowCorner) ? ColumnEdge : 1, 1, w - ColumnEdge - 1, h - 2);
    QPainter painter(this);
    painter.fillRect(column, component->ColorArrowBackground());
    painter.fillRect(textArea, component->ColorBackground());
    painter.setPen(component->ColorBorder());
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setPen(component->ColorArrow());
    painter.drawPolyline(ArrowPoints(FArrowCorner, FArrowAnchor));
    painter.setFont(component->Font());
    painter.setPen(component->FontColor());
    const Qt::Alignment alignment = layoutDirection() == Qt::RightToLeft ? Qt::AlignRight : Qt::AlignLeft;
    painter.drawText(textArea.adjusted(3, 1, -3, -1), Qt::TextWordWrap | static_cast<int>(Qt::AlignTop | alignment), FText);
}
