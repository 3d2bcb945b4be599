// The control of the planted-library test: a program that imports COMCTL32.dll
// statically, as the installer once did, so that Windows looks for it beside the
// program first. Registers the common controls and ends.
#include <windows.h>
#include <commctrl.h>

int main() {
    InitCommonControls();
    return 0;
}
