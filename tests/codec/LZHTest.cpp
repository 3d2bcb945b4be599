// The LZH method: the shared adaptive tree, the position code, the encoder's choices as
// seen in the stream it writes, round trips through RunMethod, the output budget, and
// the decoder on hostile input.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <utility>
#include <vector>

#include "codec/LZHDecoder.h"
#include "codec/LZHEncoder.h"
#include "tests/codec/LZHHelpers.h"

using namespace lzhtest;
using lzh::TAdaptiveTree;

namespace {

using Encoder = lzh::TLZHEncoder<TVectorChannel>;
using Decoder = lzh::TLZHDecoder<TVectorChannel>;

int CodeLength(const TAdaptiveTree& t, int symbol) {
    int length = 0;
    unsigned k = t.parentSlot[lzh::kSlotCount + symbol];
    do {
        ++length;
        k = t.parentSlot[k];
    } while (k != lzh::kRootSlot);
    return length;
}

// Slot order, sums, sibling pairs and parent links; returns the first violation.
std::string CheckTree(const TAdaptiveTree& t) {
    for (int i = 0; i < lzh::kRootSlot; ++i)
        if (t.frequency[i] > t.frequency[i + 1]) return "order broken at " + std::to_string(i);
    int leaves = 0;
    for (int i = 0; i < lzh::kSlotCount; ++i) {
        const int c = t.childSlot[i];
        if (c >= lzh::kSlotCount) {
            ++leaves;
            if (t.parentSlot[c] != i) return "leaf link broken at " + std::to_string(i);
            continue;
        }
        if (c % 2 != 0 || c + 1 >= i) return "children misplaced at " + std::to_string(i);
        if (t.frequency[i] != t.frequency[c] + t.frequency[c + 1])
            return "sum broken at " + std::to_string(i);
        if (t.parentSlot[c] != i || t.parentSlot[c + 1] != i)
            return "parent link broken at " + std::to_string(i);
    }
    if (leaves != lzh::kSymbolCount) return "leaf count " + std::to_string(leaves);
    return {};
}

struct TItem {
    int symbol;
    int position;  // -1 for a literal
    bool operator==(const TItem& o) const { return symbol == o.symbol && position == o.position; }
};

// The items of a stream that expands to n bytes, read with the decoder's primitives.
std::vector<TItem> Items(const Bytes& stream, size_t n) {
    TVectorChannel ch(stream);
    auto d = std::make_unique<Decoder>(ch);
    std::vector<TItem> items;
    size_t produced = 0;
    while (produced < n) {
        const int c = d->ReceiveSymbol();
        if (c < 256) {
            items.push_back({c, -1});
            ++produced;
        } else {
            items.push_back({c, d->ReceivePosition()});
            produced += static_cast<size_t>(c - lzh::kLengthSymbolBias);
        }
    }
    return items;
}

// The search trees as the descent relies on them: every string in the tree of its first
// three bytes, parent links that match the child links, no two strings equal in all 60
// bytes, in-order strictly increasing, each node's prefix count exactly its common
// length with its parent (1 below a root), and no node outside the trees that claims
// to be in one. Returns the first violation.
std::string CheckSearchTrees(const Encoder& e) {
    constexpr unsigned kNone = lzh::kRingSize;
    const auto common = [&](unsigned a, unsigned b) {
        unsigned n = 0;
        while (n < lzh::kMaxMatch && e.StringAt(a)[n] == e.StringAt(b)[n]) ++n;
        return n;
    };
    size_t reached = 0;
    for (unsigned t = 0; t < 4096; ++t) {
        const unsigned root = e.RootOf(t);
        if (root == kNone) continue;
        const std::string where = " in tree " + std::to_string(t);
        if (e.ParentOf(root) != kNone + 1 + t) return "root's parent" + where;
        if (e.PrefixOf(root) != 1) return "root's prefix" + where;
        std::vector<unsigned> inOrder;
        std::vector<unsigned> path;
        unsigned n = root;
        while (n != kNone || !path.empty()) {  // in-order walk
            if (n != kNone) {
                if (++reached > 4096) return "a cycle" + where;
                path.push_back(n);
                n = e.LinkOf(n, 0);
                continue;
            }
            n = path.back();
            path.pop_back();
            inOrder.push_back(n);
            if (Encoder::TreeOfString(e.StringAt(n)) != t) return "a stray string" + where;
            for (unsigned side : {0u, 1u}) {
                const unsigned c = e.LinkOf(n, side);
                if (c == kNone) continue;
                if (e.ParentOf(c) != n) return "a parent link" + where;
                if (e.PrefixOf(c) != common(c, n))
                    return "prefix " + std::to_string(e.PrefixOf(c)) + " of " + std::to_string(c) +
                           ", not " + std::to_string(common(c, n)) + where;
            }
            n = e.LinkOf(n, 1);
        }
        for (size_t k = 1; k < inOrder.size(); ++k) {
            const unsigned a = inOrder[k - 1], b = inOrder[k];
            const unsigned m = common(a, b);
            if (m == lzh::kMaxMatch || e.StringAt(a)[m] > e.StringAt(b)[m]) return "order" + where;
        }
    }
    size_t claimed = 0;
    for (unsigned p = 0; p < lzh::kRingSize; ++p) claimed += e.InSearchTree(p) ? 1 : 0;
    if (claimed != reached) return std::to_string(claimed) + " nodes claim a tree, " +
                                   std::to_string(reached) + " are in one";
    return {};
}

TItem Match(int length, int position) { return {length + lzh::kLengthSymbolBias, position}; }
TItem Literal(uint8_t b) { return {b, -1}; }

}  // namespace

