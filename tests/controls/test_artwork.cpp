// The built-in pictures: each at its fixed size, with an alpha channel where it is drawn over others.

#include "assets/artwork.h"
#include "controls/sliderbar.h"

#include <QTest>

class TestArtwork : public QObject {
    Q_OBJECT

private slots:
    void picturesHaveTheirSizes_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("alpha");
        const auto row = [](const char* path, QSize size, bool alpha) {
            QTest::newRow(path) << QString::fromLatin1(path) << size << alpha;
        };
        row(Artwork::SliderBarLeft, {1, 5}, true);
        row(Artwork::SliderBarRight, {1, 5}, true);
        row(Artwork::SliderBar, {5, 5}, true);
        row(Artwork::SliderBarProgress, {5, 5}, true);
        row(Artwork::SliderPointer, {25, 14}, true);
        row(Artwork::SliderPointerDown, {25, 14}, true);
        row(Artwork::Header, {283, 92}, false);
        row(Artwork::Footer, {283, 28}, false);
        row(Artwork::Dock, {2, 28}, false);
        row(Artwork::Logo, {600, 92}, true);
        row(Artwork::Backdrop, {512, 400}, true);
        row(Artwork::Splash, {550, 300}, false);
        for (const Artwork::TButtonArtwork& button :
             {Artwork::Play, Artwork::Pause, Artwork::Stop, Artwork::StartPoint, Artwork::EndPoint})
            for (const char* look : {button.Image, button.ImageOver, button.ImageDown, button.ImageDisable})
                row(look, {32, 32}, true);
    }
    void picturesHaveTheirSizes()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        QFETCH(bool, alpha);
        const QImage image(path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        QCOMPARE(image.size(), size);
        QCOMPARE(image.hasAlphaChannel(), alpha);
    }

    void splashIsAJpeg()
    {
        QFile file(QString::fromLatin1(Artwork::Splash));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(3), QByteArray("\xFF\xD8\xFF"));
    }

    void playerButtonLooksDiffer()
    {
        for (const Artwork::TButtonArtwork& button :
             {Artwork::Play, Artwork::Pause, Artwork::Stop, Artwork::StartPoint, Artwork::EndPoint}) {
            const QImage normal(button.Image);
            QVERIFY(normal != QImage(button.ImageOver));
            QVERIFY(normal != QImage(button.ImageDown));
            QVERIFY(normal != QImage(button.ImageDisable));
        }
        QVERIFY(QImage(Artwork::Play.Image) != QImage(Artwork::Pause.Image));
        QVERIFY(QImage(Artwork::StartPoint.Image) != QImage(Artwork::EndPoint.Image));
    }

    void mainWindowSliderGeometry()
    {
        TSliderBar slider;
        slider.resize(401, 41);
        Artwork::SetSliderArtwork(slider);
        slider.SetMax(100);
        slider.grab();
        QCOMPARE(slider.Scale(), 3.76);
        QCOMPARE(slider.TrackRect(), QRect(0, 18, 401, 5));
        QCOMPARE(slider.PointerRect(), QRect(0, 13, 25, 14));
        QVERIFY(!slider.BarPointerDown().isNull());
        QVERIFY(!slider.BarProgress().isNull());
    }
};

QTEST_MAIN(TestArtwork)
#include "test_artwork.moc"
