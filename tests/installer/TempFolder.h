// A fresh scratch folder for one test (its own even when other runs of the same
// tests share the machine), removed again afterwards.
#pragma once

#include <filesystem>
#include <random>
#include <string>

#include <gtest/gtest.h>

class TempFolder {
public:
    TempFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                (std::string("tvx_") + info->test_suite_name() + "_" + info->name() + "_" +
                 std::to_string(std::random_device{}()));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder as the installer names it, without a trailing separator.
    std::string Path() const { return path_.string(); }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};
