#include "fakes/MemoryFileSystem.h"
#include "platform/ForwardingFileSystem.h"

#include <QTest>

using namespace zelvo;

namespace {

// Refuses only opens for comparing, so a test can tell the two opens apart.
class ReadOnlyOpens : public MemoryFileSystem {
public:
    Result<std::unique_ptr<FileReader>> openForComparing(const std::string&, ByteCount) override
    {
        return FileError::InvalidArgument;
    }
};

// Overrides nothing but the hook both opens go through.
class CountingOpens : public ForwardingFileSystem {
public:
    using ForwardingFileSystem::ForwardingFileSystem;
    int readers = 0;

protected:
    Result<std::unique_ptr<FileReader>> opened(const std::string&,
                                               Result<std::unique_ptr<FileReader>> reader) override
    {
        readers += reader.ok();
        return reader;
    }
};

} // namespace

class ForwardingFileSystemTest : public QObject {
    Q_OBJECT

private slots:
    void everyCallReachesTheInnerFileSystemAndBringsItsAnswer()
    {
        ReadOnlyOpens inner;
        inner.addFile("/d/a", "abc");
        ForwardingFileSystem files(inner);
        QCOMPARE(*files.listFiles("/d", "*.*"), std::vector<std::string>{"a"});
        QVERIFY(files.listFiles("/d", "x*")->empty());
        QCOMPARE(files.status("/d/a")->size, ByteCount(3));
        QVERIFY(files.openForReading("/d/a").ok());
        QCOMPARE(files.openForComparing("/d/a", 3).error(), FileError::InvalidArgument);
        QCOMPARE(files.appendToFile("/d/b", "xy"), FileError::None);
        QCOMPARE(inner.status("/d/b")->size, ByteCount(2));
        QCOMPARE(files.removeFile("/d/a"), FileError::None);
        QCOMPARE(inner.status("/d/a").error(), FileError::NotFound);
        QVERIFY(!files.hasParent("/"));
        QVERIFY(files.hasParent("/d"));
    }

    void bothOpensPassThroughTheHookAndConcurrencyIsNotPassedOn()
    {
        MemoryFileSystem inner;
        inner.addFile("/a", "abc");
        inner.setConcurrentReads(true);
        CountingOpens files(inner);
        QVERIFY(files.openForReading("/a").ok());
        QVERIFY(files.openForComparing("/a", 3).ok());
        QVERIFY(!files.openForReading("/gone").ok());
        QCOMPARE(files.readers, 2);
        // A decorator's own state is not made for several threads unless it says so.
        QVERIFY(!files.allowsConcurrentReads());
    }
};

QTEST_GUILESS_MAIN(ForwardingFileSystemTest)
#include "ForwardingFileSystemTest.moc"
