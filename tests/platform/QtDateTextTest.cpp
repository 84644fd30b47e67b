#include "platform/QtDateText.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTest>

using namespace zelvo;

namespace {
Timestamp localInstant(int year, int month, int day, int hour, int minute, int second)
{
    return Timestamp{QDateTime(QDate(year, month, day), QTime(hour, minute, second)).toSecsSinceEpoch()};
}
}

// The process runs under the C locale (see main below), the case where the
// program must fall back to Spanish.
class QtDateTextTest : public QObject {
    Q_OBJECT

private slots:
    void aSystemWithoutALocaleWritesDatesInSpanish()
    {
        QtDateText dates;
        QCOMPARE(dates.locale().language(), QLocale::Spanish);
        QCOMPARE(dates.locale().territory(), QLocale::Spain);
        const QLocale spanish(QLocale::Spanish, QLocale::Spain);
        const Timestamp t = localInstant(2026, 12, 7, 9, 5, 3);
        QCOMPARE(QString::fromStdString(dates.shortDate(t)),
                 spanish.toString(QDate(2026, 12, 7), QLocale::ShortFormat));
        QCOMPARE(dates.timeWithSeconds(t), std::string("9:05:03"));
    }

    void onlyTheCLocaleIsReplaced()
    {
        QCOMPARE(QtDateText::chooseLocale(QLocale::c()).language(), QLocale::Spanish);
        QCOMPARE(QtDateText::chooseLocale(QLocale(QLocale::German, QLocale::Germany)).language(), QLocale::German);
        QCOMPARE(QtDateText::chooseLocale(QLocale(QLocale::English, QLocale::UnitedStates)).territory(),
                 QLocale::UnitedStates);
    }

    void theTimeIsLeftOutOnlyAtExactMidnight()
    {
        QtDateText dates(QLocale(QLocale::Spanish, QLocale::Spain));
        const std::string day = dates.shortDate(localInstant(2024, 2, 29, 12, 0, 0));
        QVERIFY(!day.empty());
        QCOMPARE(dates.generalDate(localInstant(2024, 2, 29, 0, 0, 0)), day);
        QCOMPARE(dates.generalDate(localInstant(2024, 2, 29, 0, 0, 1)), day + " 0:00:01");
        QCOMPARE(dates.generalDate(localInstant(2024, 2, 29, 23, 59, 59)), day + " 23:59:59");
        QCOMPARE(dates.generalDate(localInstant(2024, 2, 29, 12, 0, 0)), day + " 12:00:00");
    }

    void timeFormatsGainSecondsAndLoseTheTimeZone_data()
    {
        QTest::addColumn<QString>("shortFormat");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Spanish") << "H:mm" << "H:mm:ss";
        QTest::newRow("German") << "HH:mm" << "HH:mm:ss";
        QTest::newRow("English") << "h:mm AP" << "h:mm:ss AP";
        QTest::newRow("Finnish dots") << "H.mm" << "H.mm.ss";
        QTest::newRow("already seconds") << "HH:mm:ss" << "HH:mm:ss";
        QTest::newRow("time zone") << "HH:mm:ss t" << "HH:mm:ss";
        QTest::newRow("long zone") << "H:mm tttt" << "H:mm:ss";
        QTest::newRow("quoted text") << "H:mm 'Uhr'" << "H:mm:ss 'Uhr'";
    }

    void timeFormatsGainSecondsAndLoseTheTimeZone()
    {
        QFETCH(QString, shortFormat);
        QFETCH(QString, expected);
        QCOMPARE(QtDateText::timeFormatWithSeconds(shortFormat), expected);
    }

    void otherLocalesShowSecondsToo()
    {
        QtDateText american(QLocale(QLocale::English, QLocale::UnitedStates));
        const std::string time = american.timeWithSeconds(localInstant(2026, 1, 2, 15, 4, 5));
        QVERIFY2(time.find("3:04:05") != std::string::npos, time.c_str());
        QtDateText german(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(german.timeWithSeconds(localInstant(2026, 1, 2, 7, 4, 5)), std::string("07:04:05"));
    }

    void nowFollowsTheClock()
    {
        QtDateText dates;
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        const Timestamp now = dates.now();
        QVERIFY(now.seconds >= before && now.seconds <= QDateTime::currentSecsSinceEpoch());
    }
};

int main(int argc, char* argv[])
{
    // Before Qt reads the environment for the system locale.
    qputenv("LC_ALL", "C");
    qputenv("LANG", "C");
    QCoreApplication app(argc, argv);
    QtDateTextTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "QtDateTextTest.moc"
