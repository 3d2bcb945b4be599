// setup.exe of the demo product: the program the installer starts once the product's
// files are in place. It shows the setup.ini it found and the folder it was started in.
// With TVX_SETUP_REPORT set to a file path (or an argument /report=PATH) it also writes
// what it saw to that file, for tests:
//   cwd=<current folder>  cmdline=<command line>  arg=<argument> for each argument as
//   the C runtime split it  ini=<path of setup.ini or empty>
//   ----  then setup.ini's bytes unchanged.
// With TVX_SETUP_EXIT_CODE set to a number it ends with that exit code once its window
// is closed (0 otherwise), for tests of installers that wait for it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

// The C runtime's own argv splitting (msvcrt.dll), which its start-up code has already
// called for main's arguments.
struct TStartupInfo {
    int newMode;
};
extern "C" int __getmainargs(int* argc, char*** argv, char*** env, int wildcards,
                             TStartupInfo* info);

namespace {

constexpr int kIdClose = 100;
HWND g_text = nullptr;

std::string CurrentFolder() {
    char buf[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, buf);
    return buf;
}

std::string ProgramFolder() {
    char buf[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, buf, MAX_PATH);
    std::string path = buf;
    const auto cut = path.find_last_of('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

bool ReadFile(const std::string& path, std::string& out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char buf[4096];
    size_t n;
    out.clear();
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return true;
}

// setup.ini from the current folder, else from the program's own folder.
std::string FindIni(std::string& contents) {
    for (const std::string& dir : {CurrentFolder(), ProgramFolder()}) {
        const std::string path = dir + (dir.empty() || dir.back() == '\\' ? "" : "\\") + "setup.ini";
        if (ReadFile(path, contents)) return path;
    }
    contents.clear();
    return std::string();
}

std::string ReportPath() {
    const std::string cmd = GetCommandLineA();
    const auto at = cmd.find("/report=");
    if (at != std::string::npos) return cmd.substr(at + 8);
    char buf[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA("TVX_SETUP_REPORT", buf, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(buf) : std::string();
}

// Bare CR or LF line ends shown as CR LF, which the edit control needs.
std::string ForDisplay(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE: {
        HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        g_text = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                                 WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY |
                                     ES_AUTOVSCROLL,
                                 8, 8, 488, 290, hwnd, nullptr, nullptr, nullptr);
        HWND close = CreateWindowExA(0, "BUTTON", "Close", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON,
                                     416, 306, 80, 25, hwnd,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdClose)),
                                     nullptr, nullptr);
        SendMessageA(g_text, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        SendMessageA(close, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        return 0;
    }
    case WM_COMMAND:
        if (LOWORD(wp) == kIdClose) DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    std::string contents;
    const std::string ini = FindIni(contents);
    const std::string cwd = CurrentFolder();

    const std::string report = ReportPath();
    if (!report.empty()) {
        if (FILE* f = std::fopen(report.c_str(), "wb")) {
            std::fprintf(f, "cwd=%s\r\ncmdline=%s\r\n", cwd.c_str(), GetCommandLineA());
            int argc = 0;
            char** argv = nullptr;
            char** env = nullptr;
            TStartupInfo info = {0};
            if (__getmainargs(&argc, &argv, &env, 0, &info) >= 0)
                for (int i = 1; i < argc; ++i) std::fprintf(f, "arg=%s\r\n", argv[i]);
            std::fprintf(f, "ini=%s\r\n----\r\n", ini.c_str());
            std::fwrite(contents.data(), 1, contents.size(), f);
            std::fclose(f);
        }
    }

    WNDCLASSA wc = {};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "QuorvaneSetupWindow";
    RegisterClassA(&wc);

    RECT r = {0, 0, 504, 339};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    AdjustWindowRect(&r, style, FALSE);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "Quorvane Setup", style,
                                (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                                (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h, nullptr, nullptr,
                                instance, nullptr);
    if (!hwnd) return 1;

    std::string text = "Quorvane Setup was started in:\r\n    " + cwd + "\r\n\r\n";
    if (ini.empty()) {
        text += "No setup.ini was found there.\r\n";
    } else {
        text += "It found " + ini + ":\r\n\r\n" + ForDisplay(contents);
    }
    SetWindowTextA(g_text, text.c_str());
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(hwnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    char code[16] = {};
    const DWORD n = GetEnvironmentVariableA("TVX_SETUP_EXIT_CODE", code, sizeof code);
    return n > 0 && n < sizeof code ? std::atoi(code) : 0;
}
