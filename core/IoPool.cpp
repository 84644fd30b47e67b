#include "IoPool.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace zelvo {

namespace {

// How long a waiting thread polls before it sleeps: longer than an idle
// virtual core takes to wake, short against any run worth sharing.
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

IoPool::~IoPool()
{
    if (m_threads.empty())
        return;
    m_stopping.store(true);
    m_posts.fetch_add(1, std::memory_order_release);
    m_posts.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

void IoPool::share(std::size_t count, std::size_t block, const Work& work)
{
    if (count == 0)
        return;
    m_work = &work;
    m_count = count;
    m_block = block == 0 ? 1 : block;
    m_next.store(0, std::memory_order_relaxed);
    m_error = nullptr;
    if (m_helperCount > 0) {
        // The threads start from the posts counted so far, so that they see
        // this one as new.
        if (m_threads.empty()) {
            const unsigned seen = m_posts.load();
            m_threads.reserve(m_helperCount);
            for (unsigned worker = 1; worker <= m_helperCount; ++worker)
                m_threads.emplace_back([this, worker, seen] { helperLoop(int(worker), seen); });
        }
        m_open.store(true);
        m_posts.fetch_add(1, std::memory_order_release);
        m_posts.notify_all();
    }

    takeBlocks(0);

    if (m_helperCount > 0) {
        // A helper that has not come in yet never will; one inside is at
        // most one block from its end.
        m_open.store(false);
        if (!pollFor([this] { return m_inside.load() == 0; })) {
            for (int inside = m_inside.load(); inside != 0; inside = m_inside.load())
                m_inside.wait(inside);
        }
    }
    m_work = nullptr;
    if (m_error)
        std::rethrow_exception(std::exchange(m_error, nullptr));
}

void IoPool::takeBlocks(int worker)
{
    try {
        for (;;) {
            const std::size_t first = m_next.fetch_add(m_block, std::memory_order_relaxed);
            if (first >= m_count)
                return;
            (*m_work)(worker, first, std::min(first + m_block, m_count));
        }
    } catch (...) {
        keepError(std::current_exception());
        stopHandingOut();
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
        if (worker == 1)
            pollFor([&] { return m_posts.load(std::memory_order_acquire) != seen; });
        m_posts.wait(seen, std::memory_order_acquire);
        seen = m_posts.load(std::memory_order_acquire);
        if (m_stopping.load())
            return;
        m_inside.fetch_add(1);
        if (m_open.load())
            takeBlocks(worker);
        if (m_inside.fetch_sub(1) == 1)
            m_inside.notify_all();
    }
}

} // namespace zelvo
