// Deletion at restart on both families of Windows. The NT family records delayed
// deletions in the registry (PendingFileRenameOperations), read back here with
// `reg query`; the Windows 95 family cases run in a prefix that reports Windows 98
// (TVX_WIN95_FAMILY set) and write the Windows folder's wininit.ini for real.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <windows.h>

#include "installer/TextLines.h"
#include "installer/uKillDir.h"
#include "installer/uWininit.h"
#include "TempFolder.h"

namespace {
bool Win95FamilyRun() { return std::getenv("TVX_WIN95_FAMILY") != nullptr; }

std::string WindowsFolder() {
    char folder[MAX_PATH];
    const UINT n = GetWindowsDirectoryA(folder, MAX_PATH);
    return std::string(folder, n);
}

std::string PendingDeletions() {
    std::string out;
    FILE* p = _popen(
        "reg query \"HKLM\\System\\CurrentControlSet\\Control\\Session Manager\" "
        "/v PendingFileRenameOperations 2>nul",
        "r");
    if (p == nullptr) return out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    _pclose(p);
    return out;
}

void Touch(const std::string& path) { std::ofstream(path) << "x"; }

TEST(NtFamily, DelayedDeletionsAreRecordedInCallOrder) {
    if (Win95FamilyRun()) GTEST_SKIP() << "Windows 95 family run";
    ASSERT_TRUE(IsWindowsNT());
    TempFolder dir;
    std::ostringstream unique;
    unique << GetCurrentProcessId() << "_" << GetTickCount();
    const std::string a = dir.File("a" + unique.str() + ".txt");
    const std::string b = dir.File("b" + unique.str() + ".txt");
    Touch(a);
    Touch(b);
    const std::string ini = WindowsFolder() + "\\wininit.ini";
    const bool iniBefore = GetFileAttributesA(ini.c_str()) != INVALID_FILE_ATTRIBUTES;

    EXPECT_TRUE(DeleteAtRestart(b));
    EXPECT_TRUE(DeleteAtRestart(a));
    EXPECT_TRUE(DeleteAtRestart(b));
    EXPECT_TRUE(DeleteAtRestart(dir.Path()));

    const std::string pending = PendingDeletions();
    size_t at = 0;
    for (const std::string& path : {b, a, b, dir.Path()}) {
        const size_t found = pending.find("\\??\\" + path, at);
        ASSERT_NE(found, std::string::npos) << path << " not after " << at << " in\n" << pending;
        at = found + path.size();
    }
    EXPECT_EQ(GetFileAttributesA(ini.c_str()) != INVALID_FILE_ATTRIBUTES, iniBefore)
        << "the NT family writes no wininit.ini";
}

TEST(NtFamily, FailureGivesFalse) {
    if (Win95FamilyRun()) GTEST_SKIP() << "Windows 95 family run";
    EXPECT_FALSE(DeleteAtRestart(""));
}

// The file-level update, in a scratch folder on either family.
TEST(WininitFile, CreatesAppendsAndKeepsAnUnreadableFile) {
    TempFolder dir;
    const std::string ini = dir.File("wininit.ini");
    EXPECT_TRUE(RecordInWininit(ini, "C:\\T\\a b.txt"));
    EXPECT_TRUE(RecordInWininit(ini, "C:\\T"));
    EXPECT_EQ(ReadTextFile(ini), "[Rename]\r\nnul=C:\\T\\a b.txt\r\nnul=C:\\T\r\n");

    // Held open without sharing by another program: it cannot be read, so it must not
    // be replaced by a file that has lost its records.
    HANDLE lock = CreateFileA(ini.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(RecordInWininit(ini, "C:\\U"));
    CloseHandle(lock);
    EXPECT_EQ(ReadTextFile(ini), "[Rename]\r\nnul=C:\\T\\a b.txt\r\nnul=C:\\T\r\n");

    // A folder of that name exists but cannot be read either.
    const std::string folderIni = dir.File("sub");
    std::filesystem::create_directories(folderIni + "\\wininit.ini");
    EXPECT_FALSE(RecordInWininit(folderIni + "\\wininit.ini", "C:\\U"));

    // Readable but not writable (another program reads it and shares only reading):
    // False, contents kept.
    HANDLE reader = CreateFileA(ini.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(RecordInWininit(ini, "C:\\U"));
    CloseHandle(reader);
    EXPECT_EQ(ReadTextFile(ini), "[Rename]\r\nnul=C:\\T\\a b.txt\r\nnul=C:\\T\r\n");
}

class Win95Family : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Win95FamilyRun()) GTEST_SKIP() << "needs a prefix reporting Windows 98";
        ini_ = WindowsFolder() + "\\wininit.ini";
        DeleteFileA(ini_.c_str());
    }
    void TearDown() override {
        if (!ini_.empty()) DeleteFileA(ini_.c_str());
    }
    std::string ini_;
};

