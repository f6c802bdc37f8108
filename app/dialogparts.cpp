#include "app/dialogparts.h"

#include <QDialog>
#include <QMouseEvent>

#include <algorithm>

void SetupDialogFrame(QDialog& Dialog, int ClientWidth, int ClientHeight, const QString& Caption)
{
    Dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    Dialog.setFixedSize(ClientWidth, ClientHeight);
    Dialog.setWindowTitle(Caption);
    QPalette white = Dialog.palette();
    white.setColor(QPalette::Window, Qt::white);
    Dialog.setPalette(white);
    Dialog.setAutoFillBackground(true);
    QFont font(QStringLiteral("Trebuchet MS"));
    font.setPixelSize(12);
    font.setBold(true);
    Dialog.setFont(font);
}

QLabel* AddLabel(QWidget& Parent, const QString& Text, int Left, int Top, int Width, int Height, bool AutoSize)
{
    auto* label = new QLabel(&Parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(Text);
    label->setGeometry(Left, Top, Width, Height);
    if (AutoSize)
        label->resize(std::max(Width, label->sizeHint().width()), Height);
    return label;
}

TLinkLabel::TLinkLabel(QWidget* Parent, QColor Colour, bool Italic) : QLabel(Parent)
{
    // A path or address is shown as it is, never as markup.
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    // Only these attributes: family and size stay the dialog's.
    QFont linkFont;
    linkFont.setBold(true);
    linkFont.setUnderline(true);
    linkFont.setItalic(Italic);
    setFont(linkFont);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, Colour);
    setPalette(colours);
}

void TLinkLabel::mousePressEvent(QMouseEvent* Event)
{
    FPressed = Event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(Event);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* Event)
{
    const bool click = FPressed && Event->button() == Qt::LeftButton && rect().contains(Event->position().toPoint());
    FPressed = false;
    QLabel::mouseReleaseEvent(Event);
    if (click)
        emit Clicked();
}
