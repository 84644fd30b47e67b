#include "log/LogRecords.h"

#include <QTest>

using namespace zelvo;

namespace {

std::string blanks(std::size_t n) { return std::string(n, ' '); }

// A fourteen-character path.
const std::string kShortPath = "/fotos/abc.jpg";

} // namespace

class LogRecordsTest : public QObject {
    Q_OBJECT
private slots:
    void aFourteenCharacterPathIsPaddedWithThirtySixBlanks()
    {
        QCOMPARE(kShortPath.size(), std::size_t(14));
        QCOMPARE(LineaArchivo({kShortPath, 2048, "7/12/2026 5:30:00"}),
                 kShortPath + blanks(36) + "\t\t2048 bytes \t7/12/2026 5:30:00");
    }

    void pathsOfFiftyCharactersOrMoreGetNoBlanks()
    {
        const std::string fifty = "/" + std::string(45, 'a') + ".jpg";
        const std::string fiftyOne = "/" + std::string(46, 'a') + ".jpg";
        QCOMPARE(fifty.size(), std::size_t(50));
        QCOMPARE(LineaArchivo({fifty, 1, "1/1/2000"}), fifty + "\t\t1 bytes \t1/1/2000");
        QCOMPARE(LineaArchivo({fiftyOne, 1, "1/1/2000"}), fiftyOne + "\t\t1 bytes \t1/1/2000");
    }

    void paddingCountsCharactersNotUtf8Bytes()
    {
        // Fifteen characters, sixteen UTF-8 bytes: 35 blanks, and é as E9.
        QCOMPARE(LineaArchivo({"/fotos/café.jpg", 5, "d"}),
                 "/fotos/caf\xE9.jpg" + blanks(35) + "\t\t5 bytes \td");
        // Two characters that the code page lacks still count as two.
        QCOMPARE(LineaArchivo({"/日本", 5, "d"}), "/??" + blanks(47) + "\t\t5 bytes \td");
    }

    void largeSizesArePlainDigits()
    {
        QCOMPARE(LineaArchivo({kShortPath, 1234567, "d"}),
                 kShortPath + blanks(36) + "\t\t1234567 bytes \td");
        QCOMPARE(LineaArchivo({kShortPath, 5'000'000'000ULL, "d"}),
                 kShortPath + blanks(36) + "\t\t5000000000 bytes \td");
        QCOMPARE(LineaArchivo({kShortPath, 0, "d"}), kShortPath + blanks(36) + "\t\t0 bytes \td");
    }

    void aNameCannotBreakItsLineApart()
    {
        QCOMPARE(LineaArchivo({"/a\nb\rc\td", 3, "d"}), "/a?b?c?d" + blanks(42) + "\t\t3 bytes \td");
    }

    void aPairRecordIsFourLinesEachEndedByCrLf()
    {
        const std::string record =
            pairRecord({kShortPath, 4096, "1/2/2026 10:00:00"}, {"/fotos/abc2.jpg", 999, "3/4/2026"});
        const std::string dotLine = "\xB7" + blanks(160) + "encontrados id\xE9nticos";
        QCOMPARE(dotLine.size(), std::size_t(182));
        // The twin's line carries the reference's size and the twin's date.
        QCOMPARE(record, kShortPath + blanks(36) + "\t\t4096 bytes \t1/2/2026 10:00:00\r\n" +
                             dotLine + "\r\n" + "/fotos/abc2.jpg" + blanks(35) +
                             "\t\t4096 bytes \t3/4/2026\r\n" + std::string(200, ':') + "\r\n");
    }

    void aDeletionRecordIsFramedByRowsOfX()
    {
        const std::string record =
            deletionRecord({kShortPath, 5'000'000'000ULL, "1/2/2026 10:00:00"}, "7/12/2026", "5:30:09");
        const std::string crosses(120, 'x');
        QCOMPARE(record, crosses + "\r\n" + kShortPath + blanks(36) +
                             "\t\t5000000000 bytes \t1/2/2026 10:00:00\r\n" + "\xB7" + blanks(100) +
                             "Borrado el 7/12/2026 a las 5:30:09\r\n" + crosses + "\r\n");
    }

    void noLineEndsWithoutItsCarriageReturn()
    {
        const std::string record = pairRecord({"/a", 1, "d"}, {"/b", 1, "d"}) +
                                   deletionRecord({"/c", 1, "d"}, "d", "t");
        std::size_t lineFeeds = 0;
        for (std::size_t i = 0; i < record.size(); ++i) {
            if (record[i] != '\n')
                continue;
            ++lineFeeds;
            QVERIFY(i > 0 && record[i - 1] == '\r');
        }
        QCOMPARE(lineFeeds, std::size_t(8));
        QCOMPARE(std::count(record.begin(), record.end(), '\r'), 8);
        QVERIFY(record.ends_with("\r\n"));
    }
};

QTEST_APPLESS_MAIN(LogRecordsTest)
#include "LogRecordsTest.moc"
