// Helpers of the LZH tests: running the method through RunMethod, a plain byte channel
// for driving the coder templates directly, and sample data.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "codec/Codec.h"
#include "runtime/Stream.h"

namespace lzhtest {

using Bytes = std::vector<uint8_t>;
constexpr int kLZH = 2;

struct TRun {
    Bytes out;
    int32_t checksum = 0;
    int32_t written = 0;
};

// Compresses with no output budget to speak of (a margin far below zero).
inline TRun Compress(const Bytes& in, int32_t margin = -(1 << 30), int32_t key = 0) {
    TCompThreadSafety state;
    TMemoryStream src(in), dst;
    TRun run;
    run.written = state.RunMethod(src, dst, kLZH, TRunDirection::Compress, false, 0,
                                  static_cast<int32_t>(in.size()), run.checksum, key, margin,
                                  nullptr);
    run.out = dst.Bytes();
    return run;
}

inline TRun Expand(const Bytes& in, int32_t expandedSize) {
    TCompThreadSafety state;
    TMemoryStream src(in), dst;
    TRun run;
    run.written = state.RunMethod(src, dst, kLZH, TRunDirection::Expand, false, expandedSize,
                                  static_cast<int32_t>(in.size()), run.checksum, 0, 0, nullptr);
    run.out = dst.Bytes();
    return run;
}

inline uint32_t ByteSum(const Bytes& b) {
    uint32_t sum = 0;
    for (uint8_t x : b) sum += x;
    return sum;
}

// A byte channel over vectors with the same contract as the codec's: ReadByte returns 0
// with EndOfInput set once the input is used up.
struct TVectorChannel {
    explicit TVectorChannel(Bytes input = {}) : in(std::move(input)) {}
    int ReadByte() {
        if (pos >= in.size()) {
            EndOfInput = true;
            return 0;
        }
        EndOfInput = false;
        return in[pos++];
    }
    void WriteByte(uint8_t b) { out.push_back(b); }
    void PeekInput(const uint8_t*& first, const uint8_t*& last) const {
        first = in.data() + pos;
        last = EndOfInput ? first : in.data() + in.size();
    }
    void TakeInputTo(const uint8_t* p) { pos = static_cast<size_t>(p - in.data()); }
    void ReportOutputOverrun() { outputOverrun = true; }

    Bytes in;
    size_t pos = 0;
    Bytes out;
    bool EndOfInput = false;
    bool outputOverrun = false;
};

inline Bytes RandomBytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& x : b) x = static_cast<uint8_t>(rng());
    return b;
}

// Text-like data with plenty of repeats at varied distances.
inline Bytes SampleText(size_t n, uint32_t seed = 1) {
    static const char* const words[] = {"archive ", "entry ", "header ", "stream ", "the ",
                                        "of ",      "byte ",  "sum\n",   "window ", "match ",
                                        "literal ", "code ",  "tree ",   "ring ",   "a "};
    std::mt19937 rng(seed);
    Bytes b;
    while (b.size() < n) {
        const std::string w = words[rng() % 15];
        b.insert(b.end(), w.begin(), w.end());
        if (rng() % 7 == 0) b.push_back(static_cast<uint8_t>('0' + rng() % 10));
    }
    b.resize(n);
    return b;
}

}  // namespace lzhtest
