// The flat hint: the window's size, placement and drawing, the component it finds, and the hint
// engine that replaces the application's tooltips with its timing.

#include "controls/MyFlatHintUnit.h"

#include <QApplication>
#include <QHelpEvent>
#include <QTest>
#include <QTextLayout>
#include <QToolTip>

#include <algorithm>

Q_DECLARE_METATYPE(TArrowCorner)

namespace {

const QColor Border(102, 102, 102);
const QColor Arrow(200, 0, 0);
const QColor ArrowBackground(255, 210, 83);
const QColor Background(255, 255, 225);

// The main window's hint font, as the program substitutes it.
QFont HintFont()
{
    QFont font(QStringLiteral("Open Sans"));
    font.setPixelSize(16);
    font.setItalic(true);
    return font;
}

void SetUp(TMyFlatHint& hint)
{
    hint.SetColorBorder(Border);
    hint.SetColorArrow(Arrow);
    hint.SetColorArrowBackground(ArrowBackground);
    hint.SetColorBackground(Background);
    hint.SetMaxHintWidth(500);
    hint.SetFont(HintFont());
    hint.SetFontColor(Border);
}

// The text engine's own word-wrapped layout of text in a box of the given width: the widest line and
// the lines' total height, in whole pixels; and how many lines it took.
struct TLaidOut {
    QSize Size;
    int Lines = 0;
};

TLaidOut LayOut(const QString& text, const QFont& font, int width)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal widest = 0;
    qreal height = 0;
    int lines = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine(), ++lines) {
        line.setLineWidth(width);
        widest = std::max(widest, line.naturalTextWidth());
        height += line.height();
    }
    layout.endLayout();
    return {QSize(qCeil(widest), qCeil(height)), lines};
}

void MoveTo(QPoint global)
{
    QCursor::setPos(global);
    QApplication::processEvents();
}

TMyFlatHintWindow* ShownHintWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<TMyFlatHintWindow*>(widget); window && window->isVisible())
            return window;
    return nullptr;
}

// A form with the hint component and three controls, two of them with hints.
struct THintForm {
    THintForm()
    {
        SetUp(hint);
        form.setGeometry(100, 100, 300, 200);
        play.setGeometry(10, 10, 50, 50);
        play.setToolTip(QStringLiteral("play"));
        pause.setGeometry(100, 10, 50, 50);
        pause.setToolTip(QStringLiteral("pause"));
        plain.setGeometry(10, 100, 50, 50);
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
    }

    static void PointAt(QWidget& widget) { MoveTo(widget.mapToGlobal(QPoint(20, 20))); }

    QWidget form;
    TMyFlatHint hint{&form};
    QWidget play{&form};
    QWidget pause{&form};
    QWidget plain{&form};
};

}  // namespace

class TestMyFlatHint : public QObject {
    Q_OBJECT

private slots:
    void init() { MoveTo(QPoint(1, 1)); }

    void shortHintIsItsTextPlusTheFrame()
    {
        for (const QString text : {"play", "pause", "stop", "start point", "end point"}) {
            const QSize size = TMyFlatHintWindow::HintSize(text, HintFont(), 500);
            const TLaidOut laidOut = LayOut(text, HintFont(), 478);
            QCOMPARE(laidOut.Lines, 1);
            QCOMPARE(size, laidOut.Size + QSize(22, 6));
            QCOMPARE(size.height(), QFontMetrics(HintFont()).height() + 6);
        }
    }

    void longHintWrapsInsideTheWidestWindow()
    {
        const QString text = QStringLiteral("save folder (leave blank to use global save folder), and after it enough "
                                            "further words that they cannot fit on one line of four hundred and "
                                            "seventy-eight pixels, nor on two such lines");
        const TLaidOut laidOut = LayOut(text, HintFont(), 478);
        QVERIFY(laidOut.Lines >= 3);
        const QSize size = TMyFlatHintWindow::HintSize(text, HintFont(), 500);
        QCOMPARE(size, laidOut.Size + QSize(22, 6));
        QVERIFY(size.width() <= 500);
        QVERIFY(size.width() > 400);  // lines fill the box up to a word
        // A narrower widest window gives more lines.
        QVERIFY(TMyFlatHintWindow::HintSize(text, HintFont(), 200).height() > size.height());
    }

