// LZH expansion of arbitrary data: the first three bytes give the expanded size (up to
// 256 KiB), the rest is the stream. Whatever the stream, exactly that many bytes come
// out unless the stream needs bits past its end (then fewer, and the run says so), and
// the checksum is their byte sum.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "codec/Codec.h"
#include "runtime/Stream.h"

#define FUZZ_CHECK(c) \
    do { if (!(c)) { std::fprintf(stderr, "check failed: %s\n", #c); std::abort(); } } while (0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const int32_t expanded = (data[0] | data[1] << 8 | data[2] << 16) & 0x3FFFF;
    TCompThreadSafety state;
    TMemoryStream src(std::vector<uint8_t>(data + 3, data + size)), dst;
    int32_t checksum = 0;
    state.RunMethod(src, dst, 2, TRunDirection::Expand, false, expanded,
                    static_cast<int32_t>(size - 3), checksum, 0, 0, nullptr);
    const std::vector<uint8_t>& out = dst.Bytes();
    if (!state.InputOverrun()) FUZZ_CHECK(out.size() == static_cast<size_t>(expanded));
    FUZZ_CHECK(out.size() <= static_cast<size_t>(expanded));
    uint32_t sum = 0;
    for (uint8_t b : out) sum += b;
    FUZZ_CHECK(static_cast<uint32_t>(checksum) == sum);
    return 0;
}
