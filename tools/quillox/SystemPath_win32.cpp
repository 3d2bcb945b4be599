#include <windows.h>

#include "tools/quillox/SystemPath.h"

#include <vector>

std::string SystemPath(const std::string& utf8) {
    const int wide = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                         static_cast<int>(utf8.size()), nullptr, 0);
    if (wide <= 0) return utf8;
    std::vector<wchar_t> w(static_cast<size_t>(wide));
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), wide);
    BOOL lost = FALSE;
    const int ansi = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.data(), wide, nullptr, 0,
                                         nullptr, &lost);
    if (ansi <= 0 || lost) return utf8;
    std::string out(static_cast<size_t>(ansi), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.data(), wide, &out[0], ansi, nullptr,
                        &lost);
    return out;
}
