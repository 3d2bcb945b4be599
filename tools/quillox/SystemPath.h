// Paths between std::filesystem and the runtime's file calls. The names quillox finds
// in folders are UTF-8 text (std::filesystem gives them so on every platform); the
// runtime opens files by single-byte names, which on Windows are in the system's
// ANSI code page.
#pragma once

#include <string>

// The path as the runtime's file calls take it: unchanged natively; on Windows in the
// ANSI code page, or unchanged when a character has no place there (opening it then
// fails with the runtime's own message, naming the file).
std::string SystemPath(const std::string& utf8);
