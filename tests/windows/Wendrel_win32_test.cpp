// TWendrel against registry keys of the test's own making: the four web-page keys of
// HKEY_CLASSES_ROOT are moved aside for each test and put back afterwards.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include "windows/Wendrel.h"

#include "forms/Forms.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

const char* const kKeys[] = {".HTM", ".HTML", ".SHTML", ".SHTM"};
const char kBackup[] = "Software\\TvxWendrelTestBackup";
const char* const kClasses[] = {"TvxTestPage", "TvxTestPage2"};

void SetDefault(const std::string& path, const std::string& value, DWORD type = REG_SZ) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, nullptr, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

void CreateKey(const std::string& path) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// Windows form of a path of the build folder (Wine's Z: drive is the Unix root).
std::string WinPath(std::string unixPath) {
    for (char& c : unixPath)
        if (c == '/') c = '\\';
    return "Z:" + unixPath;
}

class Wendrel : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, kBackup);
        for (const char* name : kKeys) {
            HKEY key;
            if (RegOpenKeyExA(HKEY_CLASSES_ROOT, name, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
            HKEY backup;
            std::string path = std::string(kBackup) + "\\" + name;
            RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &backup, nullptr);
            ASSERT_EQ(RegCopyTreeA(key, nullptr, backup), ERROR_SUCCESS);
            RegCloseKey(backup);
            RegCloseKey(key);
            ASSERT_EQ(RegDeleteTreeA(HKEY_CLASSES_ROOT, name), ERROR_SUCCESS);
            // RegDeleteTree leaves the key itself on some systems.
            RegDeleteKeyA(HKEY_CLASSES_ROOT, name);
        }
        BrowserArgs = "previous";
    }

    void TearDown() override {
        for (const char* name : kClasses) RegDeleteTreeA(HKEY_CLASSES_ROOT, name), RegDeleteKeyA(HKEY_CLASSES_ROOT, name);
        for (const char* name : kKeys) {
            RegDeleteTreeA(HKEY_CLASSES_ROOT, name);
            RegDeleteKeyA(HKEY_CLASSES_ROOT, name);
            HKEY backup;
            std::string path = std::string(kBackup) + "\\" + name;
            if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &backup) != ERROR_SUCCESS) continue;
            HKEY key;
            RegCreateKeyExA(HKEY_CLASSES_ROOT, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
            EXPECT_EQ(RegCopyTreeA(backup, nullptr, key), ERROR_SUCCESS);
            RegCloseKey(key);
            RegCloseKey(backup);
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, kBackup);
        RegDeleteKeyA(HKEY_CURRENT_USER, kBackup);
    }
};

TEST_F(Wendrel, NoWebPageKeysMeanNoBrowser) {
    EXPECT_EQ(ReadOpenCommand(), "");
    TWendrel w;
    EXPECT_EQ(w.GetBrowserPath(), "");
    EXPECT_EQ(BrowserArgs, "previous");
    EXPECT_FALSE(w.OpenUrl());
}

TEST_F(Wendrel, DocumentClassCommandComesFirst) {
    SetDefault(".HTM", "TvxTestPage");
    SetDefault("TvxTestPage\\shell\\open\\command", "\"C:\\Apps\\Viewer\\VIEWER.EXE\" -new \"%1\"");
    SetDefault(".HTM\\shell\\open\\command", "C:\\Other\\OTHER.EXE %1");
    EXPECT_EQ(ReadOpenCommand(), "\"C:\\Apps\\Viewer\\VIEWER.EXE\" -new \"%1\"");
    TWendrel w;
    EXPECT_EQ(w.GetBrowserPath(), "C:\\Apps\\Viewer\\VIEWER.EXE");
    EXPECT_EQ(BrowserArgs, "-new");
}

TEST_F(Wendrel, ExtensionKeyOwnCommandWhenTheClassHasNone) {
    SetDefault(".HTM", "TvxTestPage");
    CreateKey("TvxTestPage\\shell\\open\\command");  // no default value
    SetDefault(".HTM\\shell\\open\\command", "C:\\Own\\OWN.EXE %1");
    EXPECT_EQ(ReadOpenCommand(), "C:\\Own\\OWN.EXE %1");

    SetDefault(".HTM", "");  // empty class: straight to the key's own command
    EXPECT_EQ(ReadOpenCommand(), "C:\\Own\\OWN.EXE %1");
}

