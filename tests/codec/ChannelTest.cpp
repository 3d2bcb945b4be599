// The byte channel and RunMethod: progress and the stop answer, read and write sizes,
// where the source is left, scrambling, the output budget and the checksum.
#include <gtest/gtest.h>

#include "CodecTestUtil.h"

using namespace codectest;

namespace {
Bytes Pattern(size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 7 + i / 251);
    return b;
}
}  // namespace

TEST(Channel, StopAnswerToTheFirstCallReadsAndWritesNothing) {
    for (int method : {0, 1, 4}) {
        TRunOptions o;
        o.method = method;
        o.expandedSize = 100;
        o.stopAtCall = 0;
        const TRun r = RunCodec(Pattern(100), o);
        EXPECT_EQ(r.result, 0);
        EXPECT_EQ(r.checksum, -12345) << "checksum variable must stay untouched";
        EXPECT_TRUE(r.out.empty());
        EXPECT_EQ(r.sourcePosition, 0);
        EXPECT_EQ(r.progress, (std::vector<int32_t>{0}));
    }
}

TEST(Channel, StopAnswerAtALaterRefillEndsTheStoredCopyWithTheChunkUnused) {
    const Bytes in = Pattern(20000);
    TRunOptions o;
    o.stopAtCall = 2;  // the second refill (16384 of 20000 bytes read)
    const TRun r = RunCodec(in, o);
    EXPECT_EQ(r.progress, (std::vector<int32_t>{0, 40, 81, 100}));
    EXPECT_EQ(r.out, Bytes(in.begin(), in.begin() + 8192));
    EXPECT_EQ(r.sourcePosition, 16384);
    EXPECT_EQ(static_cast<uint32_t>(r.checksum), ByteSum(r.out));

    o.method = 1;  // run-length decoding stops the same way
    const TRun rle = RunCodec(Bytes(20000, 0x41), o);
    EXPECT_EQ(rle.out, Bytes(8192, 0x41));
}

TEST(Channel, ProgressPercentagesAroundTheHundredThousandByteRule) {
    TRunOptions o;
    EXPECT_EQ(RunCodec(Pattern(483), o).progress, (std::vector<int32_t>{0, 100, 100}));

    const TRun at = RunCodec(Pattern(100000), o);
    ASSERT_EQ(at.progress.size(), 15u);
    EXPECT_EQ(at.progress[1], 8192 * 100 / 100000);
    EXPECT_EQ(at.progress[13], 100);
    const TRun over = RunCodec(Pattern(100001), o);
    ASSERT_EQ(over.progress.size(), 15u);
    EXPECT_EQ(over.progress[1], 8);
    EXPECT_EQ(over.progress[12], 98304 / 1000);
    EXPECT_EQ(over.progress[13], 100);

    // The two rules round differently: 99000 of 100099 is 98 by a*100/b but 99 by
    // a/(b/100). Reads of 4950 bytes reach 99000 after 20 refills.
    o.maxPerRead = 4950;
    EXPECT_EQ(RunCodec(Pattern(100099), o).progress[20], 99);
    EXPECT_EQ(ProgressPercent(99000, 100099), 99);
    EXPECT_EQ(ProgressPercent(2147483647, 2147483647), 100);
}

TEST(Channel, ReadsAtMost8192BytesAtATimeAndNeverPastTheSourceSize) {
    TCompThreadSafety state;
    TRecordingSource src(Pattern(30000));
    TRecordingDest dst;
    int32_t sum = 0;
    state.RunMethod(src, dst, 0, TRunDirection::Expand, false, 17000, 17000, sum, 0, 0, nullptr);
    EXPECT_EQ(src.Requests, (std::vector<int32_t>{8192, 8192, 616}));
    EXPECT_EQ(src.Position(), 17000) << "the next entry starts right after the stored bytes";
    EXPECT_EQ(dst.Writes, (std::vector<int32_t>{8192, 8192, 616}));

    TRecordingSource empty(Pattern(10));
    TRecordingDest none;
    sum = -1;
    state.RunMethod(empty, none, 1, TRunDirection::Expand, false, 0, 0, sum, 0, 0, nullptr);
    EXPECT_TRUE(empty.Requests.empty());
    EXPECT_TRUE(none.Writes.empty());
    EXPECT_EQ(sum, 0);
}

TEST(Channel, ShortReadsAreTakenAsTheyComeAndAnEmptyReadEndsTheInput) {
    TRunOptions o;
    o.maxPerRead = 1000;
    const Bytes in = Pattern(5000);
    EXPECT_EQ(RunCodec(in, o).out, in);
    o.sourceSize = 6000;  // the stream has 5000: the read that delivers 0 ends the copy
    const TRun r = RunCodec(in, o);
    EXPECT_EQ(r.out, in);
    EXPECT_EQ(static_cast<uint32_t>(r.checksum), ByteSum(in));
}

