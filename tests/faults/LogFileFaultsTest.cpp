#include "FaultBench.h"

#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace zelvo;
using namespace zelvo::faults;

namespace {

// Lowers the largest file size this process may write, the way a full disk
// stops a write part of the way through: the kernel writes what fits and
// refuses the rest. Restores the limit and the signal when it goes.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_saved;
        lowered.rlim_cur = bytes;
        m_active = ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_savedHandler);
    }
    bool active() const { return m_active; }

private:
    rlimit m_saved{};
    void (*m_savedHandler)(int) = SIG_DFL;
    bool m_active = false;
};

std::size_t fileSize(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? std::size_t(st.st_size) : 0;
}

} // namespace

// The log file on a real disk that fills up or refuses: whatever happens, the
// file holds whole records only and the program goes on.
class LogFileFaultsTest : public QObject {
    Q_OBJECT

private slots:
    void aRecordCutShortByAFullDiskLeavesNoPartOfItInTheLog()
    {
        FaultBench bench;
        QVERIFY(writeFile(bench.path("a"), "same"));
        QVERIFY(writeFile(bench.path("b"), "same"));
        bench.scan();
        bench.analyse();
        const std::string first = bench.logBytes();
        QCOMPARE(parseLog(first, nullptr).size(), std::size_t(1));

        {
            // Room for half of the next record.
            FileSizeLimit limit(first.size() + first.size() / 2);
            QVERIFY(limit.active());
            bench.analyse();
        }

        QCOMPARE(bench.logBytes(), first);
        QCOMPARE(bench.messages.callCount(), std::size_t(1));
        QCOMPARE(bench.messages.lastCall().title, std::string("Error con archivo log"));
        QCOMPARE(bench.view.rows().size(), std::size_t(2));

        // The log went off; with room again and the log on, the next record
        // lands whole right after the first.
        QVERIFY(!bench.logSwitch.on);
        bench.logSwitch.on = true;
        bench.analyse();
        bool whole = false;
        QCOMPARE(parseLog(bench.logBytes(), &whole).size(), std::size_t(2));
        QVERIFY(whole);
    }

    void aLogPathNamingADeviceIsRefusedLikeAnUnwritableFile()
    {
        // /dev/full is no regular file: the log must refuse it rather than
        // write into a device.
        FaultBench bench;
        ActivityLog full(bench.files, bench.dates, bench.messages, bench.logSwitch, "/dev/full");
        QVERIFY(writeFile(bench.path("a"), "same"));
        QVERIFY(writeFile(bench.path("b"), "same"));
        QCOMPARE(full.RegistroPar(bench.path("a"), 4, bench.path("b")), FileError::None);
        QCOMPARE(bench.messages.callCount(), std::size_t(1));
        QCOMPARE(bench.messages.lastCall().title, std::string("Error con archivo log"));
        QVERIFY(!bench.logSwitch.on);
    }

    void aLinkNamedZelvoLogIsNeverWrittenThroughAndErasingTakesTheLinkOnly()
    {
        FaultBench bench;
        QVERIFY(writeFile(bench.path("a"), "same"));
        QVERIFY(writeFile(bench.path("b"), "same"));
        QVERIFY(writeFile(bench.path("target"), "ajeno"));
        for (const char* to : {"target", "nowhere"}) {
            ::unlink(bench.logPath().c_str());
            QCOMPARE(::symlink(bench.path(to).c_str(), bench.logPath().c_str()), 0);
            bench.logSwitch.on = true;
            QCOMPARE(bench.log.RegistroPar(bench.path("a"), 4, bench.path("b")), FileError::None);
            QCOMPARE(bench.messages.lastCall().title, std::string("Error con archivo log"));
            QVERIFY(!bench.logSwitch.on);
        }
        QVERIFY(!exists(bench.path("nowhere")));
        QCOMPARE(fileSize(bench.path("target")), std::size_t(5));

        QCOMPARE(::unlink(bench.logPath().c_str()), 0);
        QCOMPARE(::symlink(bench.path("target").c_str(), bench.logPath().c_str()), 0);
        bench.messages.scriptAnswer(MessageAnswer::Yes);
        bench.log.BorraLog();
        struct stat st;
        QCOMPARE(::lstat(bench.logPath().c_str(), &st), -1);
        QCOMPARE(fileSize(bench.path("target")), std::size_t(5));
    }

    void aLogThatCannotBeErasedIsNotCalledAbsent()
    {
        FaultBench bench;
        QVERIFY(writeFile(bench.logPath(), "x\r\n"));
        bench.files.failRemove(bench.logPath(), FileError::AccessDenied);
        bench.messages.scriptAnswer(MessageAnswer::Yes);
        bench.log.BorraLog();
        QCOMPARE(bench.messages.lastCall().text, std::string("No se puede borrar el archivo Zelvo.log."));
        QCOMPARE(bench.messages.lastCall().title, std::string("Log"));
        QCOMPARE(bench.messages.lastCall().icon, MessageIcon::Critical);
        QVERIFY(exists(bench.logPath()));
    }

    void aLogErasedBetweenTwoRecordsIsCreatedAnewWithTheNextOne()
    {
        FaultBench bench;
        QVERIFY(writeFile(bench.path("a"), "same"));
        QVERIFY(writeFile(bench.path("b"), "same"));
        bench.scan();
        bench.analyse();
        const std::size_t oneRecord = fileSize(bench.logPath());
        QVERIFY(oneRecord > 0);

        bench.messages.scriptAnswer(MessageAnswer::Yes);
        bench.log.BorraLog();
        QVERIFY(!exists(bench.logPath()));
        bench.analyse();

        QCOMPARE(fileSize(bench.logPath()), oneRecord);
        QVERIFY(bench.logSwitch.on);
    }
};

QTEST_GUILESS_MAIN(LogFileFaultsTest)
#include "LogFileFaultsTest.moc"
