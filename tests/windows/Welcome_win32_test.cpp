// The welcome page's text: the welcome file replaces the built-in text only when it
// could be read to its end.
#include "windows/uWelcome.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include <windows.h>

namespace {

std::string ScratchFile(const char* name) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + name + std::to_string(GetCurrentProcessId()) + ".rtf";
}

TEST(WelcomePage, AFileThatFailsWhileReadLeavesTheBuiltInText) {
    auto page = NewForm<TfrmWelcome>(nullptr);
    const std::string builtIn = page->RichEdit1.Text();
    ASSERT_NE(builtIn.find("Welcome to Quorvane"), std::string::npos);

    const std::string path = ScratchFile("tvx_welcome_");
    {
        std::ofstream out(path, std::ios::binary);
        // A complete group first; the rest of the file is never reached by a reader
        // that stops at its end.
        out << "{\\rtf1\\ansi Text of the welcome file.\\par}" << std::string(20000, ' ');
    }
    // Another program holds a lock on all but the first bytes: reading stops there.
    HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(LockFile(holder, 6000, 0, 100000, 0));
    page->WelcomeFile = path;
    page->FormShow();
    EXPECT_EQ(page->RichEdit1.Text(), builtIn);

    UnlockFile(holder, 6000, 0, 100000, 0);
    CloseHandle(holder);
    page->FormShow();
    EXPECT_NE(page->RichEdit1.Text().find("Text of the welcome file."), std::string::npos);
    DeleteFileA(path.c_str());
}

}  // namespace
