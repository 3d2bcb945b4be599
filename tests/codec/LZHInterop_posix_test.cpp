// Our LZH streams are the -lh1- method of the LHA format: wrapped in a one-entry LHA
// archive, an extractor we did not write must give back the original bytes. Skipped
// when lhasa is not installed.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/codec/LZHHelpers.h"
#include "tests/support/Lha.h"

using namespace lzhtest;

namespace {

std::vector<std::pair<std::string, Bytes>> Samples() {
    std::vector<std::pair<std::string, Bytes>> s = {
        {"one byte", {'q'}},
        {"leading spaces", Bytes(300, ' ')},
        {"text 8193", SampleText(8193, 5)},
        {"random 40000 (tree rebuilt)", RandomBytes(40000, 21)},
        {"zeros 100000", Bytes(100000, 0)},
        {"text 400000", SampleText(400000, 6)},
    };
    Bytes mixed = SampleText(60000, 7);
    const Bytes noise = RandomBytes(50000, 8);
    mixed.insert(mixed.end(), noise.begin(), noise.end());
    for (int i = 0; i < 2000; ++i) mixed.insert(mixed.end(), static_cast<size_t>(i % 70 + 1), static_cast<uint8_t>(i * 7));
    s.emplace_back("mixed", mixed);
    return s;
}

}  // namespace

TEST(LZHInterop, LhasaExtractsOurStreamsAsLh1) {
    for (const auto& [name, data] : Samples()) {
        SCOPED_TRACE(name);
        const Bytes packed = Compress(data).out;
        const Bytes archive = tvxtest::MakeLhaArchive("-lh1-", packed, data);
        Bytes out;
        TVX_EXTRACT_OR_SKIP(tvxtest::Extractor::Lhasa, archive, out);
        EXPECT_EQ(out.size(), data.size());
        EXPECT_TRUE(out == data);
    }
}
