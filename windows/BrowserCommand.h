// Cutting the registry's open command for web pages into the browser's program path
// and its fixed arguments. Portable: no Win32, tested natively.
#pragma once

#include <string>

struct TBrowserCommand {
    std::string Program;    // empty: the command names no program
    std::string Arguments;  // fixed arguments, placeholders such as "%1" removed
};

// The program path ends at the last ".EXE", ".BAT" or ".COM" in the whole command,
// compared without case (so a later one inside the arguments wins). The arguments are
// the text after it, trimmed of blanks and control characters, with every double
// quote deleted and every placeholder ("%" up to the next blank) removed, trimmed
// again; one leading double quote is removed from the program path. A command with
// none of the three extensions yields an empty Program and empty Arguments.
TBrowserCommand SplitBrowserCommand(const std::string& command);

// Removes leading and trailing characters up to and including the blank (control
// characters and blanks).
std::string TrimBlanks(const std::string& s);
