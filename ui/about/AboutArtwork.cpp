#include "AboutArtwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace zelvo::about {

namespace {

// A fixed pseudo-random value in [0, 1) for a pixel, so the texture is the
// same on every run and on every machine.
double grain(int x, int y)
{
    std::uint32_t h =
        static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFF) / 65536.0;
}

int mix(int from, int to, double t)
{
    return static_cast<int>(std::lround(from + (to - from) * t));
}

QImage paintBackground()
{
    constexpr int width = 640;
    constexpr int height = 480;
    // The band: darker, with vertical fibres, fading into the gradient.
    constexpr int bandWidth = 46;
    constexpr int bandFade = 14;
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            // Lighter sky blue at the top left, deep navy at the bottom right.
            const double t = static_cast<double>(x + y) / (width + height - 2);
            int r = mix(64, 4, t);
            int g = mix(132, 16, t);
            int b = mix(230, 96, t);
            double band = 0.0;
            if (x < bandWidth)
                band = 1.0;
            else if (x < bandWidth + bandFade)
                band = 1.0 - static_cast<double>(x - bandWidth) / bandFade;
            if (band > 0.0) {
                const double fibre = grain(x, y / 7) * 0.55 + grain(x, y) * 0.45;
                const double shade = band * (0.42 + 0.30 * fibre);
                r = mix(r, 0, shade);
                g = mix(g, 8, shade);
                b = mix(b, 40, shade);
            }
            line[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
        }
    }
    return image;
}

QImage paintBanner()
{
    QImage image(208, 34, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    QFont font(QStringLiteral("Liberation Serif"));
    font.setStyleHint(QFont::Serif);
    font.setBold(true);
    font.setItalic(true);
    font.setPixelSize(30);
    QPainterPath title;
    title.addText(0, 0, font, QStringLiteral("Quervaleta"));

    // Fit the lettering into the banner, leaving room for its shadow.
    const QRectF bounds = title.boundingRect();
    const double scale =
        std::min((image.width() - 4) / bounds.width(), (image.height() - 4) / bounds.height());
    QTransform fit;
    fit.translate(1, 1);
    fit.scale(scale, scale);
    fit.translate(-bounds.left(), -bounds.top());
    const QPainterPath lettering = fit.map(title);

    painter.fillPath(lettering.translated(2, 2), QColor(72, 36, 8, 190));
    QLinearGradient gold(0, 1, 0, image.height() - 3);
    gold.setColorAt(0.0, QColor(255, 250, 150));
    gold.setColorAt(0.45, QColor(255, 214, 0));
    gold.setColorAt(1.0, QColor(196, 112, 8));
    painter.fillPath(lettering, gold);
    painter.strokePath(lettering, QPen(QColor(110, 56, 12), 1.0));
    return image;
}

QImage paintGlobe()
{
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF ball(1.5, 1.5, 29, 29);

    QRadialGradient sea(QPointF(11, 10), 22);
    sea.setColorAt(0.0, QColor(150, 210, 255));
    sea.setColorAt(0.6, QColor(30, 110, 210));
    sea.setColorAt(1.0, QColor(10, 40, 120));
    painter.setPen(Qt::NoPen);
    painter.setBrush(sea);
    painter.drawEllipse(ball);

    // Two continents, clipped to the ball.
    QPainterPath clip;
    clip.addEllipse(ball);
    painter.setClipPath(clip);
    painter.setBrush(QColor(60, 170, 70));
    QPainterPath land;
    land.moveTo(6, 9);
    land.cubicTo(10, 4, 17, 6, 16, 11);
    land.cubicTo(15, 15, 11, 14, 12, 19);
    land.cubicTo(12, 23, 8, 24, 6, 20);
    land.cubicTo(3, 16, 3, 12, 6, 9);
    land.moveTo(19, 15);
    land.cubicTo(23, 13, 28, 15, 28, 19);
    land.cubicTo(28, 24, 23, 28, 21, 25);
    land.cubicTo(19, 22, 17, 18, 19, 15);
    painter.drawPath(land);

    // Meridians and parallels.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 110), 0.8));
    painter.drawEllipse(QRectF(9, 1.5, 14, 29));
    painter.drawLine(QPointF(16, 1.5), QPointF(16, 30.5));
    painter.drawLine(QPointF(1.5, 16), QPointF(30.5, 16));
    painter.drawLine(QPointF(4, 9), QPointF(28, 9));
    painter.drawLine(QPointF(4, 23), QPointF(28, 23));
    painter.setClipping(false);

    painter.setPen(QPen(QColor(8, 30, 90), 1.2));
    painter.drawEllipse(ball);
    return image;
}

QImage paintFlag()
{
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    // The flag keeps its 3:2 shape, centred in the square picture.
    const QRect flag(1, 6, 30, 20);
    const QColor red(198, 11, 30);
    const QColor yellow(255, 196, 0);
    painter.fillRect(flag.adjusted(1, 1, 1, 1), QColor(0, 0, 0, 90));
    painter.fillRect(QRect(flag.left(), flag.top(), flag.width(), 5), red);
    painter.fillRect(QRect(flag.left(), flag.top() + 5, flag.width(), 10), yellow);
    painter.fillRect(QRect(flag.left(), flag.top() + 15, flag.width(), 5), red);

    // A small coat of arms towards the hoist: crown, shield and two pillars.
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(170, 21, 27));
    QPainterPath shield;
    shield.moveTo(8, 12);
    shield.lineTo(13, 12);
    shield.lineTo(13, 16.5);
    shield.quadTo(10.5, 19.5, 8, 16.5);
    shield.closeSubpath();
    painter.drawPath(shield);
    painter.setBrush(QColor(200, 150, 20));
    painter.drawRect(QRectF(8.5, 10.6, 4, 1.2));
    painter.setBrush(QColor(120, 120, 120));
    painter.drawRect(QRectF(6, 12.5, 1, 5));
    painter.drawRect(QRectF(14, 12.5, 1, 5));
    return image;
}

} // namespace

QImage backgroundPicture()
{
    static const QImage picture = paintBackground();
    return picture;
}

QImage bannerPicture()
{
    static const QImage picture = paintBanner();
    return picture;
}

QImage globeEmblem()
{
    static const QImage picture = paintGlobe();
    return picture;
}

QImage spanishFlag()
{
    static const QImage picture = paintFlag();
    return picture;
}

} // namespace zelvo::about
