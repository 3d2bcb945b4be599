// Windows' single-byte ANSI code pages, for the names that go into archives: stored
// paths are single-byte text of the code page the installer runs under, while the
// names quillox finds on disk (and on its command line) are UTF-8.
#pragma once

#include <string>

// True for the code pages known here: 874 and 1250 to 1257, the single-byte ANSI code
// pages of Windows except 1258 (whose letters are written with combining marks).
bool IsKnownCodePage(int codePage);
// The known code pages as a list for messages: "874, 1250, 1251, ...".
std::string KnownCodePages();

// `utf8` in code page `codePage` (one that IsKnownCodePage accepts). Returns false,
// with `why` naming the problem (text that is not UTF-8, or the first character the
// code page cannot hold, as "U+0141 'Ł'"), when it cannot be converted.
bool Utf8ToCodePage(const std::string& utf8, int codePage, std::string& out, std::string& why);

// `utf8` with every letter put in upper case, the way names are compared when letter
// case does not count: a letter and its capital are one letter, whatever script
// (Latin, Greek, Cyrillic) they come from. Bytes that are not UTF-8 stay as they are.
std::string CaseFolded(const std::string& utf8);
