// Helpers of the archive tests: scratch folders, archives built byte by byte, files.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "archive/Quillox.h"
#include "runtime/Stream.h"

namespace testsupport {

using Bytes = std::vector<uint8_t>;

inline Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

inline uint32_t Sum(const Bytes& b) { return ByteSum(b.data(), b.size()); }

// An archive assembled entry by entry, without the writing side, so that tests can
// build what the writer would never produce.
class ArchiveBuilder {
public:
    explicit ArchiveBuilder(const std::string& method = "NON", int32_t totalSize = -1) {
        header_.Signature = {'Y', 'R', 'M', 'A', 0x1A};
        for (int i = 0; i < 3; ++i) header_.MethodId[i] = method[i];
        header_.ArchiveType = caMulti;
        fixedTotal_ = totalSize;
    }
    TArchiveHeader& Header() { return header_; }

    // Adds an entry whose stored bytes are the data itself (method 0 unless told
    // otherwise) with the right checksum unless one is given.
    TEntryHeader& Add(const std::string& path, const Bytes& stored, int32_t expandedSize = -1,
                      uint8_t method = 0) {
        TEntryHeader e;
        e.PathLength = static_cast<int16_t>(path.size());
        e.DateTime = 0x282D944E;
        e.Attributes = 0x20;
        e.ExpandedSize = expandedSize < 0 ? static_cast<int32_t>(stored.size()) : expandedSize;
        e.StoredSize = static_cast<int32_t>(stored.size());
        e.Method = method;
        e.Checksum = static_cast<int32_t>(Sum(stored));
        entries_.push_back({e, path, stored});
        return entries_.back().Header;
    }

    Bytes Build() {
        Bytes out;
        int64_t total = 0;
        for (const auto& e : entries_) total += e.Header.ExpandedSize;
        TArchiveHeader h = header_;
        h.TotalSize = fixedTotal_ >= 0 ? fixedTotal_ : static_cast<int32_t>(total);
        const auto hb = h.ToBytes();
        out.insert(out.end(), hb.begin(), hb.end());
        for (const auto& e : entries_) {
            const auto eb = e.Header.ToBytes();
            out.insert(out.end(), eb.begin(), eb.end());
            out.insert(out.end(), e.Path.begin(), e.Path.end());
            out.insert(out.end(), e.Stored.begin(), e.Stored.end());
        }
        return out;
    }

private:
    struct Entry {
        TEntryHeader Header;
        std::string Path;
        Bytes Stored;
    };
    TArchiveHeader header_;
    int32_t fixedTotal_;
    std::vector<Entry> entries_;
};

// A fresh folder below the system's temporary folder, removed afterwards.
class ScratchTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               (std::string("tvx-archive-") + test->test_suite_name() + "-" + test->name() + "-" +
                std::to_string(std::random_device{}()));
        std::filesystem::remove_all(dir_);
        ASSERT_TRUE(std::filesystem::create_directories(dir_));
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    // The folder as a TargetPath (with a trailing backslash).
    std::string Target() const { return dir_.string() + "\\"; }
    std::filesystem::path Path(const std::string& rel) const { return dir_ / rel; }
    Bytes ReadFile(const std::string& rel) const {
        std::ifstream in(Path(rel), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    void WriteFile(const std::string& rel, const Bytes& b) const {
        std::filesystem::create_directories(Path(rel).parent_path());
        std::ofstream out(Path(rel), std::ios::binary);
        out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    }
    bool Exists(const std::string& rel) const { return std::filesystem::exists(Path(rel)); }

    std::filesystem::path dir_;
};

}  // namespace testsupport
