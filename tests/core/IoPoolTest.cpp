#include "core/IoPool.h"

#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace zelvo;

namespace {

// Work that takes a moment per item, so that the helpers have time to join in.
void busyFor(std::chrono::microseconds span)
{
    const auto until = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < until) {
    }
}

} // namespace

class IoPoolTest : public QObject {
    Q_OBJECT

private slots:
    void everyItemIsWorkedOnceInAscendingOrderWithinEachThread()
    {
        constexpr unsigned kHelpers = 3;
        IoPool pool(kHelpers);
        std::size_t itemsOfTheHelpers = 0;
        for (int share = 0; share < 50; ++share) {
            const std::size_t count = 1000 + std::size_t(share) * 37;
            std::unique_ptr<std::atomic<int>[]> worked(new std::atomic<int>[count]());
            std::vector<std::size_t> seen[kHelpers + 1];
            std::atomic<bool> blocksInRange{true};
            pool.share(count, 7, [&](int worker, std::size_t first, std::size_t last) {
                if (!(first < last && last <= count && last - first <= 7) || worker < 0 || worker > int(kHelpers))
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
            std::size_t total = 0;
            for (const auto& items : seen) {
                QVERIFY(std::is_sorted(items.begin(), items.end()));
                total += items.size();
            }
            QCOMPARE(total, count);
            for (unsigned helper = 1; helper <= kHelpers; ++helper)
                itemsOfTheHelpers += seen[helper].size();
        }
        // Two seconds of work in all: the helpers must have taken part.
        QVERIFY(itemsOfTheHelpers > 0);
    }

    void waitingWorkIsInFlightOnMoreThreadsThanCores()
    {
        // Items that wait rather than compute, as reads from a cold disk do:
        // the pool must have many of them under way at once, whatever the
        // number of cores.
        IoPool pool(8);
        std::atomic<int> inFlight{0};
        std::atomic<int> most{0};
        pool.share(400, 1, [&](int, std::size_t, std::size_t) {
            const int now = ++inFlight;
            for (int seen = most.load(); now > seen && !most.compare_exchange_weak(seen, now);) {
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            --inFlight;
        });
        QVERIFY(most.load() >= 5);
    }

    void fewSlowBlocksAmongManyFastOnesWakeNoMoreHelpers()
    {
        // A hot class of thousands of files is slow only where a read first
        // touches a huge page of the arena; only the polling helper works.
        IoPool pool(8);
        std::atomic<bool> others{false};
        pool.share(4000, 1, [&](int worker, std::size_t first, std::size_t) {
            if (worker > 1)
                others = true;
            if (first % 100 == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
        QVERIFY(!others.load());
    }

    void aWorkSlowFromItsFirstBlocksWakesTheHelpersAfterAFew()
    {
        // Among fast blocks it takes sixteen slow ones; here no block is fast.
        IoPool pool(8);
        std::atomic<std::size_t> firstOfAHelper{400};
        pool.share(400, 1, [&](int worker, std::size_t first, std::size_t) {
            if (worker > 1)
                for (std::size_t seen = firstOfAHelper.load(); first < seen;)
                    firstOfAHelper.compare_exchange_weak(seen, first);
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        });
        QVERIFY(firstOfAHelper.load() < 16);
    }

    void aWorkAfterOneThatWaitedStartsWithEveryHelperAndAHotOneEndsThat()
    {
        IoPool pool(8);
        const auto workersOfTheFirstBlocks = [&](std::chrono::microseconds wait) {
            std::mutex mutex;
            std::vector<int> workers;
            pool.share(400, 1, [&](int worker, std::size_t first, std::size_t) {
                if (first < 6) {
                    std::lock_guard lock(mutex);
                    workers.push_back(worker);
                }
                std::this_thread::sleep_for(wait);
            });
            std::sort(workers.begin(), workers.end());
            return std::size_t(std::unique(workers.begin(), workers.end()) - workers.begin());
        };
        workersOfTheFirstBlocks(std::chrono::milliseconds(5));
        // Fewer slow blocks than it takes to wake the sleeping helpers, yet
        // they were awake from the start.
        QVERIFY(workersOfTheFirstBlocks(std::chrono::milliseconds(5)) >= 3);
        workersOfTheFirstBlocks(std::chrono::microseconds(0));
        // A helper woken for that work but run only after its end may still
        // join the next one; let the late ones go back to sleep.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        QVERIFY(workersOfTheFirstBlocks(std::chrono::microseconds(0)) <= 2);
    }

    void aShortWorkAfterOneThatWaitedWakesNoMoreHelpersThanItHasBlocks()
    {
        IoPool pool(8);
        const auto workers = [&](std::size_t count) {
            std::mutex mutex;
            std::set<int> seen;
            pool.share(count, 1, [&](int worker, std::size_t, std::size_t) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                std::lock_guard lock(mutex);
                seen.insert(worker);
            });
            return seen;
        };
        workers(400);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        // Two blocks: the caller and the first helper, every time.
        for (int round = 0; round < 20; ++round)
            QVERIFY(*workers(2).rbegin() <= 1);
        QVERIFY(workers(40).size() >= 5);
    }

    void itemsLongOnTheProcessorWakeHelpersOnlyWhenTheyAlsoSleep()
    {
        // Whole size groups read from the cache take long but never sleep:
        // more threads would only take turns with them on the cores.
        for (const bool sleeping : {false, true}) {
            IoPool pool(8);
            std::atomic<bool> others{false};
            pool.share(80, 1, [&](int worker, std::size_t, std::size_t) {
                if (worker > 1)
                    others = true;
                busyFor(std::chrono::microseconds(300));
                for (int sleep = 0; sleeping && sleep < 3; ++sleep)
                    std::this_thread::sleep_for(std::chrono::microseconds(100));
            }, IoPool::Slow::Sleeping);
            QCOMPARE(others.load(), sleeping);
        }
    }

    void withoutHelpersTheCallerWorksEverythingInOrder()
    {
        IoPool pool(0);
        std::vector<std::size_t> firsts;
        pool.share(100, 8, [&](int worker, std::size_t first, std::size_t) {
            QCOMPARE(worker, 0);
            firsts.push_back(first);
        });
        QCOMPARE(firsts.size(), std::size_t{13});
        QVERIFY(std::is_sorted(firsts.begin(), firsts.end()));
        QCOMPARE(firsts.back(), std::size_t{96});
    }

    void theCallerTellsWhileItWaitsForAHelpersLastBlock()
    {
        // The caller's block ends at once, but only after a helper has taken
        // the other one, which then waits 150 ms.
        IoPool pool(2);
        std::atomic<bool> helperIn{false};
        const auto caller = std::this_thread::get_id();
        int told = 0;
        bool elsewhere = false;
        pool.share(2, 1, [&](int worker, std::size_t, std::size_t) {
            if (worker != 0) {
                helperIn = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
                return;
            }
            for (int i = 0; i < 1000 && !helperIn; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }, IoPool::Slow::Elapsed, [&] {
            elsewhere |= std::this_thread::get_id() != caller;
            ++told;
        });
        QVERIFY(helperIn.load());
        QVERIFY(!elsewhere);
        QVERIFY(told >= 3);
    }

    void nothingToDoCallsNothing()
    {
        IoPool pool(2);
        int calls = 0;
        pool.share(0, 16, [&](int, std::size_t, std::size_t) { ++calls; });
        QCOMPARE(calls, 0);
    }

    void anExceptionOnAnyThreadReachesTheCallerAndThePoolStaysUsable()
    {
        IoPool pool(2);
        for (int failing : {0, 1, 2}) {
            std::atomic<int> calls{0};
            bool thrown = false;
            try {
                // Items that wait, as on a cold disk: the second helper
                // only wakes for those.
                pool.share(100000, 1, [&](int worker, std::size_t, std::size_t) {
                    ++calls;
                    std::this_thread::sleep_for(std::chrono::microseconds(100));
                    if (worker == failing)
                        throw std::runtime_error("worker failed");
                });
            } catch (const std::runtime_error&) {
                thrown = true;
            }
            // Ten seconds of work: every helper is sure to take part.
            QVERIFY(thrown);
            // A failure stops the handing out of blocks.
            QVERIFY(calls.load() < 100000);
        }
        std::atomic<std::size_t> done{0};
        pool.share(500, 10, [&](int, std::size_t first, std::size_t last) { done += last - first; });
        QCOMPARE(done.load(), std::size_t{500});
    }

    void aWorkerCanStopTheHandingOutOfBlocks()
    {
        IoPool pool(2);
        std::atomic<std::size_t> lastFirst{0};
        pool.share(1000000, 10, [&](int, std::size_t first, std::size_t) {
            std::size_t seen = lastFirst.load();
            while (first > seen && !lastFirst.compare_exchange_weak(seen, first)) {
            }
            if (first >= 1000)
                pool.stopHandingOut();
        });
        // Blocks already handed out finish; none far beyond the stop.
        QVERIFY(lastFirst.load() >= 1000);
        QVERIFY(lastFirst.load() < 1100);
    }
};

QTEST_GUILESS_MAIN(IoPoolTest)
#include "IoPoolTest.moc"
