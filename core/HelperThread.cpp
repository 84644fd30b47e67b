#include "HelperThread.h"

#include <algorithm>
#include <chrono>

namespace zelvo {

namespace {

// How long a waiting thread polls before it sleeps: longer than an idle
// virtual core takes to wake, short against any run worth two threads.
constexpr std::chrono::microseconds kPollFor{2000};

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

HelperThread::~HelperThread()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_state = State::Stopping;
        m_posts.fetch_add(1, std::memory_order_release);
    }
    m_changed.notify_all();
    m_thread.join();
}

void HelperThread::share(std::size_t count, std::size_t block, const Work& work)
{
    if (count == 0)
        return;
    // The helper starts from the posts counted so far, so that it sees this
    // one as new.
    if (!m_thread.joinable())
        m_thread = std::thread([this, seen = m_posts.load()] { helperLoop(seen); });
    {
        std::lock_guard lock(m_mutex);
        m_work = &work;
        m_count = count;
        m_block = block == 0 ? 1 : block;
        m_next.store(0, std::memory_order_relaxed);
        m_helperError = nullptr;
        m_done.store(false, std::memory_order_relaxed);
        m_state = State::Posted;
        m_posts.fetch_add(1, std::memory_order_release);
    }
    m_changed.notify_all();

    std::exception_ptr ownError;
    takeBlocks(0, ownError);

    // A helper that has not picked the work up yet never will; one that has
    // is at most one block from its end.
    std::exception_ptr helperError;
    {
        std::unique_lock lock(m_mutex);
        if (m_state == State::Posted) {
            m_state = State::Idle;
        } else {
            lock.unlock();
            if (!pollFor([this] { return m_done.load(std::memory_order_acquire); })) {
                lock.lock();
                m_changed.wait(lock, [this] { return m_state == State::Done; });
                lock.unlock();
            }
            lock.lock();
            m_state = State::Idle;
        }
        m_work = nullptr;
        helperError = m_helperError;
    }
    if (ownError)
        std::rethrow_exception(ownError);
    if (helperError)
        std::rethrow_exception(helperError);
}

void HelperThread::takeBlocks(int worker, std::exception_ptr& error)
{
    try {
        for (;;) {
            const std::size_t first = m_next.fetch_add(m_block, std::memory_order_relaxed);
            if (first >= m_count)
                return;
            (*m_work)(worker, first, std::min(first + m_block, m_count));
        }
    } catch (...) {
        error = std::current_exception();
        stopHandingOut();
    }
}

bool HelperThread::waitForPosted(std::unique_lock<std::mutex>& lock)
{
    m_changed.wait(lock, [this] { return m_state == State::Posted || m_state == State::Stopping; });
    return m_state == State::Posted;
}

void HelperThread::helperLoop(unsigned seen)
{
    for (;;) {
        pollFor([&] { return m_posts.load(std::memory_order_acquire) != seen; });
        std::unique_lock lock(m_mutex);
        seen = m_posts.load(std::memory_order_relaxed);
        if (!waitForPosted(lock))
            return;
        m_state = State::Running;
        lock.unlock();

        std::exception_ptr error;
        takeBlocks(1, error);

        lock.lock();
        m_helperError = error;
        m_state = State::Done;
        m_done.store(true, std::memory_order_release);
        lock.unlock();
        m_changed.notify_all();
    }
}

} // namespace zelvo
