// The LH5 decoder against -lh5- archives made by an independent encoder
// (tests/data/lh5, made by make_golden.sh): every stream must decode to the exact
// bytes, checked against the committed originals and the CRC-16 of the archive header.
#include <gtest/gtest.h>

#include <string>

#include "CodecTestUtil.h"

using namespace codectest;

namespace {

const std::string kDir = std::string(TVX_TEST_DATA) + "/lh5/";

// One member of an LHA archive with a level-2 header: the raw stream and its facts.
struct TLhaMember {
    std::string method;
    Bytes stream;
    int32_t expandedSize = 0;
    uint16_t crc = 0;
};

uint32_t Le(const Bytes& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b.at(at + static_cast<size_t>(i));
    return v;
}

// Level 2: total header size (2), method (5), packed size (4), original size (4),
// time (4), attribute (1), level (1), CRC-16 of the data (2), ...; data follows.
TLhaMember FirstMember(const Bytes& archive) {
    TLhaMember m;
    const size_t headerSize = Le(archive, 0, 2);
    EXPECT_EQ(archive.at(20), 2) << "header level";
    m.method.assign(archive.begin() + 2, archive.begin() + 7);
    const uint32_t packed = Le(archive, 7, 4);
    m.expandedSize = static_cast<int32_t>(Le(archive, 11, 4));
    m.crc = static_cast<uint16_t>(Le(archive, 21, 2));
    EXPECT_LE(headerSize + packed, archive.size());
    m.stream.assign(archive.begin() + static_cast<long>(headerSize),
                    archive.begin() + static_cast<long>(headerSize + packed));
    return m;
}

// The archive format's CRC-16: reflected polynomial 0xA001, initial value 0.
uint16_t Crc16(const Bytes& data) {
    uint16_t crc = 0;
    for (uint8_t b : data) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
    }
    return crc;
}

TLhaMember Load(const std::string& name) { return FirstMember(ReadFile(kDir + name + ".lzh")); }

TRun ExpandMember(const TLhaMember& m, TRunOptions o = {}) {
    o.method = 4;
    o.expandedSize = m.expandedSize;
    return RunCodec(m.stream, o);
}

const char* const kNames[] = {"tiny", "text", "binary", "runs", "large"};

}  // namespace

TEST(LH5Golden, DecodesEveryArchiveToItsExactBytes) {
    for (const char* name : kNames) {
        SCOPED_TRACE(name);
        const TLhaMember m = Load(name);
        ASSERT_EQ(m.method, "-lh5-");
        const TRun r = ExpandMember(m);
        ASSERT_EQ(r.out.size(), static_cast<size_t>(m.expandedSize));
        EXPECT_EQ(Crc16(r.out), m.crc);
        EXPECT_EQ(static_cast<uint32_t>(r.checksum), ByteSum(r.out));
        EXPECT_EQ(r.sourcePosition, static_cast<int64_t>(m.stream.size()));
        EXPECT_FALSE(r.overrun);  // the window looks past the end; no used bit lies there
    }
    for (const char* original : {"tiny.bin", "text.txt", "binary.bin", "runs.bin"}) {
        const std::string name(original);
        EXPECT_EQ(ExpandMember(Load(name.substr(0, name.find('.')))).out, ReadFile(kDir + name)) << name;
    }
}

TEST(LH5Golden, ReadsNoFurtherThanTheWindowNeeds) {
    // One byte per read makes each read visible. The window runs 16 bits ahead of the
    // last code, so with more bytes on offer exactly two past the stream are read; with
    // the source size at the stream's end the source is left right there.
    for (const char* name : kNames) {
        TLhaMember m = Load(name);
        const auto size = static_cast<int32_t>(m.stream.size());
        m.stream.resize(m.stream.size() + 50, 0xA5);
        TRunOptions o;
        o.maxPerRead = 1;
        const TRun r = ExpandMember(m, o);
        EXPECT_EQ(r.sourcePosition, size + 2) << name;
        EXPECT_EQ(Crc16(r.out), m.crc) << name;
        o.sourceSize = size;
        const TRun exact = ExpandMember(m, o);
        EXPECT_EQ(exact.sourcePosition, size) << name;
        EXPECT_FALSE(exact.overrun) << name;
        EXPECT_EQ(Crc16(exact.out), m.crc) << name;
    }
}

TEST(LH5Golden, DescramblesALockedStream) {
    const TLhaMember plain = Load("text");
    TLhaMember locked = plain;
    const uint8_t key[4] = {0x78, 0x56, 0x34, 0x12};
    for (size_t i = 0; i < locked.stream.size(); ++i) locked.stream[i] ^= key[i % 4];
    TRunOptions o;
    o.key = 0x12345678;
    o.descramble = true;
    EXPECT_EQ(ExpandMember(locked, o).out, ExpandMember(plain).out);
}

// A cut stream decodes what its bytes hold and ends soon after it needs a bit it lacks
// (within the window's look-ahead), reporting the overrun; it never makes up the rest.
TEST(LH5Golden, EarlyEndAndStopAnswerEndTheDecodingWithoutMakingUpData) {
    const TLhaMember m = Load("large");
    const TRun full = ExpandMember(m);
    const Bytes& whole = full.out;
    EXPECT_FALSE(full.overrun);
    EXPECT_FALSE(full.stopped);

    TLhaMember cut = m;
    cut.stream.resize(cut.stream.size() / 2);
    const TRun early = ExpandMember(cut);
    EXPECT_TRUE(early.overrun);
    ASSERT_LT(early.out.size(), whole.size());
    EXPECT_GT(early.out.size(), 50000u);
    EXPECT_TRUE(std::equal(whole.begin(), whole.begin() + 50000, early.out.begin()));

    // Stopped at the second refill: nothing more is read, and the output is what the
    // 8192 bytes of stream before the stop give.
    TRunOptions o;
    o.stopAtCall = 2;
    const TRun stopped = ExpandMember(m, o);
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(stopped.sourcePosition, 16384);
    ASSERT_LT(stopped.out.size(), whole.size());
    EXPECT_GT(stopped.out.size(), 16000u);
    EXPECT_TRUE(std::equal(whole.begin(), whole.begin() + 16000, stopped.out.begin()));
    EXPECT_EQ(stopped.progress.back(), 100);
}
