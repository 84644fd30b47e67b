#include "platform/QtDrives.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

using namespace zelvo;

class QtDrivesTest : public QObject {
    Q_OBJECT

private slots:
    void offersTheRootFirstThenHomeAndMediaSortedOnce()
    {
        QtDrives drives;
        const auto points = drives.mountPoints();
        QVERIFY(!points.empty());
        QCOMPARE(points.front(), std::string("/"));
        QVERIFY(std::is_sorted(points.begin() + 1, points.end()));
        QVERIFY(std::adjacent_find(points.begin(), points.end()) == points.end());
        const std::string home = QFile::encodeName(QDir::homePath()).toStdString();
        QVERIFY(std::find(points.begin(), points.end(), home) != points.end());
        for (const auto& point : points) {
            const bool offered = point == "/" || point == home || point.rfind("/media/", 0) == 0
                || point.rfind("/mnt/", 0) == 0 || point.rfind("/run/media/", 0) == 0;
            QVERIFY2(offered, point.c_str());
        }
    }

    void entersAFolderThatIsThere()
    {
        QtDrives drives;
        auto root = drives.enter("/");
        QVERIFY(root.ok());
        QCOMPARE(*root, std::string("/"));
        QTemporaryDir dir;
        const std::string path = QFile::encodeName(dir.path()).toStdString();
        QCOMPARE(*drives.enter(path), path);
    }

    void aGoneOrUnusableDriveIsNotReady()
    {
        QTemporaryDir dir;
        const std::string base = QFile::encodeName(dir.path()).toStdString();
        QtDrives drives({base});
        QCOMPARE(drives.enter(base + "/gone").error(), FileError::DeviceNotReady);
        QFile file(dir.filePath("file"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QCOMPARE(drives.enter(base + "/file").error(), FileError::DeviceNotReady);
        // The folder an unplugged medium leaves behind is not a drive.
        QVERIFY(QDir(dir.path()).mkdir("usb"));
        QCOMPARE(drives.enter(base + "/usb").error(), FileError::DeviceNotReady);
    }

    void recognisesTheTopOfAFileSystem()
    {
        QVERIFY(QtDrives::isMountPoint("/"));
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("plain"));
        QVERIFY(!QtDrives::isMountPoint(QFile::encodeName(dir.filePath("plain")).toStdString()));
        QVERIFY(!QtDrives::isMountPoint("/no/such/folder"));
    }
};

QTEST_GUILESS_MAIN(QtDrivesTest)
#include "QtDrivesTest.moc"
