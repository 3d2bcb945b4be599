// The run log: CR LF lines, multi-line messages indented below their first line, a log
// that cannot be written never in the way.
#include <gtest/gtest.h>

#include <string>

#include "installer/InstallLog.h"

using install::TInstallLog;

TEST(InstallLog, LinesEndInCrLfAndMessagesKeepTheirParagraphs) {
    std::string file;
    TInstallLog log("C:\\logs\\q.log", [&](const std::string& path, const std::string& bytes) {
        EXPECT_EQ(path, "C:\\logs\\q.log");
        file += bytes;
        return true;
    });
    log.Begin(install::LogTimeText(2024, 3, 9, 7, 5, 0));
    log.Line("There was an error writing to disk.\r\rError: Stream write error\r\rPlease verify.");
    log.Line("Command line: q.exe /S");
    EXPECT_EQ(file,
              "=== Quorvane Installer run of 2024-03-09 07:05:00 ===\r\n"
              "There was an error writing to disk.\r\n"
              "    Error: Stream write error\r\n"
              "    Please verify.\r\n"
              "Command line: q.exe /S\r\n");
    EXPECT_TRUE(log.Good());
}

TEST(InstallLog, UnwritableOrAbsentLogIsNoError) {
    int calls = 0;
    TInstallLog failing("Z:\\nowhere\\q.log", [&](const std::string&, const std::string&) {
        ++calls;
        return false;
    });
    failing.Line("one");
    failing.Line("two");
    EXPECT_EQ(calls, 2) << "every line is tried: the file may become writable";
    EXPECT_FALSE(failing.Good());

    TInstallLog none;
    none.Line("dropped");
    EXPECT_FALSE(none.Enabled());
    EXPECT_TRUE(none.Good());
}
