// The stored copy and the run-length method through RunMethod.
#include <gtest/gtest.h>

#include <vector>

#include "codec/Codec.h"
#include "runtime/Stream.h"

namespace {
using Bytes = std::vector<uint8_t>;

Bytes Code(int method, TRunDirection dir, const Bytes& in, int32_t& checksum, int32_t key = 0,
          bool descramble = false, int32_t expanded = INT32_MAX) {
    TCompThreadSafety state;
    TMemoryStream src(in), dst;
    state.RunMethod(src, dst, method, dir, descramble, expanded, static_cast<int32_t>(in.size()),
                    checksum, key, dir == TRunDirection::Compress ? -(1 << 30) : 0, nullptr);
    return dst.Bytes();
}

Bytes Pack(const Bytes& in) {
    int32_t sum = 0;
    return Code(1, TRunDirection::Compress, in, sum);
}
Bytes Unpack(const Bytes& in) {
    int32_t sum = 0;
    return Code(1, TRunDirection::Expand, in, sum);
}
}  // namespace

TEST(RunLength, PacksTheDocumentedExamples) {
    EXPECT_EQ(Pack({0x41, 0x41, 0x41, 0x41}), (Bytes{0x41, 0x94, 0x04}));
    EXPECT_EQ(Pack({0x41, 0x41, 0x42}), (Bytes{0x41, 0x41, 0x42}));
    EXPECT_EQ(Pack({0x94}), (Bytes{0x94, 0x00}));
    EXPECT_EQ(Pack({0x94, 0x94}), (Bytes{0x94, 0x00, 0x94, 0x00}));
    EXPECT_EQ(Pack({0x00, 0x00, 0x00}), (Bytes{0x00, 0x94, 0x03}));
    EXPECT_EQ(Pack(Bytes(600, 0x41)),
              (Bytes{0x41, 0x94, 0xFF, 0x41, 0x94, 0xFF, 0x41, 0x94, 0x5A}));
    EXPECT_EQ(Pack({}), Bytes{});
}

TEST(RunLength, UnpacksRunTokensAndEscapes) {
    EXPECT_EQ(Unpack({0x41, 0x94, 0x04}), (Bytes{0x41, 0x41, 0x41, 0x41}));
    EXPECT_EQ(Unpack({0x41, 0x94, 0x01}), (Bytes{0x41}));
    EXPECT_EQ(Unpack({0x41, 0x94, 0x02}), (Bytes{0x41, 0x41}));
    EXPECT_EQ(Unpack({0x94, 0x00}), (Bytes{0x94}));
    EXPECT_EQ(Unpack({0x41, 0x94}), (Bytes{0x41, 0x94}));  // cut after the marker
}

TEST(RunLength, RoundTripsWithTheByteSumAsChecksum) {
    Bytes data;
    for (int i = 0; i < 30000; ++i) data.push_back(static_cast<uint8_t>((i / 7) * 31 % 251));
    data.insert(data.end(), 1000, 0x94);
    int32_t packSum = 0, unpackSum = 0;
    const Bytes packed = Code(1, TRunDirection::Compress, data, packSum);
    const Bytes back = Code(1, TRunDirection::Expand, packed, unpackSum);
    EXPECT_EQ(back, data);
    uint32_t expect = 0;
    for (uint8_t b : data) expect += b;
    EXPECT_EQ(static_cast<uint32_t>(packSum), expect);
    EXPECT_EQ(static_cast<uint32_t>(unpackSum), expect);
}

TEST(Stored, ScramblesZeroBytesIntoTheKeyBytes) {
    int32_t sum = -7;
    const Bytes out = Code(0, TRunDirection::Compress, Bytes(9, 0), sum, 0x04030201);
    EXPECT_EQ(out, (Bytes{1, 2, 3, 4, 1, 2, 3, 4, 1}));
    EXPECT_EQ(sum, 0);
    int32_t back = 0;
    EXPECT_EQ(Code(0, TRunDirection::Expand, out, back, 0x04030201, true), Bytes(9, 0));
}
