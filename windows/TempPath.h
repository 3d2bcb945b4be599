// The system's temporary-files folder as a path that the ANSI file functions can use.
#pragma once

#include <string>

struct TTempPath {
    // The folder, ending in a backslash, in a form whose every character the ANSI code
    // page holds: the system's own answer, or the folder's short (8.3) form when the
    // answer has characters outside the code page. Empty when there is no such path.
    std::string Path;
    // The folder as well as it can be named in a message (without a trailing
    // backslash); empty only when the system gives no answer at all.
    std::string Shown;
};

// Asks the system for the temporary-files folder. The answer counts only when it is 1
// to 255 characters long. On systems with wide-character file functions
// (GetTempPathW, GetShortPathNameW, looked up when called so that systems without them
// still start) a folder that the ANSI answer would misname is taken in its short
// form; when it has none, Path is empty. Never raises.
TTempPath UsableTempPath();
