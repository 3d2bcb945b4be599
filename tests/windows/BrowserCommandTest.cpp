#include "windows/BrowserCommand.h"

#include <gtest/gtest.h>

namespace {

TBrowserCommand Split(const std::string& command) { return SplitBrowserCommand(command); }

TEST(BrowserCommand, QuotedProgramWithSwitchAndQuotedPlaceholder) {
    TBrowserCommand c = Split("\"C:\\Apps\\Viewer\\VIEWER.EXE\" -new \"%1\"");
    EXPECT_EQ(c.Program, "C:\\Apps\\Viewer\\VIEWER.EXE");
    EXPECT_EQ(c.Arguments, "-new");
}

TEST(BrowserCommand, ExtensionFoundRegardlessOfCase) {
    EXPECT_EQ(Split("C:\\b\\browse.exe %1").Program, "C:\\b\\browse.exe");
    EXPECT_EQ(Split("C:\\b\\Browse.Exe -x").Program, "C:\\b\\Browse.Exe");
    EXPECT_EQ(Split("C:\\b\\START.bat %1").Program, "C:\\b\\START.bat");
    EXPECT_EQ(Split("C:\\b\\run.cOm /a").Program, "C:\\b\\run.cOm");
    EXPECT_EQ(Split("C:\\b\\run.cOm /a").Arguments, "/a");
}

TEST(BrowserCommand, LaterExeInTheArgumentsWins) {
    TBrowserCommand c = Split("\"C:\\Shim\\launch.exe\" \"C:\\Web\\browser.exe\" -nohome %1");
    EXPECT_EQ(c.Program, "C:\\Shim\\launch.exe\" \"C:\\Web\\browser.exe");
    EXPECT_EQ(c.Arguments, "-nohome");
}

TEST(BrowserCommand, NoQuotesAndOnlyAPlaceholderGivesNoArguments) {
    TBrowserCommand c = Split("C:\\WEB\\BROWSER.EXE %1");
    EXPECT_EQ(c.Program, "C:\\WEB\\BROWSER.EXE");
    EXPECT_EQ(c.Arguments, "");
}

TEST(BrowserCommand, PlaceholderJoinedToTextKeepsTheTextBeforeIt) {
    EXPECT_EQ(Split("C:\\W\\B.EXE -url=%1").Arguments, "-url=");
    EXPECT_EQ(Split("C:\\W\\B.EXE -a %1 -b -c=%L,x").Arguments, "-a  -b -c=");
    EXPECT_EQ(Split("C:\\W\\B.EXE %1%2 -z").Arguments, "-z");
}

TEST(BrowserCommand, QuotesAndBlanksAndControlCharactersAreRemoved) {
    EXPECT_EQ(Split("C:\\W\\B.EXE \t \"-a\" \"b c\" \r\n").Arguments, "-a b c");
}

TEST(BrowserCommand, ProgramAtTheVeryEndHasNoArguments) {
    TBrowserCommand c = Split("\"C:\\W\\B.EXE");
    EXPECT_EQ(c.Program, "C:\\W\\B.EXE");
    EXPECT_EQ(c.Arguments, "");
    EXPECT_EQ(Split(".EXE").Program, ".EXE");
}

TEST(BrowserCommand, OnlyOneLeadingQuoteIsRemovedFromTheProgram) {
    EXPECT_EQ(Split("\"\"C:\\W\\B.EXE\" %1").Program, "\"C:\\W\\B.EXE");
}

TEST(BrowserCommand, CommandWithoutAProgramExtensionNamesNoBrowser) {
    for (const char* command : {"", "x", "EXE", "C:\\W\\browser %1", "rundll32 url.dll,FileProtocolHandler %1",
                                "C:\\W\\B.EX"}) {
        TBrowserCommand c = Split(command);
        EXPECT_EQ(c.Program, "") << command;
        EXPECT_EQ(c.Arguments, "") << command;
    }
}

TEST(BrowserCommand, TrimBlanksRemovesEverythingUpToTheBlank) {
    EXPECT_EQ(TrimBlanks(" \x01\t a b \x1f "), "a b");
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(TrimBlanks("\xe9x\xe9"), "\xe9x\xe9");
}

}  // namespace
