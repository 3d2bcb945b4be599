// Text files as lists of lines, the way the installer reads and writes its .ini files:
// CR LF, CR alone and LF alone all end a line when reading; writing puts CR LF after
// every line, the last one included.
#pragma once

#include <string>
#include <vector>

using TLines = std::vector<std::string>;

// Splits text into lines. A final line without an ending counts; "" gives no lines.
TLines SplitLines(const std::string& text);
// Joins lines, each followed by CR LF.
std::string JoinLines(const TLines& lines);

// Reads a whole file into text. Raises EFOpenError ("Cannot open file %s") when the
// file cannot be opened and EReadError when it cannot be read to its end.
std::string ReadTextFile(const std::string& path);
// Creates or replaces a file with the text. Raises EFCreateError ("Cannot create file
// %s") or EWriteError; after a write error the file may be incomplete.
void WriteTextFile(const std::string& path, const std::string& text);
// Replaces a file (or creates it) with the text without ever truncating it in place:
// the text is written completely to a file beside it (same name, extension ".$$$"),
// which then takes the file's place (see ReplaceWithFresh). Raises EFCreateError or
// EWriteError on any failure, a read-only file included; the file is then as it was
// and nothing is left beside it.
void ReplaceTextFile(const std::string& path, const std::string& text);
