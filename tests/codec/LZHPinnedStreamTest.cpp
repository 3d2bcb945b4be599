// The LZH encoder's exact output, pinned by hash. Which of several equally long matches
// is sent depends on the shape of the search trees, so a faster search that changes a
// single choice still round-trips but writes different archives; these streams catch
// that. The inputs come from a fixed generator, not from files.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/codec/LZHHelpers.h"
#include "tests/codec/PinnedInputs.h"

using namespace lzhtest;
using namespace pinnedtest;

namespace {

// Runs of one byte, repeats of a 60-byte block (full matches that replace older
// strings), a 61-byte period, noise and text, back to back.
Bytes Mixed() {
    Bytes b(5000, 0);
    const Bytes block = Noise(60, 7);
    for (int i = 0; i < 300; ++i) b.insert(b.end(), block.begin(), block.end());
    for (int i = 0; i < 200; ++i) {
        b.insert(b.end(), block.begin(), block.end());
        b.push_back('!');
    }
    const Bytes noise = Noise(20000, 9);
    b.insert(b.end(), noise.begin(), noise.end());
    const Bytes text = Words(60000, 11);
    b.insert(b.end(), text.begin(), text.end());
    b.insert(b.end(), 3000, ' ');
    return b;
}

TEST(LZHPinnedStream, EncoderWritesExactlyTheseStreams) {
    const TPinned cases[] = {
        {"one byte", Bytes{'x'}, 1, 0xaf63b94c8601b113ull},
        {"zeros", Bytes(100000, 0), 2125, 0x7f06cddc38794a7bull},
        {"spaces", Bytes(70000, ' '), 1499, 0x7ef1b414cfc7269eull},
        {"noise", Noise(300000, 1), 300293, 0xda1c138454dabbadull},
        {"words", Words(400000, 3), 82940, 0x475c6a30388e83b5ull},
        {"mixed", Mixed(), 36501, 0x1f5d7b7b7875e0f5ull},
    };
    for (const auto& c : cases) {
        const TRun run = Compress(c.input);
        EXPECT_EQ(run.out.size(), c.size) << c.name;
        EXPECT_EQ(Fnv1a(run.out), c.hash) << c.name;
        EXPECT_EQ(Expand(run.out, static_cast<int32_t>(c.input.size())).out, c.input) << c.name;
    }
    EXPECT_TRUE(Compress({}).out.empty());
}

// Inside a match the encoder inserts two strings side by side when their trees differ
// from each other and from that of the string deleted between them, and one after the
// other when not. These inputs take each way, pinned with streams from the encoder that
// inserted every string on its own: a block repeated with period 4036 (each deleted
// string lies in the tree of the string inserted before it), runs of one byte (r and
// r + 1 share a tree) between text (pairs), and a 37-byte period cut at twelve lengths
// (the input ends between the two steps of a pair at every other one).
TEST(LZHPinnedStream, PairedInsertionsAndTheirFallbacksWriteTheseStreams) {
    Bytes period;
    const Bytes block = Noise(4036, 21);
    for (int k = 0; k < 8; ++k) period.insert(period.end(), block.begin(), block.end());
    Bytes runs;
    for (uint32_t j = 0; j < 300; ++j) {
        runs.insert(runs.end(), 3 + j % 40, static_cast<uint8_t>('a' + j % 3));
        const Bytes text = Words(50 + j % 30, 100 + j);
        runs.insert(runs.end(), text.begin(), text.end());
    }
    const TPinned cases[] = {
        {"period 4036", period, 5229, 0x7fbb2b9d79b35e21ull},
        {"runs between words", runs, 5479, 0xe5386ce6e4ff6756ull},
    };
    for (const auto& c : cases) {
        const TRun run = Compress(c.input);
        EXPECT_EQ(run.out.size(), c.size) << c.name;
        EXPECT_EQ(Fnv1a(run.out), c.hash) << c.name;
        EXPECT_EQ(Expand(run.out, static_cast<int32_t>(c.input.size())).out, c.input) << c.name;
    }

    const Bytes short_block = Noise(37, 23);
    Bytes streams;
    for (size_t n = 6000; n < 6012; ++n) {
        Bytes input;
        while (input.size() < n) input.insert(input.end(), short_block.begin(), short_block.end());
        input.resize(n);
        const TRun run = Compress(input);
        EXPECT_EQ(Expand(run.out, static_cast<int32_t>(n)).out, input) << n;
        streams.insert(streams.end(), run.out.begin(), run.out.end());
    }
    EXPECT_EQ(streams.size(), 2327u);
    EXPECT_EQ(Fnv1a(streams), 0xd1d3ddea515d7557ull);
}

}  // namespace
