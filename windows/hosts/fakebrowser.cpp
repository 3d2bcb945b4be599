// A stand-in web browser for the tests: appends its command line and the show
// command it was started with to the file named by TVX_FAKEBROWSER_LOG.
#include <windows.h>

#include <cstdio>

int main() {
    char log[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("TVX_FAKEBROWSER_LOG", log, sizeof log)) return 1;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    GetStartupInfoA(&si);
    int show = (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : -1;
    if (FILE* f = std::fopen(log, "a")) {
        std::fprintf(f, "show=%d cmdline=[%s]\n", show, GetCommandLineA());
        std::fclose(f);
    }
    return 0;
}
