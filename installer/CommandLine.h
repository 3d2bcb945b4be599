// The installer's command line: splitting it into arguments as the C runtime does,
// quoting arguments so that a program gets them back the same way, and the switches of
// unattended installs (/S, /WAIT, /LOG=, /D=, /?, and "--" before setup.exe's own
// arguments). No window and no system call: the program start feeds it the line that
// GetCommandLineA gives.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace install {

// One argument of a command line: its text after the quoting rules, and where it was
// written (Begin to End, the quotation marks and backslashes included).
struct TArgument {
    std::string Text;
    size_t Begin = 0, End = 0;
};

// The arguments after the program's name, as the C runtime of Visual C++ 2008 and later
// (and Wine's msvcrt) split argv[1...]:
// - arguments are separated by blanks and tabs outside quotation marks;
// - a quotation mark starts or ends a quoted part, where blanks are kept;
// - 2n backslashes before a quotation mark give n backslashes and the mark quotes;
//   2n+1 backslashes before it give n backslashes and a literal quotation mark;
//   backslashes before anything else are literal;
// - inside a quoted part, two quotation marks give one literal quotation mark and the
//   part goes on (the msvcrt.dll of older Windows ends the part there instead; the
//   quoting below never writes that form, so both read its output alike).
// The program's name comes first and is skipped by its own rule: up to the next
// quotation mark when it starts with one, else up to the first blank or tab.
std::vector<TArgument> SplitCommandLine(const std::string& commandLine);

// The argument as it must be written so that SplitCommandLine, and every C runtime's
// argv, give it back unchanged: as it is when it has no blank, tab, line break or
// quotation mark and is not empty; otherwise in quotation marks, every quotation mark
// written as \" and the backslashes before a quotation mark (the closing one included)
// doubled.
std::string QuoteArgument(const std::string& argument);

// The arguments quoted and joined by single blanks.
std::string JoinArguments(const std::vector<std::string>& arguments);

// What the switches ask for. Switches are matched without regard to case.
struct TSwitches {
    bool Silent = false;        // /S: nothing is shown
    bool Wait = false;          // /WAIT: wait for setup.exe and exit with its code
    bool Help = false;          // /?: the list of switches
    std::string LogFile;        // /LOG=<file>: append a log there; empty: no log
    bool HasDestination = false;
    std::string Destination;    // /D=<folder>, as written (see ParseSwitches)
    // Everything after "--", for setup.exe.
    std::vector<std::string> SetupArguments;
    // What could not be understood, one message each: "Unknown switch: /quiet" (an
    // unknown switch or argument, as written), "/LOG= names no file", "/D= names no
    // folder".
    std::vector<std::string> Errors;
    // The program's own file name (argv[0] without its folder), for the help text.
    std::string ProgramName;
};

// Reads the switches of a command line (program name first). /D= is the last switch:
// its folder is the rest of the command line as written, up to a "--" argument or the
// end, blanks at both ends removed and quotation marks dropped (no folder name holds
// one), so that it may hold blanks without quotes (/D=C:\Program Files\Quorvane Setup)
// or be quoted ("/D=C:\a b", /D="C:\a b\"). Arguments after "--" go to setup.exe.
TSwitches ParseSwitches(const std::string& commandLine);

// The /? message: usage, each switch, and the exit codes.
std::string HelpText(const std::string& programName);

// The message for switches that could not be understood: the errors, one a line, then
// a pointer to /?.
std::string SwitchErrorText(const std::vector<std::string>& errors);

}  // namespace install
