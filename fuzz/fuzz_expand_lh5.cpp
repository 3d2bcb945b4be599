// LH5 decoder on arbitrary streams: it raises the bad-table error, or ends early
// reporting an input overrun, or writes exactly the expanded size; never more, and its
// checksum is the output's byte sum.
#include "FuzzCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::TParams p;
    if (!fuzz::ParseParams(data, size, p)) return 0;
    const fuzz::TResult r = fuzz::Expand(4, p);
    FUZZ_CHECK(r.out.size() <= static_cast<size_t>(p.expandedSize));
    if (!r.badTable) {
        if (!r.overrun) FUZZ_CHECK(r.out.size() == static_cast<size_t>(p.expandedSize));
        FUZZ_CHECK(r.checksum == fuzz::ByteSum(r.out));
    }
    return 0;
}
