// TImageButton: which look it shows, where, and when a click counts.

#include "controls/imagebutton.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

namespace {

const QColor Magenta(255, 0, 255);
const QColor Normal(200, 0, 0);
const QColor Over(0, 200, 0);
const QColor Down(0, 0, 200);
const QColor Disable(128, 128, 128);

QImage Look(QColor colour)
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

// A shown window whose magenta shows wherever the button paints nothing.
struct TButtonFixture {
    TButtonFixture()
    {
        QPalette magenta = window.palette();
        magenta.setColor(QPalette::Window, Magenta);
        window.setPalette(magenta);
        window.setAutoFillBackground(true);
        window.setGeometry(100, 100, 60, 60);
        button.setGeometry(10, 10, 36, 36);  // room for the pressed offset
        button.SetImage(Look(Normal));
        button.SetImageOver(Look(Over));
        button.SetImageDown(Look(Down));
        button.SetImageDisable(Look(Disable));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }

    // Paints the button as the screen would; returns its pixels.
    QImage Paint() { return window.grab(button.geometry()).toImage(); }
    QColor LookAt(QPoint at) { return Paint().pixelColor(at); }

    // A real pointer over the window, so that Qt sends the enter and leave notifications.
    void PointAt(QPoint inButton) { MoveTo(button.mapToGlobal(inButton)); }
    void PointAway() { MoveTo(QPoint(5, 5)); }
    static void MoveTo(QPoint global)
    {
        QCursor::setPos(global);
        QApplication::processEvents();
    }

    QWidget window;
    TImageButton button{&window};
    QSignalSpy clicks{&button, &TImageButton::OnClick};
};

}  // namespace

class TestImageButton : public QObject {
    Q_OBJECT

private slots:
    void init() { TButtonFixture::MoveTo(QPoint(5, 5)); }

    void looksFollowTheMouse()
    {
        TButtonFixture f;
        QCOMPARE(f.LookAt({16, 16}), Normal);
        QCOMPARE(f.LookAt({34, 34}), Magenta);  // no background is filled
        f.PointAt({16, 16});
        QCOMPARE(f.LookAt({16, 16}), Over);
        QTest::mousePress(&f.button, Qt::LeftButton, {}, {16, 16});
        const QImage pressed = f.Paint();
        QCOMPARE(pressed.pixelColor(1, 1), Magenta);  // drawn 2 pixels right and down
        QCOMPARE(pressed.pixelColor(2, 2), Down);
        QCOMPARE(f.button.ImageRect(), QRect(2, 2, 32, 32));
        QTest::mouseRelease(&f.button, Qt::LeftButton, {}, {16, 16});
        QCOMPARE(f.clicks.count(), 1);
        QCOMPARE(f.clicks.first().first().value<TImageButton*>(), &f.button);
        QCOMPARE(f.LookAt({16, 16}), Over);
        f.PointAway();
        QCOMPARE(f.LookAt({16, 16}), Normal);
    }

    void withoutUseDownThePressedLookStaysInPlace()
    {
        TButtonFixture f;
        f.button.SetUseDown(false);
        QTest::mousePress(&f.button, Qt::LeftButton, {}, {16, 16});
        QCOMPARE(f.LookAt({0, 0}), Down);
        QCOMPARE(f.button.ImageRect(), QRect(0, 0, 32, 32));
        QTest::mouseRelease(&f.button, Qt::LeftButton, {}, {16, 16});
    }

