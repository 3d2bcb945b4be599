// The installer's command line: argv splitting, quoting for setup.exe, the switches.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "installer/CommandLine.h"
#include "installer/InstallLogic.h"

using namespace install;

namespace {

std::vector<std::string> Texts(const std::string& line) {
    std::vector<std::string> texts;
    for (const auto& a : SplitCommandLine(line)) texts.push_back(a.Text);
    return texts;
}
using V = std::vector<std::string>;

// The older msvcrt.dll's rule, which differs in one point: two quotation marks inside a
// quoted part give one and end the part. Quoting must read the same under both.
V OldRuntimeTexts(const std::string& line) {
    V out;
    size_t i = line.find(' ');
    const size_t n = line.size();
    for (;;) {
        while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= n) break;
        std::string t;
        bool quoted = false;
        for (;;) {
            size_t slashes = 0;
            while (i < n && line[i] == '\\') ++i, ++slashes;
            bool copy = true;
            if (i < n && line[i] == '"') {
                if (slashes % 2 == 0) {
                    if (quoted && i + 1 < n && line[i + 1] == '"')
                        ++i;
                    else
                        copy = false;
                    quoted = !quoted;
                }
                slashes /= 2;
            }
            t.append(slashes, '\\');
            if (i >= n || (!quoted && (line[i] == ' ' || line[i] == '\t'))) break;
            if (copy) t += line[i];
            ++i;
        }
        out.push_back(t);
    }
    return out;
}

}  // namespace

TEST(CommandLine, SplitsAsTheCRuntimeDoes) {
    EXPECT_EQ(Texts("\"C:\\Program Files\\Q\\Quorvane 4.2.exe\" /S\t/WAIT  "), (V{"/S", "/WAIT"}));
    EXPECT_EQ(Texts("Quorvane.exe"), V{});
    EXPECT_EQ(Texts("q.exe a\\\\b a\\\"b a\\\\\\\"b"), (V{"a\\\\b", "a\"b", "a\\\"b"}));
    EXPECT_EQ(Texts("q.exe \"a\\\\\" b"), (V{"a\\", "b"}));
    EXPECT_EQ(Texts("q.exe \"\" a\"b c\"d"), (V{"", "ab cd"}));
    EXPECT_EQ(Texts("q.exe \"a\"\"b c\""), (V{"a\"b c"}));
    // The program's name ends at the first blank outside quotation marks, even in the
    // middle of a quoted part of what follows.
    EXPECT_EQ(Texts("q\"uo ted\".exe x"), (V{"x"}));

    const std::string line = "q.exe /S  \"/D=C:\\a b\"";
    const auto args = SplitCommandLine(line);
    ASSERT_EQ(args.size(), 2u);
    EXPECT_EQ(line.substr(args[1].Begin, args[1].End - args[1].Begin), "\"/D=C:\\a b\"");
}

TEST(CommandLine, QuotingRoundTripsUnderEitherRuntime) {
    EXPECT_EQ(QuoteArgument("plain\\path"), "plain\\path");
    EXPECT_EQ(QuoteArgument(""), "\"\"");
    EXPECT_EQ(QuoteArgument("C:\\Program Files\\"), "\"C:\\Program Files\\\\\"");
    EXPECT_EQ(QuoteArgument("say \"hi\""), "\"say \\\"hi\\\"\"");

    std::mt19937 random(21);
    const std::string alphabet = "a \t\"\\x";
    for (int round = 0; round < 20000; ++round) {
        V args(random() % 5);
        for (auto& a : args)
            for (unsigned k = random() % 8; k > 0; --k) a += alphabet[random() % alphabet.size()];
        const std::string line = "setup.exe " + JoinArguments(args);
        ASSERT_EQ(Texts(line), args) << line;
        ASSERT_EQ(OldRuntimeTexts(line), args) << line;
    }
    EXPECT_EQ(SetupCommandLine("C:\\Q", {"/quiet", "a b"}), "\"C:\\Q\\setup.exe\" /quiet \"a b\"");
}

