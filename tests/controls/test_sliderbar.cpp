// TSliderBar: its setters, the pieces it paints, and dragging with the double raising of events.

#include "controls/sliderbar.h"

#include <QTest>


namespace {

const QColor Magenta(255, 0, 255);
const QColor BarColour(100, 100, 100);
const QColor CapColour(0, 0, 0);
const QColor BandColour(255, 0, 0);
const QColor PointerColour(0, 200, 0);
const QColor PointerDownColour(0, 0, 255);

QImage Piece(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

// A surface of one colour under the slider, so that what the slider does not paint shows.
struct TSliderFixture {
    explicit TSliderFixture(std::int64_t max, int width = 401)
    {
        QPalette magenta = parent.palette();
        magenta.setColor(QPalette::Window, Magenta);
        parent.setPalette(magenta);
        parent.setAutoFillBackground(true);
        parent.resize(width + 20, 61);
        slider.setGeometry(10, 10, width, 41);
        // The main window's piece sizes.
        slider.SetBarLeft(Piece(1, 5, CapColour));
        slider.SetBarRight(Piece(1, 5, CapColour));
        slider.SetBar(Piece(5, 5, BarColour));
        slider.SetBarProgress(Piece(5, 5, BandColour));
        slider.SetBarPointer(Piece(25, 14, PointerColour));
        slider.SetBarPointerDown(Piece(25, 14, PointerDownColour));
        slider.SetMax(max);
    }

    // Paints, as a paint does before the user can touch the slider; returns the slider's pixels.
    QImage Paint() { return parent.grab(QRect(slider.geometry())).toImage(); }

    QWidget parent;
    TSliderBar slider{&parent};
};

// Every raising of the three mouse events, with the state the slider had at that moment, e.g.
// "Down pointer=1 pos=0".
struct TRaisings {
    explicit TRaisings(TSliderBar& slider)
    {
        const auto record = [this, &slider](const char* event) {
            // isDown and MouseOnPointer are set and cleared together.
            QVERIFY(slider.isDown() == slider.MouseOnPointer());
            log << QStringLiteral("%1 pointer=%2 pos=%3").arg(event).arg(slider.MouseOnPointer()).arg(slider.Position());
        };
        QObject::connect(&slider, &TSliderBar::OnMouseDown, [record](auto...) { record("Down"); });
        QObject::connect(&slider, &TSliderBar::OnMouseUp, [record](auto...) { record("Up"); });
        QObject::connect(&slider, &TSliderBar::OnMouseMove, [record](auto...) { record("Move"); });
    }
    QStringList log;
};

}  // namespace

class TestSliderBar : public QObject {
    Q_OBJECT

private slots:
    void positionSnapsOnlyAtTheRightEnd()
    {
        TSliderFixture f(100);
        QCOMPARE(f.slider.Scale(), 3.76);
        f.slider.SetPosition(99);
        QCOMPARE(f.slider.Position(), 99);
        f.slider.SetPosition(100);
        QCOMPARE(f.slider.Position(), 100);
        f.slider.SetPosition(50);
        f.slider.SetPosition(101);
        QCOMPARE(f.slider.Position(), 50);
    }

    void positionOnTheLastPixelStoresMax()
    {
        TSliderFixture f(1000);
        f.slider.SetPosition(999);  // Nearest(999 x 0.376) = 376, the right end
        QCOMPARE(f.slider.Position(), 1000);
        f.slider.SetPosition(998);  // 375.248 gives 375
        QCOMPARE(f.slider.Position(), 998);
    }

    void maxBelowPositionPullsPositionDown()
    {
        TSliderFixture f(100);
        f.slider.SetPosition(80);
        f.slider.SetMax(60);
        QCOMPARE(f.slider.Position(), 60);
        QCOMPARE(f.slider.Scale(), 376.0 / 60);
        f.slider.SetMax(0);
        QCOMPARE(f.slider.Position(), 0);
        QCOMPARE(f.slider.Scale(), 376.0 / 60);
    }

