// The setup.ini step of the install sequence: the build information and the product
// name are written into the setup.ini that the product archive put in the destination.
#pragma once

#include <string>

#include "installer/TextLines.h"

// Rewrites setup.ini's lines: "Gateway=", "ProdLevel=" and "EmailDomain=" lines with
// the values go directly after the first line (lines already there with these keys
// stay, after the new ones); then the first line of the file whose text before its
// first "=" is "AppName" (any letter case, no trimming) becomes "AppName=Quorvane", or
// that line is appended when none matches. Raises EStringListError
// ("List index out of bounds (1)") on a file without lines, leaving lines unchanged.
void RewriteSetupIniLines(TLines& lines, const std::string& Gateway,
                          const std::string& ProductLevel, const std::string& EmailDomain);

// The path of TargetDir's setup.ini: TargetDir + "\setup.ini", the name matched
// without regard to case as the Windows file system does (so "SETUP.INI" is found).
std::string SetupIniPath(const std::string& TargetDir);

// Loads TargetDir's setup.ini, rewrites it as above and replaces it (written beside it
// first, see ReplaceTextFile) with CR LF after every line. True when replaced. Every
// error ends the step silently and leaves the file as it was: a missing or unreadable
// file, a file without lines, a file that cannot be written (a full disk) or replaced.
bool WriteSetupIni(const std::string& TargetDir, const std::string& Gateway,
                   const std::string& ProductLevel, const std::string& EmailDomain);
