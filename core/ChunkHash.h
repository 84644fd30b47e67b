#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zelvo {

// A fast 64-bit hash of a chunk of bytes. It only picks which class
// representative a chunk is compared with (memcmp decides equality), so it
// needs to spread ordinary file contents well, not to resist an attacker.
// Four independent lanes of 8 bytes keep the multiplier busy: a 4 KiB chunk
// costs a fraction of a microsecond, against several for std::hash.
inline std::uint64_t chunkHash(const std::byte* data, std::size_t length)
{
    constexpr std::uint64_t kOdd1 = 0x9e3779b97f4a7c15ull;
    constexpr std::uint64_t kOdd2 = 0xc2b2ae3d27d4eb4full;
    const auto word = [data](std::size_t at) {
        std::uint64_t w;
        std::memcpy(&w, data + at, sizeof w);
        return w;
    };
    const auto rotate = [](std::uint64_t x, int by) { return (x << by) | (x >> (64 - by)); };
    // One multiplication per word: the rotation carries what the
    // multiplication moved into the high bits back down.
    const auto mix = [&](std::uint64_t lane, std::uint64_t w) { return rotate((lane ^ w) * kOdd1, 31); };

    std::uint64_t lanes[4] = {kOdd1, kOdd2, ~kOdd1, ~kOdd2};
    std::size_t at = 0;
    for (; at + 32 <= length; at += 32)
        for (int lane = 0; lane < 4; ++lane)
            lanes[lane] = mix(lanes[lane], word(at + 8 * std::size_t(lane)));
    std::uint64_t hash = std::uint64_t(length) * kOdd1;
    for (int lane = 0; lane < 4; ++lane)
        hash = mix(hash, rotate(lanes[lane], 7 * lane + 1));
    for (; at + 8 <= length; at += 8)
        hash = mix(hash, word(at));
    if (at < length) {
        std::uint64_t rest = 0;
        std::memcpy(&rest, data + at, length - at);
        hash = mix(hash, rest ^ (std::uint64_t(length - at) << 56));
    }
    // Final avalanche, so that the low bits the hash table uses depend on
    // every input bit.
    hash ^= hash >> 33;
    hash *= kOdd2;
    hash ^= hash >> 29;
    return hash;
}

} // namespace zelvo
