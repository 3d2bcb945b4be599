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

// Windows acts only on records inside [Rename]; a line after another section would be
// a cleanup that never happens.
TEST(WininitText, RecordGoesIntoTheRenameSection) {
    // [Rename] first, another section last.
    EXPECT_EQ(Add(TWininitLoad::Loaded, "[Rename]\nnul=C:\\a\r\n[Other]\rkey=value",
                  "C:\\Long Folder Name\\b.txt"),
              "[Rename]\r\nnul=C:\\a\r\nnul=C:\\Long Folder Name\\b.txt\r\n[Other]\r\n"
              "key=value\r\n");
    // [Rename] in the middle, in another letter case, with a blank line before the next
    // section: the records keep their order and the blank line its place.
    EXPECT_EQ(Add(TWininitLoad::Loaded,
                  "[A]\r\nx=1\r\n [rename] \r\nnul=C:\\1\r\nC:\\n=C:\\o\r\n\r\n[B]\r\ny=2\r\n",
                  "C:\\2"),
              "[A]\r\nx=1\r\n [rename] \r\nnul=C:\\1\r\nC:\\n=C:\\o\r\nnul=C:\\2\r\n\r\n[B]\r\n"
              "y=2\r\n");
    // Only other sections: [Rename] is started at the end.
    EXPECT_EQ(Add(TWininitLoad::Loaded, "[Other]\r\nkey=value\r\n", "C:\\x"),
              "[Other]\r\nkey=value\r\n[Rename]\r\nnul=C:\\x\r\n");
    // No section at all: the lines stay, then the section.
    EXPECT_EQ(Add(TWininitLoad::Loaded, "; comment\r\nstray=1", "C:\\x"),
              "; comment\r\nstray=1\r\n[Rename]\r\nnul=C:\\x\r\n");
}

TEST(WininitText, SamePathTwiceGivesTwoRecords) {
    const std::string once = Add(TWininitLoad::Missing, "", "C:\\t\\x");
    EXPECT_EQ(Add(TWininitLoad::Loaded, once, "C:\\t\\x"),
              "[Rename]\r\nnul=C:\\t\\x\r\nnul=C:\\t\\x\r\n");
}

TEST(WininitText, EmptyExistingFileGetsTheSectionHeader) {
    EXPECT_EQ(Add(TWininitLoad::Loaded, "", "C:\\x"), "[Rename]\r\nnul=C:\\x\r\n");
}

TEST(WininitText, UnreadableFileIsNotReplaced) {
    std::string out = "untouched";
    EXPECT_FALSE(AddWininitRecord(TWininitLoad::Unreadable, "", "C:\\x", out));
    EXPECT_EQ(out, "untouched");
}
}  // namespace
