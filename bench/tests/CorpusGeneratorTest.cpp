#include "CorpusGenerator.h"
#include "DifferenceBound.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <map>
#include <stdexcept>

using namespace zelvo;
using namespace zelvo::bench;

namespace {

struct Folder {
    std::vector<std::string> paths;
    std::vector<ByteCount> sizes;
    std::vector<QByteArray> contents;
};

Folder readFolder(const QString& path)
{
    Folder folder;
    const QDir dir(path);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read a generated file");
        folder.contents.push_back(file.readAll());
        folder.paths.push_back(QFile::encodeName(file.fileName()).toStdString());
        folder.sizes.push_back(ByteCount(folder.contents.back().size()));
    }
    return folder;
}

Folder generate(const QTemporaryDir& dir, const char* shape, double scale, std::uint64_t seed = 1,
                const char* sub = "corpus")
{
    CorpusOptions options;
    options.shape = shape;
    options.folder = QFile::encodeName(dir.filePath(sub)).toStdString();
    options.scale = scale;
    options.seed = seed;
    const CorpusSummary summary = generateCorpus(options);
    Folder folder = readFolder(dir.filePath(sub));
    if (summary.files != folder.paths.size())
        qFatal("the summary does not count the files written");
    return folder;
}

// The number of files of a folder that have an identical twin.
std::size_t filesWithATwin(const ContentTruth& truth)
{
    std::size_t count = 0;
    for (const auto& set : truth.identicalSets)
        count += set.size();
    return count;
}

bool hasTwin(const ContentTruth& truth, std::size_t file)
{
    return std::any_of(truth.identicalSets.begin(), truth.identicalSets.end(),
                       [&](const auto& set) { return std::count(set.begin(), set.end(), file) > 0; });
}

} // namespace

class CorpusGeneratorTest : public QObject {
    Q_OBJECT
private slots:
    void theSameOptionsWriteTheSameFilesAndAnotherSeedOtherOnes()
    {
        QTemporaryDir dir;
        const Folder first = generate(dir, "photos", 0.02, 7, "first");
        const Folder second = generate(dir, "photos", 0.02, 7, "second");
        const Folder other = generate(dir, "photos", 0.02, 8, "other");
        QCOMPARE(first.sizes, second.sizes);
        QVERIFY(first.contents == second.contents);
        QVERIFY(first.contents != other.contents);
    }

    void everyNameIsVisibleAndMatchesStarDotStar()
    {
        QTemporaryDir dir;
        for (const char* shape : {"photos", "onesize", "large", "tails", "tiny", "million"}) {
            const Folder folder = generate(dir, shape, 0.001, 1, shape);
            QVERIFY2(!folder.paths.empty(), shape);
            for (const std::string& path : folder.paths) {
                const std::string name = path.substr(path.rfind('/') + 1);
                QVERIFY2(name[0] != '.', name.c_str());
                QVERIFY2(name.find('.') != std::string::npos, name.c_str());
            }
        }
    }

