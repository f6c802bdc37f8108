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
    void ComponentCreated(TMyFlatHint* component)
    {
        CancelHint();
        FWindow = std::make_unique<TMyFlatHintWindow>();
        FRoute = component;
    }

    // Without components no hint can show; the window must not outlive the application's widgets.
    void LastComponentGone()
    {
        CancelHint();
        FWindow.reset();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::ToolTip:
            return true;
        case QEvent::MouseMove:
            if (const auto* move = static_cast<QMouseEvent*>(event);
                watched->isWidgetType() && move->buttons() == Qt::NoButton)
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
            if (watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow())
                CancelHint();
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    explicit THintFilter(QObject* parent) : QObject(parent)
    {
        FShowTimer.setSingleShot(true);
        FHideTimer.setSingleShot(true);
        connect(&FShowTimer, &QTimer::timeout, this, &THintFilter::ShowHint);
        connect(&FHideTimer, &QTimer::timeout, this, &THintFilter::HintExpired);
    }

    // The widget under the mouse, or the nearest of its parents in the same window, that has a hint.
    static QWidget* HintControlOf(QWidget* widget)
    {
        while (widget && widget->toolTip().isEmpty() && !widget->isWindow())
            widget = widget->parentWidget();
        return widget && !widget->toolTip().isEmpty() ? widget : nullptr;
    }

    void MouseMoved(QPoint globalPos)
    {
        QWidget* under = QApplication::widgetAt(globalPos);
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

bool IsLeft(TArrowCorner corner)
{
    return corner == TArrowCorner::TopLeft || corner == TArrowCorner::BottomLeft;
}

bool IsTop(TArrowCorner corner)
{
    return corner == TArrowCorner::TopLeft || corner == TArrowCorner::TopRight;
}

// Width of the arrow's column with the frame pixel on its outer side, and what the text area leaves
// beside the measured text: the column, the far frame pixel and 3 pixels of margin on each side.
constexpr int ColumnEdge = 15;
constexpr int TextExtraWidth = 22;
constexpr int TextExtraHeight = 6;

}  // namespace

TMyFlatHint::TMyFlatHint(QObject* owner) : QObject(owner)
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

QSize TMyFlatHintWindow::HintSize(const QString& text, const QFont& font, int maxHintWidth)
{
    // Word-wrapped, without mnemonics; a word wider than the box keeps its width.
    const QRect measured =
        QFontMetrics(font).boundingRect(QRect(0, 0, maxHintWidth - TextExtraWidth, 0), Qt::TextWordWrap, text);
    return {measured.width() + TextExtraWidth, measured.height() + TextExtraHeight};
}

THintPlacement TMyFlatHintWindow::PlaceHint(QPoint cursor, QSize screen, QSize size)
{
    // The right and bottom halves take the dividing lines.
    const bool left = cursor.x() < screen.width() / 2;
    const bool top = cursor.y() < screen.height() / 2;
    const TArrowCorner corner = top ? (left ? TArrowCorner::TopLeft : TArrowCorner::TopRight)
                                    : (left ? TArrowCorner::BottomLeft : TArrowCorner::BottomRight);
    const int gap = corner == TArrowCorner::TopLeft ? 12 : 5;
    const int x = left ? cursor.x() + gap : cursor.x() - size.width() - gap;
    const int y = top ? cursor.y() + gap : cursor.y() - size.height() - gap;
    return {corner, QRect(QPoint(x, y), size)};
}

QRect TMyFlatHintWindow::ArrowColumn(TArrowCorner corner, QSize client)
{
    const int left = IsLeft(corner) ? 1 : client.width() - ColumnEdge;
    return QRect(left, 1, ColumnEdge - 1, client.height() - 2);
}

QPoint TMyFlatHintWindow::ArrowAnchorIn(TArrowCorner corner, QRect column)
{
    const int x = IsLeft(corner) ? column.left() + 2 : column.left() + column.width() - 3;
    const int y = IsTop(corner) ? column.top() + 2 : column.top() + column.height() - 3;
    return {x, y};
}

QPolygon TMyFlatHintWindow::ArrowPoints(TArrowCorner corner, QPoint anchor)
{
    static constexpr std::array<std::array<int, 2>, 18> Steps{{{0, 0}, {0, 6}, {1, 6}, {1, 0}, {6, 0}, {6, 1},
                                                               {2, 1}, {2, 4}, {5, 7}, {6, 7}, {3, 4}, {3, 3},
                                                               {6, 6}, {7, 6}, {3, 2}, {4, 2}, {7, 5}, {7, 6}}};
    const int sx = IsLeft(corner) ? 1 : -1;
    const int sy = IsTop(corner) ? 1 : -1;
    QPolygon points;
    for (const auto& [dx, dy] : Steps)
        points << anchor + QPoint(sx * dx, sy * dy);
    return points;
}

void TMyFlatHintWindow::ActivateHint(const QString& text)
{
    FText = text;
    FHintComponent = FindHintComponent();
    if (!FHintComponent) {
        hide();
        return;
    }
    const QSize size = HintSize(text, FHintComponent->Font(), FHintComponent->MaxHintWidth());
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
