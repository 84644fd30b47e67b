#include "platform/QtPictureLoader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zelvo;

class QtPictureLoaderTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    std::string savePicture(const QString& name, const char* format, QSize size)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::blue);
        const QString path = m_dir.filePath(name);
        if (!image.save(path, format))
            return {};
        return QFile::encodeName(path).toStdString();
    }

private slots:
    void loadsJpegAndPngPictures()
    {
        QtPictureLoader loader;
        const std::string jpeg = savePicture("foto.jpg", "JPEG", QSize(32, 24));
        QVERIFY2(!jpeg.empty(), "The JPEG image plugin is missing");
        auto picture = loader.load(jpeg);
        QVERIFY(picture.has_value());
        QCOMPARE(picture->size(), QSize(32, 24));

        const std::string png = savePicture("dibujo.png", "PNG", QSize(5, 7));
        QCOMPARE(loader.load(png)->size(), QSize(5, 7));
    }

    void theContentsDecideNotTheName()
    {
        QtPictureLoader loader;
        const std::string disguised = savePicture("nota.txt", "JPEG", QSize(8, 8));
        QVERIFY(loader.load(disguised).has_value());

        QFile fake(m_dir.filePath("falsa.jpg"));
        QVERIFY(fake.open(QIODevice::WriteOnly));
        fake.write("Esto no es una imagen.\r\n");
        fake.close();
        QVERIFY(!loader.load(QFile::encodeName(fake.fileName()).toStdString()).has_value());
        QVERIFY(!loader.load(QFile::encodeName(m_dir.filePath("missing.jpg")).toStdString()).has_value());
    }
};

QTEST_GUILESS_MAIN(QtPictureLoaderTest)
#include "QtPictureLoaderTest.moc"