TEST_F(Win95Family, OneLinePerCallInTheWindowsFolder) {
    EXPECT_FALSE(IsWindowsNT());
    EXPECT_TRUE(DeleteAtRestart("C:\\WINDOWS\\TEMP\\_ZK1A.TMP\\setup.exe"));
    EXPECT_EQ(ReadTextFile(ini_), "[Rename]\r\nnul=C:\\WINDOWS\\TEMP\\_ZK1A.TMP\\setup.exe\r\n");
    EXPECT_TRUE(DeleteAtRestart("C:\\WINDOWS\\TEMP\\_ZK1A.TMP\\setup.exe"));
    EXPECT_TRUE(DeleteAtRestart("C:\\WINDOWS\\TEMP\\_ZK1A.TMP"));
    EXPECT_EQ(ReadTextFile(ini_),
              "[Rename]\r\nnul=C:\\WINDOWS\\TEMP\\_ZK1A.TMP\\setup.exe\r\n"
              "nul=C:\\WINDOWS\\TEMP\\_ZK1A.TMP\\setup.exe\r\nnul=C:\\WINDOWS\\TEMP\\_ZK1A.TMP\r\n");
}

// An empty path names nothing: no "nul=" line, which would stand for no file at all.
TEST_F(Win95Family, EmptyPathRecordsNothing) {
    EXPECT_FALSE(DeleteAtRestart(""));
    EXPECT_EQ(GetFileAttributesA(ini_.c_str()), INVALID_FILE_ATTRIBUTES);
}

// Windows acts only on the records inside [Rename], wherever the section stands.
TEST_F(Win95Family, RecordsGoIntoTheRenameSection) {
    WriteTextFile(ini_, "[Rename]\r\nnul=C:\\old\r\n[Other]\r\nkey=value\r\n");
    EXPECT_TRUE(DeleteAtRestart("C:\\new"));
    EXPECT_EQ(ReadTextFile(ini_), "[Rename]\r\nnul=C:\\old\r\nnul=C:\\new\r\n[Other]\r\nkey=value\r\n");

    WriteTextFile(ini_, "[Other]\r\nkey=value\r\n");
    EXPECT_TRUE(DeleteAtRestart("C:\\new"));
    EXPECT_EQ(ReadTextFile(ini_), "[Other]\r\nkey=value\r\n[Rename]\r\nnul=C:\\new\r\n");

    WriteTextFile(ini_, "stray=1\r\n");
    EXPECT_TRUE(DeleteAtRestart("C:\\new"));
    EXPECT_EQ(ReadTextFile(ini_), "stray=1\r\n[Rename]\r\nnul=C:\\new\r\n");

    WriteTextFile(ini_, "[A]\r\na=1\r\n[Rename]\r\nnul=C:\\1\r\nnul=C:\\2\r\n[B]\r\nb=1\r\n");
    EXPECT_TRUE(DeleteAtRestart("C:\\3"));
    EXPECT_TRUE(DeleteAtRestart("C:\\4"));
    EXPECT_EQ(ReadTextFile(ini_),
              "[A]\r\na=1\r\n[Rename]\r\nnul=C:\\1\r\nnul=C:\\2\r\nnul=C:\\3\r\nnul=C:\\4\r\n[B]\r\nb=1\r\n");
    // Replaced through files beside it, none of which is left behind.
    EXPECT_EQ(GetFileAttributesA((WindowsFolder() + "\\wininit.$$$").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA((WindowsFolder() + "\\wininit.~$$").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Win95Family, LockedFileKeepsItsRecords) {
    WriteTextFile(ini_, "[Rename]\r\nnul=C:\\old\r\n");
    HANDLE lock = CreateFileA(ini_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(DeleteAtRestart("C:\\new"));
    CloseHandle(lock);
    EXPECT_EQ(ReadTextFile(ini_), "[Rename]\r\nnul=C:\\old\r\n");
}
}  // namespace

// Taking away at once what a run made: a read-only file, and the folder that the
// destination chooser made the process's current folder (with a folder inside it).
TEST(RemoveNow, ReadOnlyFilesAndTheCurrentFolderGo) {
    TempFolder dir;
    const std::string folder = dir.File("made");
    const std::string inner = folder + "\\inner";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(inner.c_str(), nullptr));
    const std::string file = inner + "\\readonly.dat";
    Touch(file);
    ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    char before[MAX_PATH + 1] = {};
    GetCurrentDirectoryA(sizeof before, before);
    ASSERT_TRUE(SetCurrentDirectoryA(inner.c_str()));

    EXPECT_TRUE(DeleteFileNow(file));
    EXPECT_TRUE(DeleteFileNow(file)) << "a file that is not there counts as gone";
    EXPECT_TRUE(RemoveFolderNow(inner));
    EXPECT_TRUE(RemoveFolderNow(folder));
    EXPECT_EQ(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES);
    SetCurrentDirectoryA(before);

    // A folder that still holds something stays.
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    Touch(folder + "\\kept.txt");
    EXPECT_FALSE(RemoveFolderNow(folder));
    EXPECT_FALSE(DeleteFileNow(folder)) << "a folder is no file";
}
