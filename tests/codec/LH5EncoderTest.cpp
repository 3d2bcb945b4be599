// The LH5 encoder through RunMethod: exact bytes for the smallest inputs, the items it
// chooses, code-length limiting, the output budget, and round trips checked by a
// deliberately simple reader written here and by external LHA extractors.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <queue>
#include <random>
#include <string>
#include <vector>

#include "codec/Codec.h"
#include "runtime/Stream.h"
#include "tests/support/Lha.h"

namespace {
using Bytes = std::vector<uint8_t>;

constexpr int kLH5 = 4;

// Compresses with LH5; `margin` lowers the output budget below the input size
// (negative margins raise it).
Bytes Compress(const Bytes& in, int32_t* checksum = nullptr, int32_t margin = -(1 << 30),
               int32_t key = 0) {
    TCompThreadSafety state;
    TMemoryStream src(in), dst;
    int32_t sum = 0;
    const int32_t written =
        state.RunMethod(src, dst, kLH5, TRunDirection::Compress, false, 0,
                        static_cast<int32_t>(in.size()), sum, key, margin, nullptr);
    EXPECT_EQ(written, static_cast<int32_t>(dst.Bytes().size()));
    if (checksum) *checksum = sum;
    return dst.Bytes();
}

Bytes Expand(const Bytes& stream, size_t size, int32_t* checksum = nullptr) {
    TCompThreadSafety state;
    TMemoryStream src(stream), dst;
    int32_t sum = 0;
    state.RunMethod(src, dst, kLH5, TRunDirection::Expand, false, static_cast<int32_t>(size),
                    static_cast<int32_t>(stream.size()), sum, 0, 0, nullptr);
    if (checksum) *checksum = sum;
    return dst.Bytes();
}

uint32_t ByteSum(const Bytes& b) {
    uint32_t s = 0;
    for (uint8_t x : b) s += x;
    return s;
}

// ---- A plain reader of the stream's structure ------------------------------------------
// Bit by bit and canonical-code by canonical-code, so that it shares no shortcut with the
// coders it checks. It records every block's head and items and rebuilds the bytes.

struct Item {
    int symbol;    // 0..255 literal, 256..509 match of length symbol - 253
    int distance;  // for matches: the source is distance + 1 bytes back
};

struct Block {
    int itemCount = 0;
    int codeLenCount = 0, litLenCount = 0, distCount = 0;  // the three count fields
    std::vector<int> litLenLengths;                         // 510 entries
    std::vector<int> distLengths;                           // 14 entries
    std::vector<Item> items;
};

class Reader {
public:
    explicit Reader(const Bytes& stream) : s_(stream) {}

    // Reads blocks until `size` bytes are rebuilt; false (with `error` set) on anything
    // the format does not allow.
    bool Read(size_t size) {
        std::vector<uint8_t> ring(8192, 0x20);
        size_t r = 0;
        while (out.size() < size) {
            if (!ReadBlock()) return false;
            for (const Item& it : blocks.back().items) {
                if (it.symbol < 256) {
                    ring[r++ & 8191] = static_cast<uint8_t>(it.symbol);
                    out.push_back(static_cast<uint8_t>(it.symbol));
                } else {
                    const size_t from = r - it.distance - 1;
                    for (int k = 0; k < it.symbol - 253; ++k) {
                        const uint8_t b = ring[(from + k) & 8191];
                        ring[r++ & 8191] = b;
                        out.push_back(b);
                    }
                }
            }
        }
        if (bit_ > s_.size() * 8) return Fail("stream too short");
        if ((bit_ + 7) / 8 != s_.size()) return Fail("trailing bytes after the last block");
        return true;
    }

    std::vector<Block> blocks;
    Bytes out;
    std::string error;

private:
    struct Code {
        std::vector<int> lengths;
        int single = -1;  // the one symbol of a count-0 alphabet
    };

