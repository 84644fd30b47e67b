#include "FaultBench.h"

#include "log/Windows1252.h"

#include <QTest>

#include <algorithm>

using namespace zelvo;
using namespace zelvo::faults;

Q_DECLARE_METATYPE(std::string)

namespace {

using Paths = std::vector<std::string>;

// Names a Linux folder may hold. Each is its own file; several look alike
// once shown as text, which is exactly why they must never be confused.
const Paths kOddNames = {
    std::string("caf\xE9.txt"),         // Latin-1, not valid UTF-8
    std::string("caf\xC3\xA9.txt"),     // the same word in UTF-8
    std::string("cafe\xCC\x81.txt"),    // and decomposed: e + combining accent
    std::string("\xFF\xFE\x80.bin"),    // no character at all
    "a,b,c.txt",
    "\"comillas\".txt",
    "   tres blancos.txt",
    "con\ttabulador.txt",
    "con\nsalto\rde l\xC3\xADnea.txt",
    "CAFE.TXT",
    "cafe.txt",
    std::string(255, 'n'),
    std::string(251, 'x') + ".txt",
};

std::string visible(const std::string& name)
{
    std::string text;
    for (unsigned char c : name) {
        if (c >= 0x20 && c < 0x7F) {
            text += char(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            text += hex;
        }
    }
    return text.size() > 60 ? text.substr(0, 57) + "..." : text;
}

// The path as a log line writes it: Windows-1252, a "?" for anything it
// cannot hold and for every control character.
std::string asLogged(const std::string& path)
{
    std::string line = utf8ToWindows1252(path);
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == '\x7F')
            c = '?';
    return line;
}

Paths sorted(Paths paths)
{
    std::sort(paths.begin(), paths.end());
    return paths;
}

} // namespace

// File names that are not plain ASCII text, and paths near the system's
// limits: each file is listed, compared, logged and deleted as itself.
class OddNamesTest : public QObject {
    Q_OBJECT

private slots:
    void everyOddNameIsListedAndPairedAsItself()
    {
        FaultBench bench;
        QVERIFY(bench.valid());
        Paths expected;
        for (const std::string& name : kOddNames) {
            QVERIFY2(writeFile(bench.path(name), "the same bytes"), visible(name).c_str());
            expected.push_back(bench.path(name));
        }
        bench.scan();
        QCOMPARE(sorted(bench.listing.paths.toVector()), sorted(expected));

        const AnalysisOutcome outcome = bench.analyse();

        QCOMPARE(outcome.NumDuplicados, double(kOddNames.size() - 1));
        QCOMPARE(bench.view.rows().size(), kOddNames.size());
        Paths listed;
        for (const DuplicateRow& row : bench.view.rows())
            listed.push_back(row.path);
        QCOMPARE(sorted(listed), sorted(expected));

        // One whole four-line record per twin, whatever the names hold.
        bool whole = false;
        const auto records = parseLog(bench.logBytes(), &whole);
        QVERIFY(whole);
        QCOMPARE(records.size(), kOddNames.size() - 1);
        for (std::size_t i = 0; i < records.size(); ++i) {
            QCOMPARE(records[i].paths[0], asLogged(bench.view.rows()[0].path));
            QCOMPARE(records[i].paths[1], asLogged(bench.view.rows()[i + 1].path));
        }
        // The Latin-1 name is logged with the character it is shown with.
        QVERIFY(bench.logBytes().find("/caf\xE9.txt") != std::string::npos);
        QVERIFY(bench.logBytes().find("/caf?.txt") == std::string::npos);
    }

    void eachOddNameIsDeletedAsItselfAndNoLookAlikeGoes_data()
    {
        QTest::addColumn<std::string>("name");
        for (const std::string& name : kOddNames)
            QTest::newRow(visible(name).c_str()) << name;
    }
    void eachOddNameIsDeletedAsItselfAndNoLookAlikeGoes()
    {
        QFETCH(std::string, name);
        FaultBench bench;
        for (const std::string& each : kOddNames)
            QVERIFY(writeFile(bench.path(each), "the same bytes"));
        bench.scan();
        bench.analyse();
        const std::string logBefore = bench.logBytes();

        QVERIFY(bench.deleteRow(bench.path(name)));

        QVERIFY(bench.messages.calls().size() == 1); // the question alone
        QVERIFY(!exists(bench.path(name)));
        for (const std::string& other : kOddNames)
            if (other != name)
                QVERIFY2(exists(bench.path(other)), visible(other).c_str());
        const auto records = parseLog(bench.logBytes().substr(logBefore.size()), nullptr);
        QCOMPARE(records.size(), std::size_t(1));
        QVERIFY(records[0].isDeletion);
        QCOMPARE(records[0].paths[0], asLogged(bench.path(name)));
    }

