// The guard that keeps quillox x inside its folder.
#include <gtest/gtest.h>

#include "archive/PathGuard.h"

TEST(PathGuard, ConfinedStoredPaths) {
    for (const char* ok :
         {"a.txt", "sub\\a.txt", "sub/a.txt", ".\\a", "a..b", "...x", "x\\.hidden"})
        EXPECT_TRUE(IsConfinedStoredPath(ok)) << ok;
    for (const char* bad : {"", "\\a", "/etc/passwd", "\\\\srv\\share\\a", "C:\\x", "C:x", "a:b",
                            "..", "..\\a", "a\\..\\..\\b", "a/../b", "a\\.. \\b", "a\\. .\\b",
                            "a\\...\\b", "a\nb", "a\tb"})
        EXPECT_FALSE(IsConfinedStoredPath(bad)) << bad;
    EXPECT_FALSE(IsConfinedStoredPath(std::string("a\0b", 3)));
}

TEST(PathGuard, ChecksWhatTheComponentOffers) {
    const TPathGuard guard("out\\", false);
    EXPECT_EQ(guard.Check("out\\sub\\a"), "out\\sub\\a");
    EXPECT_EQ(guard.Check("out\\..\\a"), "");
    EXPECT_EQ(guard.Check("\\etc\\passwd"), "");   // absolute: offered unchanged
    EXPECT_EQ(guard.Check("out\\D:\\x"), "");      // drive letter below the target
    EXPECT_EQ(guard.StoredPathOf("out\\sub\\a"), "sub\\a");
    EXPECT_EQ(guard.StoredPathOf("\\x"), "\\x");

    const TPathGuard here("", false);
    EXPECT_EQ(here.Check("a"), "a");
    EXPECT_EQ(here.Check("\\a"), "");

    const TPathGuard trusting("out\\", true);
    EXPECT_EQ(trusting.Check("\\\\srv\\x"), "\\\\srv\\x");
    EXPECT_EQ(trusting.Check("out\\..\\x"), "out\\..\\x");
}

// Device names are refused as a whole component, in every form Windows takes them, and
// also when absolute paths are trusted.
TEST(PathGuard, WindowsDeviceNames) {
    for (const char* dev : {"nul", "NUL", "Con", "aux.txt", "prn.tar.gz", "COM1", "com9.log",
                            "LPT1", "lpt9", "NUL.", "nul ", "CON .txt", "aux...", "sub\\nul",
                            "a/b/Lpt3.x", "conin$", "CONOUT$.txt", "COM\xB9"}) {
        EXPECT_TRUE(NamesWindowsDevice(dev)) << dev;
        EXPECT_FALSE(IsConfinedStoredPath(dev)) << dev;
    }
    for (const char* ok : {"null", "nul1", "xnul", "con_", "COM0", "COM10", "LPT", "a.nul",
                           "auxiliary.txt", " nul", "sub\\console", "com1x.txt"})
        EXPECT_FALSE(NamesWindowsDevice(ok)) << ok;
    const TPathGuard trusting("out\\", true);
    EXPECT_EQ(trusting.Check("out\\NUL.txt"), "");
    EXPECT_EQ(trusting.Check("\\\\srv\\con"), "");
    EXPECT_EQ(TPathGuard("out\\", false).Check("out\\sub\\prn"), "");
}