    bool Fail(const std::string& why) {
        if (error.empty()) error = why + " at bit " + std::to_string(bit_);
        return false;
    }
    unsigned Bit() {
        const size_t i = bit_++;
        return i / 8 < s_.size() ? (s_[i / 8] >> (7 - i % 8)) & 1 : 0;
    }
    unsigned Bits(int n) {
        unsigned v = 0;
        while (n-- > 0) v = (v << 1) | Bit();
        return v;
    }
    static bool Complete(const std::vector<int>& lengths) {
        uint64_t kraft = 0;
        for (int l : lengths) {
            if (l > 16) return false;
            if (l) kraft += uint64_t{1} << (16 - l);
        }
        return kraft == (uint64_t{1} << 16);
    }
    int Decode(const Code& c) {
        if (c.single >= 0) return c.single;
        int code = 0, first = 0;
        for (int l = 1; l <= 16; ++l) {
            code |= static_cast<int>(Bit());
            int index = 0;
            for (size_t s = 0; s < c.lengths.size(); ++s) {
                if (c.lengths[s] != l) continue;
                if (code - first == index) return static_cast<int>(s);
                ++index;
            }
            first = (first + index) << 1;
            code <<= 1;
        }
        return -1;
    }
    bool ReadAux(int m, int width, int special, Code& c, int& count) {
        count = static_cast<int>(Bits(width));
        c.lengths.assign(m, 0);
        if (count == 0) {
            c.single = static_cast<int>(Bits(width));
            return c.single < m || Fail("single symbol out of range");
        }
        if (count > m) return Fail("count field above the alphabet");
        for (int i = 0; i < count;) {
            int len = static_cast<int>(Bits(3));
            if (len == 7)
                while (Bit()) ++len;
            c.lengths[i++] = len;
            if (i == special) i += static_cast<int>(Bits(2));
        }
        return Complete(c.lengths) || Fail("incomplete auxiliary code");
    }
    bool ReadBlock() {
        Block b;
        b.itemCount = static_cast<int>(Bits(16));
        if (b.itemCount == 0) b.itemCount = 65536;
        Code lenCode, litLen, dist;
        if (!ReadAux(19, 5, 3, lenCode, b.codeLenCount)) return false;
        b.litLenCount = static_cast<int>(Bits(9));
        litLen.lengths.assign(510, 0);
        if (b.litLenCount == 0) {
            litLen.single = static_cast<int>(Bits(9));
        } else {
            for (int i = 0; i < b.litLenCount;) {
                const int c = Decode(lenCode);
                if (c < 0) return Fail("bad code-length symbol");
                int zeros = c == 0 ? 1 : c == 1 ? static_cast<int>(Bits(4)) + 3
                                       : c == 2 ? static_cast<int>(Bits(9)) + 20 : 0;
                if (i + zeros > 510) return Fail("zero run past the alphabet");
                if (zeros) {
                    i += zeros;
                } else {
                    litLen.lengths[i++] = c - 2;
                }
            }
            if (!Complete(litLen.lengths)) return Fail("incomplete literal/length code");
        }
        if (!ReadAux(14, 4, -1, dist, b.distCount)) return false;
        b.litLenLengths = litLen.lengths;
        b.distLengths = dist.lengths;
        for (int i = 0; i < b.itemCount; ++i) {
            const int c = Decode(litLen);
            if (c < 0) return Fail("bad literal/length code");
            Item it{c, 0};
            if (c >= 256) {
                const int k = Decode(dist);
                if (k < 0) return Fail("bad distance code");
                it.distance = k <= 1 ? k : (1 << (k - 1)) + static_cast<int>(Bits(k - 1));
            }
            b.items.push_back(it);
        }
        blocks.push_back(std::move(b));
        return true;
    }

    const Bytes& s_;
    size_t bit_ = 0;
};

// Reads `stream` with the plain reader and with ExpandLH5 and checks that both rebuild
// `original` exactly; returns the plain reader's view of the blocks.
Reader ReadBack(const Bytes& stream, const Bytes& original) {
    Reader r(stream);
    EXPECT_TRUE(r.Read(original.size())) << r.error;
    EXPECT_TRUE(r.out == original) << "rebuilt bytes differ";
    int32_t sum = 0;
    EXPECT_TRUE(Expand(stream, original.size(), &sum) == original) << "ExpandLH5 differs";
    EXPECT_EQ(static_cast<uint32_t>(sum), ByteSum(original));
    return r;
}

// ---- Data ------------------------------------------------------------------------------

Bytes RandomBytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& x : b) x = static_cast<uint8_t>(rng());
    return b;
}

