// The setup.ini rewrite: the three build-information lines after the first line and
// the product name, and the step around it that never writes on error.
#include <gtest/gtest.h>

#include <filesystem>

#include "installer/SetupIni.h"
#include "runtime/Exception.h"
#include "runtime/Platform.h"
#include "TempFolder.h"

namespace {
const char* kGw = "/Ggw1.example                 ";
const char* kLevel = "/P3  ";
const char* kDomain = "/Email.example                          ";

TLines Rewritten(TLines lines) {
    RewriteSetupIniLines(lines, kGw, kLevel, kDomain);
    return lines;
}

TEST(SetupIniLines, InsertsAfterFirstLineAndReplacesAppName) {
    const TLines expected{"[Startup]", std::string("Gateway=") + kGw,
                          std::string("ProdLevel=") + kLevel,
                          std::string("EmailDomain=") + kDomain, "AppName=Quorvane"};
    EXPECT_EQ(Rewritten({"[Startup]", "AppName=Old"}), expected);
}

TEST(SetupIniLines, AppendsAppNameWhenMissing) {
    EXPECT_EQ(Rewritten({"[Startup]"}),
              (TLines{"[Startup]", std::string("Gateway=") + kGw,
                      std::string("ProdLevel=") + kLevel,
                      std::string("EmailDomain=") + kDomain, "AppName=Quorvane"}));
}

TEST(SetupIniLines, AppNameMatchIgnoresCaseAndSectionsButNotBlanks) {
    EXPECT_EQ(Rewritten({"[Startup]", "AppName =x", "[Other]", "appname=x", "APPNAME=y"}).at(6),
              "AppName=Quorvane");
    const TLines blank = Rewritten({"[Startup]", "AppName =x", " AppName=y", "AppName"});
    EXPECT_EQ(blank.at(4), "AppName =x");
    EXPECT_EQ(blank.at(5), " AppName=y");
    EXPECT_EQ(blank.at(6), "AppName");
    EXPECT_EQ(blank.back(), "AppName=Quorvane");
    EXPECT_EQ(blank.size(), 8u);
    // Only the text before the first "=" is the name.
    EXPECT_EQ(Rewritten({"x", "AppName=a=b"}).at(4), "AppName=Quorvane");
}

TEST(SetupIniLines, KeepsEarlierKeysAndEmptyValues) {
    TLines lines{"[Startup]", "Gateway=old", "AppName=A"};
    RewriteSetupIniLines(lines, "", "", "");
    EXPECT_EQ(lines, (TLines{"[Startup]", "Gateway=", "ProdLevel=", "EmailDomain=",
                             "Gateway=old", "AppName=Quorvane"}));
}

TEST(SetupIniLines, EmptyFileRaisesListIndexError) {
    TLines lines;
    try {
        RewriteSetupIniLines(lines, kGw, kLevel, kDomain);
        FAIL() << "no error";
    } catch (const EStringListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (1)");
    }
    EXPECT_TRUE(lines.empty());
}

TEST(SetupIniLines, LineEndingsOnReadAndWrite) {
    EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (TLines{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\r\n\r\n"), (TLines{"a", ""}));
    EXPECT_EQ(SplitLines("\n"), (TLines{""}));
    EXPECT_TRUE(SplitLines("").empty());
    EXPECT_EQ(JoinLines({"a", ""}), "a\r\n\r\n");
}

std::string Read(const std::string& path) { return ReadTextFile(path); }

TEST(SetupIniStep, RewritesTheFileWithCrLf) {
    TempFolder dir;
    WriteTextFile(dir.File("setup.ini"), "[Startup]\nAppName=Old");
    EXPECT_TRUE(WriteSetupIni(dir.Path(), "/Gg", "/P1", "/Ed"));
    EXPECT_EQ(Read(dir.File("setup.ini")),
              "[Startup]\r\nGateway=/Gg\r\nProdLevel=/P1\r\nEmailDomain=/Ed\r\n"
              "AppName=Quorvane\r\n");
}

TEST(SetupIniStep, FindsTheNameInAnyCase) {
    TempFolder dir;
    WriteTextFile(dir.File("SETUP.INI"), "[Startup]\r\n");
    EXPECT_TRUE(WriteSetupIni(dir.Path(), "g", "p", "e"));
    EXPECT_EQ(Read(dir.File("SETUP.INI")),
              "[Startup]\r\nGateway=g\r\nProdLevel=p\r\nEmailDomain=e\r\nAppName=Quorvane\r\n");
}

TEST(SetupIniStep, WritesNothingOnError) {
    TempFolder dir;
    EXPECT_FALSE(WriteSetupIni(dir.Path(), "g", "p", "e"));  // missing: nothing created
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));

    WriteTextFile(dir.File("setup.ini"), "");
    EXPECT_FALSE(WriteSetupIni(dir.Path(), "g", "p", "e"));  // no lines: left as it was
    EXPECT_EQ(Read(dir.File("setup.ini")), "");

    EXPECT_FALSE(WriteSetupIni(dir.File("no such folder"), "g", "p", "e"));

    // Read-only: kept, even where replacing goes by renames that a read-only file allows.
    WriteTextFile(dir.File("setup.ini"), "[Startup]\r\n");
    ASSERT_TRUE(platform::SetFileAttributes(dir.File("setup.ini"), platform::kAttrReadOnly));
    EXPECT_FALSE(WriteSetupIni(dir.Path(), "g", "p", "e"));
    platform::SetFileAttributes(dir.File("setup.ini"), 0);
    EXPECT_EQ(Read(dir.File("setup.ini")), "[Startup]\r\n");
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1u) << "nothing left beside setup.ini";
}
}  // namespace
