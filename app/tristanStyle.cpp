#include "app/tristanStyle.h"

#include "assets/palette.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleFactory>
#include <QStyleOption>

#include <algorithm>

namespace {

// The theme's own colours beside the artwork's.
namespace Colours {
const QColor Edge(143, 176, 219);  // the player buttons' rim
const QColor DisabledFill(245, 245, 245);
const QColor DisabledEdge(200, 200, 200);
const QColor DisabledMark(176, 176, 176);
}  // namespace Colours

bool Has(const QStyleOption& option, QStyle::StateFlag flag)
{
    return option.state.testFlag(flag);
}

// A rectangle whose 1-pixel outline lies on whole pixels.
QRectF Outline(const QRect& rect)
{
    return QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5);
}

void DrawPushButtonPanel(const QStyleOption& option, QPainter& painter)
{
    const bool enabled = Has(option, QStyle::State_Enabled);
    const bool down = Has(option, QStyle::State_Sunken) || Has(option, QStyle::State_On);
    const bool hover = Has(option, QStyle::State_MouseOver);
    QColor fill = Palette::Mist;
    QColor edge = Colours::Edge;
    if (!enabled) {
        fill = Colours::DisabledFill;
        edge = Colours::DisabledEdge;
    } else if (down) {
        fill = Palette::Haze;
        edge = Palette::Deep;
    } else if (hover) {
        fill = QColor(221, 234, 250);
        edge = Palette::Accent;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(edge);
    painter.setBrush(fill);
    painter.drawRoundedRect(Outline(option.rect), 3, 3);
    // A thin lighter band along the top keeps the flat face from looking sunk in.
    if (enabled && !down) {
        painter.setPen(QColor(255, 255, 255, 170));
        painter.drawLine(QPointF(option.rect.left() + 3, option.rect.top() + 1.5),
                         QPointF(option.rect.right() - 2, option.rect.top() + 1.5));
    }
    if (enabled && Has(option, QStyle::State_HasFocus)) {
        painter.setPen(QPen(Palette::Sky, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(Outline(option.rect.adjusted(2, 2, -2, -2)), 2, 2);
    }
    painter.restore();
}

QColor IndicatorEdge(const QStyleOption& option)
{
    if (!Has(option, QStyle::State_Enabled))
        return Colours::DisabledEdge;
    if (Has(option, QStyle::State_MouseOver) || Has(option, QStyle::State_HasFocus))
        return Palette::Accent;
    return Colours::Edge;
}

QColor IndicatorFill(const QStyleOption& option)
{
    if (!Has(option, QStyle::State_Enabled))
        return Colours::DisabledFill;
    return Has(option, QStyle::State_Sunken) ? Palette::Haze : Qt::white;
}

void DrawRadio(const QStyleOption& option, QPainter& painter)
{
    const QRectF box = Outline(option.rect);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(IndicatorEdge(option));
    painter.setBrush(IndicatorFill(option));
    painter.drawEllipse(box);
    if (Has(option, QStyle::State_On)) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Has(option, QStyle::State_Enabled) ? Palette::Accent : Colours::DisabledMark);
        const qreal inset = box.width() * 0.27;
        painter.drawEllipse(box.adjusted(inset, inset, -inset, -inset));
    }
    painter.restore();
}

void DrawCheck(const QStyleOption& option, QPainter& painter)
{
    const QRectF box = Outline(option.rect);
    const bool enabled = Has(option, QStyle::State_Enabled);
    const bool on = Has(option, QStyle::State_On);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (on) {
        // Checked, the box fills with the accent like a pressed player button.
        painter.setPen(enabled ? Palette::Deep : Colours::DisabledEdge);
        painter.setBrush(enabled ? Palette::Accent : Colours::DisabledMark);
    } else {
        painter.setPen(IndicatorEdge(option));
        painter.setBrush(IndicatorFill(option));
    }
    painter.drawRoundedRect(box, 2, 2);
    if (on) {
        const qreal w = box.width();
        const qreal h = box.height();
        QPainterPath tick;
        tick.moveTo(box.left() + w * 0.22, box.top() + h * 0.52);
        tick.lineTo(box.left() + w * 0.42, box.top() + h * 0.72);
        tick.lineTo(box.left() + w * 0.78, box.top() + h * 0.30);
        painter.setPen(QPen(Qt::white, std::max<qreal>(1.5, w / 7), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(tick);
    } else if (Has(option, QStyle::State_NoChange)) {
        painter.fillRect(
            box.adjusted(box.width() * 0.25, box.height() * 0.42, -box.width() * 0.25, -box.height() * 0.42),
            Palette::Accent);
    }
    painter.restore();
}

QColor TextColour(const QStyleOption& option, QPalette::ColorRole role)
{
    return Has(option, QStyle::State_Enabled) ? option.palette.color(role) : Colours::DisabledMark;
}

int MnemonicFlags(const QStyle& style, const QStyleOption& option, const QWidget* widget)
{
    return style.styleHint(QStyle::SH_UnderlineShortcut, &option, widget) ? Qt::TextShowMnemonic : Qt::TextHideMnemonic;
}

// An entry of the menu bar: nothing behind it at rest, so the dock's artwork shows; a light pane
// under the mouse and the accent's haze while its menu is open.
void DrawMenuBarItem(const QStyle& style, const QStyleOptionMenuItem& item, QPainter& painter, const QWidget* widget)
{
    const bool enabled = Has(item, QStyle::State_Enabled);
    const bool open = Has(item, QStyle::State_Sunken);
    const bool hover = Has(item, QStyle::State_Selected);
    painter.save();
    if (enabled && (open || hover)) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(open ? Palette::Accent : Palette::Sky);
        painter.setBrush(open ? Palette::Haze : QColor(255, 255, 255, 160));
        painter.drawRoundedRect(Outline(item.rect.adjusted(1, 3, -1, -3)), 3, 3);
    }
    painter.setPen(TextColour(item, QPalette::ButtonText));
    painter.drawText(item.rect, Qt::AlignCenter | MnemonicFlags(style, item, widget), item.text);
    painter.restore();
}

void DrawMenuItem(const QStyle& style, const QStyleOptionMenuItem& item, QPainter& painter, const QWidget* widget)
{
    const QRect rect = item.rect;
    painter.save();
    painter.fillRect(rect, Qt::white);
    if (item.menuItemType == QStyleOptionMenuItem::Separator) {
        const int y = rect.center().y();
        painter.fillRect(QRect(rect.left() + 6, y, rect.width() - 12, 1), Palette::Line);
        painter.restore();
        return;
    }
    const bool enabled = Has(item, QStyle::State_Enabled);
    const bool selected = enabled && Has(item, QStyle::State_Selected);
    if (selected) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Palette::Sky);
        painter.setBrush(Palette::Haze);
        painter.drawRoundedRect(Outline(rect.adjusted(2, 1, -2, -1)), 2, 2);
        painter.setRenderHint(QPainter::Antialiasing, false);
    }
    // The column for checks and icons, then the text; Fusion's item sizes leave room for both.
    const int column = std::max(item.maxIconWidth, 16);
    const QRect check(rect.left() + 6, rect.top() + (rect.height() - 12) / 2, 12, 12);
    if (item.checkType != QStyleOptionMenuItem::NotCheckable && item.checked) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(
            QPen(enabled ? Palette::Accent : Colours::DisabledMark, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPolyline(
            QPolygonF({QPointF(check.left() + 2, check.top() + 6.5), QPointF(check.left() + 5, check.top() + 9.5),
                       QPointF(check.right() - 1, check.top() + 3)}));
        painter.setRenderHint(QPainter::Antialiasing, false);
    }
    const QColor text = selected ? Palette::Deep : TextColour(item, QPalette::Text);
    painter.setPen(text);
    const int arrowRoom = item.menuItemType == QStyleOptionMenuItem::SubMenu ? 18 : 8;
    const QRect textRect = rect.adjusted(6 + column + 6, 0, -arrowRoom, 0);
    const int flags = Qt::AlignVCenter | Qt::TextSingleLine | MnemonicFlags(style, item, widget);
    const qsizetype tab = item.text.indexOf(u'\t');
    painter.drawText(textRect, flags | Qt::AlignLeft, item.text.left(tab));
    if (tab >= 0)
        painter.drawText(textRect, flags | Qt::AlignRight, item.text.mid(tab + 1));
    if (item.menuItemType == QStyleOptionMenuItem::SubMenu) {
        const QPointF tip(rect.right() - 8, rect.center().y() + 0.5);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(selected ? Palette::Deep : (enabled ? Palette::Slate : Colours::DisabledMark));
        painter.drawPolygon(QPolygonF({tip + QPointF(-4, -4), tip + QPointF(-4, 4), tip}));
    }
    painter.restore();
}

}  // namespace