TEST_F(Wendrel, KeysAreTriedInOrderAndEmptyOnesSkipped) {
    // A key whose default value cannot be sized is passed over, subkeys and all.
    SetDefault(".HTM\\shell\\open\\command", "C:\\Skipped\\SKIPPED.EXE");
    SetDefault(".HTML", "");          // empty class, no command
    SetDefault(".SHTML", "TvxTestPage2");  // class without a command key
    SetDefault(".SHTM", "TvxTestPage");
    SetDefault("TvxTestPage\\shell\\open\\command", "C:\\Last\\LAST.EXE");
    EXPECT_EQ(ReadOpenCommand(), "C:\\Last\\LAST.EXE");

    SetDefault(".SHTML\\shell\\open\\command", "C:\\Third\\THIRD.EXE");
    EXPECT_EQ(ReadOpenCommand(), "C:\\Third\\THIRD.EXE");
}

TEST_F(Wendrel, LongValuesAreCutAtTheBuffer) {
    std::string program = "C:\\" + std::string(1500, 'p') + "\\B.EXE";
    SetDefault(".HTM", "");
    SetDefault(".HTM\\shell\\open\\command", program);
    std::string command = ReadOpenCommand();
    EXPECT_EQ(command, program.substr(0, 1024));
    // Cut before its extension, the command names no program.
    EXPECT_EQ(TWendrel().GetBrowserPath(), "");
}

TEST_F(Wendrel, ValuesAreNotExpanded) {
    SetDefault(".HTM", "");
    SetDefault(".HTM\\shell\\open\\command", "%ProgramFiles%\\Web\\WEB.EXE %1", REG_EXPAND_SZ);
    EXPECT_EQ(ReadOpenCommand(), "%ProgramFiles%\\Web\\WEB.EXE %1");
}

TEST_F(Wendrel, NoProgramExtensionMeansNoBrowser) {
    SetDefault(".HTM", "");
    SetDefault(".HTM\\shell\\open\\command", "rundll32 url.dll,FileProtocolHandler %1");
    TWendrel w;
    EXPECT_EQ(w.GetBrowserPath(), "");
    EXPECT_EQ(BrowserArgs, "previous");
    EXPECT_FALSE(w.OpenUrl());
}

TEST_F(Wendrel, ShowCommands) {
    EXPECT_EQ(BrowserShowCommand(wdMaximized), SW_SHOWMAXIMIZED);
    EXPECT_EQ(BrowserShowCommand(wdNormal), SW_SHOWNORMAL);
    EXPECT_EQ(BrowserShowCommand(7), SW_HIDE);
    TWendrel w;
    EXPECT_EQ(w.BrowserState, wdMaximized);
    EXPECT_FALSE(w.Url.empty());
    EXPECT_FALSE(w.EMail.empty());
    EXPECT_EQ(w.EMailSubject, "");
}

std::string ReadLog(const std::string& path) {
    for (int i = 0; i < 100; ++i) {
        std::ifstream in(path);
        std::stringstream s;
        s << in.rdbuf();
        if (s.str().find('\n') != std::string::npos) return s.str();
        Sleep(50);
    }
    return {};
}

TEST_F(Wendrel, OpenUrlStartsTheBrowserWithArgumentsUrlAndWindowState) {
    const std::string browser = WinPath(TVX_BINARY_DIR "/windows/fakebrowser.exe");
    const std::string log = WinPath(TVX_BINARY_DIR "/windows/fakebrowser.log");
    SetEnvironmentVariableA("TVX_FAKEBROWSER_LOG", log.c_str());
    SetDefault(".HTM", "TvxTestPage");
    SetDefault("TvxTestPage\\shell\\open\\command", "\"" + browser + "\" -new -url=%1");

    TWendrel w;
    w.Url = "http://quorvane.example/a page";
    DeleteFileA(log.c_str());
    ASSERT_TRUE(w.OpenUrl());
    std::string got = ReadLog(log);
    EXPECT_NE(got.find("show=3 "), std::string::npos) << got;
    EXPECT_NE(got.find("-new -url= http://quorvane.example/a page]"), std::string::npos) << got;

    w.BrowserState = wdNormal;
    DeleteFileA(log.c_str());
    ASSERT_TRUE(w.OpenUrl());
    got = ReadLog(log);
    EXPECT_NE(got.find("show=1 "), std::string::npos) << got;

    // Only a placeholder: the parameters begin with the separating blank.
    SetDefault("TvxTestPage\\shell\\open\\command", browser + " %1");
    DeleteFileA(log.c_str());
    ASSERT_TRUE(w.OpenUrl());
    EXPECT_EQ(BrowserArgs, "");
    got = ReadLog(log);
    EXPECT_NE(got.find("  http://quorvane.example/a page]"), std::string::npos) << got;
    DeleteFileA(log.c_str());
}

TEST_F(Wendrel, OpenUrlFailsWhenTheBrowserCannotBeStarted) {
    SetDefault(".HTM", "");
    SetDefault(".HTM\\shell\\open\\command", "C:\\Nowhere\\MISSING.EXE %1");
    EXPECT_FALSE(TWendrel().OpenUrl());
}

}  // namespace