    void disabledButtonShowsItsLookAndNeverClicks()
    {
        TButtonFixture f;
        f.button.setToolTip(QStringLiteral("play"));
        f.button.SetEnabled(false);
        QVERIFY(f.button.isEnabled());  // the widget still gets the mouse, its hint and its cursor
        f.PointAt({16, 16});
        QCOMPARE(f.LookAt({16, 16}), Disable);
        QTest::mousePress(&f.button, Qt::LeftButton, {}, {16, 16});
        QCOMPARE(f.LookAt({0, 0}), Disable);
        QCOMPARE(f.button.ImageRect(), QRect(0, 0, 32, 32));
        // The pressed flag is still tracked underneath.
        f.button.SetEnabled(false);
        f.button.SetEnabled(true);
        QCOMPARE(f.LookAt({2, 2}), Down);
        f.button.SetEnabled(false);
        f.Paint();
        QTest::mouseRelease(&f.button, Qt::LeftButton, {}, {16, 16});
        QCOMPARE(f.LookAt({16, 16}), Disable);
        QCOMPARE(f.clicks.count(), 0);
    }

    void rightButtonPressesButDoesNotClick()
    {
        TButtonFixture f;
        QTest::mousePress(&f.button, Qt::RightButton, {}, {16, 16});
        QCOMPARE(f.LookAt({16, 16}), Down);
        QTest::mouseRelease(&f.button, Qt::RightButton, {}, {16, 16});
        QCOMPARE(f.clicks.count(), 0);
        QTest::mousePress(&f.button, Qt::MiddleButton, {}, {16, 16});
        f.Paint();
        QTest::mouseRelease(&f.button, Qt::MiddleButton, {}, {16, 16});
        QCOMPARE(f.clicks.count(), 0);
    }

    void leavingTheImageEndsThePressedLookButNotTheClick()
    {
        TButtonFixture f;
        f.PointAt({16, 16});
        QTest::mousePress(&f.button, Qt::LeftButton, {}, {16, 16});
        f.Paint();
        QTest::mouseMove(&f.button, {40, 16});
        QCOMPARE(f.LookAt({16, 16}), Over);
        QTest::mouseMove(&f.button, {16, 16});
        QCOMPARE(f.LookAt({16, 16}), Over);  // the pressed look does not come back
        QTest::mouseRelease(&f.button, Qt::LeftButton, {}, {16, 16});
        QCOMPARE(f.clicks.count(), 1);
    }

    void releaseOutsideTheImageDoesNotClick()
    {
        TButtonFixture f;
        QTest::mousePress(&f.button, Qt::LeftButton, {}, {16, 16});
        f.Paint();
        QTest::mouseRelease(&f.button, Qt::LeftButton, {}, {80, 16});
        QCOMPARE(f.clicks.count(), 0);
    }

    void thePaintedPressedLookIsTheHitArea()
    {
        TButtonFixture f;
        QTest::mousePress(&f.button, Qt::LeftButton, {}, {16, 16});
        f.Paint();
        QCOMPARE(f.button.ImageRect(), QRect(2, 2, 32, 32));
        QTest::mouseRelease(&f.button, Qt::LeftButton, {}, {1, 16});
        QCOMPARE(f.clicks.count(), 0);

        QTest::mousePress(&f.button, Qt::LeftButton, {}, {16, 16});
        f.Paint();
        QTest::mouseRelease(&f.button, Qt::LeftButton, {}, {33, 33});
        QCOMPARE(f.clicks.count(), 1);

        QTest::mousePress(&f.button, Qt::LeftButton, {}, {16, 16});
        f.Paint();
        QTest::mouseRelease(&f.button, Qt::LeftButton, {}, {34, 20});
        QCOMPARE(f.clicks.count(), 1);
    }

    void missingLooksFallBack()
    {
        TButtonFixture f;
        f.button.SetImageDown(QImage());
        f.PointAt({16, 16});
        QTest::mousePress(&f.button, Qt::LeftButton, {}, {16, 16});
        QCOMPARE(f.LookAt({2, 2}), Over);  // the over look at the pressed offset
        QCOMPARE(f.LookAt({1, 1}), Magenta);
        QTest::mouseRelease(&f.button, Qt::LeftButton, {}, {16, 16});

        f.button.SetImageOver(QImage());
        QCOMPARE(f.LookAt({16, 16}), Normal);  // over, but shown as normal
    }
};

QTEST_MAIN(TestImageButton)
#include "test_imagebutton.moc"
