// The Win32 platform layer and file stream, run under Wine.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include <windows.h>

#include "runtime/Exception.h"
#include "runtime/Platform.h"
#include "runtime/Stream.h"

namespace {
class Scratch : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               (std::string("tvx_platform_") +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                std::to_string(std::random_device{}()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string File(const std::string& name) const { return (dir_ / name).string(); }
    std::filesystem::path dir_;
};

std::string Contents(const std::string& path) {
    TFileStream f(path, TFileMode::fmOpenRead);
    std::string s(static_cast<size_t>(f.Size()), '\0');
    f.ReadBuffer(s.data(), static_cast<int32_t>(s.size()));
    return s;
}

TEST_F(Scratch, CreateReplacesAndHoldsTheFileExclusively) {
    const std::string path = File("a.bin");
    {
        TFileStream f(path, TFileMode::fmCreate);
        f.WriteBuffer("hello world", 11);
        try {
            TFileStream other(path, TFileMode::fmOpenRead);
            FAIL() << "a created file is not shared";
        } catch (const EFOpenError& e) {
            EXPECT_EQ(e.Message(), "Cannot open file " + path);
        }
        f.SetPosition(0);
        char buf[5];
        f.ReadBuffer(buf, 5);
        EXPECT_EQ(std::string(buf, 5), "hello");
        f.SetSize(5);
        EXPECT_EQ(f.Size(), 5);
    }
    EXPECT_EQ(Contents(path), "hello");
    { TFileStream again(path, TFileMode::fmCreate); }
    EXPECT_EQ(Contents(path), "");
}

TEST_F(Scratch, ReadersShareAndMissingFilesRaise) {
    const std::string path = File("b.txt");
    { TFileStream(path, TFileMode::fmCreate).WriteBuffer("abc", 3); }
    TFileStream r1(path, TFileMode::fmOpenRead);
    TFileStream r2(path, TFileMode::fmOpenRead);
    EXPECT_EQ(r1.Size(), 3);
    EXPECT_EQ(r1.Write("x", 1), 0);
    EXPECT_THROW(TFileStream(File("none"), TFileMode::fmOpenRead), EFOpenError);
    EXPECT_THROW(TFileStream(File("none\\x"), TFileMode::fmCreate), EFCreateError);
    EXPECT_THROW(TFileStream(path, TFileMode::fmOpenReadWrite), EFOpenError);
}

TEST_F(Scratch, DosDateTimeIsLocalTime) {
    const std::string path = File("dated.txt");
    // 2001-02-03 04:05:06, as an MS-DOS date (high word) and time (low word).
    const uint16_t date = ((2001 - 1980) << 9) | (2 << 5) | 3;
    const uint16_t time = (4 << 11) | (5 << 5) | (6 / 2);
    {
        TFileStream f(path, TFileMode::fmCreate);
        EXPECT_TRUE(platform::SetFileDosDateTime(f, static_cast<int32_t>((date << 16) | time)));
    }
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
    FILETIME local;
    ASSERT_TRUE(FileTimeToLocalFileTime(&data.ftLastWriteTime, &local));
    WORD gotDate = 0, gotTime = 0;
    ASSERT_TRUE(FileTimeToDosDateTime(&local, &gotDate, &gotTime));
    EXPECT_EQ(gotDate, date);
    EXPECT_EQ(gotTime, time);
}

TEST_F(Scratch, AttributesFoldersAndDeletion) {
    const std::string path = File("c.txt");
    { TFileStream f(path, TFileMode::fmCreate); }
    EXPECT_TRUE(platform::SetFileAttributes(path, platform::kAttrReadOnly));
    EXPECT_NE(platform::GetFileAttributes(path) & platform::kAttrReadOnly, 0u);
    EXPECT_TRUE(platform::SetFileAttributes(path, FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(platform::DeleteFile(path));
    EXPECT_FALSE(platform::DeleteFile(path));
    EXPECT_EQ(platform::GetFileAttributes(path), platform::kInvalidFileAttributes);

    const std::string folder = File("sub");
    EXPECT_TRUE(platform::CreateDirectory(folder));
    EXPECT_FALSE(platform::CreateDirectory(folder));
    EXPECT_FALSE(platform::CreateDirectory(File("x\\y")));
    EXPECT_NE(platform::GetFileAttributes(folder) & platform::kAttrDirectory, 0u);
}

TEST(Platform, DiskFreeSpaceOfRootsAndTheCurrentDrive) {
    platform::DiskSpace c, current, none;
    ASSERT_TRUE(platform::GetDiskFreeSpace("C:\\", c));
    EXPECT_GT(c.BytesPerSector, 0u);
    EXPECT_GT(c.SectorsPerCluster, 0u);
    EXPECT_TRUE(platform::GetDiskFreeSpace("", current));
    EXPECT_FALSE(platform::GetDiskFreeSpace("Q:\\", none));
}

TEST(Platform, ResourcesOfTheProgramItself) {
    const uint8_t* data = nullptr;
    int64_t size = 0;
    ASSERT_TRUE(platform::FindResourceBytes(nullptr, "TQUILLOX", "SAMPLE", data, size));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), static_cast<size_t>(size)),
              "Resource bytes read in place.\n");
    EXPECT_TRUE(platform::FindResourceBytes(nullptr, "TQUILLOX", "sample", data, size));
    EXPECT_FALSE(platform::FindResourceBytes(nullptr, "TQUILLOX", "WELCOME", data, size));
    EXPECT_FALSE(platform::FindResourceBytes(nullptr, "OTHER", "SAMPLE", data, size));
}

TEST(Platform, LibraryStaysLoadedWhileItsHandleLives) {
    EXPECT_FALSE(platform::LoadLibrary("no_such_library_tvx.dll"));
    ASSERT_EQ(GetModuleHandleA("version.dll"), nullptr);
    platform::ModuleHandle module = platform::LoadLibrary("version.dll");
    ASSERT_TRUE(module);
    const uint8_t* data = nullptr;
    int64_t size = 0;
    // Numbered names ("#16" is the version type) reach the library's own resources.
    ASSERT_TRUE(platform::FindResourceBytes(module, "#16", "#1", data, size));
    EXPECT_GT(size, 40);
    platform::ModuleHandle copy = module;
    module.reset();
    EXPECT_NE(GetModuleHandleA("version.dll"), nullptr);
    copy.reset();
    EXPECT_EQ(GetModuleHandleA("version.dll"), nullptr);
}
}  // namespace