TEST(Channel, ScramblesWrittenBytesAndDescramblesReadBytesWithTheKey) {
    TRunOptions o;
    o.direction = TRunDirection::Compress;
    o.key = 0x04030201;
    o.margin = -100;
    const TRun packed = RunCodec(Bytes(10, 0), o);
    EXPECT_EQ(packed.out, (Bytes{1, 2, 3, 4, 1, 2, 3, 4, 1, 2}));
    EXPECT_EQ(packed.checksum, 0) << "compressing sums the unscrambled input";

    const Bytes in = Pattern(20000);
    const TRun locked = RunCodec(in, o);
    TRunOptions e;
    e.key = o.key;
    e.descramble = true;
    const TRun back = RunCodec(locked.out, e);
    EXPECT_EQ(back.out, in);
    EXPECT_EQ(static_cast<uint32_t>(back.checksum), ByteSum(in));

    e.descramble = false;  // key without the descramble flag: bytes pass unchanged
    EXPECT_EQ(RunCodec(locked.out, e).out, locked.out);
    e.key = 0;
    e.descramble = true;  // descramble flag without a key: likewise
    EXPECT_EQ(RunCodec(locked.out, e).out, locked.out);
}

TEST(Channel, OutputBudgetAllowsExactlySourceSizeMinusMargin) {
    TRunOptions o;
    o.direction = TRunDirection::Compress;
    const Bytes in = Pattern(10000);
    const TRun exact = RunCodec(in, o);  // budget 10000, stored copy writes 10000
    EXPECT_EQ(exact.out, in);
    EXPECT_EQ(exact.result, 10000);

    o.margin = 1;
    TCompThreadSafety state;
    TRecordingSource src(in);
    TRecordingDest dst;
    int32_t sum = 7;
    try {
        state.RunMethod(src, dst, 0, TRunDirection::Compress, false, 0, 10000, sum, 0, 1, nullptr);
        FAIL() << "one byte over the budget must raise";
    } catch (const EUnableToCompress& e) {
        EXPECT_STREQ(e.what(), "Could not compress data, will store instead");
    }
    EXPECT_EQ(dst.Writes, (std::vector<int32_t>{8192})) << "flushed bytes stay, the rest is dropped";
    EXPECT_EQ(sum, 7);

    o.margin = 10000;  // a budget of 0 refuses the first byte
    EXPECT_THROW(RunCodec(in, o), EUnableToCompress);
    o.margin = 0;
    EXPECT_EQ(RunCodec(Bytes{}, o).out, Bytes{});
}

// Expanding, no method writes past the expanded size or works on beyond it: a stream
// that holds more ends there with OutputOverrun set; one that holds less ends short,
// and the count written tells.
TEST(Channel, ExpandingNeverWritesOrWorksPastTheExpandedSize) {
    const Bytes in = Pattern(20000);
    TRunOptions o;
    o.expandedSize = 5000;
    const TRun stored = RunCodec(in, o);
    EXPECT_EQ(stored.out, Bytes(in.begin(), in.begin() + 5000));
    EXPECT_EQ(stored.result, 5000);
    EXPECT_TRUE(stored.outputOverrun);
    EXPECT_EQ(stored.sourcePosition, 8192) << "reading ends at the first byte too many";
    o.expandedSize = 30000;
    const TRun fewer = RunCodec(in, o);
    EXPECT_EQ(fewer.result, 20000);
    EXPECT_FALSE(fewer.outputOverrun);
    o.expandedSize = -5;
    EXPECT_TRUE(RunCodec(in, o).out.empty());

    Bytes runs;  // 300000 bytes of run tokens, 255 bytes each
    for (int i = 0; i < 100000; ++i) runs.insert(runs.end(), {0x41, 0x94, 0xFF});
    o.method = 1;
    o.expandedSize = 3;
    const TRun rle = RunCodec(runs, o);
    EXPECT_EQ(rle.out, Bytes(3, 0x41));
    EXPECT_TRUE(rle.outputOverrun);
    EXPECT_EQ(rle.sourcePosition, 8192);

    for (int method : {2, 4}) {  // a match that passes the size is cut there
        TRunOptions pack;
        pack.method = method;
        pack.direction = TRunDirection::Compress;
        pack.margin = -1000;
        const TRun packed = RunCodec(Bytes(1000, 'a'), pack);
        TRunOptions e;
        e.method = method;
        e.expandedSize = 1000;
        EXPECT_FALSE(RunCodec(packed.out, e).outputOverrun) << method;
        e.expandedSize = 500;
        const TRun cut = RunCodec(packed.out, e);
        EXPECT_EQ(cut.out, Bytes(500, 'a')) << method;
        EXPECT_TRUE(cut.outputOverrun) << method;
    }
}

TEST(Channel, ChecksumIsTheWrappingByteSumOfTheUncompressedData) {
    const Bytes in(70000, 0xFF);
    TRunOptions o;
    for (int method : {0, 1}) {
        o.method = method;
        o.direction = TRunDirection::Compress;
        o.margin = -1000;
        const TRun packed = RunCodec(in, o);
        EXPECT_EQ(static_cast<uint32_t>(packed.checksum), 70000u * 255u);
        o.direction = TRunDirection::Expand;
        o.margin = 0;
        const TRun back = RunCodec(packed.out, o);
        EXPECT_EQ(back.out, in);
        EXPECT_EQ(back.checksum, packed.checksum);
    }
}

TEST(Channel, UnknownMethodIndexesRunNothing) {
    TRunOptions o;
    o.method = 3;
    const TRun r = RunCodec(Pattern(100), o);
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(r.checksum, 0);
    EXPECT_EQ(r.progress, (std::vector<int32_t>{0, 100}));
}
