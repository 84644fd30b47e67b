#include "LogBench.h"
#include "fakes/FakeDateText.h"
#include "fakes/FakeMessageBox.h"
#include "fakes/FaultyFileSystem.h"
#include "log/ActivityLog.h"
#include "log/LogRecords.h"
#include "platform/PosixFileSystem.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>


using namespace zelvo;

namespace {

const QByteArray kNoLog = LogBench::kNoLog;

const std::string kLogFailure = "No se puede crear el archivo log.\n"
                                "Se desactiva el seguimiento.\n"
                                "Corrija el problema con el archivo para volver a registrar los eventos";

// 2026-12-07 05:30:09 UTC and two earlier instants, as FakeDateText writes them.
constexpr Timestamp kNow{1796621409};
constexpr Timestamp kReferenceTime{1780272000}; // 1/6/2026, midnight
constexpr Timestamp kTwinTime{1780286430};      // 1/6/2026 4:00:30

} // namespace

class ActivityLogTest : public QObject {
    Q_OBJECT

    // Every case starts from a log bench whose clock stands at kNow.
    struct Bench : LogBench {
        Bench() : LogBench(kNow) {}
        std::string write(const char* name, const QByteArray& bytes, Timestamp modified) const
        {
            return writeFile(name, bytes, modified);
        }
    };

private slots:
    void aPairRecordDescribesBothFilesWithTheirOwnDates()
    {
        Bench b;
        const std::string a = b.write("a.jpg", "same", kReferenceTime);
        const std::string c = b.write("c.jpg", "same", kTwinTime);
        QCOMPARE(b.log.RegistroPar(a, 4, c), FileError::None);
        QCOMPARE(b.log.RegistroPar(a, 4, c), FileError::None);

        const std::string one = pairRecord({a, 4, "1/6/2026"}, {c, 4, "1/6/2026 4:00:30"});
        QCOMPARE(b.logBytes(), QByteArray::fromStdString(one + one));
        QCOMPARE(b.messages.callCount(), std::size_t(0));
    }

