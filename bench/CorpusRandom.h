#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace zelvo::bench {

// A small, fast, seedable generator (xoshiro256**, seeded through splitmix64).
// Every file's contents come from a stream keyed by the corpus seed and the
// file's own numbers, so a corpus is the same on every machine and any file
// can be rebuilt without replaying the ones before it.
class CorpusRandom {
public:
    explicit CorpusRandom(std::initializer_list<std::uint64_t> keys)
    {
        std::uint64_t mixed = 0x5a17e5c0ffee1234ULL;
        for (std::uint64_t key : keys)
            mixed = splitmix(mixed ^ key);
        for (std::uint64_t& word : m_state)
            word = mixed = splitmix(mixed);
    }

    std::uint64_t next()
    {
        const std::uint64_t result = rotl(m_state[1] * 5, 7) * 9;
        const std::uint64_t t = m_state[1] << 17;
        m_state[2] ^= m_state[0];
        m_state[3] ^= m_state[1];
        m_state[1] ^= m_state[2];
        m_state[0] ^= m_state[3];
        m_state[2] ^= t;
        m_state[3] = rotl(m_state[3], 45);
        return result;
    }

    // Uniform in [0, bound); bound must not be 0.
    std::uint64_t below(std::uint64_t bound) { return next() % bound; }
    // Uniform in [0, 1).
    double unit() { return double(next() >> 11) * 0x1.0p-53; }

    void fill(unsigned char* data, std::size_t length)
    {
        std::size_t i = 0;
        for (; i + 8 <= length; i += 8) {
            const std::uint64_t word = next();
            std::memcpy(data + i, &word, 8);
        }
        if (i < length) {
            const std::uint64_t word = next();
            std::memcpy(data + i, &word, length - i);
        }
    }

private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    static std::uint64_t splitmix(std::uint64_t x)
    {
        x += 0x9e3779b97f4a7c15ULL;
        x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
        x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
        return x ^ (x >> 31);
    }

    std::uint64_t m_state[4];
};

} // namespace zelvo::bench
