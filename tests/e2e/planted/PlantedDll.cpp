// A library that tells when it is loaded: planted beside a program, or in its current
// folder, under the name of a system library, it appends its own full path to the file
// named by the environment variable TVX_PLANTED_LOG. A program that never loads a
// planted library leaves that file absent. It exports InitCommonControls (a stub), so
// that a program importing COMCTL32.dll statically loads it and the test can see that
// it can fail.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char log[MAX_PATH], path[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("TVX_PLANTED_LOG", log, sizeof log);
    if (n == 0 || n >= sizeof log) return TRUE;
    const DWORD length = GetModuleFileNameA(self, path, sizeof path);
    HANDLE file = CreateFileA(log, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return TRUE;
    SetFilePointer(file, 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(file, path, length, &written, nullptr);
    WriteFile(file, "\r\n", 2, &written, nullptr);
    CloseHandle(file);
    return TRUE;
}

extern "C" __declspec(dllexport) void WINAPI InitCommonControls() {}