    void scaleFollowsTheWidthOnceShown()
    {
        TSliderFixture f(100);
        f.parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.parent));
        f.slider.resize(201, 41);
        QCOMPARE(f.slider.Scale(), 1.76);
    }

    void scaleStaysZeroUntilMaxOrASize()
    {
        TSliderBar slider;
        slider.SetBarPointer(Piece(25, 14, PointerColour));
        slider.resize(401, 41);  // hidden: Qt tells the slider of its size when it is first shown or painted
        QCOMPARE(slider.Scale(), 0.0);
        slider.SetPosition(1234);  // every position is pixel 0
        QCOMPARE(slider.Position(), 1234);
        slider.grab();
        QCOMPARE(slider.Scale(), 37.6);  // the Max of 10 that a slider starts with
    }

    void piecesAreCopiesAndANullEmptiesThem()
    {
        TSliderFixture f(100);
        QImage own = Piece(5, 5, BarColour);
        f.slider.SetBar(own);
        own.fill(Qt::white);
        QCOMPARE(f.slider.Bar().pixelColor(0, 0), BarColour);
        f.Paint();
        QCOMPARE(f.slider.TrackRect(), QRect(0, 18, 401, 5));
        f.slider.SetBar(QImage());
        QVERIFY(f.slider.Bar().isNull());
        QCOMPARE(f.slider.TrackRect(), QRect());
    }

    void paintsTrackCapsPointerAndNoBackground()
    {
        TSliderFixture f(100);
        f.slider.SetPosition(50);
        const QImage pixels = f.Paint();
        QCOMPARE(f.slider.TrackRect(), QRect(0, 18, 401, 5));
        QCOMPARE(f.slider.PointerRect(), QRect(188, 13, 25, 14));
        QCOMPARE(pixels.pixelColor(0, 20), CapColour);
        QCOMPARE(pixels.pixelColor(400, 20), CapColour);
        QCOMPARE(pixels.pixelColor(100, 20), BarColour);
        QCOMPARE(pixels.pixelColor(200, 14), PointerColour);
        QCOMPARE(pixels.pixelColor(100, 5), Magenta);
        QCOMPARE(pixels.pixelColor(100, 30), Magenta);
    }

    void bandAfterSelStartAndSelEnd()
    {
        TSliderFixture f(1000);
        f.Paint();
        f.slider.SetSelStart(0);
        f.slider.SetSelEnd(0);
        f.slider.SetSelStart(500);
        QCOMPARE(f.slider.SelEnd(), 500);
        QCOMPARE(f.Paint().pixelColor(190, 20), BarColour);  // no band while the range is empty

        f.slider.SetSelEnd(800);  // the band reaches to the right edge of a pointer at 800
        QCOMPARE(f.slider.BandRect(), QRect(188, 18, 326 - 188, 5));
        const QImage pixels = f.Paint();
        QCOMPARE(pixels.pixelColor(188, 20), BandColour);
        QCOMPARE(pixels.pixelColor(325, 20), BandColour);
        QCOMPARE(pixels.pixelColor(326, 20), BarColour);

        f.slider.SetSelStart(600);  // and now only to its left edge
        QCOMPARE(f.slider.BandRect(), QRect(226, 18, 301 - 226, 5));
    }

    void selEndBelowSelStartPullsItDown()
    {
        TSliderFixture f(1000);
        f.Paint();
        f.slider.SetSelStart(300);
        f.slider.SetSelEnd(700);
        f.slider.SetSelEnd(200);
        QCOMPARE(f.slider.SelStart(), 200);
        QCOMPARE(f.slider.SelEnd(), 200);
        QCOMPARE(f.Paint().pixelColor(150, 20), BarColour);
    }

    void bandPixelsRoundTiesToEven()
    {
        TSliderFixture f(752);  // a scale of exactly 0.5
        f.Paint();
        f.slider.SetSelEnd(9);    // 4.5 gives 4
        f.slider.SetSelStart(5);  // 2.5 gives 2
        QCOMPARE(f.slider.BandRect(), QRect(2, 18, 2, 5));
        f.slider.SetSelStart(7);  // 3.5 gives 4
        QCOMPARE(f.slider.BandRect().left(), 4);
    }

    void bandKeepsItsPlaceWhenMaxChanges()
    {
        TSliderFixture f(100);
        f.Paint();
        f.slider.SetSelEnd(50);
        const QRect band = f.slider.BandRect();
        f.slider.SetMax(200);
        QCOMPARE(f.slider.BandRect(), band);
    }

    void pressOnThePointerRaisesBeforeAndAfterGrabbing()
    {
        TSliderFixture f(100);
        f.Paint();
        TRaisings raisings(f.slider);
        QTest::mousePress(&f.slider, Qt::LeftButton, {}, QPoint(10, 20));
        QCOMPARE(f.Paint().pixelColor(10, 20), PointerDownColour);
        QTest::mouseRelease(&f.slider, Qt::LeftButton, {}, QPoint(10, 20));
        QCOMPARE(raisings.log, QStringList({"Down pointer=0 pos=0", "Down pointer=1 pos=0", "Up pointer=1 pos=0",
                                            "Up pointer=0 pos=0"}));
        QCOMPARE(f.Paint().pixelColor(10, 20), PointerColour);
    }

    void middlePressAlsoGrabs()
    {
        TSliderFixture f(100);
        f.Paint();
        QTest::mousePress(&f.slider, Qt::MiddleButton, {}, QPoint(24, 26));
        QVERIFY(f.slider.MouseOnPointer());
        QTest::mouseRelease(&f.slider, Qt::MiddleButton, {}, QPoint(24, 26));
        QVERIFY(!f.slider.MouseOnPointer());
    }

    void rightPressRaisesOnceAndNeverDrags()
    {
        TSliderFixture f(100);
        f.Paint();
        TRaisings raisings(f.slider);
        QTest::mousePress(&f.slider, Qt::RightButton, {}, QPoint(10, 20));
        QTest::mouseMove(&f.slider, QPoint(200, 20));
        QTest::mouseRelease(&f.slider, Qt::RightButton, {}, QPoint(200, 20));
        QCOMPARE(raisings.log, QStringList({"Down pointer=0 pos=0", "Move pointer=0 pos=0", "Move pointer=0 pos=0",
                                            "Up pointer=0 pos=0", "Up pointer=0 pos=0"}));
    }

    void pressBesideThePointerChangesNothing()
    {
        TSliderFixture f(100);
        f.slider.SetPosition(50);
        f.Paint();
        TRaisings raisings(f.slider);
        // Just outside the pointer: its right and bottom edges are outside it.
        QTest::mousePress(&f.slider, Qt::LeftButton, {}, QPoint(213, 20));
        QTest::mouseRelease(&f.slider, Qt::LeftButton, {}, QPoint(213, 20));
        QTest::mousePress(&f.slider, Qt::LeftButton, {}, QPoint(200, 27));
        QTest::mouseMove(&f.slider, QPoint(300, 27));
        QTest::mouseRelease(&f.slider, Qt::LeftButton, {}, QPoint(300, 27));
        QCOMPARE(f.slider.Position(), 50);
        QCOMPARE(raisings.log.size(), 10);
        QVERIFY(!raisings.log.join(' ').contains(QStringLiteral("pointer=1")));
    }

    void dragFollowsTheGrabOffsetWithoutClamping()
    {
        TSliderFixture f(100);
        f.Paint();
        QTest::mousePress(&f.slider, Qt::LeftButton, {}, QPoint(10, 20));  // grabbed 10 pixels into the pointer
        QTest::mouseMove(&f.slider, QPoint(10 + 188, 20));
        QCOMPARE(f.slider.Position(), 50);
        QTest::mouseMove(&f.slider, QPoint(10 + 30, 20));  // 30 / 3.76 = 7.98
        QCOMPARE(f.slider.Position(), 8);
        // Far past the left end: the pointer stays where the last move inside left it.
        QTest::mouseMove(&f.slider, QPoint(-300, 20));
        QCOMPARE(f.slider.Position(), 8);
        QTest::mouseMove(&f.slider, QPoint(10 + 376, 20));
        QCOMPARE(f.slider.Position(), 100);
        QTest::mouseMove(&f.slider, QPoint(10 + 377, 20));
        QCOMPARE(f.slider.Position(), 100);
        QTest::mouseMove(&f.slider, QPoint(10 + 375, 200));  // vertical distance does not matter
        QCOMPARE(f.slider.Position(), 100);                  // 99.73
        QTest::mouseRelease(&f.slider, Qt::LeftButton, {}, QPoint(10 + 375, 200));
        QVERIFY(!f.slider.isDown());
    }

    void dragStoresPositionsWithoutSnapping()
    {
        TSliderFixture f(188);  // a scale of exactly 2
        f.Paint();
        QTest::mousePress(&f.slider, Qt::LeftButton, {}, QPoint(0, 20));
        QTest::mouseMove(&f.slider, QPoint(5, 20));  // 2.5 gives 2
        QCOMPARE(f.slider.Position(), 2);
        QTest::mouseMove(&f.slider, QPoint(7, 20));  // 3.5 gives 4
        QCOMPARE(f.slider.Position(), 4);
        QTest::mouseRelease(&f.slider, Qt::LeftButton, {}, QPoint(7, 20));
    }

    void moveRaisesBeforeAndAfterTheStep()
    {
        TSliderFixture f(100);
        f.Paint();
        QTest::mousePress(&f.slider, Qt::LeftButton, {}, QPoint(10, 20));
        TRaisings raisings(f.slider);
        QTest::mouseMove(&f.slider, QPoint(10 + 188, 20));
        QTest::mouseRelease(&f.slider, Qt::LeftButton, {}, QPoint(10 + 188, 20));
        QCOMPARE(raisings.log, QStringList({"Move pointer=1 pos=0", "Move pointer=1 pos=50", "Up pointer=1 pos=50",
                                            "Up pointer=0 pos=50"}));
    }

    void ownerMaySetPositionDuringADrag()
    {
        TSliderFixture f(100);
        f.Paint();
        QTest::mousePress(&f.slider, Qt::LeftButton, {}, QPoint(10, 20));
        f.slider.SetPosition(70);
        QCOMPARE(f.slider.Position(), 70);
        QTest::mouseMove(&f.slider, QPoint(10 + 188, 20));
        QCOMPARE(f.slider.Position(), 50);
        QTest::mouseRelease(&f.slider, Qt::LeftButton, {}, QPoint(10 + 188, 20));
    }

    void disabledSliderGetsNoMouseAndLooksTheSame()
    {
        TSliderFixture f(100);
        f.parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.parent));
        const QImage enabled = f.Paint();
        f.slider.setEnabled(false);
        QCOMPARE(f.Paint(), enabled);
        TRaisings raisings(f.slider);
        // Through the window, so that Qt picks the widget under the mouse.
        QTest::mouseClick(f.parent.windowHandle(), Qt::LeftButton, {}, QPoint(20, 30));
        QVERIFY(raisings.log.isEmpty());
        f.slider.setEnabled(true);
        QTest::mouseClick(f.parent.windowHandle(), Qt::LeftButton, {}, QPoint(20, 30));
        QCOMPARE(raisings.log.size(), 4);
    }
};

QTEST_MAIN(TestSliderBar)
#include "test_sliderbar.moc"
