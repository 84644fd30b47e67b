#include "Artwork.h"

#include <QPainter>
#include <QSvgRenderer>

// The resources live in a static library: they must be registered by hand.
static void registerArtwork()
{
    Q_INIT_RESOURCE(zelvo);
}

namespace zelvo {

namespace {

QPixmap render(const QString& resource, QSize size)
{
    static const bool registered = (registerArtwork(), true);
    Q_UNUSED(registered);
    QPixmap picture(size);
    picture.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    QPainter painter(&picture);
    renderer.render(&painter);
    return picture;
}

} // namespace

QPixmap windowIconPicture() { return render(QStringLiteral(":/zelvo/zelvo.svg"), {32, 32}); }
QPixmap analyzePicture() { return render(QStringLiteral(":/zelvo/analizar.svg"), {36, 33}); }
QPixmap deletePicture() { return render(QStringLiteral(":/zelvo/borrar.svg"), {36, 33}); }

} // namespace zelvo