TEST(CommandLine, SwitchesAreCaseInsensitiveAndDestinationTakesTheRest) {
    TSwitches s = ParseSwitches(
        "Quorvane-4.2.exe /S /WAIT /LOG=C:\\logs\\quorvane.log /D=C:\\Program Files\\Quorvane Setup");
    EXPECT_TRUE(s.Silent && s.Wait && !s.Help);
    EXPECT_EQ(s.LogFile, "C:\\logs\\quorvane.log");
    EXPECT_TRUE(s.HasDestination);
    EXPECT_EQ(s.Destination, "C:\\Program Files\\Quorvane Setup");
    EXPECT_TRUE(s.Errors.empty());
    EXPECT_EQ(s.ProgramName, "Quorvane-4.2.exe");

    s = ParseSwitches("\"C:\\dl\\Q.exe\" /s /wait \"/log=C:\\my logs\\q.log\" /?");
    EXPECT_TRUE(s.Silent && s.Wait && s.Help && !s.HasDestination);
    EXPECT_EQ(s.LogFile, "C:\\my logs\\q.log");
    EXPECT_EQ(s.ProgramName, "Q.exe");

    // Quoted, quoted with the trailing backslash that \" would swallow, and whatever
    // follows /D= up to "--", switches included, blanks inside kept.
    EXPECT_EQ(ParseSwitches("q.exe \"/D=C:\\a b\"").Destination, "C:\\a b");
    EXPECT_EQ(ParseSwitches("q.exe /d=\"C:\\a b\\\"  ").Destination, "C:\\a b\\");
    s = ParseSwitches("q.exe /D=C:\\x  /S -- /quiet \"a b\" --");
    EXPECT_EQ(s.Destination, "C:\\x  /S");
    EXPECT_FALSE(s.Silent);
    EXPECT_EQ(s.SetupArguments, (V{"/quiet", "a b", "--"}));

    s = ParseSwitches("q.exe /WAIT -- /S /D=C:\\x");
    EXPECT_TRUE(s.Wait && !s.Silent && !s.HasDestination);
    EXPECT_EQ(s.SetupArguments, (V{"/S", "/D=C:\\x"}));
}

TEST(CommandLine, WhatIsNotUnderstoodIsNamed) {
    EXPECT_EQ(ParseSwitches("q.exe /quiet /S foo /LOG /SILENT").Errors,
              (V{"Unknown switch: /quiet", "Unknown switch: foo", "Unknown switch: /LOG",
                 "Unknown switch: /SILENT"}));
    EXPECT_EQ(ParseSwitches("q.exe /LOG= /D=  ").Errors, (V{"/LOG= names no file", "/D= names no folder"}));
    EXPECT_EQ(SwitchErrorText({"Unknown switch: /quiet"}),
              "Unknown switch: /quiet\r\rStart the installer with /? for the list of switches.");
}

TEST(InstallLogic, MissingFoldersStopAtTheFirstFolderOrTheRoot) {
    const auto existing = [](std::vector<std::string> folders) {
        return [folders](const std::string& p) {
            for (const auto& f : folders)
                if (f == p) return true;
            return false;
        };
    };
    EXPECT_EQ(MissingFolders("C:\\Program Files\\Quorvane Setup\\x\\",
                             existing({"C:\\Program Files"})),
              (V{"C:\\Program Files\\Quorvane Setup", "C:\\Program Files\\Quorvane Setup\\x"}));
    EXPECT_EQ(MissingFolders("D:\\a\\b", existing({})), (V{"D:\\a", "D:\\a\\b"}));
    EXPECT_EQ(MissingFolders("D:\\", existing({})), V{});
    EXPECT_EQ(MissingFolders("C:\\Q", existing({"C:\\Q"})), V{});
    EXPECT_EQ(MissingFolders("\\\\srv\\share\\a\\b", existing({})),
              (V{"\\\\srv\\share\\a", "\\\\srv\\share\\a\\b"}));
    EXPECT_EQ(MissingFolders("\\\\srv\\share", existing({})), V{});
}