    void namesThatDifferOnlyInLetterCaseAreDifferentFiles()
    {
        FaultBench bench;
        QVERIFY(writeFile(bench.path("foto.jpg"), "one picture"));
        QVERIFY(writeFile(bench.path("FOTO.JPG"), "one picture"));
        QVERIFY(writeFile(bench.path("Foto.jpg"), "other image"));
        bench.where.pattern = "*.jpg";
        bench.scan();
        QCOMPARE(bench.listing.NumArchivos(), std::size_t(3));

        bench.analyse();
        QCOMPARE(bench.rows(), (Paths{"> " + bench.path("FOTO.JPG"), bench.path("foto.jpg")}));
        QVERIFY(bench.deleteRow(bench.path("foto.jpg")));
        QVERIFY(!exists(bench.path("foto.jpg")));
        QCOMPARE(readFile(bench.path("FOTO.JPG")), std::string("one picture"));
        QCOMPARE(readFile(bench.path("Foto.jpg")), std::string("other image"));
    }

    void filesDeepInAPathNearOrBeyondTheSystemLimitAreFoundAndDeleted_data()
    {
        QTest::addColumn<int>("pathSize");
        QTest::newRow("4,090 bytes, just under the limit") << 4090;
        QTest::newRow("4,256 bytes, beyond the limit") << 4256;
    }
    void filesDeepInAPathNearOrBeyondTheSystemLimitAreFoundAndDeleted()
    {
        // Folders of up to 200-byte names, then names of 255 bytes: the full
        // paths are near or beyond the 4,096 bytes a path may have, while
        // the folder itself is not.
        QFETCH(int, pathSize);
        FaultBench bench;
        const std::size_t folderSize = std::size_t(pathSize) - 256;
        std::string deep = bench.folder();
        for (char c = 'a'; deep.size() < folderSize; ++c) {
            const std::size_t length = std::min<std::size_t>(200, folderSize - deep.size() - 1);
            deep.append(1, '/').append(length, c);
            QVERIFY(makeFolder(deep));
        }
        const std::string first = deep + "/" + std::string(255, '1');
        const std::string second = deep + "/" + std::string(255, '2');
        QCOMPARE(first.size(), std::size_t(pathSize));
        QVERIFY(writeFile(first, "deep copy"));
        QVERIFY(writeFile(second, "deep copy"));
        bench.where.folder = deep;
        bench.scan();

        const AnalysisOutcome outcome = bench.analyse();

        QCOMPARE(outcome.NumDuplicados, 1.0);
        QCOMPARE(bench.rows(), (Paths{"> " + first, second}));
        bool whole = false;
        const auto records = parseLog(bench.logBytes(), &whole);
        QVERIFY(whole);
        QCOMPARE(records.at(0).paths, (Paths{first, second}));
        {
            // The preview's read.
            auto preview = bench.files.openForReading(second);
            QVERIFY(preview.ok());
            std::byte bytes[16];
            QCOMPARE(*(*preview)->read(bytes), std::size_t(9));
        }
        // The deletion, after its last-copy check.
        QVERIFY(bench.deleteRow(second));
        QCOMPARE(bench.messageTexts().size(), std::size_t(1)); // the question alone
        QVERIFY(!exists(second));
        QCOMPARE(readFile(first), std::string("deep copy"));
        const auto after = parseLog(bench.logBytes(), nullptr);
        QVERIFY(after.back().isDeletion);
        QCOMPARE(after.back().paths, (Paths{second}));
    }

    void aFolderBeyondThePathLimitListsNothingAndNothingBreaks()
    {
        FaultBench bench;
        bench.where.folder = bench.folder() + "/" + std::string(5000, 'z');
        bench.scan();
        QCOMPARE(bench.listing.NumArchivos(), std::size_t(0));
        QCOMPARE(bench.view.caption(Control::Label6), std::string("0 archivos a procesar"));
        const AnalysisOutcome outcome = bench.analyse();
        QCOMPARE(outcome.NumDuplicados, 0.0);
        QVERIFY(!bench.view.isBusy());
    }
};

QTEST_GUILESS_MAIN(OddNamesTest)
#include "OddNamesTest.moc"
