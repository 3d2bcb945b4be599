#include "installer/FileReplace.h"

#include <cstdio>

#include "runtime/Platform.h"

// rename() replaces the target in one step.
bool ReplaceWithFresh(const std::string& fresh, const std::string& target, const std::string&) {
    return std::rename(platform::NativePath(fresh).c_str(), platform::NativePath(target).c_str()) == 0;
}
