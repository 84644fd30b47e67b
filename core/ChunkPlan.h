#pragma once

#include "ContentClassifier.h"
#include "PageBuffer.h"

#include <algorithm>
#include <cstddef>

namespace zelvo {

// A stretch of a file: where it starts and how many bytes it holds.
struct ByteRange {
    ByteCount offset = 0;
    std::size_t length = 0;
};

// The order in which a file's bytes are compared: the first few KiB, then the
// last block (files with a long common start often differ only at the end),
// then the middle: at once up to the largest chunk, else in growing chunks;
// of a small file, all the rest at once. The ranges cover the file exactly
// once.
class ChunkPlan {
public:
    ChunkPlan(ByteCount size, const ClassifierLimits& limits) : m_size(size)
    {
        m_firstEnd = std::min<ByteCount>(size, std::max<std::size_t>(limits.firstChunk, 1));
        // A whole block at the very end, wherever the grid lies: the end of a
        // file just past a block boundary holds only a few bytes, too few to
        // tell template-like files apart.
        m_tailStart = std::max<ByteCount>(m_firstEnd, size - std::min<ByteCount>(size, kPage));
        m_middleAt = m_firstEnd;
        m_largestChunk = std::max(limits.largestChunk, kPage);
        // What is left of a small file after its first chunk is read in one
        // go, where memory allows: a device that counts requests serves it
        // in one request, where the last block and then the middle take two.
        m_restInOne = size - m_firstEnd <= std::min<ByteCount>(kRestInOneRead, m_largestChunk);
        // A middle no longer than the largest chunk is read in one go: it is
        // read only when the first and last blocks matched, most often of
        // copies read to their end, and a device that counts requests serves
        // one read where growing chunks take two or three.
        const bool middleInOne = m_tailStart - m_firstEnd <= m_largestChunk;
        m_middleChunk = middleInOne ? m_largestChunk : std::min(kFirstMiddleChunk, m_largestChunk);
        if (size == 0)
            m_step = Step::Done;
    }

    bool done() const { return m_step == Step::Done; }
    // Whether `range`, the last one given, is the first chunk of a middle
    // read in several; and where the middle ends.
    bool startsMiddle(ByteRange range) const
    {
        return range.offset == m_firstEnd && m_step == Step::Middle && m_middleAt > m_firstEnd;
    }
    ByteCount middleEnd() const { return m_tailStart; }

    // The next range, no longer than `cap` bytes where the middle is concerned.
    ByteRange next(std::size_t cap)
    {
        switch (m_step) {
        case Step::First:
            m_step = m_tailStart < m_size ? Step::Tail : Step::Done;
            return {0, static_cast<std::size_t>(m_firstEnd)};
        case Step::Tail:
            if (m_restInOne && m_size - m_firstEnd <= std::max(cap, kPage)) {
                m_step = Step::Done;
                return {m_firstEnd, static_cast<std::size_t>(m_size - m_firstEnd)};
            }
            m_step = m_middleAt < m_tailStart ? Step::Middle : Step::Done;
            return {m_tailStart, static_cast<std::size_t>(m_size - m_tailStart)};
        case Step::Middle: {
            const std::size_t want = std::min(m_middleChunk, std::max(cap, kPage));
            const auto length =
                static_cast<std::size_t>(std::min<ByteCount>(want, m_tailStart - m_middleAt));
            const ByteRange range{m_middleAt, length};
            m_middleAt += length;
            m_middleChunk = std::min(m_middleChunk * 2, m_largestChunk);
            if (m_middleAt >= m_tailStart)
                m_step = Step::Done;
            return range;
        }
        case Step::Done:
            break;
        }
        return {};
    }

private:
    static constexpr std::size_t kPage = PageBuffer::kPage;
    // Chunks of the middle of a file start at this size and double up to the
    // largest chunk: most files that differ have already split by then.
    static constexpr std::size_t kFirstMiddleChunk = 64u << 10;
    static constexpr ByteCount kRestInOneRead = 128u << 10;

    enum class Step { First, Tail, Middle, Done };
    Step m_step = Step::First;
    ByteCount m_size;
    ByteCount m_firstEnd = 0;
    ByteCount m_tailStart = 0;
    ByteCount m_middleAt = 0;
    bool m_restInOne = false;
    std::size_t m_middleChunk;
    std::size_t m_largestChunk;
};

} // namespace zelvo
