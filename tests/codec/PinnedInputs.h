// Inputs for the tests that pin encoders' exact streams: made by a fixed generator, so
// that they never depend on a library's generator or on files, and hashed with FNV-1a.
// A pinned stream's hash changes when a single output bit does, so these must stay as
// they are: the recorded hashes were taken from their output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pinnedtest {

using Bytes = std::vector<uint8_t>;

// A fixed-seed xorshift.
struct TXorShift {
    uint32_t state;
    uint32_t Next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

inline uint64_t Fnv1a(const Bytes& b) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (uint8_t x : b) {
        h ^= x;
        h *= 0x100000001b3ull;
    }
    return h;
}

inline Bytes Noise(size_t n, uint32_t seed) {
    TXorShift rng{seed};
    Bytes b(n);
    for (auto& x : b) x = static_cast<uint8_t>(rng.Next() >> 24);
    return b;
}

// `unit` repeated up to n bytes.
inline Bytes Repeat(const Bytes& unit, size_t n) {
    Bytes b;
    while (b.size() < n) b.insert(b.end(), unit.begin(), unit.end());
    b.resize(n);
    return b;
}

// Words of a small vocabulary with the odd digit: long matches, many of the same length
// at different distances.
inline Bytes Words(size_t n, uint32_t seed) {
    static const char* const words[] = {"archive ", "entry ", "header ", "stream ", "the ",
                                        "of ",      "byte ",  "sum\n",   "window ", "match ",
                                        "literal ", "code ",  "tree ",   "ring ",   "a "};
    TXorShift rng{seed};
    Bytes b;
    while (b.size() < n) {
        const std::string w = words[rng.Next() % 15];
        b.insert(b.end(), w.begin(), w.end());
        if (rng.Next() % 7 == 0) b.push_back(static_cast<uint8_t>('0' + rng.Next() % 10));
    }
    b.resize(n);
    return b;
}

struct TPinned {
    const char* name;
    Bytes input;
    size_t size;    // of the stream
    uint64_t hash;  // FNV-1a of the stream
};

}  // namespace pinnedtest