// ---- The adaptive tree -----------------------------------------------------------------

TEST(LZHTree, StartsBalancedWithUnitCounts) {
    TAdaptiveTree t;
    t.StartAdaptiveTree();
    EXPECT_EQ(CheckTree(t), "");
    EXPECT_EQ(t.frequency[lzh::kRootSlot], 314);
    EXPECT_EQ(t.frequency[lzh::kSlotCount], 0xFFFF);
    for (int s : {0, 100, 255, 256, 313}) {
        EXPECT_GE(CodeLength(t, s), 8);
        EXPECT_LE(CodeLength(t, s), 9);
    }
}

TEST(LZHTree, KeepsItsInvariantsThroughUpdatesAndRebuilds) {
    TAdaptiveTree t;
    t.StartAdaptiveTree();
    std::mt19937 rng(7);
    std::geometric_distribution<int> skewed(0.02);
    for (int n = 0; n < 100000; ++n) {
        t.UpdateAdaptiveTree(skewed(rng) % lzh::kSymbolCount);
        if (n % 997 == 0) {
            ASSERT_EQ(CheckTree(t), "") << "after " << n + 1 << " updates";
        }
    }
    EXPECT_EQ(CheckTree(t), "");
}

TEST(LZHTree, RebuildsAtTheUpdateAfterTheRootReaches0x8000) {
    TAdaptiveTree t;
    t.StartAdaptiveTree();
    for (int n = 0; n < 32454; ++n) t.UpdateAdaptiveTree(n % 3 == 0 ? 'e' : n % 300);
    EXPECT_EQ(t.frequency[lzh::kRootSlot], 0x8000);
    const int eBefore = t.frequency[t.parentSlot[lzh::kSlotCount + 'e']];
    const int rareBefore = t.frequency[t.parentSlot[lzh::kSlotCount + 313]];
    EXPECT_EQ(rareBefore, 1);

    t.UpdateAdaptiveTree('e');  // the 32455th symbol: halve, then count it
    EXPECT_EQ(CheckTree(t), "");
    EXPECT_EQ(t.frequency[t.parentSlot[lzh::kSlotCount + 'e']], (eBefore + 1) / 2 + 1);
    EXPECT_EQ(t.frequency[t.parentSlot[lzh::kSlotCount + 313]], 1);
    EXPECT_LT(t.frequency[lzh::kRootSlot], 0x4200);
}

