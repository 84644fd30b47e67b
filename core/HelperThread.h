#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace zelvo {

// A second thread for the parts of a run that are bound by system calls
// (measuring and opening thousands of files), which the second core can
// share. Work is handed out in blocks from one counter, so a helper that
// starts late simply takes fewer blocks. The thread starts on the first
// share() and ends with the object.
//
// Between two pieces of work the helper keeps polling for a short while
// before it sleeps: on a virtual machine an idle core can take milliseconds
// to wake, as long as a whole piece of work.
class HelperThread {
public:
    // work(worker, first, last) handles items first..last - 1; worker is 0 on
    // the calling thread and 1 on the helper.
    using Work = std::function<void(int worker, std::size_t first, std::size_t last)>;

    HelperThread() = default;
    ~HelperThread();
    HelperThread(const HelperThread&) = delete;
    HelperThread& operator=(const HelperThread&) = delete;

    // Runs `work` over items 0..count - 1, `block` items at a time, on this
    // thread and the helper, and returns when every block is done. A worker
    // that throws stops taking blocks; the exception is thrown here.
    void share(std::size_t count, std::size_t block, const Work& work);

    // Hands out no further blocks of the work under way: for a worker that
    // found a reason to stop early.
    void stopHandingOut() { m_next.store(m_count, std::memory_order_relaxed); }

private:
    enum class State { Idle, Posted, Running, Done, Stopping };

    void helperLoop(unsigned seen);
    // Takes and works blocks until none are left.
    void takeBlocks(int worker, std::exception_ptr& error);
    bool waitForPosted(std::unique_lock<std::mutex>& lock);

    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    State m_state = State::Idle;
    // Bumped on every post, so that the polling helper sees new work without
    // taking the lock.
    std::atomic<unsigned> m_posts{0};
    std::atomic<bool> m_done{false};

    const Work* m_work = nullptr;
    std::size_t m_count = 0;
    std::size_t m_block = 1;
    std::atomic<std::size_t> m_next{0};
    std::exception_ptr m_helperError;
};

} // namespace zelvo