// Words from a small vocabulary: text-like, with many short and medium matches.
Bytes TextLike(size_t n, uint32_t seed) {
    static const char* const words[] = {"the ",    "archive ", "entry ",  "of ",     "codec ",
                                        "window ", "match ",   "block ",  "Huffman ", "length ",
                                        "and ",    "a ",       "bytes\n", "stream ", "tree "};
    std::mt19937 rng(seed);
    Bytes b;
    while (b.size() < n) {
        const char* w = words[rng() % 15];
        while (*w && b.size() < n) b.push_back(static_cast<uint8_t>(*w++));
    }
    return b;
}

// Symbol i (0..count-1) drawn with weight proportional to the (i+1)th Fibonacci number.
Bytes FibonacciSkewed(size_t n, int count, uint32_t seed) {
    std::vector<double> w{1, 1};
    while (static_cast<int>(w.size()) < count) w.push_back(w[w.size() - 1] + w[w.size() - 2]);
    std::discrete_distribution<int> pick(w.begin(), w.end());
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& x : b) x = static_cast<uint8_t>('A' + pick(rng));
    return b;
}

// 12440 literals whose counts give a Huffman tree 17 levels deep: twelve symbols with
// the Fibonacci counts 1, 1, 2, ..., 144 and 32 symbols of 377 each, ordered so that no
// three-byte string repeats within the window. A single match would add a small count
// and flatten the tree, so an order that cannot avoid one is thrown away.
Bytes DeepTreeLiterals() {
    std::vector<uint8_t> symbol;
    std::vector<int> count;
    for (int i = 0, a = 1, b = 1; i < 12; ++i, b += a, a = b - a) {
        symbol.push_back(static_cast<uint8_t>('a' + i));
        count.push_back(a);
    }
    for (int i = 0; i < 32; ++i) {
        symbol.push_back(static_cast<uint8_t>(0x80 + i));
        count.push_back(377);
    }
    const size_t kinds = symbol.size();
    for (uint32_t seed = 1;; ++seed) {
        std::mt19937 rng(seed);
        std::vector<int> left = count;
        int total = 12440;
        std::vector<int> lastSeen(1 << 18, -(1 << 20));  // by the three symbols' indexes
        std::vector<int> index;
        auto key = [&](size_t next) {
            const size_t n = index.size();
            return (index[n - 2] << 12) | (index[n - 1] << 6) | static_cast<int>(next);
        };
        bool stuck = false;
        while (total > 0 && !stuck) {
            int r = static_cast<int>(rng() % static_cast<uint32_t>(total));
            size_t pick = 0;
            while (r >= left[pick]) r -= left[pick++];
            const int n = static_cast<int>(index.size());
            size_t tries = 0;
            for (; tries < kinds; ++tries) {
                const size_t j = (pick + tries) % kinds;
                if (left[j] > 0 && (n < 2 || n - lastSeen[key(j)] > 8192)) {
                    pick = j;
                    break;
                }
            }
            if (tries == kinds) {
                stuck = true;
                break;
            }
            if (n >= 2) lastSeen[key(pick)] = n;
            index.push_back(static_cast<int>(pick));
            --left[pick];
            --total;
        }
        if (stuck) continue;
        Bytes out;
        for (int i : index) out.push_back(symbol[i]);
        return out;
    }
}

// Up to 65536 bytes in which no two-byte string occurs twice, so nothing matches: the
// order-2 de Bruijn sequence 0, 0 1, 0 2, ..., 0 255, 1, 1 2, ..., 255.
Bytes NoRepeats(size_t n) {
    Bytes b;
    for (int a = 0; a < 256; ++a) {
        b.push_back(static_cast<uint8_t>(a));
        for (int c = a + 1; c < 256; ++c) {
            b.push_back(static_cast<uint8_t>(a));
            b.push_back(static_cast<uint8_t>(c));
        }
    }
    b.resize(n);
    return b;
}

// Depth of the deepest leaf of a Huffman tree for these frequencies (no length limit).
int HuffmanDepth(const std::vector<int>& freq) {
    using Node = std::pair<long, int>;  // weight, depth of the subtree
    std::priority_queue<Node, std::vector<Node>, std::greater<Node>> heap;
    for (int f : freq)
        if (f) heap.push({f, 0});
    if (heap.size() < 2) return 0;
    while (heap.size() > 1) {
        const Node a = heap.top();
        heap.pop();
        const Node b = heap.top();
        heap.pop();
        heap.push({a.first + b.first, std::max(a.second, b.second) + 1});
    }
    return heap.top().second;
}

}  // namespace

