#include "log/Windows1252.h"

#include <QTest>

using namespace zelvo;

class Windows1252Test : public QObject {
    Q_OBJECT
private slots:
    void spanishLettersAndTheMiddleDotBecomeTheirSingleBytes()
    {
        QCOMPARE(utf8ToWindows1252("·é ñÑáÉüÜ¿¡"),
                 std::string("\xB7\xE9 \xF1\xD1\xE1\xC9\xFC\xDC\xBF\xA1"));
        QCOMPARE(utf8ToWindows1252("plain ASCII /x.jpg"), std::string("plain ASCII /x.jpg"));
    }

    void typographicSignsUseTheBytesBelowA0()
    {
        QCOMPARE(utf8ToWindows1252("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ"),
                 std::string("\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E\x91\x92\x93"
                             "\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F"));
    }

    void charactersOutsideTheCodePageBecomeOneQuestionMarkEach()
    {
        QCOMPARE(utf8ToWindows1252("a日本b"), std::string("a??b"));
        QCOMPARE(utf8ToWindows1252("x\xF0\x9F\x98\x80y"), std::string("x?y")); // an emoji
        QCOMPARE(utf8ToWindows1252("\xC4\x80"), std::string("?"));             // U+0100
    }

    void bytesThatAreNotUtf8BecomeOneQuestionMarkEach()
    {
        // A Latin-1 name, a lone continuation byte, an overlong slash, an
        // encoded surrogate, a sequence cut short by the end and by a letter.
        QCOMPARE(utf8ToWindows1252("caf\xE9.jpg"), std::string("caf?.jpg"));
        QCOMPARE(utf8ToWindows1252("a\x80z"), std::string("a?z"));
        QCOMPARE(utf8ToWindows1252("\xC0\xAF"), std::string("??"));
        QCOMPARE(utf8ToWindows1252("\xED\xA0\x80"), std::string("???"));
        QCOMPARE(utf8ToWindows1252("ab\xE2\x82"), std::string("ab??"));
        QCOMPARE(utf8ToWindows1252("\xE2q\xAC"), std::string("?q?"));
        QCOMPARE(utf8ToWindows1252("\xF4\x90\x80\x80"), std::string("????")); // past U+10FFFF
    }

    void everyByteSurvivesTheWayToUtf8AndBack()
    {
        std::string all;
        for (int b = 0; b < 256; ++b)
            all += static_cast<char>(b);
        const std::string utf8 = windows1252ToUtf8(all);
        QCOMPARE(utf8ToWindows1252(utf8), all);
        QCOMPARE(windows1252ToUtf8("\xB7\xE9\x80"), std::string("·é€"));
    }
};

QTEST_APPLESS_MAIN(Windows1252Test)
#include "Windows1252Test.moc"