    void aFolderThatIsNotEmptyIsRefusedAndLeftAlone()
    {
        QTemporaryDir dir;
        QFile keep(dir.filePath("keep.txt"));
        QVERIFY(keep.open(QIODevice::WriteOnly));
        keep.write("mine");
        keep.close();
        CorpusOptions options{"tiny", QFile::encodeName(dir.path()).toStdString(), 1, 0.001};
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, generateCorpus(options));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);
        options.shape = "nonsense";
        options.folder = QFile::encodeName(dir.filePath("fresh")).toStdString();
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, generateCorpus(options));
        options.shape = "tiny";
        options.scale = 0;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, generateCorpus(options));
    }

    void photosHaveAboutAQuarterCopiesAndSameSizeNearCopies()
    {
        QTemporaryDir dir;
        const Folder folder = generate(dir, "photos", 0.2); // 100 photos
        const ContentTruth truth = findContentTruth(folder.paths, folder.sizes);
        const double copies = double(filesWithATwin(truth) - truth.identicalSets.size()) / double(folder.paths.size());
        QVERIFY2(copies > 0.1 && copies < 0.4, QByteArray::number(copies));

        // A near-copy has the size of another photo and shares far more than
        // the camera header with it; some differ only in the very last byte.
        int nearCopies = 0, lastByteOnly = 0;
        for (std::size_t i = 0; i < folder.paths.size(); ++i) {
            QVERIFY(folder.sizes[i] >= 50'000 && folder.sizes[i] <= 5'000'000);
            if (hasTwin(truth, i) || truth.bound[i] <= 4096)
                continue;
            ++nearCopies;
            if (truth.bound[i] == folder.sizes[i])
                ++lastByteOnly;
        }
        QVERIFY(nearCopies >= 2);
        QVERIFY(lastByteOnly >= 1);
    }

    void oneSizeFilesAreNearlyAllDistinct()
    {
        QTemporaryDir dir;
        const Folder folder = generate(dir, "onesize", 0.25); // 1000 files
        QCOMPARE(folder.paths.size(), std::size_t(1000));
        for (ByteCount size : folder.sizes)
            QCOMPARE(size, ByteCount(65536));
        const ContentTruth truth = findContentTruth(folder.paths, folder.sizes);
        const std::size_t twins = filesWithATwin(truth);
        QVERIFY2(twins >= 2 && twins <= 30, QByteArray::number(qulonglong(twins)));
    }

    void largeFilesHoldTwoIdenticalPairsAPairDifferingAtTheEndAndALoneFile()
    {
        QTemporaryDir dir;
        const Folder folder = generate(dir, "large", 0.005);
        QCOMPARE(folder.paths.size(), std::size_t(7));
        const ContentTruth truth = findContentTruth(folder.paths, folder.sizes);
        QCOMPARE(truth.identicalSets.size(), std::size_t(2));
        int differAtTheEnd = 0, alone = 0;
        for (std::size_t i = 0; i < folder.paths.size(); ++i) {
            if (truth.bound[i] == 0)
                ++alone;
            if (!hasTwin(truth, i) && truth.bound[i] == folder.sizes[i])
                ++differAtTheEnd;
        }
        QCOMPARE(differAtTheEnd, 2);
        QCOMPARE(alone, 1);
    }

    void tailsShareEverythingButTheirEndExceptAFewCopiesAndMiddleChanges()
    {
        QTemporaryDir dir;
        const Folder folder = generate(dir, "tails", 0.2); // 200 files
        QCOMPARE(folder.paths.size(), std::size_t(200));
        const ContentTruth truth = findContentTruth(folder.paths, folder.sizes);
        std::size_t atTheEnd = 0, inTheMiddle = 0;
        for (std::size_t i = 0; i < folder.paths.size(); ++i) {
            QCOMPARE(folder.sizes[i], folder.sizes[0]);
            if (hasTwin(truth, i))
                continue;
            if (truth.bound[i] > folder.sizes[i] - 8)
                ++atTheEnd;
            else
                ++inTheMiddle;
        }
        QVERIFY(atTheEnd > 180);
        QVERIFY(!truth.identicalSets.empty());
        QVERIFY(inTheMiddle >= 1);
    }

    void tinyFilesHoldManyEmptyFilesAndManyCopies()
    {
        QTemporaryDir dir;
        const Folder folder = generate(dir, "tiny", 0.1); // 10,000 files
        QCOMPARE(folder.paths.size(), std::size_t(10000));
        const auto empty = std::count(folder.sizes.begin(), folder.sizes.end(), ByteCount(0));
        QVERIFY2(empty > 1700 && empty < 2300, QByteArray::number(qlonglong(empty)));
        QVERIFY(*std::max_element(folder.sizes.begin(), folder.sizes.end()) <= 100);
        const ContentTruth truth = findContentTruth(folder.paths, folder.sizes);
        QVERIFY(filesWithATwin(truth) - std::size_t(empty) > 1500);
    }
};

QTEST_GUILESS_MAIN(CorpusGeneratorTest)
#include "CorpusGeneratorTest.moc"
