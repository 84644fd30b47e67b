#include "ui/main/HeartbeatFileSystem.h"

#include "platform/PosixFileSystem.h"

#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <cstdio>
#include <thread>

using namespace zelvo;

class HeartbeatFileSystemTest : public QObject {
    Q_OBJECT

private slots:
    void theHeartbeatRunsOnTheWindowsThreadOnly()
    {
        QTemporaryDir dir;
        const std::string path = QFile::encodeName(dir.filePath("f")).toStdString();
        std::FILE* file = std::fopen(path.c_str(), "wb");
        QVERIFY(file);
        std::fputs("abc", file);
        std::fclose(file);

        PosixFileSystem disk;
        int beats = 0;
        HeartbeatFileSystem fileSystem(disk, [&] { ++beats; });
        QVERIFY(fileSystem.allowsConcurrentReads());

        std::array<std::byte, 8> bytes{};
        // The analysis' helper thread measures and reads without touching
        // the window; a reader it opened beats once it is read here.
        Result<std::unique_ptr<FileReader>> opened = FileError::Other;
        bool measured = false;
        std::size_t read = 0;
        std::thread helper([&] {
            measured = fileSystem.status(path).ok();
            opened = fileSystem.openForComparing(path, 3);
            if (opened.ok())
                read = (*opened)->readAt(0, bytes).value();
        });
        helper.join();
        QVERIFY(measured);
        QVERIFY(opened.ok());
        QCOMPARE(read, std::size_t{3});
        QCOMPARE(beats, 0);

        QCOMPARE(*(*opened)->readAt(0, bytes), std::size_t{3});
        QCOMPARE(beats, 1);
        QVERIFY(fileSystem.status(path).ok());
        QVERIFY(fileSystem.openForReading(path).ok());
        QCOMPARE(beats, 3);
    }
};

QTEST_GUILESS_MAIN(HeartbeatFileSystemTest)
#include "HeartbeatFileSystemTest.moc"
