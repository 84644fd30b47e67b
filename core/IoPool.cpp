#include "IoPool.h"

#include <algorithm>
#include <chrono>
#include <sys/resource.h>
#include <utility>

namespace zelvo {

namespace {

// How long a waiting thread polls before it sleeps: longer than an idle
// virtual core takes to wake, short against any run worth sharing.
constexpr std::chrono::microseconds kPollFor{2000};
// A block that takes (or waits) longer than this per item waits on the
// device rather than on the processor: a status or a small read from the
// cache takes a few microseconds, from a disk a hundred or more.
constexpr std::chrono::nanoseconds kSlowItem{40'000};
// A thread preempted on a busy machine has a slow block now and then too;
// and the first touch of a fresh huge page of a buffer zeroes 2 MiB while
// the other threads touching it wait: only many of them in one work, and
// among few fast ones, tell of the device. A hot class of thousands of files
// has a slow block per 2 MiB of chunks, on every thread.
constexpr unsigned kSlowBlocksToWiden = 16;
// A work slow from its very first blocks, none fast among them, waits on the
// device from its start: a few tell as much, and each block waited for
// before the helpers come is a block not in flight.
constexpr unsigned kAllSlowToWiden = 6;
// An item long on the processor waited on the device when its thread slept
// this many times for it: a read from the cache never sleeps.
constexpr unsigned kSleepsPerSlowItem = 2;
constexpr unsigned kBlocksPerSlowBlock = 4;
// Helpers started for a work of fewer items than kLongWork.
constexpr unsigned kHelpersOfShortWork = 64;
constexpr std::size_t kLongWork = 16384;

// How often this thread went to sleep of its own accord (on a read from the
// device, say), as opposed to being preempted: time alone cannot tell a
// long wait for the device from a long turn on a busy processor.
long timesSlept()
{
    rusage usage{};
    ::getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

inline void relax()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#else
    std::this_thread::yield();
#endif
}

// Polls `ready` for a while; true when it turned true in that time.
template <typename Ready>
bool pollFor(Ready ready)
{
    const auto until = std::chrono::steady_clock::now() + kPollFor;
    for (unsigned spins = 0;; ++spins) {
        if (ready())
            return true;
        // The clock is read now and then only: it costs more than a look.
        if (spins % 64 == 63 && std::chrono::steady_clock::now() > until)
            return false;
        relax();
    }
}

} // namespace

IoPool::~IoPool()
{
    if (m_threads.empty())
        return;
    m_stopping.store(true);
    m_posts.fetch_add(1, std::memory_order_release);
    m_posts.notify_all();
    m_widenings.fetch_add(1, std::memory_order_release);
    m_widenings.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

void IoPool::share(std::size_t count, std::size_t block, const Work& work, Slow slow, const Waiting& waiting)
{
    if (count == 0)
        return;
    m_work = &work;
    m_count = count;
    m_block = block == 0 ? 1 : block;
    m_slow = slow;
    m_next.store(0, std::memory_order_relaxed);
    m_error = nullptr;
    m_widened.store(false, std::memory_order_relaxed);
    m_slowBlocks.store(0, std::memory_order_relaxed);
    m_helpersWanted.store(0, std::memory_order_relaxed);
    if (m_helperCount > 0) {
        // The threads start from the posts counted so far, so that they see
        // this one as new.
        // The others start when work first waits on the device: starting
        // dozens of threads costs milliseconds, as much as a hot run.
        if (m_threads.empty()) {
            m_threads.reserve(m_helperCount);
            m_threads.emplace_back([this, seen = m_posts.load()] { helperLoop(1, seen); });
        }
        m_open.store(true);
        m_posts.fetch_add(1, std::memory_order_release);
        m_posts.notify_all();
        // A run reads size group after size group: one that waited on the
        // device tells that the next will too, and every helper joins it at
        // once rather than after its first slow blocks.
        if (m_waitsOnDevice)
            widen(0);
    }

    takeBlocks(0);

    if (m_helperCount > 0) {
        // A helper that has not come in yet never will; one inside is at
        // most one block from its end.
        m_open.store(false);
        if (!pollFor([this] { return m_inside.load() == 0; })) {
            if (waiting)
                waitTelling(waiting);
            for (int inside = m_inside.load(); inside != 0; inside = m_inside.load())
                m_inside.wait(inside);
        }
    }
    m_work = nullptr;
    // Still waiting when most of this work waited; a work that found the
    // cache hot lets the next one start with the polling helper alone.
    const std::size_t blocks = (std::min(m_next.load(), m_count) + m_block - 1) / m_block;
    m_waitsOnDevice = m_widened.load() && std::size_t(m_slowBlocks.load()) * kBlocksPerSlowBlock > blocks;
    if (m_error)
        std::rethrow_exception(std::exchange(m_error, nullptr));
}

void IoPool::takeBlocks(int worker)
{
    try {
        for (;;) {
            if (worker == 1 && m_helpersWanted.load(std::memory_order_relaxed) != 0)
                startHelpers(m_helpersWanted.exchange(0, std::memory_order_acquire));
            const std::size_t first = m_next.fetch_add(m_block, std::memory_order_relaxed);
            if (first >= m_count)
                return;
            const std::size_t last = std::min(first + m_block, m_count);
            const auto start = std::chrono::steady_clock::now();
            const long sleptBefore = m_slow == Slow::Sleeping ? timesSlept() : 0;
            (*m_work)(worker, first, last);
            if (std::chrono::steady_clock::now() - start <= kSlowItem * (last - first))
                continue;
            if (m_slow == Slow::Sleeping && timesSlept() - sleptBefore < long(kSleepsPerSlowItem * (last - first)))
                continue;
            // Blocks are handed out in order: this one's place counts them.
            const unsigned slow = m_slowBlocks.fetch_add(1, std::memory_order_relaxed) + 1;
            // Blocks handed out before this one, a few maybe still under way.
            const std::size_t before = first / m_block;
            if (!m_widened.load(std::memory_order_relaxed) &&
                ((slow >= kSlowBlocksToWiden && std::size_t(slow) * kBlocksPerSlowBlock > before) ||
                 (slow >= kAllSlowToWiden && slow >= before)))
                widen(worker);
        }
    } catch (...) {
        keepError(std::current_exception());
        stopHandingOut();
    }
}

void IoPool::widen(int worker)
{
    if (m_helperCount < 2 || m_widened.exchange(true))
        return;
    m_waitsOnDevice = true;
    // Starting a thread costs tens of microseconds: all but the first 64
    // pay off only on long works (tens of thousands of small files).
    const unsigned most = m_count >= kLongWork ? m_helperCount : std::min(m_helperCount, kHelpersOfShortWork);
    // No more helpers than blocks are left besides the caller's and the first
    // helper's: cold, a pair of large files is read in a work of two blocks
    // per chunk, and waking dozens of threads for each would only cost.
    const std::size_t next = std::min(m_next.load(std::memory_order_relaxed), m_count);
    const std::size_t blocksLeft = (m_count - next + m_block - 1) / m_block;
    const unsigned others = unsigned(std::min<std::size_t>(most - 1, blocksLeft > 2 ? blocksLeft - 2 : 0));
    if (others == 0)
        return;
    // Starting dozens of threads takes milliseconds, many more on a busy
    // machine: the calling thread leaves it to the first helper and goes on
    // with its blocks, and with telling how far the work is.
    if (worker == 0 && others + 1 > m_threads.size()) {
        m_helpersWanted.store(others, std::memory_order_release);
        return;
    }
    startHelpers(others);
}

void IoPool::startHelpers(unsigned others)
{
    // Only one worker of one work gets here at a time, and the threads are
    // only started here or before the work is posted.
    for (unsigned worker = unsigned(m_threads.size()) + 1; worker <= others + 1; ++worker)
        m_threads.emplace_back([this, worker, seen = m_widenings.load()] { helperLoop(int(worker), seen); });
    m_widenings.fetch_add(1, std::memory_order_release);
    if (others + 1 >= m_threads.size()) {
        m_widenings.notify_all();
        return;
    }
    for (unsigned woken = 0; woken < others; ++woken)
        m_widenings.notify_one();
}

void IoPool::waitTelling(const Waiting& waiting)
{
    // Short naps: the work has waited on the device for a while already, and
    // a millisecond more at its end is nothing against that.
    constexpr auto kTellEvery = std::chrono::milliseconds(20);
    constexpr auto kNap = std::chrono::milliseconds(1);
    for (;;) {
        try {
            waiting();
        } catch (...) {
            // The helpers still use this work: the failure waits for them.
            keepError(std::current_exception());
            return;
        }
        const auto until = std::chrono::steady_clock::now() + kTellEvery;
        while (m_inside.load() != 0 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(kNap);
        if (m_inside.load() == 0)
            return;
    }
}

void IoPool::keepError(std::exception_ptr error)
{
    std::lock_guard lock(m_errorMutex);
    if (!m_error)
        m_error = std::move(error);
}

void IoPool::helperLoop(int worker, unsigned seen)
{
    for (;;) {
        // The first helper joins every work, the others only work that waits.
        std::atomic<unsigned>& signal = worker == 1 ? m_posts : m_widenings;
        if (worker == 1)
            pollFor([&] { return signal.load(std::memory_order_acquire) != seen; });
        signal.wait(seen, std::memory_order_acquire);
        seen = signal.load(std::memory_order_acquire);
        if (m_stopping.load())
            return;
        m_inside.fetch_add(1);
        if (m_open.load())
            takeBlocks(worker);
        if (m_inside.fetch_sub(1) == 1)
            m_inside.notify_all();
    }
}

unsigned ioThreadsFor(const FileSystem& fileSystem, bool readsInOrder, unsigned wanted)
{
    if (readsInOrder || !fileSystem.allowsConcurrentReads() || std::thread::hardware_concurrency() < 2)
        return 0;
    return wanted;
}

} // namespace zelvo