    void aWordWiderThanTheBoxIsNotBroken()
    {
        const QString word(60, QLatin1Char('W'));
        const QSize size = TMyFlatHintWindow::HintSize(word, HintFont(), 500);
        QVERIFY(size.width() >= QFontMetrics(HintFont()).horizontalAdvance(word) + 22);
        QCOMPARE(size.height(), QFontMetrics(HintFont()).height() + 6);
    }

    void placementFacesTheCentre_data()
    {
        QTest::addColumn<QPoint>("cursor");
        QTest::addColumn<TArrowCorner>("corner");
        QTest::addColumn<QRect>("bounds");
        const QSize size(60, 25);
        // A 1024 x 768 screen splits at 512 and 384.
        QTest::newRow("top left") << QPoint(100, 100) << TArrowCorner::TopLeft << QRect(QPoint(112, 112), size);
        QTest::newRow("top right") << QPoint(900, 100) << TArrowCorner::TopRight << QRect(QPoint(835, 105), size);
        QTest::newRow("bottom left") << QPoint(100, 700) << TArrowCorner::BottomLeft << QRect(QPoint(105, 670), size);
        QTest::newRow("bottom right") << QPoint(900, 700) << TArrowCorner::BottomRight << QRect(QPoint(835, 670), size);
        QTest::newRow("on the vertical line") << QPoint(512, 100) << TArrowCorner::TopRight
                                              << QRect(QPoint(447, 105), size);
        QTest::newRow("left of it") << QPoint(511, 100) << TArrowCorner::TopLeft << QRect(QPoint(523, 112), size);
        QTest::newRow("on the horizontal line") << QPoint(100, 384) << TArrowCorner::BottomLeft
                                                << QRect(QPoint(105, 354), size);
        QTest::newRow("no correction at the edge") << QPoint(1020, 760) << TArrowCorner::BottomRight
                                                   << QRect(QPoint(955, 730), size);
    }
    void placementFacesTheCentre()
    {
        QFETCH(QPoint, cursor);
        QFETCH(TArrowCorner, corner);
        QFETCH(QRect, bounds);
        const THintPlacement placement = TMyFlatHintWindow::PlaceHint(cursor, QSize(1024, 768), QSize(60, 25));
        QCOMPARE(placement.ArrowCorner, corner);
        QCOMPARE(placement.Bounds, bounds);
    }

    void arrowPointsIntoItsCorner()
    {
        const QSize client(80, 30);
        const QRect left = TMyFlatHintWindow::ArrowColumn(TArrowCorner::TopLeft, client);
        const QRect right = TMyFlatHintWindow::ArrowColumn(TArrowCorner::BottomRight, client);
        QCOMPARE(left, QRect(1, 1, 14, 28));
        QCOMPARE(right, QRect(65, 1, 14, 28));
        QCOMPARE(TMyFlatHintWindow::ArrowAnchorIn(TArrowCorner::TopLeft, left), QPoint(3, 3));
        QCOMPARE(TMyFlatHintWindow::ArrowAnchorIn(TArrowCorner::TopRight, right), QPoint(76, 3));
        QCOMPARE(TMyFlatHintWindow::ArrowAnchorIn(TArrowCorner::BottomLeft, left), QPoint(3, 26));
        QCOMPARE(TMyFlatHintWindow::ArrowAnchorIn(TArrowCorner::BottomRight, right), QPoint(76, 26));

        const QPolygon topLeft = TMyFlatHintWindow::ArrowPoints(TArrowCorner::TopLeft, QPoint(3, 3));
        QCOMPARE(topLeft, QPolygon({{3, 3}, {3, 9}, {4, 9}, {4, 3}, {9, 3}, {9, 4}, {5, 4}, {5, 7}, {8, 10},
                                    {9, 10}, {6, 7}, {6, 6}, {9, 9}, {10, 9}, {6, 5}, {7, 5}, {10, 8}, {10, 9}}));
        const QPolygon bottomRight = TMyFlatHintWindow::ArrowPoints(TArrowCorner::BottomRight, QPoint(76, 26));
        QCOMPARE(bottomRight.size(), 18);
        QCOMPARE(bottomRight[1], QPoint(76, 20));
        QCOMPARE(bottomRight[8], QPoint(71, 19));
        QCOMPARE(bottomRight[16], QPoint(69, 21));
    }

