#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <utility>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace zelvo {

// A read buffer aligned to the memory page: large reads into it run several
// times faster than into plain heap memory. It only grows; its bytes are not
// initialised.
class PageBuffer {
public:
    static constexpr std::size_t kPage = 4096;
    static constexpr std::size_t kHugePage = 2u << 20;

    PageBuffer() = default;
    PageBuffer(PageBuffer&& other) noexcept
        : m_data(std::exchange(other.m_data, nullptr)), m_capacity(std::exchange(other.m_capacity, 0))
    {
    }
    PageBuffer& operator=(PageBuffer&& other) noexcept
    {
        std::swap(m_data, other.m_data);
        std::swap(m_capacity, other.m_capacity);
        return *this;
    }
    PageBuffer(const PageBuffer&) = delete;
    PageBuffer& operator=(const PageBuffer&) = delete;
    ~PageBuffer() { std::free(m_data); }

    // Room for at least `bytes` bytes; earlier contents are lost when it grows.
    std::byte* reserve(std::size_t bytes)
    {
        if (bytes <= m_capacity)
            return m_data;
        release();
        const std::size_t alignment = bytes >= kHugePage ? kHugePage : kPage;
        const std::size_t capacity = (std::max<std::size_t>(bytes, 1) + alignment - 1) / alignment * alignment;
        m_data = static_cast<std::byte*>(std::aligned_alloc(alignment, capacity));
        if (!m_data)
            throw std::bad_alloc();
#ifdef __linux__
        // Thousands of chunks side by side would otherwise fault in one page
        // at a time as the reads first touch them.
        if (alignment == kHugePage)
            ::madvise(m_data, capacity, MADV_HUGEPAGE);
#endif
        m_capacity = capacity;
        return m_data;
    }
    std::byte* data() { return m_data; }
    const std::byte* data() const { return m_data; }
    std::size_t capacity() const { return m_capacity; }
    void release()
    {
        std::free(m_data);
        m_data = nullptr;
        m_capacity = 0;
    }

private:
    std::byte* m_data = nullptr;
    std::size_t m_capacity = 0;
};

} // namespace zelvo
