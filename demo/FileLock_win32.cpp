// filelock PATH RELEASEFLAG: test helper. Creates or opens PATH for writing with no
// sharing, so that no other program can open or replace it, prints "locked" and holds
// it until the file RELEASEFLAG exists (checked every 50 ms); then closes it and ends.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: filelock PATH RELEASEFLAG\n", stderr);
        return 2;
    }
    HANDLE h = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "filelock: cannot open %s (error %lu)\n", argv[1], GetLastError());
        return 1;
    }
    std::puts("locked");
    std::fflush(stdout);
    while (GetFileAttributesA(argv[2]) == INVALID_FILE_ATTRIBUTES) Sleep(50);
    CloseHandle(h);
    return 0;
}