// Encoder and decoder must meet the rebuild at the same symbol and stay in step after it.
TEST(LZHTree, EncoderAndDecoderRebuildInStep) {
    // Random bytes are almost all literals: well over 32455 symbols.
    const Bytes data = RandomBytes(40000, 11);
    TVectorChannel in(data);
    auto e = std::make_unique<Encoder>(in);
    e->Compress();
    TVectorChannel coded(in.out);
    auto d = std::make_unique<Decoder>(coded);
    d->Expand(static_cast<int32_t>(data.size()));
    EXPECT_EQ(coded.out, data);
    EXPECT_LT(e->Tree().frequency[lzh::kRootSlot], 0x8000);  // rebuilt once
    EXPECT_EQ(std::vector<uint16_t>(std::begin(e->Tree().frequency), std::end(e->Tree().frequency)),
              std::vector<uint16_t>(std::begin(d->Tree().frequency), std::end(d->Tree().frequency)));
    EXPECT_EQ(std::vector<uint16_t>(std::begin(e->Tree().childSlot), std::end(e->Tree().childSlot)),
              std::vector<uint16_t>(std::begin(d->Tree().childSlot), std::end(d->Tree().childSlot)));
}

// ---- Codes and positions ---------------------------------------------------------------

TEST(LZHCodes, CodesLongerThan16BitsAreSentWhole) {
    TVectorChannel sink;
    auto e = std::make_unique<Encoder>(sink);
    std::vector<int> sent;
    // Fibonacci-weighted symbols push the rarely used ones far down the tree.
    long a = 1, b = 1;
    for (int i = 0; i < 9; ++i) {
        for (long k = 0; k < a * 320; ++k) {
            e->SendSymbol(300 - i);
            sent.push_back(300 - i);
        }
        const long c = a + b;
        a = b;
        b = c;
    }
    int deepest = 0, deepSymbol = 0;
    for (int s = 0; s < lzh::kSymbolCount; ++s) {
        if (CodeLength(e->Tree(), s) > deepest) {
            deepest = CodeLength(e->Tree(), s);
            deepSymbol = s;
        }
    }
    ASSERT_GT(deepest, 16);
    const size_t bitsBefore = sink.out.size();
    e->SendSymbol(deepSymbol);
    e->SendSymbol(deepSymbol);
    sent.push_back(deepSymbol);
    sent.push_back(deepSymbol);
    e->SendSymbol(5);
    sent.push_back(5);
    e->FlushCodes();
    EXPECT_GE(sink.out.size() - bitsBefore, 4u);

    TVectorChannel source(sink.out);
    auto d = std::make_unique<Decoder>(source);
    for (size_t i = 0; i < sent.size(); ++i) ASSERT_EQ(d->ReceiveSymbol(), sent[i]) << "item " << i;
}

TEST(LZHCodes, PositionCodeTablesFollowTheirRule) {
    const auto& t = lzh::kPositionCodes;
    EXPECT_EQ(t.encodeLength[0], 3);
    EXPECT_EQ(t.encodeCode[0], 0x00);
    EXPECT_EQ((std::vector<int>{t.encodeCode[1], t.encodeCode[2], t.encodeCode[3], t.encodeCode[4]}),
              (std::vector<int>{0x20, 0x30, 0x40, 0x50}));
    EXPECT_EQ(t.encodeLength[11], 5);
    EXPECT_EQ(t.encodeLength[12], 6);
    EXPECT_EQ(t.encodeLength[47], 7);
    EXPECT_EQ(t.encodeLength[48], 8);
    EXPECT_EQ(t.encodeCode[63], 0xFF);
    for (int b = 0; b < 256; ++b) {
        const int u = t.decodeUpper[b];
        const int shift = 8 - t.decodeLength[b];
        ASSERT_EQ(t.decodeLength[b], t.encodeLength[u]);
        ASSERT_EQ(b >> shift, t.encodeCode[u] >> shift) << "b = " << b;
    }
}

