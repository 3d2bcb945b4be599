// LH5 round trip: compressing any input with no output budget and expanding the result
// gives back the same bytes, and both directions report the input's byte sum.
//
// Input layout, when it has at least 6 bytes (shorter inputs are plain data):
//   0    flags: 1 scramble with the key, 2 slow source (1 to 64 bytes a read),
//        4 tile the data up to (byte 1 + 1) KiB so that the window slides
//   1    read size or tile size     2-5  key, least significant byte first
//   6..  the data
#include "FuzzCodec.h"

using fuzz::TSlowSource;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> input;
    int32_t key = 0;
    int32_t maxPerRead = 1 << 30;
    if (size >= 6) {
        const uint8_t flags = data[0];
        if (flags & 1)
            key = static_cast<int32_t>(static_cast<uint32_t>(data[2]) |
                                       static_cast<uint32_t>(data[3]) << 8 |
                                       static_cast<uint32_t>(data[4]) << 16 |
                                       static_cast<uint32_t>(data[5]) << 24);
        if (flags & 2) maxPerRead = 1 + (data[1] & 63);
        input.assign(data + 6, data + size);
        if ((flags & 4) && !input.empty()) {
            // Repeats with one changed byte each time: long matches, and breaks in them.
            const size_t want = (static_cast<size_t>(data[1]) + 1) * 1024;
            const size_t unit = input.size();
            for (size_t i = unit; i < want; ++i) {
                const uint8_t b = input[i - unit];
                input.push_back(i % unit == 0 ? static_cast<uint8_t>(b + i / unit) : b);
            }
        }
    } else {
        input.assign(data, data + size);
    }
    uint32_t sum = 0;
    for (uint8_t b : input) sum += b;
    const auto n = static_cast<int32_t>(input.size());

    TCompThreadSafety state;
    TSlowSource src(input, maxPerRead);
    TMemoryStream packed;
    int32_t packSum = 0;
    const int32_t written =
        state.RunMethod(src, packed, 4, TRunDirection::Compress, false, 0, n, packSum, key,
                        static_cast<int32_t>(static_cast<uint32_t>(n) - 0x7FFFFFFFu), nullptr);
    FUZZ_CHECK(static_cast<uint32_t>(packSum) == sum);
    FUZZ_CHECK(written == static_cast<int32_t>(packed.Bytes().size()));
    FUZZ_CHECK((n == 0) == packed.Bytes().empty());

    const std::vector<uint8_t> stream = packed.Bytes();
    TSlowSource back(stream, maxPerRead);
    TMemoryStream out;
    int32_t unpackSum = 0;
    state.RunMethod(back, out, 4, TRunDirection::Expand, key != 0, n,
                    static_cast<int32_t>(stream.size()), unpackSum, key, 0, nullptr);
    FUZZ_CHECK(out.Bytes() == input);
    FUZZ_CHECK(static_cast<uint32_t>(unpackSum) == sum);
    FUZZ_CHECK(!state.OutputOverrun());  // no match of the coder's runs past the end
    FUZZ_CHECK(back.Position() == static_cast<int64_t>(stream.size()));
    return 0;
}
