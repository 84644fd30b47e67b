#pragma once

#include "PageBuffer.h"

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace zelvo {

// Positions of files of one size found identical so far.
using FileClass = std::vector<std::size_t>;

// Room between chunks: whole pages for large reads, which run faster into
// page-aligned memory, a cache line for small ones.
std::size_t strideFor(std::size_t length);

// The classes met so far among some files in one round, with the chunk of
// each class' representative (its first member). The chunks live side by
// side in one arena, one slot each, from slot `first` on (classes read
// together share one arena). Files read one at a time go into the slot after
// the last class' representative, scratch(): a file that joins a class
// leaves that slot free for the next one, so the table never holds more
// chunks than it has classes. Files read all at once go into a slot each.
class ClassTable {
public:
    // Up to this many classes a new chunk is compared with every
    // representative; beyond it a hash finds the one representative worth
    // comparing with.
    static constexpr std::size_t kLinearSearchLimit = 8;
    static constexpr std::size_t kNone = std::size_t(-1);

    // Room is made for `files` classes at once: a large class of distinct
    // files would otherwise grow the table many times over.
    ClassTable(PageBuffer& arena, std::size_t length, std::size_t files, std::size_t first = 0)
        : m_arena(arena), m_length(length), m_stride(strideFor(length)), m_first(first), m_files(files)
    {
        m_classes.reserve(files);
        m_slots.reserve(files);
    }

    std::byte* slot(std::size_t s) { return m_arena.data() + (m_first + s) * m_stride; }
    // Where the next file read one at a time goes.
    std::byte* scratch() { return slot(m_classes.size()); }
    void addScratch(std::size_t member) { add(member, m_classes.size()); }

    // Puts the file whose chunk lies in slot `s` into its class, or into a
    // class of its own with that slot as its representative's.
    // A reader thread may have hashed the chunk already (`haveHash`),
    // sparing this thread a pass over its bytes.
    void add(std::size_t member, std::size_t s, bool haveHash = false, std::uint64_t hash = 0);

    std::vector<FileClass>& classes() { return m_classes; }

private:
    // The class whose chunk equals `chunk`, or kNone.
    std::size_t find(const std::byte* chunk, bool haveHash, std::uint64_t hash);

    const std::byte* chunkOf(std::size_t c) const { return m_arena.data() + (m_first + m_slots[c]) * m_stride; }
    bool hashed() const { return !m_nextOfHash.empty() || !m_firstOfHash.empty(); }
    // The first class of a hash, then a chain through the others.
    void link(std::size_t c, std::uint64_t hash)
    {
        auto [at, fresh] = m_firstOfHash.try_emplace(hash, c);
        m_nextOfHash.push_back(fresh ? kNone : at->second);
        at->second = c;
    }

    PageBuffer& m_arena;
    std::size_t m_length;
    std::size_t m_stride;
    std::size_t m_first;
    std::size_t m_files;
    std::vector<FileClass> m_classes;
    // The slot of each class' representative.
    std::vector<std::size_t> m_slots;
    std::unordered_map<std::uint64_t, std::size_t> m_firstOfHash;
    std::vector<std::size_t> m_nextOfHash;
    std::uint64_t m_lastHash = 0;
};

} // namespace zelvo
