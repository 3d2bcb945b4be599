// Replacing a file by one written beside it, so that a failure at any step leaves the
// file as it was: the installer's .ini rewrites go through here.
#pragma once

#include <string>

// Puts the complete file fresh in place of target, in the same folder. aside is a
// free name beside them that the old file may pass through where the system has no
// replacing move (the Windows 95 family): there the old file is moved aside, fresh moved
// in, and the old one deleted only after that has worked (moved back when it has not).
// True when fresh is now target; on false target is as it was and fresh still exists.
bool ReplaceWithFresh(const std::string& fresh, const std::string& target,
                      const std::string& aside);
