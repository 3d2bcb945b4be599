// The destination chooser's status texts and the matching steps of SetTargetDir.
#include <gtest/gtest.h>

#include "windows/ChooserText.h"

TEST(ChooserText, NeededKilobytesTruncateAndCompareIn64Bits) {
    EXPECT_EQ(NeededBytesText(1048576, 1 << 30), "1024k bytes are needed to install this release.");
    EXPECT_EQ(NeededBytesText(1023, 5000), "0k bytes are needed to install this release.");
    EXPECT_EQ(NeededBytesText(5000, 5000), "4k bytes are needed to install this release.");
    EXPECT_EQ(NeededBytesText(5001, 5000),
              "4k bytes are needed to install this release. There is not enough space on this drive.");
    // Free space beyond 32 bits: no overflow into "not enough".
    EXPECT_EQ(NeededBytesText(2147483647, 5368709120ll),
              "2097151k bytes are needed to install this release.");
    // A failed query (-1) always lacks room, even for nothing.
    EXPECT_EQ(NeededBytesText(0, -1),
              "0k bytes are needed to install this release. There is not enough space on this drive.");
    EXPECT_EQ(NeededBytesText(-2048, 0), "-2k bytes are needed to install this release.");
}

TEST(ChooserText, FreeSpaceIn64BitKilobytes) {
    EXPECT_EQ(FreeSpaceText(5368709120ll), "5242880k");
    EXPECT_EQ(FreeSpaceText(-1), "0k");
    EXPECT_EQ(FreeSpaceText(1023), "0k");
    EXPECT_EQ(FreeSpaceText(1024), "1k");
    EXPECT_EQ(FreeSpaceText(INT64_C(0x7FFFFFFFFFFFFFFF)), "9007199254740991k");
}

TEST(ChooserText, DrivePartOfAPath) {
    EXPECT_EQ(PathDrivePart("C:\\WIN\\TEMP\\"), "C:");
    EXPECT_EQ(PathDrivePart("c:\\temp"), "c:");
    EXPECT_EQ(PathDrivePart("C:"), "C:");
    EXPECT_EQ(PathDrivePart("\\\\srv\\share\\dir"), "\\\\srv\\share");
    EXPECT_EQ(PathDrivePart("\\\\srv"), "\\\\srv");
    EXPECT_EQ(PathDrivePart("relative\\dir"), "");
    EXPECT_EQ(PathDrivePart(""), "");
}

TEST(ChooserText, DriveEntryMatchIsCaseSensitive) {
    TDriveEntries entries;
    for (const char* name : {"C:", "Z:"}) {
        auto specs = std::make_unique<TDriveSpecs>();
        specs->DriveName = name;
        entries.push_back({std::string(1, name[0]), std::move(specs)});
    }
    EXPECT_EQ(FindDriveEntry(entries, "Z:"), 1);
    EXPECT_EQ(FindDriveEntry(entries, "C:"), 0);
    EXPECT_EQ(FindDriveEntry(entries, "c:"), -1);
    EXPECT_EQ(FindDriveEntry(entries, ""), -1);
    EXPECT_EQ(FindDriveEntry(entries, "\\\\srv\\share"), -1);
}

TEST(ChooserText, HighlightNameAndEarlierEntryWins) {
    EXPECT_EQ(HighlightName("C:\\TEMP\\"), "temp");
    EXPECT_EQ(HighlightName("C:\\Windows\\Temp"), "temp");
    EXPECT_EQ(HighlightName("C:\\TEMP\\\\"), "");  // only one backslash is removed
    EXPECT_EQ(HighlightName("C:\\"), "c:");
    EXPECT_EQ(HighlightName("Name"), "name");

    const std::vector<std::string> texts{"C:\\", "a", "Temp", "x", "TEMP"};
    EXPECT_EQ(FindHighlightEntry(texts, "temp"), 2);
    EXPECT_EQ(FindHighlightEntry(texts, "c:\\"), 0);
    EXPECT_EQ(FindHighlightEntry(texts, "none"), -1);
    EXPECT_EQ(FindHighlightEntry(texts, ""), -1);
}
