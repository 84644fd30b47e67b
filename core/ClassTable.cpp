#include "ClassTable.h"

#include "ChunkHash.h"

#include <algorithm>
#include <cstring>

namespace zelvo {

std::size_t strideFor(std::size_t length)
{
    const std::size_t unit = length < PageBuffer::kPage ? 64 : PageBuffer::kPage;
    return std::max<std::size_t>((length + unit - 1) / unit * unit, unit);
}

void ClassTable::add(std::size_t member, std::size_t s, bool haveHash, std::uint64_t hash)
{
    const std::byte* chunk = slot(s);
    const std::size_t match = find(chunk, haveHash, hash);
    if (match != kNone) {
        m_classes[match].push_back(member);
        return;
    }
    if (hashed())
        link(m_classes.size(), m_lastHash);
    m_classes.push_back({member});
    m_slots.push_back(s);
}

std::size_t ClassTable::find(const std::byte* chunk, bool haveHash, std::uint64_t hash)
{
    // Up to a few classes a new chunk is compared with every
    // representative; beyond that a hash finds the one worth comparing.
    if (m_classes.size() < kLinearSearchLimit) {
        for (std::size_t c = 0; c < m_classes.size(); ++c)
            if (std::memcmp(chunk, chunkOf(c), m_length) == 0)
                return c;
        return kNone;
    }
    if (!hashed()) {
        m_firstOfHash.reserve(m_files);
        m_nextOfHash.reserve(m_files);
        for (std::size_t c = 0; c < m_classes.size(); ++c)
            link(c, chunkHash(chunkOf(c), m_length));
    }
    m_lastHash = haveHash ? hash : chunkHash(chunk, m_length);
    // The hash only finds the representative; memcmp decides.
    const auto found = m_firstOfHash.find(m_lastHash);
    for (std::size_t c = found == m_firstOfHash.end() ? kNone : found->second; c != kNone;
         c = m_nextOfHash[c])
        if (std::memcmp(chunk, chunkOf(c), m_length) == 0)
            return c;
    return kNone;
}

} // namespace zelvo
