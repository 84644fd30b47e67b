#include "Form1Harness.h"
#include "PostedClick.h"
#include "platform/ForwardingFileSystem.h"
#include "ui/main/Announcer.h"
#include "ui/main/PictureButton.h"
#include "ui/main/ResponsiveWork.h"
#include "ui/main/RowListView.h"

#include <QMouseEvent>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QThread>
#include <functional>

using namespace zelvo;

namespace {

// The real disk, slowed down: every read first calls a hook and then takes a
// while, so that an analysis lasts long enough for things to happen during it.
class SlowFileSystem final : public ForwardingFileSystem {
public:
    explicit SlowFileSystem(FileSystem& disk) : ForwardingFileSystem(disk) {}

    std::function<void()> duringRead;
    int reads = 0;

protected:
    Result<std::unique_ptr<FileReader>> opened(const std::string&,
                                               Result<std::unique_ptr<FileReader>> reader) override
    {
        if (!reader)
            return reader;
        return std::unique_ptr<FileReader>(new SlowReader(*this, std::move(*reader)));
    }

private:
    class SlowReader final : public FileReader {
    public:
        SlowReader(SlowFileSystem& owner, std::unique_ptr<FileReader> inner)
            : m_owner(owner), m_inner(std::move(inner))
        {
        }
        Result<std::size_t> read(std::span<std::byte> into) override
        {
            slow();
            return m_inner->read(into);
        }
        Result<std::size_t> readAt(ByteCount offset, std::span<std::byte> into) override
        {
            slow();
            return m_inner->readAt(offset, into);
        }

    private:
        void slow()
        {
            ++m_owner.reads;
            if (m_owner.duringRead)
                m_owner.duringRead();
            // Longer than the window's pulse, so it breathes between reads.
            QThread::msleep(ResponsiveWork::kPulseMilliseconds + 10);
        }
        SlowFileSystem& m_owner;
        std::unique_ptr<FileReader> m_inner;
    };
};

} // namespace

