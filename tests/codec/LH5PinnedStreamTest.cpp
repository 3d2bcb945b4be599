// The LH5 encoder's exact output, pinned by hash. Which match position the tree offers,
// and so every distance in the stream, depends on how the tree is kept: which position a
// node remembers, how nodes are split, replaced and removed as the window slides. A
// faster search that changes one such choice still round-trips but writes different
// archives; these streams catch that. The inputs come from a fixed generator, and each
// stresses one part of the tree.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "codec/Codec.h"
#include "runtime/Stream.h"
#include "tests/codec/PinnedInputs.h"

namespace {
using namespace pinnedtest;

constexpr int kLH5 = 4;

Bytes Compress(const Bytes& in) {
    TCompThreadSafety state;
    TMemoryStream src(in), dst;
    int32_t sum = 0;
    state.RunMethod(src, dst, kLH5, TRunDirection::Compress, false, 0,
                    static_cast<int32_t>(in.size()), sum, 0, -(1 << 30), nullptr);
    return dst.Bytes();
}

Bytes Expand(const Bytes& stream, size_t size) {
    TCompThreadSafety state;
    TMemoryStream src(stream), dst;
    int32_t sum = 0;
    state.RunMethod(src, dst, kLH5, TRunDirection::Expand, false, static_cast<int32_t>(size),
                    static_cast<int32_t>(stream.size()), sum, 0, 0, nullptr);
    return dst.Bytes();
}

// Two letters at random: a deep tree of nodes with two children each.
Bytes TwoLetters(size_t n, uint32_t seed) {
    TXorShift rng{seed};
    Bytes b(n);
    for (auto& x : b) x = (rng.Next() >> 20) & 1 ? 'a' : 'b';
    return b;
}

// Noise with short copies (3 to 10 bytes from up to 300 back) as about one item in
// eleven: the block coder sees matches at every place in its groups of eight items, and
// about half the groups all literals.
Bytes SparseCopies(size_t n, uint32_t seed) {
    TXorShift rng{seed};
    Bytes b;
    while (b.size() < n) {
        const uint32_t v = rng.Next();
        if (v % 11 == 0 && b.size() >= 300) {
            const size_t from = b.size() - (1 + (v >> 8) % 300);
            const uint32_t count = 3 + (v >> 20) % 8;
            for (uint32_t j = 0; j < count; ++j) b.push_back(b[from + j]);
        } else {
            b.push_back(static_cast<uint8_t>(v >> 24));
        }
    }
    b.resize(n);
    return b;
}

// Runs, a repeated block with a byte between copies, noise and text back to back, with
// copies of earlier parts at distances near the window's size.
Bytes Mixed() {
    Bytes b(3000, 'x');
    const Bytes block = Noise(200, 5);
    for (int i = 0; i < 150; ++i) {
        b.insert(b.end(), block.begin(), block.end());
        b.push_back(static_cast<uint8_t>(i));
    }
    const Bytes noise = Noise(30000, 6);
    b.insert(b.end(), noise.begin(), noise.end());
    const Bytes text = Words(50000, 8);
    b.insert(b.end(), text.begin(), text.end());
    for (size_t back : {8191u, 8192u, 8000u, 4096u}) {
        const size_t from = b.size() - back;
        for (size_t i = 0; i < 3000; ++i) b.push_back(b[from + i]);
    }
    return b;
}

TEST(LH5PinnedStream, EncoderWritesExactlyTheseStreams) {
    const TPinned cases[] = {
        {"one byte", Bytes{'x'}, 7, 0xb33e26e1d5dc0befull},
        {"zeros", Bytes(300000, 0), 157, 0xf681d4d5b63ceb4ull},
        {"256-byte block", Repeat(Noise(256, 2), 200000), 1123, 0xa3770dc405801fc5ull},
        {"257-byte period", Repeat(Noise(257, 3), 200000), 1220, 0x8751b1c81aac5fceull},
        {"8191-byte period", Repeat(Noise(8191, 4), 60000), 8746, 0x197d76ad0ad884e4ull},
        {"8193-byte period", Repeat(Noise(8193, 4), 60000), 60210, 0xb6396f74df1cbe62ull},
        {"noise", Noise(200000, 1), 200663, 0xa4b15b6981ca7f49ull},
        {"two letters", TwoLetters(200000, 9), 30454, 0x301fb7150db0a271ull},
        {"words", Words(400000, 3), 76495, 0xa0454ffb04af4201ull},
        {"mixed", Mixed(), 41968, 0x24caf8bac12b8221ull},
        {"sparse copies", SparseCopies(300000, 11), 220274, 0x5cb6e9e65d08643bull},
    };
    for (const auto& c : cases) {
        const Bytes out = Compress(c.input);
        EXPECT_EQ(out.size(), c.size) << c.name;
        EXPECT_EQ(Fnv1a(out), c.hash) << c.name;
        EXPECT_EQ(Expand(out, c.input.size()), c.input) << c.name;
    }
}

}  // namespace