// ---- Exact output for the smallest inputs ------------------------------------------------

TEST(LH5Encoder, EmptyInputWritesNothing) {
    int32_t sum = -1;
    EXPECT_TRUE(Compress({}, &sum).empty());
    EXPECT_EQ(sum, 0);
    // Not even with the real budget of 0 bytes: nothing is written, so nothing overflows.
    EXPECT_TRUE(Compress({}, nullptr, 0).empty());
}

TEST(LH5Encoder, OneByteIsOneBlockOfOneLiteral) {
    // Item count 1; code-length count 0 and symbol 0; literal/length count 0 and symbol
    // 0x41; distance count 0 and symbol 0; the literal itself costs no bits.
    //   0000000000000001 00000 00000 000000000 001000001 0000 0000 + 4 bits of padding
    int32_t sum = 0;
    const Bytes out = Compress({0x41}, &sum);
    EXPECT_EQ(out, (Bytes{0x00, 0x01, 0x00, 0x00, 0x04, 0x10, 0x00}));
    EXPECT_EQ(sum, 0x41);

    const Reader r = ReadBack(out, {0x41});
    ASSERT_EQ(r.blocks.size(), 1u);
    EXPECT_EQ(r.blocks[0].itemCount, 1);
    EXPECT_EQ(r.blocks[0].codeLenCount, 0);
    EXPECT_EQ(r.blocks[0].litLenCount, 0);
    EXPECT_EQ(r.blocks[0].distCount, 0);
}

TEST(LH5Encoder, ABlockWithoutMatchesSendsTheDistanceAlphabetAsOneSymbol) {
    const Bytes in = {'a', 'b', 'c', 'd', 'e'};
    const Reader r = ReadBack(Compress(in), in);
    ASSERT_EQ(r.blocks.size(), 1u);
    EXPECT_EQ(r.blocks[0].itemCount, 5);
    EXPECT_GT(r.blocks[0].litLenCount, 0);
    EXPECT_EQ(r.blocks[0].distCount, 0);
    for (const Item& it : r.blocks[0].items) EXPECT_LT(it.symbol, 256);
}

// ---- The items chosen -------------------------------------------------------------------

TEST(LH5Encoder, ARunIsOneLiteralThenDistanceZeroMatchesOfUpTo256) {
    const Bytes in(1000, 'x');
    const Reader r = ReadBack(Compress(in), in);
    ASSERT_EQ(r.blocks.size(), 1u);
    const auto& items = r.blocks[0].items;
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].symbol, 'x');
    const int lengths[] = {256, 256, 256, 231};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(items[i + 1].symbol - 253, lengths[i]) << "item " << i + 1;
        EXPECT_EQ(items[i + 1].distance, 0) << "item " << i + 1;
    }
}

TEST(LH5Encoder, TakesFullLengthMatchesAndKeepsFindingThem) {
    // A 300-byte random pattern repeated: after the first copy everything is matches at
    // distance 299, 256 bytes at a time; the repeats also exercise the replacement of a
    // leaf by a newer one with the same 256-byte string.
    const Bytes unit = RandomBytes(300, 7);
    Bytes in;
    for (int i = 0; i < 40; ++i) in.insert(in.end(), unit.begin(), unit.end());
    const Reader r = ReadBack(Compress(in), in);
    size_t literals = 0, full = 0;
    for (const Block& b : r.blocks)
        for (const Item& it : b.items) {
            if (it.symbol < 256) {
                ++literals;
                continue;
            }
            EXPECT_EQ(it.distance, 299);
            if (it.symbol == 509) ++full;
        }
    EXPECT_EQ(literals, 300u);
    EXPECT_EQ(full, (in.size() - 300) / 256);
}