    void activationPlacesByTheCursorAndPaints()
    {
        QWidget form;
        TMyFlatHint hint(&form);
        SetUp(hint);
        TMyFlatHintWindow window;
        const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
        const QSize size = TMyFlatHintWindow::HintSize(QStringLiteral("play"), HintFont(), 500);

        MoveTo(QPoint(screen.width() / 4, screen.height() / 4));
        window.ActivateHint(QStringLiteral("play"));
        QVERIFY(window.isVisible());
        QCOMPARE(window.HintComponent(), &hint);
        QCOMPARE(window.ArrowCorner(), TArrowCorner::TopLeft);
        QCOMPARE(window.geometry(), QRect(QPoint(screen.width() / 4 + 12, screen.height() / 4 + 12), size));
        QImage pixels = window.grab().toImage();
        QCOMPARE(pixels.pixelColor(0, 0), Border);
        QCOMPARE(pixels.pixelColor(size.width() - 1, size.height() - 1), Border);
        QCOMPARE(pixels.pixelColor(3, 3), Arrow);       // the arrow's tip at the anchor
        QCOMPARE(pixels.pixelColor(7, 7), Arrow);       // its shaft runs diagonally away
        QCOMPARE(pixels.pixelColor(12, 3), ArrowBackground);
        QCOMPARE(pixels.pixelColor(1, size.height() - 2), ArrowBackground);
        QCOMPARE(pixels.pixelColor(15, 1), Background);
        QCOMPARE(pixels.pixelColor(size.width() - 2, size.height() - 2), Background);

        MoveTo(QPoint(screen.width() / 2, screen.height() / 2));  // on both dividing lines
        window.ActivateHint(QStringLiteral("play"));
        QCOMPARE(window.ArrowCorner(), TArrowCorner::BottomRight);
        QCOMPARE(window.geometry(),
                 QRect(QPoint(screen.width() / 2 - 5 - size.width(), screen.height() / 2 - 5 - size.height()), size));
        QCOMPARE(window.ArrowAnchor(), QPoint(size.width() - 4, size.height() - 4));
        pixels = window.grab().toImage();
        QCOMPARE(pixels.pixelColor(size.width() - 4, size.height() - 4), Arrow);
        QCOMPARE(pixels.pixelColor(size.width() - 2, 1), ArrowBackground);
        QCOMPARE(pixels.pixelColor(1, 1), Background);

        // Each activation reads the component again.
        hint.SetColorBorder(Qt::blue);
        window.ActivateHint(QStringLiteral("play"));
        QCOMPARE(window.grab().toImage().pixelColor(0, 0), QColor(Qt::blue));
    }

    void withoutAComponentOnAFormNothingShows()
    {
        TMyFlatHint loose;  // owned by no form
        TMyFlatHintWindow window;
        window.ActivateHint(QStringLiteral("play"));
        QVERIFY(!window.isVisible());
        QCOMPARE(TMyFlatHintWindow::FindHintComponent(), nullptr);

        QWidget first;
        QWidget second;
        auto* earlier = new TMyFlatHint(&first);
        TMyFlatHint later(&second);
        QCOMPARE(TMyFlatHintWindow::FindHintComponent(), earlier);
        delete earlier;
        QCOMPARE(TMyFlatHintWindow::FindHintComponent(), &later);
    }

    void qtTooltipsNeverShow()
    {
        THintForm f;
        QHelpEvent help(QEvent::ToolTip, QPoint(20, 20), f.play.mapToGlobal(QPoint(20, 20)));
        QApplication::sendEvent(&f.play, &help);
        QVERIFY(!QToolTip::isVisible());
    }