TEST(LZHCodes, PositionsBelow64TakeThreeBitsPlusSix) {
    TVectorChannel sink;
    auto e = std::make_unique<Encoder>(sink);
    e->SendPosition(37);  // 000 100101
    e->FlushCodes();
    EXPECT_EQ(sink.out, (Bytes{0x12, 0x80}));

    sink.out.clear();
    for (int p = 0; p < 64; ++p) e->SendPosition(p);
    e->FlushCodes();
    EXPECT_EQ(sink.out.size(), 64u * 9 / 8);

    sink.out.clear();
    for (int p = 0; p < 4096; ++p) e->SendPosition(p);
    e->FlushCodes();
    TVectorChannel source(sink.out);
    auto d = std::make_unique<Decoder>(source);
    for (int p = 0; p < 4096; ++p) ASSERT_EQ(d->ReceivePosition(), p);
}

// ---- The encoder's choices -------------------------------------------------------------

TEST(LZHEncoder, EmptyInputCompressesToNothing) {
    const TRun run = Compress({});
    EXPECT_TRUE(run.out.empty());
    EXPECT_EQ(run.written, 0);
    EXPECT_EQ(run.checksum, 0);
}

TEST(LZHEncoder, LeadingSpacesMatchTheRingsInitialSpaces) {
    const Bytes data(100, ' ');
    const TRun run = Compress(data);
    // The initial strings go in from 4035 down to 3976, each taking the place of the one
    // before, so the first match is 60 back; later ones are at the byte before.
    EXPECT_EQ(Items(run.out, data.size()), (std::vector<TItem>{Match(60, 59), Match(40, 0)}));
    EXPECT_EQ(Expand(run.out, 100).out, data);
}

TEST(LZHEncoder, AFullLengthMatchReplacesTheOlderString) {
    const Bytes p = RandomBytes(60, 3);
    Bytes data = p;
    const Bytes gap = RandomBytes(100, 4);
    data.insert(data.end(), gap.begin(), gap.end());
    data.insert(data.end(), p.begin(), p.end());
    data.insert(data.end(), gap.begin(), gap.begin() + 7);
    data.insert(data.end(), p.begin(), p.end());
    data.push_back('!');

    TVectorChannel ch(data);
    auto e = std::make_unique<Encoder>(ch);
    e->Compress();
    const std::vector<TItem> items = Items(ch.out, data.size());
    // The third copy is found at the second (distance 67), not the first.
    const std::vector<TItem> tail(items.end() - 4, items.end());
    EXPECT_EQ(tail, (std::vector<TItem>{Match(60, 159), Match(7, 159), Match(60, 66), Literal('!')}));

    // Each copy took the node of the one before: ring positions 4036, 100, 167.
    EXPECT_FALSE(e->InSearchTree(4036));
    EXPECT_FALSE(e->InSearchTree(100));
    EXPECT_TRUE(e->InSearchTree(167));
    EXPECT_EQ(Expand(ch.out, static_cast<int32_t>(data.size())).out, data);
}

TEST(LZHEncoder, OfEqualMatchesTheNearestIsSent) {
    // Filler without 'A' keeps the "ABC" tree to the three copies.
    Bytes filler = RandomBytes(300, 5);
    for (auto& b : filler) b = static_cast<uint8_t>('a' + b % 26);
    Bytes data;
    auto add = [&](const char* s, size_t from, size_t n) {
        data.insert(data.end(), s, s + std::char_traits<char>::length(s));
        data.insert(data.end(), filler.begin() + from, filler.begin() + from + n);
    };
    add("ABCDE1", 0, 90);
    add("ABCDE2", 100, 90);
    add("ABCDE3", 200, 90);
    const TRun run = Compress(data);
    const std::vector<TItem> items = Items(run.out, data.size());
    // The items of the third copy: ABCDE matched at the second copy, 96 bytes back.
    size_t produced = 0;
    TItem third{-1, -1};
    for (const TItem& it : items) {
        if (produced == 192) third = it;
        produced += it.position < 0 ? 1 : static_cast<size_t>(it.symbol - lzh::kLengthSymbolBias);
    }
    EXPECT_EQ(third, Match(5, 95));
    EXPECT_EQ(Expand(run.out, static_cast<int32_t>(data.size())).out, data);
}

