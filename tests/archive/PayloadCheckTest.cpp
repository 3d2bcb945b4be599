// The payload's check record: the CRC-32 and the record's bytes.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "archive/PayloadCheck.h"

using namespace payload;

namespace {
// The CRC bit by bit, as the polynomial defines it.
uint32_t BitwiseCrc(const std::vector<uint8_t>& bytes) {
    uint32_t c = 0xFFFFFFFFu;
    for (uint8_t b : bytes) {
        c ^= b;
        for (int k = 0; k < 8; ++k) c = (c & 1u) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    }
    return ~c;
}
}  // namespace

TEST(PayloadCheck, Crc32MatchesTheDefinitionAtEveryLengthAndSplit) {
    const std::string check = "123456789";
    EXPECT_EQ(Crc32(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0xCBF43926u);
    EXPECT_EQ(Crc32(nullptr, 0), 0u);
    std::mt19937 random(19);
    std::vector<uint8_t> bytes(1000);
    for (auto& b : bytes) b = static_cast<uint8_t>(random());
    for (size_t n : {1u, 7u, 8u, 9u, 15u, 16u, 17u, 1000u}) {
        const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<long>(n));
        EXPECT_EQ(Crc32(part.data(), n), BitwiseCrc(part)) << n;
        // Continued in two pieces, split off the 8-byte grid.
        const size_t cut = n / 3;
        EXPECT_EQ(Crc32(part.data() + cut, n - cut, Crc32(part.data(), cut)), BitwiseCrc(part)) << n;
    }
}

TEST(PayloadCheck, RecordRoundTripsAndIsExactlyTheDocumentedBytes) {
    const std::vector<TCheckEntry> entries = {{"WELCOME", 559, 0x01020304u}, {"QUORV", 2857662, 0xCBF43926u}};
    const auto bytes = EncodeCheckRecord(entries);
    const std::vector<uint8_t> expected = {
        'T', 'V', 'X', 'C', 'H', 'E', 'C', 'K', 1, 2,
        7, 'W', 'E', 'L', 'C', 'O', 'M', 'E', 0x2F, 0x02, 0, 0, 0x04, 0x03, 0x02, 0x01,
        5, 'Q', 'U', 'O', 'R', 'V', 0xBE, 0x9A, 0x2B, 0x00, 0x26, 0x39, 0xF4, 0xCB};
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(DecodeCheckRecord(bytes.data(), bytes.size()), entries);
}

TEST(PayloadCheck, RecordThatIsCutExtendedOrMalformedIsRefused) {
    const auto good = EncodeCheckRecord({{"WELCOME", 1, 2}, {"QUORV", 3, 4}});
    for (size_t n = 0; n < good.size(); ++n)
        EXPECT_THROW(DecodeCheckRecord(good.data(), n), EBadCheckRecord) << "cut to " << n;
    auto longer = good;
    longer.push_back(0);
    EXPECT_THROW(DecodeCheckRecord(longer.data(), longer.size()), EBadCheckRecord);
    for (size_t at : {0u, 8u, 9u}) {  // mark, version, count
        auto bad = good;
        bad[at] = static_cast<uint8_t>(bad[at] + 1);
        EXPECT_THROW(DecodeCheckRecord(bad.data(), bad.size()), EBadCheckRecord) << at;
    }
    auto twice = EncodeCheckRecord({{"QUORV", 1, 2}, {"QUORX", 3, 4}});
    twice[twice.size() - 9] = 'V';  // the second name becomes the first's
    EXPECT_THROW(DecodeCheckRecord(twice.data(), twice.size()), EBadCheckRecord);
    auto blank = good;
    blank[11] = ' ';
    EXPECT_THROW(DecodeCheckRecord(blank.data(), blank.size()), EBadCheckRecord);

    EXPECT_THROW(EncodeCheckRecord({}), Exception);
    EXPECT_THROW(EncodeCheckRecord({{"", 1, 2}}), Exception);
    EXPECT_THROW(EncodeCheckRecord({{"A", 1, 2}, {"A", 3, 4}}), Exception);
    EXPECT_THROW(EncodeCheckRecord({{std::string(33, 'A'), 1, 2}}), Exception);
}
