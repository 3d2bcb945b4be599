// The wininit.ini text update of deletion at restart (Windows 95 family).
#include <gtest/gtest.h>

#include "installer/uWininit.h"

namespace {
std::string Add(TWininitLoad load, const std::string& text, const std::string& path) {
    std::string out = "untouched";
    EXPECT_TRUE(AddWininitRecord(load, text, path, out));
    return out;
}

TEST(WininitText, MissingFileStartsTheRenameSection) {
    const std::string first =
        Add(TWininitLoad::Missing, "", "C:\\WINDOWS\\TEMP\\_ZK1A.TMP\\setup.exe");
    EXPECT_EQ(first, "[Rename]\r\nnul=C:\\WINDOWS\\TEMP\\_ZK1A.TMP\\setup.exe\r\n");
    EXPECT_EQ(Add(TWininitLoad::Loaded, first, "C:\\WINDOWS\\TEMP\\_ZK1A.TMP"),
              "[Rename]\r\nnul=C:\\WINDOWS\\TEMP\\_ZK1A.TMP\\setup.exe\r\n"
              "nul=C:\\WINDOWS\\TEMP\\_ZK1A.TMP\r\n");
}

TEST(WininitText, AppendsAfterWhateverSectionComesLast) {
    EXPECT_EQ(Add(TWininitLoad::Loaded, "[Rename]\nnul=C:\\a\r\n[Other]\rkey=value",
                  "C:\\Long Folder Name\\b.txt"),
              "[Rename]\r\nnul=C:\\a\r\n[Other]\r\nkey=value\r\nnul=C:\\Long Folder Name\\b.txt\r\n");
}

TEST(WininitText, SamePathTwiceGivesTwoRecords) {
    const std::string once = Add(TWininitLoad::Missing, "", "C:\\t\\x");
    EXPECT_EQ(Add(TWininitLoad::Loaded, once, "C:\\t\\x"),
              "[Rename]\r\nnul=C:\\t\\x\r\nnul=C:\\t\\x\r\n");
}

TEST(WininitText, EmptyExistingFileGetsNoSectionHeader) {
    EXPECT_EQ(Add(TWininitLoad::Loaded, "", "C:\\x"), "nul=C:\\x\r\n");
}

TEST(WininitText, UnreadableFileIsNotReplaced) {
    std::string out = "untouched";
    EXPECT_FALSE(AddWininitRecord(TWininitLoad::Unreadable, "", "C:\\x", out));
    EXPECT_EQ(out, "untouched");
}
}  // namespace
