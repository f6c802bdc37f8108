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

bool Has(const QStyleOption& Option, QStyle::StateFlag Flag)
{
    return Option.state.testFlag(Flag);
}

// A rectangle whose 1-pixel outline lies on whole pixels.
QRectF Outline(const QRect& Rect)
{
    return QRectF(Rect).adjusted(0.5, 0.5, -0.5, -0.5);
}

void DrawPushButtonPanel(const QStyleOption& Option, QPainter& Painter)
{
    const bool enabled = Has(Option, QStyle::State_Enabled);
    const bool down = Has(Option, QStyle::State_Sunken) || Has(Option, QStyle::State_On);
    const bool hover = Has(Option, QStyle::State_MouseOver);
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
    Painter.save();
    Painter.setRenderHint(QPainter::Antialiasing);
    Painter.setPen(edge);
    Painter.setBrush(fill);
    Painter.drawRoundedRect(Outline(Option.rect), 3, 3);
    // A thin lighter band along the top keeps the flat face from looking sunk in.
    if (enabled && !down) {
        Painter.setPen(QColor(255, 255, 255, 170));
        Painter.drawLine(QPointF(Option.rect.left() + 3, Option.rect.top() + 1.5),
                         QPointF(Option.rect.right() - 2, Option.rect.top() + 1.5));
    }
    if (enabled && Has(Option, QStyle::State_HasFocus)) {
        Painter.setPen(QPen(Palette::Sky, 1));
        Painter.setBrush(Qt::NoBrush);
        Painter.drawRoundedRect(Outline(Option.rect.adjusted(2, 2, -2, -2)), 2, 2);
    }
    Painter.restore();
}

QColor IndicatorEdge(const QStyleOption& Option)
{
    if (!Has(Option, QStyle::State_Enabled))
        return Colours::DisabledEdge;
    if (Has(Option, QStyle::State_MouseOver) || Has(Option, QStyle::State_HasFocus))
        return Palette::Accent;
    return Colours::Edge;
}

QColor IndicatorFill(const QStyleOption& Option)
{
    if (!Has(Option, QStyle::State_Enabled))
        return Colours::DisabledFill;
    return Has(Option, QStyle::State_Sunken) ? Palette::Haze : Qt::white;
}

void DrawRadio(const QStyleOption& Option, QPainter& Painter)
{
    const QRectF box = Outline(Option.rect);
    Painter.save();
    Painter.setRenderHint(QPainter::Antialiasing);
    Painter.setPen(IndicatorEdge(Option));
    Painter.setBrush(IndicatorFill(Option));
    Painter.drawEllipse(box);
    if (Has(Option, QStyle::State_On)) {
        Painter.setPen(Qt::NoPen);
        Painter.setBrush(Has(Option, QStyle::State_Enabled) ? Palette::Accent : Colours::DisabledMark);
        const qreal inset = box.width() * 0.27;
        Painter.drawEllipse(box.adjusted(inset, inset, -inset, -inset));
    }
    Painter.restore();
}

