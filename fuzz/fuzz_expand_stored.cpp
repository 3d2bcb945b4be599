// Stored copy: the output is the stored bytes (descrambled when asked) up to the
// expanded size and never past it, cut short only by a stop answer; stored bytes
// beyond the size are reported (OutputOverrun), and the checksum is the output's byte
// sum.
#include <algorithm>

#include "FuzzCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::TParams p;
    if (!fuzz::ParseParams(data, size, p)) return 0;
    const fuzz::TResult r = fuzz::Expand(0, p);
    FUZZ_CHECK(!r.badTable);
    FUZZ_CHECK(r.checksum == fuzz::ByteSum(r.out));
    const size_t expanded = static_cast<size_t>(p.expandedSize);
    FUZZ_CHECK(r.out.size() <= expanded);
    if (!r.stopped) {
        FUZZ_CHECK(r.out.size() == std::min(p.stored.size(), expanded));
        FUZZ_CHECK(r.outputOverrun == (p.stored.size() > expanded));
    }
    const bool scrambled = p.descramble && p.key != 0;
    const auto k = static_cast<uint32_t>(p.key);
    for (size_t i = 0; i < r.out.size(); ++i) {
        const uint8_t keyByte = scrambled ? static_cast<uint8_t>(k >> (8 * (i % 4))) : 0;
        FUZZ_CHECK(r.out[i] == (p.stored[i] ^ keyByte));
    }
    return 0;
}