    void aDeletionRecordTellsTheFileAsItWasAndTheMomentOfDeletion()
    {
        Bench b;
        b.log.RegistroBorrado("/fotos/abc.jpg", {5'000'000'000ULL, kTwinTime, {}});
        QCOMPARE(b.logBytes(), QByteArray::fromStdString(std::string(120, 'x') + "\r\n" + "/fotos/abc.jpg" +
                                             std::string(36, ' ') +
                                             "\t\t5000000000 bytes \t1/6/2026 4:00:30\r\n" + "\xB7" +
                                             std::string(100, ' ') +
                                             "Borrado el 7/12/2026 a las 5:30:09\r\n" +
                                             std::string(120, 'x') + "\r\n"));
    }

    void aSwitchedOffLogWritesNothingAndCreatesNothing()
    {
        Bench b;
        b.logSwitch.turnOff();
        const std::string a = b.write("a", "1", kReferenceTime);
        QCOMPARE(b.log.RegistroPar(a, 1, a), FileError::None);
        b.log.RegistroBorrado(a, {1, kReferenceTime, {}});
        QVERIFY(!QFile::exists(QString::fromStdString(b.logPath)));
        QCOMPARE(b.files.counters(b.logPath).appends, 0);
        // Off also means not even looking at the files described.
        QCOMPARE(b.files.counters(a).statusCalls, 0);
    }

    void aVanishedFileIsTheCallersNotFoundAndLeavesNoTrace()
    {
        Bench b;
        const std::string a = b.write("a", "1", kReferenceTime);
        QCOMPARE(b.log.RegistroPar(a, 1, b.path("gone")), FileError::NotFound);
        QCOMPARE(b.log.RegistroPar(b.path("gone"), 1, a), FileError::NotFound);
        QCOMPARE(b.logBytes(), kNoLog);
        QCOMPARE(b.messages.callCount(), std::size_t(0));
        QVERIFY(b.logSwitch.isOn());
    }

    void aFolderInThePlaceOfTheLogSwitchesTheLogOffAfterOneMessage()
    {
        Bench b;
        QVERIFY(QDir(b.dir.path()).mkdir("Zelvo.log"));
        const std::string a = b.write("a", "1", kReferenceTime);
        QCOMPARE(b.log.RegistroPar(a, 1, a), FileError::None);
        QCOMPARE(b.messages.callCount(), std::size_t(1));
        const MessageBoxCall& call = b.messages.lastCall();
        QCOMPARE(call.text, kLogFailure);
        QCOMPARE(call.title, std::string("Error con archivo log"));
        QCOMPARE(call.buttons, MessageButtons::Ok);
        QCOMPARE(call.icon, MessageIcon::Critical);
        QCOMPARE(b.logSwitch.timesTurnedOff(), 1);

        // Off now: the next twin writes nothing and says nothing.
        QCOMPARE(b.log.RegistroPar(a, 1, a), FileError::None);
        QCOMPARE(b.messages.callCount(), std::size_t(1));

        // Switched on again, the next record is tried again.
        b.logSwitch.turnOn();
        b.log.RegistroBorrado(a, {1, kReferenceTime, {}});
        QCOMPARE(b.messages.callCount(), std::size_t(2));
        QCOMPARE(b.logSwitch.timesTurnedOff(), 2);
    }

    void aRefusedLogFileIsTheLogFailureToo()
    {
        Bench b;
        b.files.failAppend(b.logPath, FileError::AccessDenied);
        b.log.RegistroBorrado("/x", {1, kReferenceTime, {}});
        QCOMPARE(b.messages.lastCall().text, kLogFailure);
        QVERIFY(!b.logSwitch.isOn());
    }

    void aFailedWriteLosesTheWholeRecordIsToldAndSwitchesTheLogOff()
    {
        Bench b;
        const std::string a = b.write("a", "1", kReferenceTime);
        QCOMPARE(b.log.RegistroPar(a, 1, a), FileError::None);
        const QByteArray before = b.logBytes();
        QVERIFY(before != kNoLog);

        // A full disk: the record is lost whole, the user told, and the log
        // switched off so that no later record is lost without a word.
        b.files.failAppend(b.logPath, FileError::Other);
        QCOMPARE(b.log.RegistroPar(a, 1, a), FileError::None);
        b.log.RegistroBorrado(a, {1, kReferenceTime, {}});
        QCOMPARE(b.logBytes(), before);
        QVERIFY(!b.logSwitch.isOn());
        QCOMPARE(b.messages.callCount(), std::size_t(1));
        QCOMPARE(b.messages.lastCall().title, std::string("Error con archivo log"));
        QVERIFY(b.messages.lastCall().text.find("se desactiva el seguimiento") != std::string::npos);
    }

    void eachRecordIsOneSingleAppend()
    {
        Bench b;
        const std::string a = b.write("a", "1", kReferenceTime);
        QCOMPARE(b.log.RegistroPar(a, 1, a), FileError::None);
        b.log.RegistroBorrado(a, {1, kReferenceTime, {}});
        QCOMPARE(b.files.counters(b.logPath).appends, 2);
    }

    void theLogLivesInTheWorkingDirectoryByDefault()
    {
        Bench b;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(b.dir.path()));
        ActivityLog relative(b.files, b.dates, b.messages, b.logSwitch);
        relative.RegistroBorrado("/x", {1, kReferenceTime, {}});
        QDir::setCurrent(previous);
        QCOMPARE(relative.path(), std::string("Zelvo.log"));
        QVERIFY(QFile::exists(b.dir.filePath("Zelvo.log")));
    }

    void erasingAsksFirstAndLeavesTheFileOnNo()
    {
        Bench b;
        b.log.RegistroBorrado("/x", {1, kReferenceTime, {}});
        b.messages.scriptAnswer(MessageAnswer::No);
        b.log.BorraLog();
        QCOMPARE(b.messages.callCount(), std::size_t(1));
        const MessageBoxCall& question = b.messages.lastCall();
        QCOMPARE(question.text, std::string("¿Desea borrar el archivo log?"));
        QCOMPARE(question.title, std::string("Borrado archivo log"));
        QCOMPARE(question.buttons, MessageButtons::YesNo);
        QCOMPARE(question.icon, MessageIcon::Question);
        QVERIFY(b.logBytes() != kNoLog);

        b.messages.scriptAnswer(MessageAnswer::Yes);
        b.log.BorraLog();
        QCOMPARE(b.logBytes(), kNoLog);
        QCOMPARE(b.messages.callCount(), std::size_t(2));
        QVERIFY(b.logSwitch.isOn());
    }

    void erasingAMissingLogSaysThereIsNothingToErase()
    {
        Bench b;
        b.messages.scriptAnswer(MessageAnswer::Yes);
        b.log.BorraLog();
        QCOMPARE(b.messages.callCount(), std::size_t(2));
        const MessageBoxCall& notice = b.messages.lastCall();
        QCOMPARE(notice.text, std::string("No hay ningún archivo Zelvo.log que borrar"));
        QCOMPARE(notice.title, std::string("Log"));
        QCOMPARE(notice.buttons, MessageButtons::Ok);
        QCOMPARE(notice.icon, MessageIcon::Critical);
    }
};

QTEST_APPLESS_MAIN(ActivityLogTest)
#include "ActivityLogTest.moc"
