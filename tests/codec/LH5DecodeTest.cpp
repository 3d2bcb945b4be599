// The LH5 decoder on streams built field by field: block heads, table and tree codes,
// matches, bad tables, the end of the input and the expanded-size limit.
#include <gtest/gtest.h>

#include <string>

#include "CodecTestUtil.h"

using namespace codectest;

namespace {

TRun Expand(const Bytes& stream, int32_t n, TRunOptions o = {}) {
    o.method = 4;
    o.expandedSize = n;
    return RunCodec(stream, o);
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

std::vector<int> LitLenLengths(std::initializer_list<std::pair<int, int>> symbolLengths) {
    std::vector<int> l(510, 0);
    for (auto [s, len] : symbolLengths) l[static_cast<size_t>(s)] = len;
    return l;
}

// A block whose literal/length alphabet is the single symbol c: every item is c.
TBlockHead RunOf(int c, int items) {
    TBlockHead h;
    h.items = items;
    h.litLen = TAlphabet::Single(c);
    return h;
}

void ExpectBadTable(const Bytes& stream, int32_t n, const char* what) {
    SCOPED_TRACE(what);
    try {
        Expand(stream, n);
        ADD_FAILURE() << "no error";
    } catch (const ELZHBadDecodeTable& e) {
        EXPECT_STREQ(e.what(), "Bad decode table in archive!");
    }
}

}  // namespace

TEST(LH5Decode, SingleSymbolAlphabetsDecodeWithoutConsumingBits) {
    TBitWriter w;
    RunOf('A', 5).Put(w);  // 52 bits: the items cost nothing
    ASSERT_EQ(w.BitCount(), 52);
    EXPECT_EQ(Expand(w.Data(), 5).out, Text("AAAAA"));

    // The window runs 16 bits ahead, so exactly ceil((52 + 16) / 8) = 9 bytes are read,
    // even with more on offer (one byte per read makes every read visible).
    Bytes padded = w.Data();
    padded.resize(20, 0xFF);
    TRunOptions o;
    o.maxPerRead = 1;
    EXPECT_EQ(Expand(padded, 5, o).sourcePosition, 9);

    // A one-symbol code-length alphabet: every literal/length length is that symbol's.
    TBitWriter v;
    TBlockHead h;
    h.items = 8;
    h.codeLengths = TAlphabet::Single(3 + 2);  // length 3 for each of the 8 entries sent
    h.litLen = TAlphabet::Lengths(LitLenLengths({{0, 3}, {1, 3}, {2, 3}, {3, 3}, {4, 3}, {5, 3}, {6, 3}, {7, 3}}));
    h.Put(v);
    for (int c : {7, 0, 3, 5, 1, 6, 2, 4}) h.PutLiteral(v, c);
    EXPECT_EQ(Expand(v.Data(), 8).out, (Bytes{7, 0, 3, 5, 1, 6, 2, 4}));
}

TEST(LH5Decode, CodesUpTo12BitsUseTheTableAndLongerOnesTheTree) {
    // 'A' + i has length i + 1 (1 to 16), 'Z' a second length 16: a complete code.
    std::vector<int> lengths(510, 0);
    for (int i = 0; i < 16; ++i) lengths[static_cast<size_t>('A' + i)] = i + 1;
    lengths['Z'] = 16;
    TBlockHead h;
    h.codeLengths = AllLengthsCodeLengths();
    h.litLen = TAlphabet::Lengths(lengths);
    const std::string text = "LKMNOPZPONMLABCDEFGHIJZZLLPA";
    h.items = static_cast<int>(text.size());
    TBitWriter w;
    h.Put(w);
    for (char c : text) h.PutLiteral(w, c);
    EXPECT_EQ(Expand(w.Data(), h.items).out, Text(text));
}

TEST(LH5Decode, MatchesRepeatEarlierBytesAndTheInitialSpaces) {
    TBlockHead h;
    h.codeLengths = AllLengthsCodeLengths();
    h.litLen = TAlphabet::Lengths(LitLenLengths({{'a', 2}, {'b', 2}, {3 + 253, 3}, {5 + 253, 3}, {509, 2}}));
    h.distance = TAlphabet::Lengths({1, 3, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 2});
    TBitWriter w;
    h.items = 7;
    h.Put(w);
    h.PutMatch(w, 5, 100);   // before the start: the ring's initial spaces
    h.PutMatch(w, 3, 8191);  // the farthest distance: spaces too
    h.PutLiteral(w, 'a');
    h.PutLiteral(w, 'b');
    h.PutMatch(w, 256, 0);   // distance 0: the previous byte, 256 times
    h.PutMatch(w, 5, 1);     // overlapping source: "bb" repeated
    h.PutMatch(w, 3, 4096);  // back across the ring's start, into the spaces
    const Bytes out = Expand(w.Data(), 5 + 3 + 2 + 256 + 5 + 3).out;
    const Bytes expect = Text("        ab" + std::string(256 + 5, 'b') + "   ");
    EXPECT_EQ(out, expect);
}

TEST(LH5Decode, LongMatchesAcrossTheRingsEnd) {
    // 8190 literals then a 256-byte match at distance 300: the copy wraps the ring.
    TBlockHead h;
    h.codeLengths = AllLengthsCodeLengths();
    std::vector<int> lengths(510, 0);
    for (int c = 0; c < 256; ++c) lengths[static_cast<size_t>(c)] = 9;
    lengths[509] = 1;
    h.litLen = TAlphabet::Lengths(lengths);
    h.distance = TAlphabet::Lengths({1, 0, 0, 0, 0, 0, 0, 0, 0, 1});
    Bytes expect;
    TBitWriter w;
    h.items = 8190 + 1;
    h.Put(w);
    for (int i = 0; i < 8190; ++i) {
        const int c = (i * 37 + i / 256) & 0xFF;
        h.PutLiteral(w, c);
        expect.push_back(static_cast<uint8_t>(c));
    }
    h.PutMatch(w, 256, 299);
    for (int k = 0; k < 256; ++k) expect.push_back(expect[expect.size() - 300]);
    EXPECT_EQ(Expand(w.Data(), static_cast<int32_t>(expect.size())).out, expect);
}

TEST(LH5Decode, SpecialPositionFieldSkipsCodeLengthsAfterTheThird) {
    // Code-length lengths {0: 1, 6: 1}; with the field, entries 3-5 are skipped with
    // k = 3 instead of being sent; the stream must decode the same either way.
    TAlphabet codeLengths = TAlphabet::Lengths({1, 0, 0, 0, 0, 0, 1});
    std::vector<int> lit(510, 0);
    for (int c = 'a'; c <= 'p'; ++c) lit[static_cast<size_t>(c)] = 4;
    for (bool useField : {true, false}) {
        TBlockHead h;
        h.items = 5;
        h.codeLengths = codeLengths;
        h.litLen = TAlphabet::Lengths(lit);
        TBitWriter w;
        w.Put(5, 16);
        w.Put(7, 5);
        for (int len : {1, 0, 0}) w.Put(static_cast<uint32_t>(len), 3);
        if (useField) {
            w.Put(3, 2);
        } else {
            w.Put(0, 2);
            for (int k = 0; k < 3; ++k) w.Put(0, 3);
        }
        w.Put(1, 3);
        w.Put('p' + 1, 9);
        for (int i = 0; i <= 'p'; ++i) codeLengths.PutSymbol(w, lit[static_cast<size_t>(i)] == 0 ? 0 : 6);
        w.Put(0, 4);
        w.Put(0, 4);
        for (char c : std::string("hello")) h.PutLiteral(w, c);
        EXPECT_EQ(Expand(w.Data(), 5).out, Text("hello")) << "field used: " << useField;
    }

    // With exactly three lengths the field is still read.
    TBitWriter w;
    w.Put(3, 16);
    w.Put(3, 5);
    for (int len : {1, 1, 0}) w.Put(static_cast<uint32_t>(len), 3);
    w.Put(2, 2);
    w.Put(0, 9);
    w.Put('Z', 9);
    w.Put(0, 4);
    w.Put(0, 4);
    EXPECT_EQ(Expand(w.Data(), 3).out, Text("ZZZ"));
}

TEST(LH5Decode, BlocksFollowEachOtherAndAnItemCountOf0Means65536) {
    TBitWriter w;
    RunOf('k', 0).Put(w);
    RunOf('m', 3).Put(w);
    RunOf('n', 2).Put(w);
    Bytes expect(65536, 'k');
    for (char c : std::string("mmmnn")) expect.push_back(static_cast<uint8_t>(c));
    const TRun r = Expand(w.Data(), static_cast<int32_t>(expect.size()));
    EXPECT_EQ(r.out, expect);
    EXPECT_EQ(static_cast<uint32_t>(r.checksum), ByteSum(expect));
}

TEST(LH5Decode, ZeroRunsMayReachButNotPassTheLastEntry) {
    // Code-length symbols 2 (a run of 20-531 zeros) and 3 (length 1).
    const TAlphabet codeLengths = TAlphabet::Lengths({0, 0, 1, 1});
    auto stream = [&](int run) {
        TBitWriter w;
        w.Put(2, 16);
        PutAuxAlphabet(w, codeLengths, 5, true);
        w.Put(510, 9);
        codeLengths.PutSymbol(w, 3);
        codeLengths.PutSymbol(w, 3);
        codeLengths.PutSymbol(w, 2);
        w.Put(static_cast<uint32_t>(run - 20), 9);
        w.Put(0, 4);
        w.Put(0, 4);
        w.Put(0b10, 2);  // literal 1, literal 0
        return w.Data();
    };
    EXPECT_EQ(Expand(stream(508), 2).out, (Bytes{1, 0}));
    ExpectBadTable(stream(509), 2, "zero run past entry 509");
    ExpectBadTable(stream(531), 2, "longest zero run");
}

TEST(LH5Decode, BadTablesRaiseTheDecoderError) {
    auto head = [](const TBlockHead& h) {
        TBitWriter w;
        h.Put(w);
        w.Put(0, 32);
        return w.Data();
    };
    auto rawHead = [](auto writeFields) {
        TBitWriter w;
        w.Put(1, 16);
        writeFields(w);
        w.Put(0, 32);
        return w.Data();
    };
    TBlockHead h = RunOf('a', 1);

    h.litLen = TAlphabet::Lengths(LitLenLengths({{'a', 1}, {'b', 2}}));
    h.codeLengths = AllLengthsCodeLengths();
    ExpectBadTable(head(h), 1, "incomplete literal/length lengths");
    h = RunOf('a', 1);
    h.distance = TAlphabet::Lengths({1, 2});
    ExpectBadTable(head(h), 1, "incomplete distance lengths");
    h = RunOf('a', 1);
    h.codeLengths = TAlphabet::Lengths({1, 0});
    ExpectBadTable(head(h), 1, "incomplete code-length lengths");
    h.codeLengths = TAlphabet::Lengths({1, 1, 1, 1});
    ExpectBadTable(head(h), 1, "over-full lengths summing to 2 x 65536");
    h.codeLengths = TAlphabet::Lengths({17, 1, 0, 0, 0});
    ExpectBadTable(head(h), 1, "code length 17");
    h.codeLengths = TAlphabet::Lengths(std::vector<int>(19, 20));
    ExpectBadTable(head(h), 1, "code length 20 (the unary code's limit)");

    ExpectBadTable(rawHead([](TBitWriter& w) { w.Put(20, 5); }), 1, "20 code lengths");
    // Fields as (value, width) pairs after the item count.
    auto fields = [&](std::initializer_list<std::pair<uint32_t, int>> f) {
        return rawHead([&](TBitWriter& w) {
            for (auto [v, width] : f) w.Put(v, width);
        });
    };
    ExpectBadTable(fields({{0, 5}, {0, 5}, {511, 9}}), 1, "511 literal/length lengths");
    ExpectBadTable(fields({{0, 5}, {0, 5}, {0, 9}, {'a', 9}, {15, 4}}), 1, "15 distance lengths");
    ExpectBadTable(fields({{0, 5}, {19, 5}}), 1, "single code-length symbol 19");
    ExpectBadTable(fields({{0, 5}, {0, 5}, {0, 9}, {510, 9}}), 1, "single literal/length symbol 510");
    ExpectBadTable(fields({{0, 5}, {0, 5}, {0, 9}, {'a', 9}, {0, 4}, {14, 4}}), 1,
                   "single distance symbol 14");
}

TEST(LH5Decode, BadTableLeavesTheFlushedOutputInTheDestination) {
    TBitWriter w;
    RunOf('q', 9000).Put(w);
    TBlockHead bad = RunOf('a', 1);
    bad.codeLengths = TAlphabet::Lengths({1, 0});
    bad.Put(w);
    TCompThreadSafety state;
    TMemoryStream src(w.Data()), dst;
    int32_t sum = 0;
    EXPECT_THROW(state.RunMethod(src, dst, 4, TRunDirection::Expand, false, 10000,
                                 static_cast<int32_t>(src.Size()), sum, 0, 0, nullptr),
                 ELZHBadDecodeTable);
    EXPECT_EQ(dst.Bytes(), Bytes(8192, 'q'));
}

TEST(LH5Decode, NeverWritesPastTheExpandedSize) {
    // A corrupt end: the last match (256 bytes) reaches past the expanded size.
    TBlockHead h;
    h.items = 2;
    h.codeLengths = AllLengthsCodeLengths();
    h.litLen = TAlphabet::Lengths(LitLenLengths({{'x', 1}, {509, 1}}));
    TBitWriter w;
    h.Put(w);
    h.PutLiteral(w, 'x');
    h.PutMatch(w, 256, 0);
    for (int32_t n : {1, 2, 100, 256, 257}) {
        const TRun r = Expand(w.Data(), n);
        EXPECT_EQ(r.out, Bytes(static_cast<size_t>(n), 'x')) << n;
        EXPECT_EQ(static_cast<uint32_t>(r.checksum), ByteSum(r.out));
    }
}

TEST(LH5Decode, EmptyEntryReadsAndWritesNothing) {
    TRunOptions o;
    o.maxPerRead = 1;
    const TRun r = Expand(Bytes{1, 2, 3}, 0, o);
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(r.checksum, 0);
    EXPECT_EQ(r.sourcePosition, 0);
}

// Past the end of the input the window shows zero bits, which lookups may peek at, but
// a code that uses one ends the run as an overrun instead of decoding made-up data.
TEST(LH5Decode, BitsUsedPastTheEndOfInputEndTheRun) {
    const TRun none = Expand(Bytes{}, 300000000);  // a zero stream would decode to zeros
    EXPECT_TRUE(none.overrun);
    EXPECT_TRUE(none.out.empty());
    EXPECT_TRUE(Expand(Bytes{0x00, 0x02}, 5).overrun);

    TBitWriter w;
    RunOf('r', 4).Put(w);
    const Bytes whole = w.Data();
    const TRun all = Expand(whole, 4);
    EXPECT_FALSE(all.overrun);  // its last code ends inside the last byte
    EXPECT_EQ(all.out, Bytes(4, 'r'));
    const TRun more = Expand(whole, 6);
    EXPECT_TRUE(more.overrun);
    EXPECT_EQ(more.out, Bytes(4, 'r'));
    const Bytes cut(whole.begin(), whole.end() - 1);
    EXPECT_TRUE(Expand(cut, 4).overrun);
}
