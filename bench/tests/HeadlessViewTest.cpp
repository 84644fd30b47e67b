#include "HeadlessView.h"

#include "core/BulletBar.h"
#include "core/LeerDirectorio.h"
#include "platform/PosixFileSystem.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zelvo;
using namespace zelvo::bench;

class HeadlessViewTest : public QObject {
    Q_OBJECT
private slots:
    void theRealScanShowsItsSortWindowAndTheCountLine()
    {
        QTemporaryDir dir;
        for (int i = 0; i < 30; ++i) {
            QFile file(dir.filePath(QString("f%1.txt").arg(i)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray((i * 7) % 11, 'a'));
        }
        PosixFileSystem disk;
        HeadlessView view;
        BulletBar bar(view);
        FolderListing listing;
        LeerDirectorio(ScanMode::StartUp, {QFile::encodeName(dir.path()).toStdString(), "*.*"}, disk, view,
                       listing, bar);
        QVERIFY(view.statusLineShownFor().has_value());
        QCOMPARE(view.caption(Control::Label6), std::string("30 archivos a procesar"));
        QCOMPARE(view.listedNames(), std::size_t(30));
        QVERIFY(std::is_sorted(listing.sizes.begin(), listing.sizes.end()));
        QVERIFY(!view.isBusy());
    }

    void theSortWindowEndsAtTheFirstEmptyingAndALaterCaptionForgetsIt()
    {
        HeadlessView view;
        QVERIFY(!view.statusLineShownFor());
        view.setCaption(Control::Label1, "Analizando el directorio");
        QVERIFY(!view.statusLineShownFor());
        view.setCaption(Control::Label1, "");
        const auto shown = view.statusLineShownFor();
        QVERIFY(shown.has_value());
        view.setCaption(Control::Label1, "");
        QCOMPARE(view.statusLineShownFor(), shown);
        view.setCaption(Control::Label1, "/a/path");
        QVERIFY(!view.statusLineShownFor());
        view.forgetStatusLine();
        QVERIFY(!view.statusLineShownFor());
    }

    void theDuplicateRowsAreKeptInOrderAndCanBeRemoved()
    {
        HeadlessView view;
        view.addDuplicateRow({true, "/f/a", 1});
        view.addDuplicateRow({false, "/f/b", 1});
        view.addDuplicateRow({false, "/f/c", 1});
        view.removeDuplicateRow(1);
        QCOMPARE(view.duplicateRowCount(), 2);
        QCOMPARE(view.duplicateRow(0).text(), std::string("\xC2\xB7\xC2\xB7\xC2\xB7\xC2\xB7> /f/a"));
        QCOMPARE(view.duplicateRow(1).path, std::string("/f/c"));
        view.clearDuplicateRows();
        QCOMPARE(view.duplicateRowCount(), 0);
    }

    void aViewThatOnlyCountsKeepsTheCountAndNoRow()
    {
        HeadlessView view(false);
        view.addDuplicateRow({true, "/f/a", 1});
        view.addDuplicateRow({false, "/f/b", 1});
        QCOMPARE(view.duplicateRowCount(), 2);
        QVERIFY(view.rows().empty());
        view.clearDuplicateRows();
        QCOMPARE(view.duplicateRowCount(), 0);
    }
};

QTEST_GUILESS_MAIN(HeadlessViewTest)
#include "HeadlessViewTest.moc"