TEST(LH5Encoder, PrefersALongerMatchAtTheNextPosition) {
    // At "XabcdefY" the string "Xab" matches 3 bytes, but one byte later "abcdef"
    // matches 6: one step of lazy matching sends X as a literal and then the long match.
    const std::string s = "Xab..abcdef..XabcdefY";
    const Bytes in(s.begin(), s.end());
    const Reader r = ReadBack(Compress(in), in);
    const auto& items = r.blocks.at(0).items;
    std::vector<int> got;
    for (const Item& it : items) got.push_back(it.symbol);
    const std::vector<int> expect = {'X', 'a', 'b', '.', '.', 'a', 'b', 'c', 'd', 'e', 'f',
                                     '.', '.', 'X', 6 + 253, 'Y'};
    EXPECT_EQ(got, expect);
    EXPECT_EQ(items[14].distance, 8);
}

// ---- Code lengths ----------------------------------------------------------------------

TEST(LH5Encoder, LimitsCodesThatWouldPass16Bits) {
    // Fibonacci-weighted symbols make a Huffman tree deeper than 16 levels; the code sent
    // must be cut down to 16 bits, stay a complete prefix code, and still decode.
    const Bytes in = DeepTreeLiterals();
    const Bytes out = Compress(in);
    const Reader r = ReadBack(out, in);
    ASSERT_EQ(r.blocks.size(), 1u);
    const Block& b = r.blocks[0];
    std::vector<int> freq(510, 0);
    for (const Item& it : b.items) ++freq[it.symbol];
    ASSERT_GT(HuffmanDepth(freq), 16) << "the data no longer needs limiting";
    EXPECT_EQ(*std::max_element(b.litLenLengths.begin(), b.litLenLengths.end()), 16);

    Bytes got;
    TVX_EXTRACT_OR_SKIP(tvxtest::Extractor::Lhasa, tvxtest::MakeLhaArchive("-lh5-", out, in),
                        got);
    EXPECT_TRUE(got == in);
}

// ---- Blocks ------------------------------------------------------------------------------

TEST(LH5Encoder, CutsBlocksWhenTheItemBufferFills) {
    // Without matches every item is a literal: 9 buffered bytes per 8 items, so a block
    // closes at the first group boundary at or after 16360 bytes, after 14544 items.
    const Bytes in = NoRepeats(40000);
    const Reader r = ReadBack(Compress(in), in);
    ASSERT_EQ(r.blocks.size(), 3u);
    EXPECT_EQ(r.blocks[0].itemCount, 14544);
    EXPECT_EQ(r.blocks[1].itemCount, 14544);
    EXPECT_EQ(r.blocks[2].itemCount, 40000 - 2 * 14544);
}

TEST(LH5Encoder, ABlockOfLongMatchesCoversMegabytes) {
    // Matches take 3 buffered bytes each, so one block of 256-byte matches stands for
    // about 1.4 MB of input.
    const Bytes in(3u << 20, 0);
    const Reader r = ReadBack(Compress(in), in);
    ASSERT_EQ(r.blocks.size(), 3u);
    EXPECT_EQ(r.blocks[0].itemCount, 5240);  // 1 literal, then whole groups of matches
}

// ---- Budget, checksum, key ---------------------------------------------------------------

TEST(LH5Encoder, OutputMayFillTheBudgetExactlyButNotPassIt) {
    const Bytes in = TextLike(20000, 5);
    const Bytes free = Compress(in);
    const auto size = static_cast<int32_t>(in.size());
    const auto packed = static_cast<int32_t>(free.size());
    ASSERT_LT(packed, size);

    int32_t sum = 0;
    EXPECT_EQ(Compress(in, &sum, size - packed), free);
    EXPECT_EQ(static_cast<uint32_t>(sum), ByteSum(in));
    EXPECT_THROW(Compress(in, nullptr, size - packed + 1), EUnableToCompress);
    // Random data does not fit in its own size: with the ordinary budget it must fail.
    EXPECT_THROW(Compress(RandomBytes(5000, 1), nullptr, 0), EUnableToCompress);
}

TEST(LH5Encoder, ChecksumIsTheByteSumAndTheKeyScramblesTheOutput) {
    const Bytes in = TextLike(30000, 9);
    int32_t sum = 0;
    const Bytes plain = Compress(in, &sum);
    EXPECT_EQ(static_cast<uint32_t>(sum), ByteSum(in));
    int32_t keyedSum = 0;
    const int32_t key = 0x5A3C0F01;
    const Bytes keyed = Compress(in, &keyedSum, -(1 << 30), key);
    ASSERT_EQ(keyed.size(), plain.size());
    for (size_t i = 0; i < plain.size(); ++i)
        ASSERT_EQ(keyed[i], plain[i] ^ static_cast<uint8_t>(key >> (8 * (i % 4)))) << i;
    EXPECT_EQ(keyedSum, sum);
}

