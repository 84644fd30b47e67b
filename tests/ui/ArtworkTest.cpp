#include "ui/about/AboutArtwork.h"

#include <QTest>

using namespace zelvo;

namespace {

int brightness(QColor colour)
{
    return colour.red() + colour.green() + colour.blue();
}

bool hasOpaquePixel(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y).alpha() == 255)
                return true;
        }
    }
    return false;
}

} // namespace

class ArtworkTest : public QObject {
    Q_OBJECT
  private slots:
    void picturesHaveTheirDesignSizes()
    {
        QCOMPARE(about::backgroundPicture().size(), QSize(640, 480));
        QCOMPARE(about::bannerPicture().size(), QSize(208, 34));
        QCOMPARE(about::globeEmblem().size(), QSize(32, 32));
        QCOMPARE(about::spanishFlag().size(), QSize(32, 32));
    }

    void backgroundDarkensTowardsTheBottomRightAndHasADarkerBandOnTheLeft()
    {
        const QImage picture = about::backgroundPicture();
        const QColor topLeft = picture.pixelColor(80, 0);
        const QColor middle = picture.pixelColor(320, 240);
        const QColor bottomRight = picture.pixelColor(639, 479);
        QVERIFY(brightness(topLeft) > brightness(middle));
        QVERIFY(brightness(middle) > brightness(bottomRight));
        for (const QColor colour : {topLeft, middle, bottomRight})
            QVERIFY(colour.blue() > colour.red() && colour.blue() > colour.green());

        // The band is darker than the gradient beside it, and textured: its
        // pixels are not all alike.
        QSet<QRgb> bandPixels;
        for (int y = 0; y < 40; ++y) {
            QVERIFY(brightness(picture.pixelColor(10, y)) < brightness(picture.pixelColor(80, y)));
            bandPixels.insert(picture.pixel(10, y));
        }
        QVERIFY(bandPixels.size() > 10);
    }

    void bannerLetteringLiesOnTransparency()
    {
        const QImage banner = about::bannerPicture();
        QCOMPARE(banner.pixelColor(0, 0).alpha(), 0);
        QCOMPARE(banner.pixelColor(207, 33).alpha(), 0);
        QVERIFY(hasOpaquePixel(banner));
        bool yellow = false;
        for (int y = 0; y < banner.height() && !yellow; ++y) {
            for (int x = 0; x < banner.width() && !yellow; ++x) {
                const QColor c = banner.pixelColor(x, y);
                yellow = c.alpha() == 255 && c.red() > 200 && c.green() > 160 && c.blue() < 80;
            }
        }
        QVERIFY(yellow);
    }

    void flagShowsRedYellowRedBands()
    {
        const QImage flag = about::spanishFlag();
        const QColor top = flag.pixelColor(26, 8);
        const QColor centre = flag.pixelColor(26, 16);
        const QColor bottom = flag.pixelColor(26, 23);
        QVERIFY(top.red() > 150 && top.green() < 60);
        QVERIFY(bottom.red() > 150 && bottom.green() < 60);
        QVERIFY(centre.red() > 200 && centre.green() > 150 && centre.blue() < 60);
    }

    void globeIsRoundOnTransparency()
    {
        const QImage globe = about::globeEmblem();
        QCOMPARE(globe.pixelColor(0, 0).alpha(), 0);
        QCOMPARE(globe.pixelColor(16, 16).alpha(), 255);
    }
};

QTEST_MAIN(ArtworkTest)
#include "ArtworkTest.moc"
