// The window-free parts of the install sequence.
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "installer/InstallLogic.h"
#include "runtime/Exception.h"

using namespace install;

namespace {
class EStop : public Exception {
public:
    EStop() : Exception("Bad checksum during expansion -- data may be invalid") {}
};
bool IsStop(const std::exception& e) { return dynamic_cast<const EStop*>(&e) != nullptr; }
}  // namespace

TEST(InstallLogic, FileNamePartTakesTextAfterLastBackslashOrColon) {
    EXPECT_EQ(FileNamePart("\\projects\\packager\\welcome.rtf"), "welcome.rtf");
    EXPECT_EQ(FileNamePart("\\\\qvbuild\\release\\setup.exe"), "setup.exe");
    EXPECT_EQ(FileNamePart("C:readme.txt"), "readme.txt");
    EXPECT_EQ(FileNamePart("plain.txt"), "plain.txt");
    EXPECT_EQ(FileNamePart("dir\\"), "");
    EXPECT_EQ(FileNamePart("a:b\\c:d"), "d");
}

TEST(InstallLogic, FlatTargetPathDropsStoredFolders) {
    EXPECT_EQ(FlatTargetPath("C:\\TEMP\\_ZK1a.tmp", "\\projects\\packager\\welcome.rtf"),
              "C:\\TEMP\\_ZK1a.tmp\\welcome.rtf");
    EXPECT_EQ(FlatTargetPath("D:\\Q", "\\\\qvbuild\\release\\bin\\setup.ini"), "D:\\Q\\setup.ini");
    // Two entries with one file name in different stored folders meet at one path.
    EXPECT_EQ(FlatTargetPath("D:\\Q", "\\a\\x.dat"), FlatTargetPath("D:\\Q", "\\b\\x.dat"));
}

// Without a folder, or with a name that is no file in it, the path would lie outside
// the folder: "\welcome.rtf" is the root of the current drive.
TEST(InstallLogic, FlatTargetPathNeverLeavesTheFolder) {
    EXPECT_THROW(
        {
            try {
                FlatTargetPath("", "\\projects\\packager\\welcome.rtf");
            } catch (const Exception& e) {
                EXPECT_STREQ(e.what(), "No folder to write welcome.rtf into");
                throw;
            }
        },
        Exception);
    for (const char* stored : {"\\a\\..", "\\a\\.", "\\a\\", "C:"})
        EXPECT_THROW(FlatTargetPath("D:\\Q", stored), Exception) << stored;
}

TEST(InstallLogic, MessageTextsAreJoinedWithBareCarriageReturns) {
    EXPECT_EQ(DiskErrorText("Cannot create file D:\\Q\\setup.ini"),
              "There was an error writing to disk.\r\rError: Cannot create file D:\\Q\\setup.ini"
              "\r\rPlease verify files are not locked and there is sufficient disk space and "
              "click OK.");
    EXPECT_EQ(FatalErrorText("Out of memory"),
              "Tellivox encountered the following unrecoverable error:\r\rOut of memory\r\r"
              "Please contact product support for assistance.");
    EXPECT_EQ(DiskErrorText("x").find('\n'), std::string::npos);
}

TEST(InstallLogic, TempNameNumberIsNeverZeroAndCoversTheRange) {
    std::set<uint32_t> seen;
    for (uint32_t seed = 0; seed < 200000; ++seed) {
        const uint32_t n = DrawTempNameNumber(seed * 2654435761u);
        ASSERT_GE(n, 1u) << "seed " << seed;
        ASSERT_LE(n, 254u) << "seed " << seed;
        seen.insert(n);
    }
    EXPECT_EQ(seen.size(), 254u);
    EXPECT_GE(DrawTempNameNumber(0xFFFFFFFFu), 1u);
}

TEST(InstallLogic, SetupCommandLineQuotesTheProgramPath) {
    EXPECT_EQ(SetupCommandLine("C:\\Program Files\\Quorvane Temp"),
              "\"C:\\Program Files\\Quorvane Temp\\setup.exe\"");
    EXPECT_EQ(SetupCommandLine("C:\\TEMP\\_ZK1a.tmp"), "\"C:\\TEMP\\_ZK1a.tmp\\setup.exe\"");
}

TEST(InstallLogic, AttemptLoopRetriesWholeArchiveOnOkAndStopsOnCancel) {
    const bool noAbort = false;
    int attempts = 0;
    std::vector<std::string> asked;
    auto failTwice = [&] {
        if (++attempts <= 2) throw EFCreateError("D:\\Q\\setup.ini");
    };
    EXPECT_TRUE(RunAttempts(failTwice, IsStop, [&](const std::string& t) {
        asked.push_back(t);
        return true;
    }, noAbort));
    EXPECT_EQ(attempts, 3);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0], DiskErrorText("Cannot create file D:\\Q\\setup.ini"));

    attempts = 0;
    EXPECT_FALSE(RunAttempts([&] { ++attempts; throw EWriteError(); }, IsStop,
                             [&](const std::string& t) {
                                 EXPECT_NE(t.find("Error: Stream write error\r\r"), std::string::npos);
                                 return false;
                             }, noAbort));
    EXPECT_EQ(attempts, 1);
}

TEST(InstallLogic, AttemptLoopEndsQuietlyOnStop) {
    bool abort = false;
    bool asked = false;
    auto ask = [&](const std::string&) {
        asked = true;
        return true;
    };
    EXPECT_FALSE(RunAttempts([] { throw EStop(); }, IsStop, ask, abort));
    EXPECT_FALSE(asked);
    EXPECT_TRUE(RunAttempts([] {}, IsStop, ask, abort));
    // Confirmed at the last progress report, which cannot stop the entry any more: the
    // expansion returns, and the run is still an abort.
    EXPECT_FALSE(RunAttempts([&] { abort = true; }, IsStop, ask, abort));
    // Confirmed, then a write error before the next report: no retry question.
    abort = false;
    EXPECT_FALSE(RunAttempts([&] { abort = true; throw EWriteError(); }, IsStop, ask, abort));
    EXPECT_FALSE(asked);
}

TEST(InstallLogic, WelcomeExpansionTreatsConfirmedAbortAsCancel) {
    bool abort = false;
    EXPECT_TRUE(ExpandUnlessAborted([] {}, IsStop, abort));
    // A damaged welcome archive without an abort is an error for the standard report.
    EXPECT_THROW(ExpandUnlessAborted([] { throw EStop(); }, IsStop, abort), EStop);
    abort = true;
    EXPECT_FALSE(ExpandUnlessAborted([] { throw EStop(); }, IsStop, abort));
    // Confirmed at the last report, which cannot stop the entry: still a cancel.
    EXPECT_FALSE(ExpandUnlessAborted([] {}, IsStop, abort));
    // Other errors always go on to the report.
    EXPECT_THROW(ExpandUnlessAborted([] { throw EResNotFound("WELCOME"); }, IsStop, abort),
                 EResNotFound);
}
