// The native platform layer as the archive component uses it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include "runtime/Platform.h"
#include "runtime/Stream.h"
#include "tests/archive/TestSupport.h"

using namespace testsupport;

class NativePlatform : public ScratchTest {};

TEST_F(NativePlatform, DosDateTimeRoundTripAndLimits) {
    const std::string f = Target() + "dated";
    {
        TFileStream s(f, TFileMode::fmCreate);
        EXPECT_TRUE(platform::SetFileDosDateTime(s, 0x282D944E));
        EXPECT_FALSE(platform::SetFileDosDateTime(s, 0x28200000));  // month 1, day 0
        EXPECT_FALSE(platform::SetFileDosDateTime(s, 0x282DC000));  // hour 24
    }
    int32_t back = 0;
    ASSERT_TRUE(platform::GetFileDosDateTime(f, back));
    EXPECT_EQ(static_cast<uint32_t>(back), 0x282D944Eu);

    struct utimbuf old = {86400, 86400};  // 2 January 1970
    ASSERT_EQ(::utime(Path("dated").c_str(), &old), 0);
    ASSERT_TRUE(platform::GetFileDosDateTime(f, back));
    EXPECT_EQ(static_cast<uint32_t>(back), 0x00210000u);  // 1 January 1980, 00:00:00
    EXPECT_FALSE(platform::GetFileDosDateTime(Target() + "missing", back));
}

TEST_F(NativePlatform, AttributesFilesAndFolders) {
    const std::string f = Target() + "f";
    WriteFile("f", ToBytes("x"));
    EXPECT_EQ(platform::GetFileAttributes(f), 0x20u);
    EXPECT_TRUE(platform::SetFileAttributes(f, 0x21));
    EXPECT_EQ(platform::GetFileAttributes(f), 0x21u);
    EXPECT_TRUE(platform::SetFileAttributes(f, 0xFFFF8020u));  // sign-widened bits
    EXPECT_EQ(platform::GetFileAttributes(f), 0x20u);
    EXPECT_FALSE(platform::SetFileAttributes(Target() + "missing", 0));
    EXPECT_EQ(platform::GetFileAttributes(Target() + "missing"), platform::kInvalidFileAttributes);

    EXPECT_TRUE(platform::CreateDirectory(Target() + "d"));
    EXPECT_FALSE(platform::CreateDirectory(Target() + "d"));
    EXPECT_EQ(platform::GetFileAttributes(Target() + "d") & platform::kAttrDirectory,
              platform::kAttrDirectory);
    EXPECT_FALSE(platform::DeleteFile(Target() + "d"));
    EXPECT_TRUE(platform::DeleteFile(f));
    EXPECT_FALSE(platform::DeleteFile(f));

    platform::DiskSpace space;
    EXPECT_TRUE(platform::GetDiskFreeSpace("", space));
    EXPECT_GT(space.BytesPerSector, 0u);
    EXPECT_FALSE(platform::GetDiskFreeSpace("Q:\\", space));
}
