// The window-free parts of the install sequence.
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/Quillox.h"
#include "codec/Codec.h"
#include "installer/InstallLogic.h"
#include "installer/Integrity.h"
#include "runtime/Exception.h"

using namespace install;

namespace {
std::string Describe(const std::exception& e) { return DamageDetail("\\\\qv\\qvnet.dll", e.what()); }
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
    EXPECT_TRUE(RunAttempts(failTwice, [&](const std::string& t) {
        asked.push_back(t);
        return true;
    }, noAbort, Describe));
    EXPECT_EQ(attempts, 3);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0], DiskErrorText("Cannot create file D:\\Q\\setup.ini"));

    attempts = 0;
    EXPECT_FALSE(RunAttempts([&] { ++attempts; throw EWriteError(); },
                             [&](const std::string& t) {
                                 EXPECT_NE(t.find("Error: Stream write error\r\r"), std::string::npos);
                                 return false;
                             }, noAbort, Describe));
    EXPECT_EQ(attempts, 1);
}

// Damage is never offered for a retry: the same bytes would fail the same way.
TEST(InstallLogic, AttemptLoopReportsDamageWithoutAsking) {
    const bool noAbort = false;
    bool asked = false;
    auto ask = [&](const std::string&) { return asked = true; };
    for (const auto& expand : std::vector<std::function<void()>>{
             [] { throw EBadChecksum(); }, [] { throw ELZHBadDecodeTable(); }}) {
        try {
            RunAttempts(expand, ask, noAbort, Describe);
            ADD_FAILURE() << "no damage reported";
        } catch (const EInstallerDamaged& e) {
            EXPECT_EQ(e.Message().rfind("\\\\qv\\qvnet.dll: ", 0), 0u) << e.Message();
        }
    }
    EXPECT_FALSE(asked);
}

TEST(InstallLogic, AttemptLoopEndsQuietlyOnConfirmedAbort) {
    bool abort = false;
    bool asked = false;
    auto ask = [&](const std::string&) { return asked = true; };
    EXPECT_TRUE(RunAttempts([] {}, ask, abort, Describe));
    // The stop answer ends the entry with a bad checksum: a cancel, not damage.
    EXPECT_FALSE(RunAttempts([&] { abort = true; throw EBadChecksum(); }, ask, abort, Describe));
    // Confirmed at the last progress report, which cannot stop the entry any more: the
    // expansion returns, and the run is still an abort.
    abort = false;
    EXPECT_FALSE(RunAttempts([&] { abort = true; }, ask, abort, Describe));
    // Confirmed, then a write error before the next report: no retry question.
    abort = false;
    EXPECT_FALSE(RunAttempts([&] { abort = true; throw EWriteError(); }, ask, abort, Describe));
    EXPECT_FALSE(asked);
}

TEST(InstallLogic, WelcomeExpansionTreatsConfirmedAbortAsCancel) {
    bool abort = false;
    EXPECT_TRUE(ExpandUnlessAborted([] {}, abort, Describe));
    // A damaged welcome archive without an abort is damage; other errors go on to the
    // standard report.
    EXPECT_THROW(ExpandUnlessAborted([] { throw EBadChecksum(); }, abort, Describe), EInstallerDamaged);
    EXPECT_THROW(ExpandUnlessAborted([] { throw EWriteError(); }, abort, Describe), EWriteError);
    abort = true;
    EXPECT_FALSE(ExpandUnlessAborted([] { throw EBadChecksum(); }, abort, Describe));
    // Confirmed at the last report, which cannot stop the entry: still a cancel.
    EXPECT_FALSE(ExpandUnlessAborted([] {}, abort, Describe));
}

// A folder left by an earlier run (or any file of the name) is passed over for the next
// number, wrapping from 254 to 1, never reused; a failure that is no name clash stops.
TEST(InstallLogic, FreshFolderPassesOverTakenNamesAndWraps) {
    std::vector<uint32_t> tried;
    auto takenBut = [&](uint32_t free) {
        return [&tried, free](uint32_t k) {
            tried.push_back(k);
            return k == free ? TCreateResult::Created : TCreateResult::Taken;
        };
    };
    EXPECT_EQ(MakeFreshFolder(253, takenBut(2)), 2u);
    EXPECT_EQ(tried, (std::vector<uint32_t>{253, 254, 1, 2}));
    tried.clear();
    EXPECT_EQ(MakeFreshFolder(7, takenBut(0)), 0u) << "every name taken";
    EXPECT_EQ(tried.size(), 254u);
    EXPECT_EQ(std::set<uint32_t>(tried.begin(), tried.end()).size(), 254u);
    EXPECT_EQ(MakeFreshFolder(7, [](uint32_t) { return TCreateResult::Failed; }), 0u);
}