// ---- Round trips ---------------------------------------------------------------------------

TEST(LH5Encoder, RoundTripsEdgeSizesAndKindsOfData) {
    for (size_t n : {0u, 1u, 2u, 3u, 4u, 255u, 256u, 257u, 8191u, 8192u, 8193u, 8448u, 8449u,
                     16383u, 16384u, 16385u, 24577u}) {
        SCOPED_TRACE("size " + std::to_string(n));
        for (const Bytes& in : {TextLike(n, 1), RandomBytes(n, 2), Bytes(n, 0x20),
                                FibonacciSkewed(n, 12, 4)})
            ReadBack(Compress(in), in);
    }
}

TEST(LH5Encoder, RoundTripsDataThatSlidesManyTimes) {
    // Mixed data over many window slides: repeats at every distance up to the window,
    // stretches of random bytes and of runs.
    std::mt19937 rng(17);
    Bytes in = TextLike(30000, 3);
    while (in.size() < 400000) {
        switch (rng() % 4) {
            case 0: {
                const size_t back = 1 + rng() % std::min<size_t>(in.size(), 8190);
                const size_t len = 1 + rng() % 600;
                for (size_t i = 0; i < len; ++i) in.push_back(in[in.size() - back]);
                break;
            }
            case 1: {
                const Bytes r = RandomBytes(rng() % 3000, rng());
                in.insert(in.end(), r.begin(), r.end());
                break;
            }
            case 2: in.insert(in.end(), rng() % 2000, static_cast<uint8_t>(rng())); break;
            default: {
                const Bytes t = TextLike(rng() % 5000, rng());
                in.insert(in.end(), t.begin(), t.end());
            }
        }
    }
    int32_t sum = 0;
    const Bytes out = Compress(in, &sum);
    EXPECT_EQ(static_cast<uint32_t>(sum), ByteSum(in));
    ReadBack(out, in);
}

// ---- Independent decoders -------------------------------------------------------------------

class LH5Interop : public testing::TestWithParam<tvxtest::Extractor> {};

TEST_P(LH5Interop, ExtractorsRebuildOurStreams) {
    if (!tvxtest::HaveExtractor(GetParam()))
        GTEST_SKIP() << tvxtest::ExtractorProgram(GetParam()) << " is not installed";
    std::vector<std::pair<std::string, Bytes>> cases = {
        {"one byte", {0x41}},
        {"8191 text", TextLike(8191, 1)},
        {"8192 random", RandomBytes(8192, 2)},
        {"8193 text", TextLike(8193, 3)},
        {"run of 70000", Bytes(70000, 0xFF)},
        {"repeated pattern", {}},
        {"skewed", FibonacciSkewed(50000, 24, 3)},
        {"codes cut to 16 bits", DeepTreeLiterals()},
        {"three blocks of literals", RandomBytes(40000, 11)},
        {"200000 text", TextLike(200000, 4)},
    };
    const Bytes unit = RandomBytes(300, 7);
    for (int i = 0; i < 40; ++i) cases[5].second.insert(cases[5].second.end(), unit.begin(), unit.end());

    for (const auto& [name, in] : cases) {
        SCOPED_TRACE(name);
        const Bytes archive = tvxtest::MakeLhaArchive("-lh5-", Compress(in), in);
        std::string log;
        const auto got = tvxtest::ExtractLha(GetParam(), archive, "data.bin", &log);
        ASSERT_TRUE(got.has_value()) << log;
        EXPECT_TRUE(*got == in);
    }
}

INSTANTIATE_TEST_SUITE_P(Tools, LH5Interop,
                         testing::Values(tvxtest::Extractor::Lhasa, tvxtest::Extractor::SevenZip),
                         [](const auto& info) {
                             return std::string(info.param == tvxtest::Extractor::Lhasa
                                                    ? "lhasa"
                                                    : "sevenzip");
                         });