// Deletions, replacements and the side-by-side insertions all keep the trees sound; the
// inputs stop at odd points so that the trees are seen in many states.
TEST(LZHEncoder, SearchTreesStaySound) {
    Bytes runs;
    for (int j = 0; j < 400; ++j) {
        runs.insert(runs.end(), static_cast<size_t>(1 + j % 70), static_cast<uint8_t>(" a\0"[j % 3]));
        const Bytes text = SampleText(static_cast<size_t>(20 + j % 50), static_cast<uint32_t>(j));
        runs.insert(runs.end(), text.begin(), text.end());
    }
    Bytes blocks;
    const Bytes block = RandomBytes(60, 8);
    for (int j = 0; j < 300; ++j) {
        blocks.insert(blocks.end(), block.begin(), block.end());
        if (j % 3 == 0) blocks.push_back(static_cast<uint8_t>(j));
    }
    Bytes twoLetters = RandomBytes(30000, 9);
    for (auto& b : twoLetters) b = static_cast<uint8_t>('a' + (b & 1));
    // Copies of one line that differ from some byte on: deletions then move up nodes
    // that share 9 to 60 bytes with their new parents, which takes the long comparison.
    Bytes variants;
    const Bytes line = RandomBytes(70, 10);
    const Bytes noise = RandomBytes(40000, 11);
    for (size_t j = 0; variants.size() < 40000; ++j) {
        const size_t cut = 9 + noise[j] % 56;
        variants.insert(variants.end(), line.begin(),
                        line.begin() + static_cast<std::ptrdiff_t>(cut));
        variants.push_back(static_cast<uint8_t>(noise[j + 1] & 3));
    }
    const std::pair<const char*, Bytes> inputs[] = {
        {"text", SampleText(50000, 3)}, {"runs", runs},          {"blocks", blocks},
        {"noise", RandomBytes(20000, 4)}, {"two letters", twoLetters}, {"variants", variants},
    };
    for (const auto& [name, input] : inputs) {
        for (size_t n : {size_t{5000}, input.size() / 2 + 7, input.size()}) {
            TVectorChannel ch(Bytes(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(n)));
            auto e = std::make_unique<Encoder>(ch);
            e->Compress();
            EXPECT_EQ(CheckSearchTrees(*e), "") << name << ", " << n << " bytes";
        }
    }
}

