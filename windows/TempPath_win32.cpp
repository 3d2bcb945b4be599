#include "windows/TempPath.h"

#include <windows.h>

#include <vector>

namespace {

// Wide text as a plain vector: std::wstring would link the library's whole wide-string
// instantiation into the installer for these few lines.
using WideText = std::vector<wchar_t>;

using GetTempPathWFn = DWORD(WINAPI*)(DWORD, LPWSTR);
using GetShortPathNameWFn = DWORD(WINAPI*)(LPCWSTR, LPWSTR, DWORD);

// A function of kernel32 that older systems may lack (or offer only as a stub that
// fails): looked up at run time, so that the program imports nothing they miss.
template <class Fn>
Fn Kernel32Function(const char* name) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(kernel, name)));
}

std::string ToAnsi(const WideText& wide) {
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string ansi(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), size, &ansi[0], n, nullptr, nullptr);
    return ansi;
}

WideText FromAnsi(const std::string& ansi) {
    if (ansi.empty()) return {};
    const int size = static_cast<int>(ansi.size());
    const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
    if (n <= 0) return {};
    WideText wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, wide.data(), n);
    return wide;
}

// The ANSI form of a wide path when it names the same path, else empty. A character
// outside the code page becomes "?" or a look-alike ("L" for "Ł"), which the way back
// shows up.
std::string ExactAnsi(const WideText& wide) {
    std::string ansi = ToAnsi(wide);
    return !ansi.empty() && FromAnsi(ansi) == wide ? ansi : std::string();
}

std::string WithoutTrailingBackslash(std::string path) {
    if (path.size() > 1 && path.back() == '\\') path.pop_back();
    return path;
}

constexpr DWORD kMaxAnsiPath = 255;

}  // namespace

TTempPath UsableTempPath() {
    TTempPath result;
    char buffer[kMaxAnsiPath + 1] = {};
    const DWORD n = GetTempPathA(sizeof buffer, buffer);
    if (n == 0) return result;
    if (n > kMaxAnsiPath) {
        // Too long for us: ask once more, only to name it.
        std::string whole(n, '\0');
        const DWORD m = GetTempPathA(n, &whole[0]);
        if (m > 0 && m < n) result.Shown = WithoutTrailingBackslash(whole.substr(0, m));
        return result;
    }
    std::string path(buffer, n);
    result.Shown = WithoutTrailingBackslash(path);

    const auto getTempPathW = Kernel32Function<GetTempPathWFn>("GetTempPathW");
    wchar_t wide[MAX_PATH + 1] = {};
    const DWORD wn = getTempPathW ? getTempPathW(MAX_PATH + 1, wide) : 0;
    if (wn > 0 && wn <= MAX_PATH) {
        const WideText folder(wide, wide + wn);
        if (ExactAnsi(folder).empty()) {
            // Characters outside the code page: only the short form names the folder.
            path.clear();
            const auto getShortPathNameW =
                Kernel32Function<GetShortPathNameWFn>("GetShortPathNameW");
            wchar_t shortForm[MAX_PATH + 1] = {};
            const DWORD sn =
                getShortPathNameW ? getShortPathNameW(wide, shortForm, MAX_PATH + 1) : 0;
            if (sn > 0 && sn <= MAX_PATH) path = ExactAnsi(WideText(shortForm, shortForm + sn));
            if (path.size() > kMaxAnsiPath) path.clear();
            if (!path.empty() && path.back() != '\\') path += '\\';
        }
    }
    result.Path = path;
    return result;
}
