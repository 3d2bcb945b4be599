// Test helper: wraps a raw compressed stream in a one-entry LHA archive (level-0 header)
// and has an external extractor (`lha` from lhasa, or `7z`) unpack it, so that streams
// written by our coders can be checked against decoders we did not write. (`lhasa` is
// called by that name: on Debian `lha` may be another program.)
//
// Header-only on purpose: every tests/<folder> holding .cpp files becomes a test program.
// It does not include GoogleTest itself, so tools outside the tests can use it too; the
// TVX_EXTRACT_OR_SKIP macro needs <gtest/gtest.h> where it is used.
//
//   const Bytes archive = tvxtest::MakeLhaArchive("-lh5-", packed, original);
//   Bytes out;
//   TVX_EXTRACT_OR_SKIP(tvxtest::Extractor::Lhasa, archive, out);  // skips when missing
//
// Both extractors check the CRC-16 in the header and fail on a mismatch; lhasa with a
// non-zero exit code, 7z only in its report, so always compare the bytes as well.
//   EXPECT_EQ(out, original);
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace tvxtest {

// CRC-16 as LHA archives carry it: reflected polynomial 0xA001, initial value 0.
inline uint16_t LhaCrc16(const uint8_t* data, size_t size) {
    uint16_t crc = 0;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

// A complete archive: one level-0 entry `name` with method id `method` ("-lh5-",
// "-lh1-", "-lh0-"), the stored stream `packed`, the size and CRC-16 of `original`,
// a fixed time stamp, then the end-of-archive byte 0. `name` must be at most 200 bytes.
inline std::vector<uint8_t> MakeLhaArchive(const std::string& method,
                                           const std::vector<uint8_t>& packed,
                                           const std::vector<uint8_t>& original,
                                           const std::string& name = "data.bin") {
    auto le = [](std::vector<uint8_t>& v, uint32_t x, int n) {
        for (int i = 0; i < n; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
    };
    std::vector<uint8_t> h;  // the header from the method id onwards
    h.insert(h.end(), method.begin(), method.end());
    h.resize(5, ' ');
    le(h, static_cast<uint32_t>(packed.size()), 4);
    le(h, static_cast<uint32_t>(original.size()), 4);
    le(h, 0, 2);                                                 // 00:00:00
    le(h, ((2020u - 1980u) << 9) | (1u << 5) | 1u, 2);           // 2020-01-01
    h.push_back(0x20);                                           // archive attribute
    h.push_back(0);                                              // header level 0
    h.push_back(static_cast<uint8_t>(name.size()));
    h.insert(h.end(), name.begin(), name.end());
    le(h, LhaCrc16(original.data(), original.size()), 2);

    uint8_t sum = 0;
    for (uint8_t b : h) sum = static_cast<uint8_t>(sum + b);
    std::vector<uint8_t> archive;
    archive.push_back(static_cast<uint8_t>(h.size()));
    archive.push_back(sum);
    archive.insert(archive.end(), h.begin(), h.end());
    archive.insert(archive.end(), packed.begin(), packed.end());
    archive.push_back(0);
    return archive;
}

enum class Extractor { Lhasa, SevenZip };

inline const char* ExtractorProgram(Extractor tool) {
    return tool == Extractor::Lhasa ? "lhasa" : "7z";
}

// True when the extractor's program is on the PATH. Always false on Windows, where the
// tests run under Wine without these tools.
inline bool HaveExtractor(Extractor tool) {
#ifdef _WIN32
    (void)tool;
    return false;
#else
    const std::string cmd = std::string("command -v ") + ExtractorProgram(tool) + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
#endif
}

// A scratch folder under the system's temporary folder, removed with everything in it.
class ScratchDir {
public:
    ScratchDir() {
        std::random_device seed;
        std::mt19937 rng(seed());
        std::error_code ec;
        const auto base = std::filesystem::temp_directory_path(ec);
        for (int tries = 0; tries < 100 && !ec; ++tries) {
            const auto candidate = base / ("tvx-lha-" + std::to_string(rng()));
            if (std::filesystem::create_directory(candidate, ec)) {
                path_ = candidate;
                return;
            }
        }
    }
    ~ScratchDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    bool Ok() const { return !path_.empty(); }

private:
    std::filesystem::path path_;
};

// Has `tool` extract `archive` (as made by MakeLhaArchive) in a scratch folder and
// returns the bytes of the extracted `name`; nullopt when the tool failed or wrote no
// such file (its output goes to *log when given). The tool must be present: check
// HaveExtractor first, or use TVX_EXTRACT_OR_SKIP.
inline std::optional<std::vector<uint8_t>> ExtractLha(Extractor tool,
                                                      const std::vector<uint8_t>& archive,
                                                      const std::string& name = "data.bin",
                                                      std::string* log = nullptr) {
    ScratchDir dir;
    if (!dir.Ok()) return std::nullopt;
    const auto archivePath = dir.Path() / "test.lzh";
    const auto outDir = dir.Path() / "out";
    const auto logPath = dir.Path() / "log.txt";
    {
        std::ofstream f(archivePath, std::ios::binary);
        f.write(reinterpret_cast<const char*>(archive.data()),
                static_cast<std::streamsize>(archive.size()));
        if (!f) return std::nullopt;
    }
    std::filesystem::create_directory(outDir);
    const std::string extract = tool == Extractor::Lhasa
                                    ? "lhasa xf ../test.lzh"
                                    : "7z x -y ../test.lzh";
    const std::string cmd = "cd '" + outDir.string() + "' && " + extract + " >'" +
                            logPath.string() + "' 2>&1 </dev/null";
    const int rc = std::system(cmd.c_str());
    if (log) {
        std::ifstream l(logPath, std::ios::binary);
        log->assign(std::istreambuf_iterator<char>(l), std::istreambuf_iterator<char>());
    }
    if (rc != 0) return std::nullopt;
    std::ifstream in(outDir / name, std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

}  // namespace tvxtest

// Extracts `archive` with `tool` into the std::vector<uint8_t> `out`. Skips the test
// when the tool is not installed; fails it (and returns) when extraction fails.
#define TVX_EXTRACT_OR_SKIP(tool, archive, out)                                             \
    do {                                                                                    \
        if (!::tvxtest::HaveExtractor(tool))                                                \
            GTEST_SKIP() << ::tvxtest::ExtractorProgram(tool) << " is not installed";       \
        std::string tvxLog_;                                                                \
        auto tvxGot_ = ::tvxtest::ExtractLha(tool, archive, "data.bin", &tvxLog_);          \
        ASSERT_TRUE(tvxGot_.has_value())                                                    \
            << ::tvxtest::ExtractorProgram(tool) << " could not extract:\n" << tvxLog_;     \
        out = std::move(*tvxGot_);                                                          \
    } while (0)
