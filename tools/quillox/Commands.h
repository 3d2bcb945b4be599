// Commands of the quillox archiver. Each returns the process exit code:
// 0 success, 1 failure (the message went to standard error), 2 wrong usage.
#pragma once

#include <string>
#include <vector>

using Args = std::vector<std::string>;

// quillox raw compress|expand ...: the codec on its own, standard input to standard output.
int RunRawCommand(const Args& args);
// quillox a|l|t|x ...: making, listing, testing and extracting archives.
int RunArchiveCommand(const std::string& command, const Args& args);
// quillox sfx STUB OUT ...: packs a release into a copy of an installer stub.
int RunSfxCommand(const Args& args);

void PrintUsage();