class Form1AnalysisTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_folder->isValid());
        // a, b and d are one file three times; c has their size but other
        // bytes; e stands alone. Listed by size, they keep their name order.
        writeFile(path("a.dat"), QByteArray(3000, 'q'));
        writeFile(path("b.dat"), QByteArray(3000, 'q'));
        writeFile(path("c.dat"), QByteArray(3000, 'r'));
        writeFile(path("d.dat"), QByteArray(3000, 'q'));
        writeFile(path("e.dat"), QByteArray(5000, 'q'));
    }

    void anAnalysisListsEachGroupAsAHeadRowFollowedByItsTwins()
    {
        Form1Harness harness(m_folder->path());
        Form1& w = *harness.window;
        w.Command1_Click();

        QCOMPARE(Form1Harness::rowsOf(w.List1),
                 (QStringList{QStringLiteral("····> ") + path("a.dat"), path("b.dat"),
                              path("d.dat")}));
        QCOMPARE(w.NumDuplicados, 2.0);
        QCOMPARE(w.Label3->text(), QStringLiteral("2 Archivos duplicados"));
        QVERIFY(w.Command3->isEnabled());
        // The run's own lines are cleared and its marks hidden again.
        for (QLabel* empty : {w.Label1, w.Label2, w.Label4, w.Label5, w.Label10, w.Label12, w.Label16})
            QVERIFY2(empty->text().isEmpty(), qPrintable(empty->text()));
        for (QLabel* hidden : {w.Label7, w.Label8, w.Label11, w.Label13, w.Label14})
            QVERIFY(hidden->isHidden());
        QVERIFY(QApplication::overrideCursor() == nullptr);

        // The rows reach the deletion with their paths and groups intact.
        QCOMPARE(w.duplicateRowCount(), 3);
        QVERIFY(w.duplicateRow(0).isHead);
        QCOMPARE(w.duplicateRow(2).path, raw(path("d.dat")));
        QCOMPARE(w.duplicateRow(2).group, w.duplicateRow(0).group);
    }

    void aFolderWithoutDuplicatesCountsZero()
    {
        QVERIFY(QFile::remove(path("b.dat")));
        QVERIFY(QFile::remove(path("d.dat")));
        Form1Harness harness(m_folder->path());
        harness.window->Command1_Click();
        QCOMPARE(harness.window->List1->model()->rowCount(), 0);
        QCOMPARE(harness.window->Label3->text(), QStringLiteral("0 Archivos duplicados"));
        QVERIFY(!harness.window->Command3->isEnabled());
        // A screen reader hears the count too, once the throttle lets it.
        const Announcer* announcer = harness.window->findChild<Announcer*>();
        QTRY_COMPARE(announcer->lastSaid(), QStringLiteral("0 Archivos duplicados"));
    }

    void aSelectedRowIsSeenAsSelectedByTheDeletion()
    {
        Form1Harness harness(m_folder->path());
        Form1& w = *harness.window;
        w.Command1_Click();
        Form1Harness::clickRow(w.List1, 1);
        QVERIFY(!w.isDuplicateRowSelected(0));
        QVERIFY(w.isDuplicateRowSelected(1));
        w.removeDuplicateRow(1);
        QCOMPARE(Form1Harness::rowsOf(w.List1),
                 (QStringList{QStringLiteral("····> ") + path("a.dat"), path("d.dat")}));
    }

    void inputMadeDuringTheAnalysisIsHandledOnlyAfterIt()
    {
        PosixFileSystem disk;
        SlowFileSystem slow(disk);
        Form1Harness harness(m_folder->path(), &slow);
        Form1& w = *harness.window;
        QVERIFY(harness.showActive());

        bool posted = false;
        bool handledDuringTheRun = false;
        bool windowKeptBusy = true;
        slow.duringRead = [&] {
            if (!posted) {
                posted = true;
                postClick(w.Option1);
                // A non-input event shows that the window goes on handling
                // what is not user input.
                QMetaObject::invokeMethod(
                    &w, [&] { windowKeptBusy = false; }, Qt::QueuedConnection);
                return;
            }
            handledDuringTheRun = handledDuringTheRun || w.Option1->isChecked();
        };
        QTest::mouseClick(w.Command1, Qt::LeftButton);

        QVERIFY(posted);
        QVERIFY(slow.reads >= 3);
        QVERIFY(!windowKeptBusy);
        QVERIFY(!handledDuringTheRun);
        // The run finished undisturbed...
        QVERIFY(!w.Option1->isChecked());
        QCOMPARE(w.Label3->text(), QStringLiteral("2 Archivos duplicados"));
        QCOMPARE(w.List1->model()->rowCount(), 3);
        // ...and then the click is handled.
        QTRY_VERIFY(w.Option1->isChecked());
        QCOMPARE(w.Label3->text(), QStringLiteral("0 archivos duplicados"));
        QCOMPARE(w.List1->model()->rowCount(), 0);
    }

    void aCloseRequestedDuringTheAnalysisTakesEffectAfterIt()
    {
        PosixFileSystem disk;
        SlowFileSystem slow(disk);
        Form1Harness harness(m_folder->path(), &slow);
        Form1& w = *harness.window;
        QVERIFY(harness.showActive());

        bool asked = false;
        bool closedDuringTheRun = false;
        slow.duringRead = [&] {
            if (!asked) {
                asked = true;
                w.close();
            }
            closedDuringTheRun = closedDuringTheRun || !w.isVisible();
        };
        w.Command1_Click();

        QVERIFY(asked);
        QVERIFY(!closedDuringTheRun);
        QCOMPARE(w.List1->model()->rowCount(), 3);
        QTRY_VERIFY(!w.isVisible());
    }

    void aSecondClickStartsAfresh()
    {
        Form1Harness harness(m_folder->path());
        Form1& w = *harness.window;
        w.Command1_Click();
        QVERIFY(QFile::remove(path("d.dat")));
        w.Command1_Click();
        QCOMPARE(Form1Harness::rowsOf(w.List1),
                 (QStringList{QStringLiteral("····> ") + path("a.dat"), path("b.dat")}));
        QCOMPARE(w.Label3->text(), QStringLiteral("1 Archivos duplicados"));
        QCOMPARE(w.NumArchivos(), std::size_t(4));
        QCOMPARE(w.Label6->text(), QStringLiteral("4 archivos a procesar"));
    }

private:
    QString path(const QString& name) const { return m_folder->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_folder;
};

QTEST_MAIN(Form1AnalysisTest)
#include "Form1AnalysisTest.moc"