void DrawCheck(const QStyleOption& Option, QPainter& Painter)
{
    const QRectF box = Outline(Option.rect);
    const bool enabled = Has(Option, QStyle::State_Enabled);
    const bool on = Has(Option, QStyle::State_On);
    Painter.save();
    Painter.setRenderHint(QPainter::Antialiasing);
    if (on) {
        // Checked, the box fills with the accent like a pressed player button.
        Painter.setPen(enabled ? Palette::Deep : Colours::DisabledEdge);
        Painter.setBrush(enabled ? Palette::Accent : Colours::DisabledMark);
    } else {
        Painter.setPen(IndicatorEdge(Option));
        Painter.setBrush(IndicatorFill(Option));
    }
    Painter.drawRoundedRect(box, 2, 2);
    if (on) {
        const qreal w = box.width();
        const qreal h = box.height();
        QPainterPath tick;
        tick.moveTo(box.left() + w * 0.22, box.top() + h * 0.52);
        tick.lineTo(box.left() + w * 0.42, box.top() + h * 0.72);
        tick.lineTo(box.left() + w * 0.78, box.top() + h * 0.30);
        Painter.setPen(QPen(Qt::white, std::max<qreal>(1.5, w / 7), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        Painter.setBrush(Qt::NoBrush);
        Painter.drawPath(tick);
    } else if (Has(Option, QStyle::State_NoChange)) {
        Painter.fillRect(
            box.adjusted(box.width() * 0.25, box.height() * 0.42, -box.width() * 0.25, -box.height() * 0.42),
            Palette::Accent);
    }
    Painter.restore();
}

QColor TextColour(const QStyleOption& Option, QPalette::ColorRole Role)
{
    return Has(Option, QStyle::State_Enabled) ? Option.palette.color(Role) : Colours::DisabledMark;
}

int MnemonicFlags(const QStyle& Style, const QStyleOption& Option, const QWidget* Widget)
{
    return Style.styleHint(QStyle::SH_UnderlineShortcut, &Option, Widget) ? Qt::TextShowMnemonic : Qt::TextHideMnemonic;
}

// An entry of the menu bar: nothing behind it at rest, so the dock's artwork shows; a light pane
// under the mouse and the accent's haze while its menu is open.
void DrawMenuBarItem(const QStyle& Style, const QStyleOptionMenuItem& Item, QPainter& Painter, const QWidget* Widget)
{
    const bool enabled = Has(Item, QStyle::State_Enabled);
    const bool open = Has(Item, QStyle::State_Sunken);
    const bool hover = Has(Item, QStyle::State_Selected);
    Painter.save();
    if (enabled && (open || hover)) {
        Painter.setRenderHint(QPainter::Antialiasing);
        Painter.setPen(open ? Palette::Accent : Palette::Sky);
        Painter.setBrush(open ? Palette::Haze : QColor(255, 255, 255, 160));
        Painter.drawRoundedRect(Outline(Item.rect.adjusted(1, 3, -1, -3)), 3, 3);
    }
    Painter.setPen(TextColour(Item, QPalette::ButtonText));
    Painter.drawText(Item.rect, Qt::AlignCenter | MnemonicFlags(Style, Item, Widget), Item.text);
    Painter.restore();
}

void DrawMenuItem(const QStyle& Style, const QStyleOptionMenuItem& Item, QPainter& Painter, const QWidget* Widget)
{
    const QRect rect = Item.rect;
    Painter.save();
    Painter.fillRect(rect, Qt::white);
    if (Item.menuItemType == QStyleOptionMenuItem::Separator) {
        const int y = rect.center().y();
        Painter.fillRect(QRect(rect.left() + 6, y, rect.width() - 12, 1), Palette::Line);
        Painter.restore();
        return;
    }
    const bool enabled = Has(Item, QStyle::State_Enabled);
    const bool selected = enabled && Has(Item, QStyle::State_Selected);
    if (selected) {
        Painter.setRenderHint(QPainter::Antialiasing);
        Painter.setPen(Palette::Sky);
        Painter.setBrush(Palette::Haze);
        Painter.drawRoundedRect(Outline(rect.adjusted(2, 1, -2, -1)), 2, 2);
        Painter.setRenderHint(QPainter::Antialiasing, false);
    }
    // The column for checks and icons, then the text; Fusion's item sizes leave room for both.
    const int column = std::max(Item.maxIconWidth, 16);
    const QRect check(rect.left() + 6, rect.top() + (rect.height() - 12) / 2, 12, 12);
    if (Item.checkType != QStyleOptionMenuItem::NotCheckable && Item.checked) {
        Painter.setRenderHint(QPainter::Antialiasing);
        Painter.setPen(
            QPen(enabled ? Palette::Accent : Colours::DisabledMark, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        Painter.drawPolyline(
            QPolygonF({QPointF(check.left() + 2, check.top() + 6.5), QPointF(check.left() + 5, check.top() + 9.5),
                       QPointF(check.right() - 1, check.top() + 3)}));
        Painter.setRenderHint(QPainter::Antialiasing, false);
    }
    const QColor text = selected ? Palette::Deep : TextColour(Item, QPalette::Text);
    Painter.setPen(text);
    const int arrowRoom = Item.menuItemType == QStyleOptionMenuItem::SubMenu ? 18 : 8;
    const QRect textRect = rect.adjusted(6 + column + 6, 0, -arrowRoom, 0);
    const int flags = Qt::AlignVCenter | Qt::TextSingleLine | MnemonicFlags(Style, Item, Widget);
    const qsizetype tab = Item.text.indexOf(u'\t');
    Painter.drawText(textRect, flags | Qt::AlignLeft, Item.text.left(tab));
    if (tab >= 0)
        Painter.drawText(textRect, flags | Qt::AlignRight, Item.text.mid(tab + 1));
    if (Item.menuItemType == QStyleOptionMenuItem::SubMenu) {
        const QPointF tip(rect.right() - 8, rect.center().y() + 0.5);
        Painter.setRenderHint(QPainter::Antialiasing);
        Painter.setPen(Qt::NoPen);
        Painter.setBrush(selected ? Palette::Deep : (enabled ? Palette::Slate : Colours::DisabledMark));
        Painter.drawPolygon(QPolygonF({tip + QPointF(-4, -4), tip + QPointF(-4, 4), tip}));
    }
    Painter.restore();
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

void TTristanStyle::drawPrimitive(PrimitiveElement Element, const QStyleOption* Option, QPainter* Painter,
                                  const QWidget* Widget) const
{
    switch (Element) {
    case PE_PanelButtonCommand:
        DrawPushButtonPanel(*Option, *Painter);
        return;
    case PE_FrameDefaultButton:
        return;
    case PE_IndicatorRadioButton:
        DrawRadio(*Option, *Painter);
        return;
    case PE_IndicatorCheckBox:
        DrawCheck(*Option, *Painter);
        return;
    case PE_PanelMenuBar:
        return;
    case PE_PanelMenu:
        Painter->fillRect(Option->rect, Qt::white);
        return;
    case PE_FrameMenu:
        Painter->save();
        Painter->setPen(Colours::Edge);
        Painter->setBrush(Qt::NoBrush);
        Painter->drawRect(Option->rect.adjusted(0, 0, -1, -1));
        Painter->restore();
        return;
    default:
        QProxyStyle::drawPrimitive(Element, Option, Painter, Widget);
        return;
    }
}

void TTristanStyle::drawControl(ControlElement Element, const QStyleOption* Option, QPainter* Painter,
                                const QWidget* Widget) const
{
    switch (Element) {
    case CE_MenuBarEmptyArea:
        return;
    case CE_MenuBarItem:
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(Option)) {
            DrawMenuBarItem(*this, *item, *Painter, Widget);
            return;
        }
        break;
    case CE_MenuItem:
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(Option)) {
            DrawMenuItem(*this, *item, *Painter, Widget);
            return;
        }
        break;
    default:
        break;
    }
    QProxyStyle::drawControl(Element, Option, Painter, Widget);
}

QSize TTristanStyle::sizeFromContents(ContentsType Type, const QStyleOption* Option, const QSize& Size,
                                      const QWidget* Widget) const
{
    QSize result = QProxyStyle::sizeFromContents(Type, Option, Size, Widget);
    // Room around the entries for their highlight.
    if (Type == CT_MenuBarItem)
        result.rwidth() += 8;
    if (Type == CT_MenuItem) {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(Option);
        if (item && item->menuItemType != QStyleOptionMenuItem::Separator)
            result.setHeight(std::max(result.height(), 24));
    }
    return result;
}

int TTristanStyle::pixelMetric(PixelMetric Metric, const QStyleOption* Option, const QWidget* Widget) const
{
    switch (Metric) {
    // Flat: a pressed button's label stays where it is.
    case PM_ButtonShiftHorizontal:
    case PM_ButtonShiftVertical:
        return 0;
    case PM_MenuBarPanelWidth:
        return 0;
    case PM_MenuPanelWidth:
        return 1;
    default:
        return QProxyStyle::pixelMetric(Metric, Option, Widget);
    }
}