    void hintShowsAfterAPauseAndFollowsQuickly()
    {
        THintForm f;
        f.PointAt(f.play);
        QTest::qWait(300);
        QCOMPARE(ShownHintWindow(), nullptr);  // not before 500 ms
        QTRY_VERIFY_WITH_TIMEOUT(ShownHintWindow(), 3000);
        QCOMPARE(ShownHintWindow()->Text(), QStringLiteral("play"));
        QVERIFY(!QToolTip::isVisible());

        // While one shows, the next control's hint follows within 25 ms.
        f.PointAt(f.pause);
        QTest::qWait(300);
        QVERIFY(ShownHintWindow());
        QCOMPARE(ShownHintWindow()->Text(), QStringLiteral("pause"));

        // Moving within the same control keeps the hint as it is.
        const QRect bounds = ShownHintWindow()->geometry();
        MoveTo(f.pause.mapToGlobal(QPoint(30, 30)));
        QCOMPARE(ShownHintWindow()->geometry(), bounds);

        f.PointAt(f.plain);
        QCOMPARE(ShownHintWindow(), nullptr);
    }

    void hintHidesAfterFiveSeconds()
    {
        THintForm f;
        f.PointAt(f.play);
        QTRY_VERIFY_WITH_TIMEOUT(ShownHintWindow(), 3000);
        QTest::qWait(3500);
        QVERIFY(ShownHintWindow());
        QTRY_VERIFY_WITH_TIMEOUT(!ShownHintWindow(), 4000);
    }

    void anExpiredHintWaitsUntilThePointerLeaves()
    {
        THintForm f;
        // A short life keeps the test quick; the rule does not depend on it.
        QStringList shown;
        QObject::connect(&f.hint, &TMyFlatHint::OnShowHint, [&shown](QString& text, bool&, THintInfo& info) {
            shown << text;
            info.HideTimeout = 200;
        });
        f.PointAt(f.play);
        QTRY_VERIFY_WITH_TIMEOUT(ShownHintWindow(), 3000);
        QTRY_VERIFY_WITH_TIMEOUT(!ShownHintWindow(), 3000);
        for (int step = 0; step < 4; ++step) {
            MoveTo(f.play.mapToGlobal(QPoint(21 + step, 20)));
            QTest::qWait(300);
        }
        QCOMPARE(shown, QStringList{"play"});

        // Another control's hint shows as usual, and so does this one's once the pointer has left.
        f.PointAt(f.pause);
        QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 2, 3000);
        f.PointAt(f.plain);
        f.PointAt(f.play);
        QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 3, 3000);
        QCOMPARE(shown, (QStringList{"play", "pause", "play"}));
    }

    void pressHidesTheHint()
    {
        THintForm f;
        f.PointAt(f.play);
        QTRY_VERIFY_WITH_TIMEOUT(ShownHintWindow(), 3000);
        QTest::mousePress(f.form.windowHandle(), Qt::LeftButton, {}, QPoint(30, 30));
        QCOMPARE(ShownHintWindow(), nullptr);
        QTest::mouseRelease(f.form.windowHandle(), Qt::LeftButton, {}, QPoint(30, 30));
    }

    void showHintHandlerMayChangeOrRefuse()
    {
        THintForm f;
        QWidget* control = nullptr;
        QObject::connect(&f.hint, &TMyFlatHint::OnShowHint,
                         [&control](QString& text, bool& canShow, THintInfo& info) {
                             control = info.HintControl;
                             canShow = text != QStringLiteral("pause");
                             text = text.toUpper();
                         });
        f.PointAt(f.play);
        QTRY_VERIFY_WITH_TIMEOUT(ShownHintWindow(), 3000);
        QCOMPARE(control, &f.play);
        QCOMPARE(ShownHintWindow()->Text(), QStringLiteral("PLAY"));
        f.PointAt(f.pause);
        QTRY_COMPARE_WITH_TIMEOUT(control, &f.pause, 3000);
        QCOMPARE(ShownHintWindow(), nullptr);
    }
};

QTEST_MAIN(TestMyFlatHint)
#include "test_MyFlatHintUnit.moc"
