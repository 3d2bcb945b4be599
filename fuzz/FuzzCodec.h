// Shared by the expanding fuzz targets: parameters drawn from the input, one codec run
// on memory streams, and a check that stays on in every build.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "codec/Codec.h"
#include "runtime/Stream.h"

#define FUZZ_CHECK(cond)                                                          \
    do {                                                                          \
        if (!(cond)) {                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                         \
        }                                                                         \
    } while (0)

namespace fuzz {

using Bytes = std::vector<uint8_t>;

// A memory source that delivers at most maxPerRead bytes per read.
class TSlowSource : public TMemoryStream {
public:
    TSlowSource(std::vector<uint8_t> bytes, int32_t maxPerRead)
        : TMemoryStream(std::move(bytes)), maxPerRead_(maxPerRead) {}
    int32_t Read(void* buffer, int32_t count) override {
        return TMemoryStream::Read(buffer, count < maxPerRead_ ? count : maxPerRead_);
    }

private:
    int32_t maxPerRead_;
};

// The first 8 input bytes choose the run, the rest is the stored data:
//   0-2  expanded size (18 bits)       3  flags: 1 descramble, 2 use the key,
//   4-7  key (least significant first)    4 slow reads, 8 stop at a refill
//                                          (which one: bits 4-7)
struct TParams {
    int32_t expandedSize = 0;
    bool descramble = false;
    int32_t key = 0;
    int32_t maxPerRead = 1 << 30;
    int stopAtCall = -1;
    Bytes stored;
};

inline bool ParseParams(const uint8_t* data, size_t size, TParams& p) {
    if (size < 8) return false;
    p.expandedSize = static_cast<int32_t>((data[0] | data[1] << 8 | data[2] << 16) & 0x3FFFF);
    const uint8_t flags = data[3];
    p.descramble = flags & 1;
    if (flags & 2)
        p.key = static_cast<int32_t>(static_cast<uint32_t>(data[4]) | static_cast<uint32_t>(data[5]) << 8 |
                                     static_cast<uint32_t>(data[6]) << 16 | static_cast<uint32_t>(data[7]) << 24);
    if (flags & 4) p.maxPerRead = 1 + (data[4] & 0x3F);
    if (flags & 8) p.stopAtCall = 1 + (flags >> 4);
    p.stored.assign(data + 8, data + size);
    return true;
}

struct TResult {
    Bytes out;
    uint32_t checksum = 0;
    bool badTable = false;
    bool overrun = false;        // the decoder needed input past the end (or past a stop)
    bool outputOverrun = false;  // the stream held more than the expanded size
    bool stopped = false;        // the progress handler's -1 was heeded
};

inline uint32_t ByteSum(const Bytes& b) {
    uint32_t s = 0;
    for (uint8_t v : b) s += v;
    return s;
}

inline TResult Expand(int method, const TParams& p) {
    TResult r;
    TCompThreadSafety state;
    TSlowSource src(p.stored, p.maxPerRead);
    TMemoryStream dst;
    int calls = 0;
    const TShowProgressEvent progress = [&](int32_t& pct) {
        FUZZ_CHECK(pct >= 0 && pct <= 100);
        if (calls++ == p.stopAtCall) pct = -1;
    };
    int32_t checksum = 0;
    try {
        state.RunMethod(src, dst, method, TRunDirection::Expand, p.descramble, p.expandedSize,
                        static_cast<int32_t>(p.stored.size()), checksum, p.key, 0, progress);
    } catch (const ELZHBadDecodeTable&) {
        r.badTable = true;
    }
    FUZZ_CHECK(src.Position() <= static_cast<int64_t>(p.stored.size()));
    r.out = dst.Bytes();
    // Whatever the stream, no method writes past the expanded size.
    FUZZ_CHECK(r.out.size() <= static_cast<size_t>(p.expandedSize));
    r.checksum = static_cast<uint32_t>(checksum);
    r.overrun = state.InputOverrun();
    r.outputOverrun = state.OutputOverrun();
    r.stopped = state.Stopped();
    return r;
}

// Compresses input with the method and no output budget to speak of, expands the
// result, and checks that the bytes come back, that both directions report the input's
// byte sum as the checksum, and that the decoder never needed input it lacked.
inline void CheckRoundTrip(int method, const uint8_t* data, size_t size) {
    const Bytes input(data, data + size);
    const uint32_t sum = ByteSum(input);
    const auto n = static_cast<int32_t>(size);

    TCompThreadSafety state;
    TMemoryStream src(input), packed;
    int32_t packSum = 0;
    state.RunMethod(src, packed, method, TRunDirection::Compress, false, 0, n, packSum, 0,
                    -(1 << 30), nullptr);
    FUZZ_CHECK(static_cast<uint32_t>(packSum) == sum);

    const Bytes stream = packed.Bytes();
    TMemoryStream back(stream), out;
    int32_t unpackSum = 0;
    state.RunMethod(back, out, method, TRunDirection::Expand, false, n,
                    static_cast<int32_t>(stream.size()), unpackSum, 0, 0, nullptr);
    FUZZ_CHECK(out.Bytes() == input);
    FUZZ_CHECK(static_cast<uint32_t>(unpackSum) == sum);
    // A valid stream never runs short, nor holds more than its size.
    FUZZ_CHECK(!state.InputOverrun() && !state.Stopped() && !state.OutputOverrun());
}

}  // namespace fuzz
