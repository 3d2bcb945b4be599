// The build information the installer hands to the product's setup program: three
// string values of its own executable's version information, string table
// "040904E4" (US English, code page 1252).
#pragma once

#include <string>

// Reads "Gateway", "ProductLevel" and "EmailDomain" from the running executable's
// version information into the three strings, verbatim (leading marks and trailing
// blanks included). All three are cleared first; a value that cannot be read stays
// empty. True when all three are non-empty. Never raises.
bool GetLocalInfo(std::string& Gateway, std::string& ProductLevel, std::string& EmailDomain);

// The running executable's "FileVersion" value (string table 040904E4), such as
// "4.2.0.118"; empty when it cannot be read. Never raises.
std::string InstallerVersion();
