#pragma once

#include "platform/FileSystem.h"

#include <atomic>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace zelvo {

// Threads for the parts of a run that wait on the disk or the kernel:
// measuring, opening and reading thousands of files. A device answers many
// requests at once far faster than one after another, so the pool may hold
// more threads than there are cores; they mostly wait. Work is handed out in
// blocks from one counter, and the calling thread works too, so a thread that
// wakes late simply takes fewer blocks. The threads start on the first
// share() and end with the pool.
//
// Between two pieces of work the first helper keeps polling for a short
// while before it sleeps: on a virtual machine an idle core can take
// milliseconds to wake, as long as a whole piece of work. The others sleep at
// once, and are woken only when blocks turn out slow, that is when the work
// waits on the device (and then at the start of the next work too, until one
// finds the cache hot): with the cache hot they would only take turns on the
// cores with the threads that work.
class IoPool {
public:
    // work(worker, first, last) handles items first..last - 1; worker is 0 on
    // the calling thread and 1..helpers() on the pool's own threads.
    using Work = std::function<void(int worker, std::size_t first, std::size_t last)>;

    explicit IoPool(unsigned helpers) : m_helperCount(helpers) {}
    ~IoPool();
    IoPool(const IoPool&) = delete;
    IoPool& operator=(const IoPool&) = delete;

    // Threads besides the caller's.
    unsigned helpers() const { return m_helperCount; }

    // Runs `work` over items 0..count - 1, `block` items at a time, on this
    // thread and the pool's, and returns when every block is done. A worker
    // that throws stops the handing out of blocks; the first exception is
    // thrown here. Not to be called from inside a work.
    //
    // A block is slow when it took long for its items: the right measure for
    // items of a few system calls each. Items long on the processor too
    // (whole size groups) ask that their thread also slept for them, which
    // costs two more system calls per block.
    //
    // Once the caller has no blocks left, `waiting` is called on its thread
    // every few milliseconds for as long as the helpers' last blocks wait on
    // the device, so that it can tell how far the work is.
    enum class Slow { Elapsed, Sleeping };
    using Waiting = std::function<void()>;
    void share(std::size_t count, std::size_t block, const Work& work, Slow slow = Slow::Elapsed,
               const Waiting& waiting = {});

    // Hands out no further blocks of the work under way: for a worker that
    // found a reason to stop early.
    void stopHandingOut() { m_next.store(m_count, std::memory_order_relaxed); }

    // Whether the work under way, or else the last one, waits on the device:
    // then the cache is cold. Any thread may ask, inside a work or not.
    bool waitsOnDevice() const
    {
        return m_widened.load(std::memory_order_relaxed) || m_waitsOnDevice.load(std::memory_order_relaxed);
    }

private:
    void helperLoop(int worker, unsigned seen);
    // Takes and works blocks until none are left.
    void takeBlocks(int worker);
    void widen(int worker);
    // Starts the helpers up to `others` that have no thread yet and wakes
    // them into the work under way.
    void startHelpers(unsigned others);
    void keepError(std::exception_ptr error);
    // Waits for the helpers inside the work, calling `waiting` now and then.
    void waitTelling(const Waiting& waiting);

    const unsigned m_helperCount;
    std::vector<std::thread> m_threads;

    // Bumped on every post and at the end, woken on by the first helper.
    std::atomic<unsigned> m_posts{0};
    // Bumped when the work under way turns out to wait on the device, and at
    // the end, woken on by the other helpers.
    std::atomic<unsigned> m_widenings{0};
    std::atomic<bool> m_widened{false};
    // Whether the last work waited on the device.
    std::atomic<bool> m_waitsOnDevice{false};
    std::atomic<unsigned> m_slowBlocks{0};
    // Helpers the calling thread asked the first helper to start.
    std::atomic<unsigned> m_helpersWanted{0};
    std::atomic<bool> m_stopping{false};
    // Whether the work posted last still takes helpers, and how many helpers
    // are inside it. A helper counts itself in before it looks whether the
    // work is open, the caller closes it before it counts the helpers in: so
    // neither misses the other.
    std::atomic<bool> m_open{false};
    std::atomic<int> m_inside{0};

    const Work* m_work = nullptr;
    std::size_t m_count = 0;
    std::size_t m_block = 1;
    Slow m_slow = Slow::Elapsed;
    std::atomic<std::size_t> m_next{0};
    std::mutex m_errorMutex;
    std::exception_ptr m_error;
};

// How many of `wanted` I/O threads pay off on this file system: none on a
// single processor, where they would only take turns with the caller; none
// on a file system not to be used from several threads; none on a disk whose
// head seeks, which the caller reads alone in the order of the places on it.
unsigned ioThreadsFor(const FileSystem& fileSystem, bool readsInOrder, unsigned wanted);

} // namespace zelvo
