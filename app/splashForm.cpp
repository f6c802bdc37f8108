#include "app/splashForm.h"

#include "assets/artwork.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

namespace {

// The splash's frame: a rectangle over the whole client area, outline only.
class TShape : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(QColor(0xD0, 0xD0, 0xD0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(0, 0, width() - 1, height() - 1);
    }
};

}  // namespace

TsplashDlg::TsplashDlg() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("splashDlg"));
    setFixedSize(561, 309);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setAutoFillBackground(true);
    Shape1 = new TShape(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setGeometry(0, 0, 561, 309);
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(5, 4, 550, 300);
    Image1->setPixmap(QPixmap(QString::fromLatin1(Artwork::Splash)));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
    }
}

void WaitAtLeast(const std::function<std::uint32_t()>& Tick, std::uint32_t Start, std::uint32_t Minimum,
                 const std::function<void()>& ProcessEvents)
{
    while (static_cast<std::uint32_t>(Tick() - Start) < Minimum)
        ProcessEvents();
}
