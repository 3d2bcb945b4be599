// The archives an installer carries, read straight from its file as data: the
// executable is never loaded, so nothing in it runs, and it reads the same on every
// platform.
#pragma once

#include <memory>
#include <string>

class TStream;

// True when the stream (at position 0) begins like an executable ("MZ"); archives
// begin with their signature, so the two cannot be mistaken for each other.
bool LooksLikeExecutable(TStream& file);

// A read-only stream over the resource `name` of type "TQUILLOX" in the executable
// `file` (names compared without regard to letter case), positioned at 0; it takes
// over `file` and reads through it. Raises Exception "not a PE32 executable (...)",
// "damaged resource directory" or "has no archive <name> (...)".
std::unique_ptr<TStream> OpenInstallerArchive(std::unique_ptr<TStream> file,
                                              const std::string& name);
