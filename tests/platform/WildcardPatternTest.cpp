#include "platform/WildcardPattern.h"

#include <QTest>
#include <algorithm>
#include <chrono>
#include <random>

using namespace zelvo;

namespace {

bool match(const char* pattern, std::string_view name) { return WildcardPattern(pattern).matches(name); }

// The textbook table: can the first i pattern characters take the first j
// name characters? Slow, and plainly right, for ASCII without "." rules.
bool tableMatch(const std::string& pattern, const std::string& name)
{
    const auto lower = [](char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); };
    std::vector<std::vector<bool>> can(pattern.size() + 1, std::vector<bool>(name.size() + 1, false));
    can[0][0] = true;
    for (std::size_t i = 1; i <= pattern.size(); ++i) {
        const char p = pattern[i - 1];
        for (std::size_t j = 0; j <= name.size(); ++j) {
            if (p == '*')
                can[i][j] = can[i - 1][j] || (j > 0 && can[i][j - 1]);
            else if (j > 0)
                can[i][j] = can[i - 1][j - 1] && (p == '?' || lower(p) == lower(name[j - 1]));
        }
    }
    return can[pattern.size()][name.size()];
}

} // namespace

class WildcardPatternTest : public QObject {
    Q_OBJECT

private slots:
    void starAndQuestionMarkMatchAsUsersExpect()
    {
        QVERIFY(match("*.jpg", "playa.jpg"));
        QVERIFY(match("*.jpg", ".jpg"));
        QVERIFY(!match("*.jpg", "playa.jpeg"));
        QVERIFY(!match("*.jpg", "playa.jpg.txt"));
        QVERIFY(match("a*b*c", "aXXbYYc"));
        QVERIFY(match("a*b*c", "abc"));
        QVERIFY(!match("a*b*c", "acb"));
        QVERIFY(match("?.txt", "a.txt"));
        QVERIFY(!match("?.txt", ".txt"));
        QVERIFY(!match("?.txt", "ab.txt"));
        QVERIFY(match("*", "anything at all"));
        QVERIFY(match("exact", "exact"));
        QVERIFY(!match("exact", "exactly"));
        QVERIFY(!match("exact", "exac"));
        // A star must give back what it swallowed when the tail fails later.
        QVERIFY(match("*ab", "aab"));
        QVERIFY(match("*a?c", "abcabc"));
    }

    void letterCaseIsIgnoredForAsciiAndAccentedLetters()
    {
        QVERIFY(match("*.JPG", "playa.jpg"));
        QVERIFY(match("*.jpg", "PLAYA.JPG"));
        QVERIFY(match("canción*", "CANCIÓN.mp3"));
        QVERIFY(match("ÁÉÍÓÚÑÜÀÈÇ", "áéíóúñüàèç"));
        QVERIFY(match("œuvre", "Œuvre"));
        QVERIFY(match("москва", "МОСКВА"));
        QVERIFY(!match("a", "á"));
        QVERIFY(!match("×", "÷")); // Not a letter pair.
    }

    void questionMarkTakesOneWholeCharacterOfAMultibyteName()
    {
        QVERIFY(match("ni?o.txt", "niño.txt"));
        QVERIFY(!match("ni??o.txt", "niño.txt"));
        QVERIFY(match("?", "€"));
        QVERIFY(match("?", "😀"));
        // Where a name is not UTF-8, each byte is one character.
        QVERIFY(match("ni?o", std::string_view("ni\xf1o")));
        QVERIFY(match("a??b", std::string_view("a\xff\xfe" "b")));
        // A Latin-1 byte meets the same letter typed as UTF-8, in any case.
        QVERIFY(match("NIÑO", std::string_view("ni\xf1o")));
    }

    void aStrayByteIsTheWindows1252CharacterTheListsShow()
    {
        QVERIFY(match("€", std::string_view("\x80")));
        QVERIFY(match("š*", std::string_view("\x8a" "a"))); // "Š", its capital
    }

    void starDotStarAndDotStarTakeNamesWithoutADot()
    {
        QVERIFY(match("*.*", "README"));
        QVERIFY(match("*.*", "a.b.c"));
        QVERIFY(match("read*.*", "README"));
        QVERIFY(!match("x*.*", "README"));
        QVERIFY(!match("*.", "README"));
    }

    void semicolonsSeparatePatternsThatAreAllApplied()
    {
        const WildcardPattern pictures("*.jpg; *.png ;*.gif");
        QVERIFY(pictures.matches("a.jpg"));
        QVERIFY(pictures.matches("b.PNG"));
        QVERIFY(pictures.matches("c.gif"));
        QVERIFY(!pictures.matches("d.bmp"));
        QVERIFY(WildcardPattern("*.jpg;;").matches("e.jpg"));
        QVERIFY(!WildcardPattern("*.jpg;;").matches("e.txt"));
    }

    void anEmptyOrBlankPatternTakesEveryName()
    {
        QVERIFY(match("", "a"));
        QVERIFY(match("   ", "whatever.txt"));
        QVERIFY(match(" ; ", "x"));
    }

    void aPatternNoNameCanHoldMatchesNothing()
    {
        QVERIFY(!match("/", "a"));
        QVERIFY(!match("*/*", "a"));
        QVERIFY(!match("sub/*", "sub"));
        QVERIFY(!WildcardPattern(std::string_view("*\0", 2)).matches("a"));
        // The other parts of a list still count.
        QVERIFY(match("a/b;*.txt", "c.txt"));
    }

    void agreesWithAPlainTableOnRandomNames()
    {
        std::mt19937 random(20261207);
        const std::string letters = "aAbB*?";
        const auto draw = [&](std::size_t maxLength, std::size_t alphabet) {
            std::string text(random() % (maxLength + 1), ' ');
            for (char& c : text)
                c = letters[random() % alphabet];
            return text;
        };
        for (int round = 0; round < 20000; ++round) {
            std::string pattern = draw(7, 6);
            const std::string name = draw(9, 4);
            if (pattern.empty())
                pattern = "?"; // The empty pattern takes everything on purpose.
            QVERIFY2(WildcardPattern(pattern).matches(name) == tableMatch(pattern, name),
                     (pattern + " / " + name).c_str());
        }
    }

    void aHostilePatternStaysFast()
    {
        const std::string name(4000, 'a');
        const std::string pattern = "*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b";
        const auto start = std::chrono::steady_clock::now();
        QVERIFY(!WildcardPattern(pattern).matches(name));
        QVERIFY(WildcardPattern(pattern).matches(name + "b"));
        // An exponential matcher would not finish in a lifetime; a quadratic
        // one needs well under a second even on a slow debug build.
        QVERIFY(std::chrono::steady_clock::now() - start < std::chrono::seconds(5));
    }

    void namesSortIgnoringCaseWithATotalOrder()
    {
        std::vector<std::string> names{"b.txt", "A.txt", "a.txt", "C.txt", "Ábaco", "ábaco", "zeta", "_x"};
        std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
            return nameLessIgnoringCase(a, b);
        });
        const std::vector<std::string> expected{"_x", "A.txt", "a.txt", "b.txt", "C.txt", "zeta", "Ábaco", "ábaco"};
        QCOMPARE(names, expected);
        QVERIFY(!nameLessIgnoringCase("a", "a"));
        QVERIFY(nameLessIgnoringCase("A", "a") != nameLessIgnoringCase("a", "A"));
    }
};

QTEST_GUILESS_MAIN(WildcardPatternTest)
#include "WildcardPatternTest.moc"
