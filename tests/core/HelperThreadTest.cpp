#include "core/HelperThread.h"

#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <vector>

using namespace zelvo;

namespace {

// Work that takes a moment per item, so that the helper has time to join in.
void busyFor(std::chrono::microseconds span)
{
    const auto until = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < until) {
    }
}

} // namespace

class HelperThreadTest : public QObject {
    Q_OBJECT

private slots:
    void everyItemIsWorkedOnceInAscendingOrderWithinEachThread()
    {
        HelperThread helper;
        std::size_t itemsOfTheHelper = 0;
        for (int share = 0; share < 50; ++share) {
            const std::size_t count = 1000 + std::size_t(share) * 37;
            std::unique_ptr<std::atomic<int>[]> worked(new std::atomic<int>[count]());
            std::vector<std::size_t> seen[2];
            std::atomic<bool> blocksInRange{true};
            helper.share(count, 7, [&](int worker, std::size_t first, std::size_t last) {
                if (!(first < last && last <= count && last - first <= 7))
                    blocksInRange = false;
                for (std::size_t i = first; i < last; ++i) {
                    worked[i].fetch_add(1);
                    seen[worker].push_back(i);
                    busyFor(std::chrono::microseconds(2));
                }
            });
            QVERIFY(blocksInRange);
            for (std::size_t i = 0; i < count; ++i)
                QCOMPARE(worked[i].load(), 1);
            QCOMPARE(seen[0].size() + seen[1].size(), count);
            for (const auto& items : seen)
                QVERIFY(std::is_sorted(items.begin(), items.end()));
            itemsOfTheHelper += seen[1].size();
        }
        // Two seconds of work in all: the helper must have taken part.
        QVERIFY(itemsOfTheHelper > 0);
    }

    void nothingToDoCallsNothing()
    {
        HelperThread helper;
        int calls = 0;
        helper.share(0, 16, [&](int, std::size_t, std::size_t) { ++calls; });
        QCOMPARE(calls, 0);
    }

    void anExceptionOnEitherThreadReachesTheCallerAndTheHelperStaysUsable()
    {
        HelperThread helper;
        for (int failing : {0, 1}) {
            std::atomic<int> calls{0};
            bool thrown = false;
            try {
                helper.share(100000, 1, [&](int worker, std::size_t, std::size_t) {
                    ++calls;
                    busyFor(std::chrono::microseconds(5));
                    if (worker == failing)
                        throw std::runtime_error("worker failed");
                });
            } catch (const std::runtime_error&) {
                thrown = true;
            }
            // Half a second of work: the helper is sure to take part.
            QVERIFY(thrown);
            // A failure stops the handing out of blocks.
            QVERIFY(calls.load() < 100000);
        }
        std::atomic<std::size_t> done{0};
        helper.share(500, 10, [&](int, std::size_t first, std::size_t last) { done += last - first; });
        QCOMPARE(done.load(), std::size_t{500});
    }

    void aWorkerCanStopTheHandingOutOfBlocks()
    {
        HelperThread helper;
        std::atomic<std::size_t> lastFirst{0};
        helper.share(1000000, 10, [&](int, std::size_t first, std::size_t) {
            std::size_t seen = lastFirst.load();
            while (first > seen && !lastFirst.compare_exchange_weak(seen, first)) {
            }
            if (first >= 1000)
                helper.stopHandingOut();
        });
        // Blocks already handed out finish; none far beyond the stop.
        QVERIFY(lastFirst.load() >= 1000);
        QVERIFY(lastFirst.load() < 1100);
    }
};

QTEST_GUILESS_MAIN(HelperThreadTest)
#include "HelperThreadTest.moc"
