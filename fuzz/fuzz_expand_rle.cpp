// Run-length decoder on arbitrary streams: every stream decodes to something, never
// past the expanded size (a stream that would go on is reported, OutputOverrun), the
// checksum is the output's byte sum, and packing that output again unpacks back to it.
#include "FuzzCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::TParams p;
    if (!fuzz::ParseParams(data, size, p)) return 0;
    const fuzz::TResult r = fuzz::Expand(1, p);
    FUZZ_CHECK(!r.badTable);
    FUZZ_CHECK(r.checksum == fuzz::ByteSum(r.out));
    FUZZ_CHECK(r.out.size() <= static_cast<size_t>(p.expandedSize));
    FUZZ_CHECK(r.out.size() <= 255 * p.stored.size());
    if (r.outputOverrun) FUZZ_CHECK(r.out.size() == static_cast<size_t>(p.expandedSize));

    TCompThreadSafety state;
    TMemoryStream plain(r.out), packed, back;
    int32_t packSum = 0, unpackSum = 0;
    const auto n = static_cast<int32_t>(r.out.size());
    state.RunMethod(plain, packed, 1, TRunDirection::Compress, false, n, n, packSum, 0, -n - 1000,
                    nullptr);
    packed.SetPosition(0);
    state.RunMethod(packed, back, 1, TRunDirection::Expand, false, n,
                    static_cast<int32_t>(packed.Size()), unpackSum, 0, 0, nullptr);
    FUZZ_CHECK(back.Bytes() == r.out);
    FUZZ_CHECK(static_cast<uint32_t>(packSum) == r.checksum && unpackSum == packSum);
    return 0;
}
