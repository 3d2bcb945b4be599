// Commands of the quillox archiver. Each returns the process exit code:
// 0 success, 1 failure (the message went to standard error), 2 wrong usage.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using Args = std::vector<std::string>;

// quillox raw compress|expand ...: the codec on its own, standard input to standard output.
int RunRawCommand(const Args& args);
// quillox a|l|t|x ...: making, listing, testing and extracting archives.
int RunArchiveCommand(const std::string& command, const Args& args);
// quillox sfx STUB OUT ...: packs a release into a copy of an installer stub.
int RunSfxCommand(const Args& args);

// quillox check-record OUT NAME=ARCHIVE...: the payload check record of the archives.
int RunCheckRecordCommand(const Args& args);
// The check record (archive/PayloadCheck.h) of archive files given as (resource name,
// file) pairs, in that order. Raises std::runtime_error naming a file that cannot be
// read or is over 2 GB.
std::vector<uint8_t> CheckRecordOf(const std::vector<std::pair<std::string, std::string>>& archives);

void PrintUsage();
