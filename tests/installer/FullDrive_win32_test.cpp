// Rewrites of wininit.ini and setup.ini on a drive that runs full while they are being
// written: the files keep their contents, nothing is left beside them, and the step
// reports failure. Runs when TVX_FULL_DRIVE names an empty folder on a small drive of
// its own (tests/installer/full_drive.sh mounts one and runs this in both prefixes).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>

#include "installer/SetupIni.h"
#include "installer/TextLines.h"
#include "installer/uWininit.h"

namespace {

// Text of about `size` bytes, lines made by line(i), padded with a comment to exactly
// size bytes.
template <typename F>
std::string TextOfSize(const std::string& first, size_t size, F line) {
    std::string text = first;
    for (int i = 0;; ++i) {
        const std::string next = line(i);
        if (text.size() + next.size() + 40 > size) break;
        text += next;
    }
    text += ";" + std::string(size - text.size() - 3, '-') + "\r\n";
    return text;
}

// Fills the drive to the last byte with the file dir\fill.
void FillDrive(const std::string& dir) {
    const std::string path = dir + "\\fill";
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::vector<char> block(65536, 'f');
    for (DWORD size : {65536u, 1u}) {
        DWORD written = size;
        while (written == size)
            if (!WriteFile(h, block.data(), size, &written, nullptr)) written = 0;
    }
    CloseHandle(h);
}

void RemoveMatching(const std::string& dir, const std::string& pattern) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((dir + "\\" + pattern).c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return;
    do DeleteFileA((dir + "\\" + found.cFileName).c_str());
    while (FindNextFileA(h, &found));
    FindClose(h);
}

std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != ".." && name != "fill" && name != "room")
            names.push_back(name);
    } while (FindNextFileA(h, &found));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

TEST(FullDrive, FailedRewritesLeaveBothFilesAsTheyWere) {
    const char* folder = std::getenv("TVX_FULL_DRIVE");
    if (folder == nullptr) GTEST_SKIP() << "needs TVX_FULL_DRIVE (tests/installer/full_drive.sh)";
    const std::string dir = folder;
    EXPECT_EQ(IsWindowsNT(), std::getenv("TVX_WIN95_FAMILY") == nullptr);

    // Each file fills its last page of the memory file system but for a few bytes, so
    // that the rewritten file needs one page more than the old one.
    const std::string wininit = TextOfSize("[Rename]\r\n", 3 * 4096 - 8, [](int i) {
        char line[64];
        std::snprintf(line, sizeof line, "nul=C:\\OTHER\\PROGRAM\\PENDING%04d.TMP\r\n", i);
        return std::string(line);
    });
    const std::string setup = TextOfSize("[Startup]\r\n", 3 * 4096 - 8, [](int i) {
        return "Component" + std::to_string(i) + "=installed with the product\r\n";
    });
    const std::string ini = dir + "\\wininit.ini";
    const std::string setupIni = dir + "\\setup.ini";

    // No room at all: a rewrite in place would have truncated the files and then failed.
    // One page of room: the new file is written half-way beside the old one, then fails.
    for (const bool onePage : {false, true}) {
        SCOPED_TRACE(onePage ? "one page free" : "nothing free");
        WriteTextFile(ini, wininit);
        WriteTextFile(setupIni, setup);
        if (onePage) WriteTextFile(dir + "\\room", "r");
        FillDrive(dir);
        if (onePage) DeleteFileA((dir + "\\room").c_str());

        EXPECT_FALSE(RecordInWininit(ini, "C:\\WINDOWS\\TEMP\\_ZK1A.TMP\\setup.exe"));
        EXPECT_FALSE(WriteSetupIni(dir, "/Ggw", "/P3", "/Edomain"));

        DeleteFileA((dir + "\\fill").c_str());
        // (Compared whole, reported short: the texts are 12 KB each.)
        const std::string iniNow = ReadTextFile(ini), setupNow = ReadTextFile(setupIni);
        EXPECT_TRUE(iniNow == wininit) << "wininit.ini changed: " << iniNow.size() << " bytes";
        EXPECT_TRUE(setupNow == setup) << "setup.ini changed: " << setupNow.size() << " bytes";
        EXPECT_EQ(Names(dir), (std::vector<std::string>{"setup.ini", "wininit.ini"}))
            << "nothing may be left beside them";

        // With room again both steps succeed.
        EXPECT_TRUE(RecordInWininit(ini, "C:\\new"));
        EXPECT_TRUE(WriteSetupIni(dir, "/Ggw", "/P3", "/Edomain"));
        EXPECT_TRUE(ReadTextFile(ini) == wininit + "nul=C:\\new\r\n");
        EXPECT_EQ(ReadTextFile(setupIni).compare(0, 19, "[Startup]\r\nGateway="), 0);
        RemoveMatching(dir, "*");
    }
}

}  // namespace
