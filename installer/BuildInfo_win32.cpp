#include "installer/BuildInfo.h"

#include <cstring>
#include <vector>

#include <windows.h>

#include "runtime/SystemLibraries.h"

namespace {
// Copies a queried string value up to its terminating NUL; a failed query leaves out
// empty.
void QueryValue(const std::vector<char>& info, const char* subBlock, std::string& out) {
    void* value = nullptr;
    UINT length = 0;
    if (!platform::Version().VerQueryValueA(info.data(), subBlock, &value, &length) || value == nullptr) return;
    const char* text = static_cast<const char*>(value);
    out.assign(text, length > 0 ? strnlen(text, length) : std::strlen(text));
}
}  // namespace

bool GetLocalInfo(std::string& Gateway, std::string& ProductLevel, std::string& EmailDomain) {
    char exe[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    DWORD ignored = 0;
    const DWORD size = platform::Version().GetFileVersionInfoSizeA(exe, &ignored);
    std::vector<char> info(size);

    Gateway.clear();
    ProductLevel.clear();
    EmailDomain.clear();
    if (size == 0 || !platform::Version().GetFileVersionInfoA(exe, 0, size, info.data())) return false;

    // Every separator is doubled; the lookup reads a doubled one as a single one.
    QueryValue(info, "\\\\StringFileInfo\\\\040904E4\\\\Gateway", Gateway);
    QueryValue(info, "\\\\StringFileInfo\\\\040904E4\\\\ProductLevel", ProductLevel);
    QueryValue(info, "\\\\StringFileInfo\\\\040904E4\\\\EmailDomain", EmailDomain);
    return !Gateway.empty() && !ProductLevel.empty() && !EmailDomain.empty();
}
