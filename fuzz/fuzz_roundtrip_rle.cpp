// Run-length round trip: compressing any input with no output budget to speak of and
// expanding the result gives back the same bytes, and both directions report the
// input's byte sum as the checksum.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "codec/Codec.h"
#include "runtime/Stream.h"

#define FUZZ_CHECK(c) \
    do { if (!(c)) { std::fprintf(stderr, "check failed: %s\n", #c); std::abort(); } } while (0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> input(data, data + size);
    uint32_t sum = 0;
    for (uint8_t b : input) sum += b;
    const auto n = static_cast<int32_t>(size);

    TCompThreadSafety state;
    TMemoryStream src(input), packed;
    int32_t packSum = 0;
    state.RunMethod(src, packed, 1, TRunDirection::Compress, false, 0, n, packSum, 0, -(1 << 30),
                    nullptr);
    FUZZ_CHECK(static_cast<uint32_t>(packSum) == sum);

    const std::vector<uint8_t> stream = packed.Bytes();
    TMemoryStream back(stream), out;
    int32_t unpackSum = 0;
    state.RunMethod(back, out, 1, TRunDirection::Expand, false, n,
                    static_cast<int32_t>(stream.size()), unpackSum, 0, 0, nullptr);
    FUZZ_CHECK(out.Bytes() == input);
    FUZZ_CHECK(static_cast<uint32_t>(unpackSum) == sum);
    return 0;
}