// Locks the exact stream: text, noise and a run of spaces against a stream kept in
// tests/data (any change to the encoder's choices or the adaptive code shows here).
TEST(LZHEncoder, WritesTheGoldenStream) {
    Bytes data = SampleText(20000, 42);
    const Bytes noise = RandomBytes(3000, 43);
    data.insert(data.end(), noise.begin(), noise.end());
    data.insert(data.end(), 500, ' ');
    std::ifstream f(std::string(TVX_TEST_DATA) + "/lzh/golden.lh1", std::ios::binary);
    ASSERT_TRUE(f.good());
    const Bytes golden((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(Compress(data).out == golden);
    EXPECT_TRUE(Expand(golden, static_cast<int32_t>(data.size())).out == data);
}

// ---- Round trips through RunMethod ------------------------------------------------------

TEST(LZHRoundTrip, EdgeSizesAndKindsOfData) {
    std::vector<std::pair<std::string, Bytes>> cases = {
        {"one byte", {'x'}},
        {"one space", {' '}},
        {"two bytes", {0, 0xFF}},
        {"text 8191", SampleText(8191)},
        {"text 8192", SampleText(8192)},
        {"text 8193", SampleText(8193)},
        {"random 70000", RandomBytes(70000, 9)},
        {"zeros 200000", Bytes(200000, 0)},
        {"spaces 5000", Bytes(5000, ' ')},
    };
    Bytes runs;
    for (int i = 0; i < 3000; ++i) runs.insert(runs.end(), static_cast<size_t>(i % 97 + 1), static_cast<uint8_t>(i));
    cases.emplace_back("varied runs", runs);
    Bytes text = SampleText(300000, 2);
    cases.emplace_back("text 300000", text);

    for (const auto& [name, data] : cases) {
        SCOPED_TRACE(name);
        const TRun packed = Compress(data);
        EXPECT_EQ(static_cast<uint32_t>(packed.checksum), ByteSum(data));
        EXPECT_EQ(static_cast<size_t>(packed.written), packed.out.size());
        const TRun back = Expand(packed.out, static_cast<int32_t>(data.size()));
        EXPECT_EQ(back.out, data);
        EXPECT_EQ(static_cast<uint32_t>(back.checksum), ByteSum(data));
    }
    EXPECT_LT(Compress(text).out.size(), text.size() / 2);
    EXPECT_LT(Compress(Bytes(200000, 0)).out.size(), 200000u / 60 * 11 / 8);
}

TEST(LZHRoundTrip, ScrambledOutputExpandsWithTheKey) {
    const Bytes data = SampleText(20000);
    const int32_t key = 0x5A3C1F07;
    const TRun packed = Compress(data, -(1 << 30), key);
    TCompThreadSafety state;
    TMemoryStream src(packed.out), dst;
    int32_t sum = 0;
    state.RunMethod(src, dst, kLZH, TRunDirection::Expand, true, 20000,
                    static_cast<int32_t>(packed.out.size()), sum, key, 0, nullptr);
    EXPECT_EQ(dst.Bytes(), data);
}

TEST(LZHRoundTrip, OutputBudgetHitExactlyAndByOneByte) {
    const Bytes data = SampleText(50000, 3);
    const TRun free = Compress(data);
    const auto size = static_cast<int32_t>(free.out.size());
    const auto margin = static_cast<int32_t>(data.size()) - size;
    const TRun exact = Compress(data, margin);
    EXPECT_EQ(exact.out, free.out);
    EXPECT_THROW(Compress(data, margin + 1), EUnableToCompress);
    EXPECT_THROW(Compress(RandomBytes(5000, 1), 0), EUnableToCompress);
}

// ---- The decoder on any input ----------------------------------------------------------

TEST(LZHDecoder, ExpandedSizeZeroReadsNothing) {
    TCompThreadSafety state;
    TMemoryStream src(Bytes{1, 2, 3}), dst;
    int32_t sum = -1;
    EXPECT_EQ(state.RunMethod(src, dst, kLZH, TRunDirection::Expand, false, 0, 3, sum, 0, 0,
                              nullptr),
              0);
    EXPECT_EQ(src.Position(), 0);
    EXPECT_TRUE(dst.Bytes().empty());
    EXPECT_EQ(sum, 0);
}

TEST(LZHDecoder, AMatchRunningPastTheSizeIsCutThere) {
    const TRun packed = Compress(Bytes(60, ' '));  // one 60-byte match
    for (int32_t n : {1, 10, 59}) {
        const TRun run = Expand(packed.out, n);
        EXPECT_EQ(run.out, Bytes(static_cast<size_t>(n), ' '));
        EXPECT_EQ(run.written, n);
    }
}

// A stream cut short decodes what it holds and ends where a bit is missing; arbitrary
// input either decodes to the size or ends the same way, never with made-up bytes.
TEST(LZHDecoder, TruncatedOrArbitraryInputEndsWhereABitIsMissing) {
    const Bytes data = SampleText(30000, 4);
    TRun packed = Compress(data);
    packed.out.resize(packed.out.size() / 2);
    TCompThreadSafety state;
    TMemoryStream src(packed.out), dst;
    int32_t sum = 0;
    state.RunMethod(src, dst, kLZH, TRunDirection::Expand, false, 30000,
                    static_cast<int32_t>(packed.out.size()), sum, 0, 0, nullptr);
    EXPECT_TRUE(state.InputOverrun());
    const Bytes& cut = dst.Bytes();
    ASSERT_GT(cut.size(), 1000u);
    ASSERT_LT(cut.size(), 30000u);
    EXPECT_TRUE(std::equal(cut.begin(), cut.end(), data.begin()));
    EXPECT_EQ(static_cast<uint32_t>(sum), ByteSum(cut));

    for (uint32_t seed = 0; seed < 20; ++seed) {
        const Bytes junk = RandomBytes(seed * 37, seed);
        const TRun run = Expand(junk, 12345);
        ASSERT_LE(run.out.size(), 12345u);
        EXPECT_EQ(static_cast<uint32_t>(run.checksum), ByteSum(run.out));
    }
    EXPECT_TRUE(Expand({}, 5000).out.empty());
    EXPECT_TRUE(Expand({}, 300000000).out.empty());  // no padding bomb

    TVectorChannel whole(Compress(data).out);
    EXPECT_TRUE(Decoder(whole).Expand(30000));
    EXPECT_EQ(whole.out, data);
    TVectorChannel shorter(packed.out);
    EXPECT_FALSE(Decoder(shorter).Expand(30000));
}

// A stop answer from the progress handler ends the input: the decoder ends at the first
// bit it lacks, and nothing more is read.
TEST(LZHDecoder, AStopAnswerEndsTheDecoding) {
    const Bytes data = RandomBytes(12000, 12);  // its stream needs two refills
    const Bytes packed = Compress(data).out;
    ASSERT_GT(packed.size(), 8192u);
    int calls = 0;
    const TShowProgressEvent stopAtSecondRefill = [&calls](int32_t& pct) {
        if (++calls == 3) pct = -1;
    };
    TCompThreadSafety state;
    TMemoryStream src(packed), dst;
    int32_t sum = 0;
    state.RunMethod(src, dst, kLZH, TRunDirection::Expand, false, 12000,
                    static_cast<int32_t>(packed.size()), sum, 0, 0, stopAtSecondRefill);
    EXPECT_TRUE(state.Stopped());
    ASSERT_LT(dst.Bytes().size(), 12000u);
    ASSERT_GT(dst.Bytes().size(), 7000u);
    EXPECT_TRUE(std::equal(dst.Bytes().begin(), dst.Bytes().end(), data.begin()));
    EXPECT_EQ(static_cast<uint32_t>(sum), ByteSum(dst.Bytes()));
}

// The next chunk is asked for only when a bit of it is needed: a stream of 8189 bytes
// stored in 17189 reports 0, 47 and 100, and leaves the rest of the source unread.
TEST(LZHDecoder, RefillsOnlyWhenABitOfTheNextChunkIsNeeded) {
    Bytes data;
    Bytes packed;
    for (uint32_t seed = 1; packed.size() != 8189 && seed < 2000; ++seed) {
        data = RandomBytes(8000 + seed % 400, seed);
        packed = Compress(data).out;
    }
    ASSERT_EQ(packed.size(), 8189u);
    Bytes stored = packed;
    stored.resize(17189, 0xAA);
    std::vector<int32_t> calls;
    const TShowProgressEvent record = [&calls](int32_t& pct) { calls.push_back(pct); };
    TCompThreadSafety state;
    TMemoryStream src(stored), dst;
    int32_t sum = 0;
    state.RunMethod(src, dst, kLZH, TRunDirection::Expand, false,
                    static_cast<int32_t>(data.size()), 17189, sum, 0, 0, record);
    EXPECT_EQ(calls, (std::vector<int32_t>{0, 47, 100}));
    EXPECT_EQ(dst.Bytes(), data);
    EXPECT_FALSE(state.InputOverrun());
    EXPECT_EQ(src.Position(), 8192);
}
