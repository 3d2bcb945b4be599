#include "windows/Wendrel.h"

#include "forms/Forms.h"
#include "windows/BrowserCommand.h"

#include <shellapi.h>

#include "runtime/SystemLibraries.h"

#include <algorithm>
#include <vector>

std::string BrowserArgs;

namespace {

const char* const kWebPageKeys[] = {".HTM", ".HTML", ".SHTML", ".SHTM"};

// Size of the buffer the default value is read into; the text is cut at its end.
constexpr DWORD kValueBuffer = 1025;

// An open registry key, closed when it goes out of scope.
class TRegKey {
public:
    TRegKey() = default;
    TRegKey(const TRegKey&) = delete;
    TRegKey& operator=(const TRegKey&) = delete;
    ~TRegKey() {
        if (key_) platform::Advapi32().RegCloseKey(key_);
    }

    // Read access is all the lookup needs; asking for more would fail for users who
    // may not write to HKEY_CLASSES_ROOT.
    bool Open(HKEY parent, const std::string& path) {
        return platform::Advapi32().RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, &key_) == ERROR_SUCCESS;
    }
    HKEY Handle() const { return key_; }

    // The default value's text up to its first NUL, at most kValueBuffer - 1
    // characters. False when the value cannot be sized.
    bool ReadDefault(std::string& text) const {
        DWORD size = 0;
        if (platform::Advapi32().RegQueryValueExA(key_, nullptr, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return false;
        std::vector<BYTE> buffer(std::max(size, kValueBuffer) + 1, 0);
        DWORD got = static_cast<DWORD>(buffer.size() - 1);
        if (platform::Advapi32().RegQueryValueExA(key_, nullptr, nullptr, nullptr, buffer.data(), &got) != ERROR_SUCCESS) buffer.assign(1, 0);
        text.assign(reinterpret_cast<const char*>(buffer.data()));
        if (text.size() > kValueBuffer - 1) text.resize(kValueBuffer - 1);
        return true;
    }

private:
    HKEY key_ = nullptr;
};

// The default value of an open key's subkey, or empty.
std::string CommandUnder(HKEY parent, const std::string& path) {
    TRegKey key;
    std::string text;
    if (key.Open(parent, path) && key.ReadDefault(text)) return text;
    return {};
}

}  // namespace

std::string ReadOpenCommand() {
    for (const char* name : kWebPageKeys) {
        TRegKey key;
        if (!key.Open(HKEY_CLASSES_ROOT, name)) continue;
        std::string documentClass;
        if (!key.ReadDefault(documentClass)) continue;
        if (!documentClass.empty()) {
            std::string command = CommandUnder(HKEY_CLASSES_ROOT, documentClass + "\\shell\\open\\command");
            if (!command.empty()) return command;
        }
        std::string command = CommandUnder(key.Handle(), "shell\\open\\command");
        if (!command.empty()) return command;
    }
    return {};
}

int BrowserShowCommand(int state) {
    switch (state) {
    case wdMaximized: return SW_SHOWMAXIMIZED;
    case wdNormal: return SW_SHOWNORMAL;
    default: return SW_HIDE;
    }
}

TWendrel::TWendrel() : Url("http://quorvane.example/"), EMail("info@quorvane.example") {}

std::string TWendrel::GetBrowserPath() {
    std::string command = ReadOpenCommand();
    if (command.empty()) return {};
    TBrowserCommand split = SplitBrowserCommand(command);
    if (split.Program.empty()) return {};
    BrowserArgs = split.Arguments;
    return split.Program;
}

bool TWendrel::OpenUrl() {
    std::string path = GetBrowserPath();
    if (path.empty()) return false;
    std::string parameters = BrowserArgs + " " + Url;
    HWND owner = Application.MainForm ? Application.MainForm->Handle() : nullptr;
    HINSTANCE result = platform::Shell32().ShellExecuteA(owner, nullptr, path.c_str(), parameters.c_str(), nullptr,
                                     BrowserShowCommand(BrowserState));
    return reinterpret_cast<INT_PTR>(result) > 32;
}
