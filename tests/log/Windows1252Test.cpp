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

    void bytesThatAreNotUtf8KeepTheCharacterTheyShowAs()
    {
        // A Latin-1 name, alone and behind a UTF-8 folder; a lone continuation
        // byte, an overlong slash, an encoded surrogate, sequences cut short by
        // the end and by a letter, a code point past U+10FFFF: each stray byte
        // is the Windows-1252 character it is shown as, so it stays itself.
        QCOMPARE(utf8ToWindows1252("caf\xE9.jpg"), std::string("caf\xE9.jpg"));
        QCOMPARE(utf8ToWindows1252("a\xC3\xB1o/caf\xE9"), std::string("a\xF1o/caf\xE9"));
        for (const char* stray : {"a\x80z", "\xC0\xAF", "\xED\xA0\x80", "ab\xE2\x82", "\xE2q\xAC", "\xF4\x90\x80\x80"})
            QCOMPARE(utf8ToWindows1252(stray), std::string(stray));
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