TTristanStyle::TTristanStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion")))
{
}

QPalette TTristanStyle::standardPalette() const
{
    QPalette palette = QProxyStyle::standardPalette();
    palette.setColor(QPalette::Highlight, Palette::Accent);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, Palette::Accent);
    return palette;
}

void TTristanStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                  const QWidget* widget) const
{
    switch (element) {
    case PE_PanelButtonCommand:
        DrawPushButtonPanel(*option, *painter);
        return;
    case PE_FrameDefaultButton:
        return;
    case PE_IndicatorRadioButton:
        DrawRadio(*option, *painter);
        return;
    case PE_IndicatorCheckBox:
        DrawCheck(*option, *painter);
        return;
    case PE_PanelMenuBar:
        return;
    case PE_PanelMenu:
        painter->fillRect(option->rect, Qt::white);
        return;
    case PE_FrameMenu:
        painter->save();
        painter->setPen(Colours::Edge);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        painter->restore();
        return;
    default:
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
}

void TTristanStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                const QWidget* widget) const
{
    switch (element) {
    case CE_MenuBarEmptyArea:
        return;
    case CE_MenuBarItem:
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
            DrawMenuBarItem(*this, *item, *painter, widget);
            return;
        }
        break;
    case CE_MenuItem:
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
            DrawMenuItem(*this, *item, *painter, widget);
            return;
        }
        break;
    default:
        break;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

QSize TTristanStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                      const QWidget* widget) const
{
    QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
    // Room around the entries for their highlight.
    if (type == CT_MenuBarItem)
        result.rwidth() += 8;
    if (type == CT_MenuItem) {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (item && item->menuItemType != QStyleOptionMenuItem::Separator)
            result.setHeight(std::max(result.height(), 24));
    }
    return result;
}

int TTristanStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    switch (metric) {
    // Flat: a pressed button's label stays where it is.
    case PM_ButtonShiftHorizontal:
    case PM_ButtonShiftVertical:
        return 0;
    case PM_MenuBarPanelWidth:
        return 0;
    case PM_MenuPanelWidth:
        return 1;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}
