// The saved seeds of fuzz/fuzz_archive.cpp replayed without a fuzzing engine, so that
// every build runs the target's checks on them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/fuzz_archive.cpp"

TEST(FuzzReplay, ArchiveSeeds) {
    const std::filesystem::path seeds =
        std::filesystem::path(TVX_TEST_DATA).parent_path().parent_path() / "fuzz" / "corpus" /
        "fuzz_archive";
    int replayed = 0;
    for (const auto& e : std::filesystem::directory_iterator(seeds)) {
        std::ifstream in(e.path(), std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
        EXPECT_EQ(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()), 0) << e.path();
        ++replayed;
    }
    EXPECT_GT(replayed, 0);
    std::error_code ec;
    std::filesystem::remove_all(Scratch(), ec);
}
