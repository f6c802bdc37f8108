// RGBToHSL and HSLToRGB with hue 0..239 and saturation and lightness 0..240, and the advanced
// colours built on them. Expected values come from Python's colorsys with the same ranges.

#include "controls/FlatUtilitys.h"
#include "controls/HSLUtils.h"
#include "common/Nearest.h"

#include <QTest>

#include <cstdlib>

Q_DECLARE_METATYPE(THSL)

namespace QTest {
template <>
char* toString(const THSL& hsl)
{
    return QTest::toString(QStringLiteral("(%1, %2, %3)").arg(hsl.H).arg(hsl.S).arg(hsl.L));
}
}  // namespace QTest

class TestHSLUtils : public QObject {
    Q_OBJECT

private slots:
    void nearestGoesToTheEvenNeighbour()
    {
        QCOMPARE(Nearest(2.5), 2);
        QCOMPARE(Nearest(3.5), 4);
        QCOMPARE(Nearest(-2.5), -2);
        QCOMPARE(Nearest(2.5000001), 3);
        QCOMPARE(Nearest(6e9 + 0.5), 6000000000);
    }

    void knownColours_data()
    {
        QTest::addColumn<QColor>("rgb");
        QTest::addColumn<THSL>("hsl");
        QTest::newRow("white") << QColor(255, 255, 255) << THSL{0, 0, 240};
        QTest::newRow("black") << QColor(0, 0, 0) << THSL{0, 0, 0};
        QTest::newRow("red") << QColor(255, 0, 0) << THSL{0, 240, 120};
        QTest::newRow("green") << QColor(0, 255, 0) << THSL{80, 240, 120};
        QTest::newRow("blue") << QColor(0, 0, 255) << THSL{159, 240, 120};
        QTest::newRow("teal") << QColor(0, 128, 128) << THSL{120, 240, 60};
        QTest::newRow("grey 102") << QColor(102, 102, 102) << THSL{0, 0, 96};
        QTest::newRow("flat") << QColor(235, 234, 225) << THSL{36, 48, 216};
        QTest::newRow("border") << QColor(160, 150, 131) << THSL{26, 32, 137};
        QTest::newRow("hint arrow") << QColor(255, 210, 83) << THSL{29, 240, 159};
    }
    void knownColours()
    {
        QFETCH(QColor, rgb);
        QFETCH(THSL, hsl);
        QCOMPARE(RGBToHSL(rgb), hsl);
    }

    void backToRgb_data()
    {
        QTest::addColumn<THSL>("hsl");
        QTest::addColumn<QColor>("rgb");
        QTest::newRow("red") << THSL{0, 240, 120} << QColor(255, 0, 0);
        // The hue range of 239 puts green's hue a little past a third.
        QTest::newRow("green") << THSL{80, 240, 120} << QColor(0, 255, 2);
        QTest::newRow("blue") << THSL{160, 240, 120} << QColor(4, 0, 255);
        QTest::newRow("grey") << THSL{0, 0, 100} << QColor(106, 106, 106);
        QTest::newRow("pale") << THSL{30, 100, 200} << QColor(230, 221, 195);
        QTest::newRow("dark") << THSL{120, 240, 60} << QColor(0, 126, 128);
    }
    void backToRgb()
    {
        QFETCH(THSL, hsl);
        QFETCH(QColor, rgb);
        QCOMPARE(HSLToRGB(hsl.H, hsl.S, hsl.L), rgb);
    }

    void roundTripsStayClose()
    {
        int worst = 0;
        for (int r = 0; r < 256; r += 5)
            for (int g = 0; g < 256; g += 5)
                for (int b = 0; b < 256; b += 5) {
                    const THSL hsl = RGBToHSL(QColor(r, g, b));
                    const QColor back = HSLToRGB(hsl.H, hsl.S, hsl.L);
                    worst = std::max({worst, std::abs(back.red() - r), std::abs(back.green() - g),
                                      std::abs(back.blue() - b)});
                }
        QCOMPARE(worst, 4);  // what the integer ranges allow on this grid, and no more
        for (const QColor colour : {QColor(255, 0, 0), QColor(255, 255, 255), QColor(0, 0, 0)}) {
            const THSL hsl = RGBToHSL(colour);
            QCOMPARE(HSLToRGB(hsl.H, hsl.S, hsl.L), colour);
        }
    }

    void lightnessPastTheRangeStopsAtWhite() { QCOMPARE(HSLToRGB(0, 0, 250), QColor(255, 255, 255)); }

    void advancedColours()
    {
        const QColor flat(235, 234, 225);
        const QColor current(1, 2, 3);
        QCOMPARE(AdvancedColor(current, flat, 0, TAdvColorDirection::Lighter), current);
        // Lighter stops at 100 of 240, so a light colour gets darker.
        QCOMPARE(AdvancedColor(current, flat, 10, TAdvColorDirection::Lighter), QColor(128, 123, 85));
        QCOMPARE(AdvancedColor(current, flat, 50, TAdvColorDirection::Darker), QColor(201, 198, 173));
        QCOMPARE(AdvancedColor(current, QColor(0, 0, 0), 50, TAdvColorDirection::Darker), QColor(0, 0, 0));
        // 10 is added before the bound: black lightened by 5 is grey 15 of 240.
        QCOMPARE(AdvancedColor(current, QColor(0, 0, 0), 5, TAdvColorDirection::Lighter), QColor(16, 16, 16));
    }
};

QTEST_MAIN(TestHSLUtils)
#include "test_HSLUtils.moc"
