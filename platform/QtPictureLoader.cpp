#include "QtPictureLoader.h"

#include <QFile>
#include <QImageReader>

namespace zelvo {

std::optional<QImage> QtPictureLoader::load(const std::string& path)
{
    QImageReader reader(QFile::decodeName(QByteArray::fromStdString(path)));
    // The contents decide: a JPEG named ".txt" is still a picture, and a text
    // named ".jpg" is not.
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    return image;
}

} // namespace zelvo
