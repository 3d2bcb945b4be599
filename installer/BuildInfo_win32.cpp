#include "installer/BuildInfo.h"

#include <vector>

#include <windows.h>

#include "runtime/Platform.h"
#include "runtime/VersionInfo.h"

namespace {
// The value of a text entry of table 040904E4 in the code page the ANSI functions use,
// up to its terminating NUL; empty when the entry is missing.
std::string QueryValue(pe::VersionNode& root, const char* key) {
    const pe::VersionNode* node = pe::FindVersionString(root, "040904E4", key);
    if (node == nullptr) return {};
    std::vector<wchar_t> wide;  // not std::wstring, whose library instantiation is large
    for (size_t i = 0; i + 1 < node->value.size(); i += 2) {
        const auto c = static_cast<wchar_t>(node->value[i] | node->value[i + 1] << 8);
        if (c == 0) break;
        wide.push_back(c);
    }
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string text(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), size, &text[0], n, nullptr, nullptr);
    return text;
}

// The running module's version resource, parsed; false when it is missing or damaged.
// It is read from the module's own resources, never through its file: the folder it
// was started from may have a name the ANSI functions cannot spell, or a path too long
// for them.
bool OwnVersionInfo(pe::VersionNode& root) {
    const uint8_t* data = nullptr;
    int64_t size = 0;
    // "#16" is the resource type RT_VERSION, "#1" its usual name.
    if (!platform::FindResourceBytes(platform::ModuleHandle(), "#16", "#1", data, size)) return false;
    try {
        root = pe::ParseVersionInfo(std::vector<uint8_t>(data, data + size));
    } catch (const pe::Error&) {
        return false;
    }
    return true;
}
}  // namespace

bool GetLocalInfo(std::string& Gateway, std::string& ProductLevel, std::string& EmailDomain) {
    Gateway.clear();
    ProductLevel.clear();
    EmailDomain.clear();
    pe::VersionNode root;
    if (!OwnVersionInfo(root)) return false;
    Gateway = QueryValue(root, "Gateway");
    ProductLevel = QueryValue(root, "ProductLevel");
    EmailDomain = QueryValue(root, "EmailDomain");
    return !Gateway.empty() && !ProductLevel.empty() && !EmailDomain.empty();
}

std::string InstallerVersion() {
    pe::VersionNode root;
    return OwnVersionInfo(root) ? QueryValue(root, "FileVersion") : std::string();
}
