#include "ui/main/DirectoryList.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace zelvo;

namespace {

std::string raw(const QString& path) { return QFile::encodeName(path).toStdString(); }

QStringList texts(const DirectoryList& list)
{
    QStringList rows;
    for (int row = 0; row < list.count(); ++row)
        rows << list.item(row)->text();
    return rows;
}

int rowNamed(const DirectoryList& list, const QString& name)
{
    for (int row = list.currentFolderRow() + 1; row < list.count(); ++row)
        if (list.item(row)->text() == name)
            return row;
    return -1;
}

} // namespace

class DirectoryListTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_folder->isValid());
        QDir folder(m_folder->path());
        for (const char* name : {"beta", "Alpha", "gamma", ".oculta"})
            QVERIFY(folder.mkdir(name));
        QFile file(folder.filePath("archivo.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    void theListShowsTheChainThenTheSubfoldersSortedIgnoringCase()
    {
        DirectoryList list;
        list.setPath(raw(m_folder->path()));

        QStringList expected{"/"};
        expected << m_folder->path().split('/', Qt::SkipEmptyParts);
        const int current = int(expected.size()) - 1;
        expected << "Alpha" << "beta" << "gamma";
        QCOMPARE(texts(list), expected);
        QCOMPARE(list.currentFolderRow(), current);
        QCOMPARE(list.currentRow(), current);
        // Every folder of the chain one level further in, the subfolders one
        // more.
        for (int row = 0; row < list.count(); ++row)
            QCOMPARE(list.item(row)->data(DirectoryList::LevelRole).toInt(),
                     std::min(row, current + 1));
        QCOMPARE(list.item(current + 1)->data(DirectoryList::RawPathRole).toByteArray(),
                 QFile::encodeName(m_folder->filePath("Alpha")));
    }

    void openingASubfolderMakesItCurrentAndSaysSo()
    {
        DirectoryList list;
        list.setPath(raw(m_folder->path()));
        QSignalSpy changed(&list, &DirectoryList::pathChanged);

        list.openRow(rowNamed(list, "beta"));

        QCOMPARE(list.path(), raw(m_folder->filePath("beta")));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(list.item(list.currentFolderRow())->text(), QStringLiteral("beta"));
        QCOMPARE(list.count(), list.currentFolderRow() + 1);
    }

    void aDoubleClickOrEnterOpensAFolderAndASingleClickOnlyHighlightsIt()
    {
        DirectoryList list;
        list.resize(300, 400);
        list.show();
        list.setPath(raw(m_folder->path()));
        QSignalSpy changed(&list, &DirectoryList::pathChanged);

        const QRect gamma = list.visualItemRect(list.item(rowNamed(list, "gamma")));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, gamma.center());
        QCOMPARE(changed.count(), 0);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, gamma.center());
        QCOMPARE(list.path(), raw(m_folder->filePath("gamma")));

        // Enter on the parent folder goes back up.
        list.setCurrentRow(list.currentFolderRow() - 1);
        QTest::keyClick(&list, Qt::Key_Return);
        QCOMPARE(list.path(), raw(m_folder->path()));
        QCOMPARE(changed.count(), 2);
    }

    void openingTheCurrentFolderAgainChangesNothing()
    {
        DirectoryList list;
        list.setPath(raw(m_folder->path()));
        QSignalSpy changed(&list, &DirectoryList::pathChanged);
        list.openRow(list.currentFolderRow());
        list.setPath(raw(m_folder->path()) + "/");
        QCOMPARE(changed.count(), 0);
    }

    void aFolderThatVanishedIsNotEntered()
    {
        DirectoryList list;
        list.setPath(raw(m_folder->path()));
        QSignalSpy changed(&list, &DirectoryList::pathChanged);
        const int beta = rowNamed(list, "beta");
        QVERIFY(QDir(m_folder->path()).rmdir("beta"));

        list.openRow(beta);

        QCOMPARE(list.path(), raw(m_folder->path()));
        QCOMPARE(changed.count(), 0);
        QCOMPARE(rowNamed(list, "beta"), -1);
    }

    void aNameThatIsNotUtf8KeepsItsBytes()
    {
        const std::string name = "a\xF1o";
        const std::string full = raw(m_folder->path()) + "/" + name;
        QCOMPARE(::mkdir(full.c_str(), 0700), 0);
        DirectoryList list;
        list.setPath(raw(m_folder->path()));

        const int row = rowNamed(list, QStringLiteral("año"));
        QVERIFY(row >= 0);
        list.openRow(row);
        QCOMPARE(list.path(), full);
    }

private:
    std::unique_ptr<QTemporaryDir> m_folder;
};

QTEST_MAIN(DirectoryListTest)
#include "DirectoryListTest.moc"
