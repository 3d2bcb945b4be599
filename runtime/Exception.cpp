#include "runtime/Exception.h"

#include <cstring>

namespace {
std::string Replace(const char* pattern, const char* token, const std::string& value) {
    std::string out(pattern);
    const auto at = out.find(token);
    if (at != std::string::npos) out.replace(at, std::strlen(token), value);
    return out;
}
}  // namespace

std::string FormatMessage(const char* pattern, const std::string& arg) {
    return Replace(pattern, "%s", arg);
}

std::string FormatMessage(const char* pattern, long long arg) {
    return Replace(pattern, "%d", std::to_string(arg));
}
