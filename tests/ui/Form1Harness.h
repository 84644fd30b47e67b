#pragma once

#include "fakes/FakeDateText.h"
#include "fakes/FakeDrives.h"
#include "fakes/FakeHelpViewer.h"
#include "fakes/FakeMessageBox.h"
#include "platform/PosixFileSystem.h"
#include "platform/QtPictureLoader.h"
#include "ui/main/DirectoryList.h"
#include "ui/main/DriveList.h"
#include "ui/main/Form1.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <memory>
#include <string>

namespace zelvo {

// A real Form1 started in a real folder: the process's current folder is
// moved there before the window loads (the window starts in it) and moved
// back when the harness goes. Message boxes, dates, drives and the help viewer
// are fakes; the disk and the picture loader are the real ones, unless a test
// puts its own file system in between.
class Form1Harness {
public:
    explicit Form1Harness(const QString& startFolder, FileSystem* fileSystem = nullptr)
        : m_previousFolder(QDir::currentPath())
    {
        QDir::setCurrent(startFolder);
        window = std::make_unique<Form1>(PlatformServices{
            fileSystem ? *fileSystem : disk, dates, messages, pictures, help, drives});
        window->setProgramEnd([this] { ++programEnds; });
    }

    ~Form1Harness()
    {
        window.reset();
        QDir::setCurrent(m_previousFolder);
    }

    // Shows the window and waits until it can take keys.
    bool showActive()
    {
        window->show();
        window->activateWindow();
        return QTest::qWaitForWindowActive(window.get());
    }

    // Clicks a row of a list the way a user does.
    static void clickRow(QAbstractItemView* list, int row)
    {
        const QModelIndex index = list->model()->index(row, 0);
        list->scrollTo(index);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    }

    // The row of File1 or List1 whose text is `text`, or -1.
    static int rowOf(QAbstractItemView* list, const QString& text)
    {
        for (int row = 0; row < list->model()->rowCount(); ++row) {
            if (list->model()->index(row, 0).data().toString() == text)
                return row;
        }
        return -1;
    }

    static QStringList rowsOf(QAbstractItemView* list)
    {
        QStringList rows;
        for (int row = 0; row < list->model()->rowCount(); ++row)
            rows << list->model()->index(row, 0).data().toString();
        return rows;
    }

    // Opens a subfolder of Dir1 by name, as a double click does.
    void openFolder(const QString& name)
    {
        for (int row = 0; row < window->Dir1->count(); ++row) {
            if (window->Dir1->item(row)->text() == name && row > window->Dir1->currentFolderRow()) {
                window->Dir1->openRow(row);
                return;
            }
        }
        QFAIL(qPrintable(QStringLiteral("no subfolder ") + name));
    }

    PosixFileSystem disk;
    FakeDateText dates;
    FakeMessageBox messages;
    QtPictureLoader pictures;
    FakeHelpViewer help;
    FakeDrives drives{{"/"}};
    std::unique_ptr<Form1> window;
    int programEnds = 0;

private:
    QString m_previousFolder;
};

// Writes a file with the given bytes; the folder must exist.
inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

inline std::string raw(const QString& path) { return QFile::encodeName(path).toStdString(); }

} // namespace zelvo
