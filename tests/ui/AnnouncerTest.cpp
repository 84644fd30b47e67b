#include "ui/main/Announcer.h"

#include <QSignalSpy>
#include <QTest>

using namespace zelvo;

// What the screen reader is told, and how often.
class AnnouncerTest : public QObject {
    Q_OBJECT

private slots:
    void theFirstNewsIsSaidAtOnceInOneLine()
    {
        Announcer announcer(nullptr);
        QSignalSpy said(&announcer, &Announcer::said);
        announcer.announce(QStringLiteral("  3  Archivos "));
        QCOMPARE(said.count(), 1);
        QCOMPARE(announcer.lastSaid(), QStringLiteral("3 Archivos"));
    }

    void newsWithinTheIntervalIsSaidTogetherWhenItEnds()
    {
        Announcer announcer(nullptr);
        QSignalSpy said(&announcer, &Announcer::said);
        announcer.announce(QStringLiteral("1 a"));
        for (const char* text : {"2 b", "2 b", "", "3 c"})
            announcer.announce(QString::fromUtf8(text));
        QCOMPARE(said.count(), 1);
        QTest::qWait(Announcer::kIntervalMilliseconds / 2);
        QCOMPARE(said.count(), 1);
        QTRY_COMPARE(said.count(), 2);
        QCOMPARE(announcer.lastSaid(), QStringLiteral("2 b. 3 c"));
    }
};

QTEST_MAIN(AnnouncerTest)
#include "AnnouncerTest.moc"
