// The system libraries a Windows program of ours uses beyond KERNEL32, USER32, GDI32
// and the C runtime MSVCRT. The first three are the system's own core (known DLLs on
// the NT family, always loaded on the Windows 95 family), and the C runtime must be
// there before any of our code runs; every other library is not imported but loaded
// at run time from the system folder by its full path, so that a file of the same
// name planted beside the program or in the current folder is never loaded.
// Windows only.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

namespace platform {

// Restricts the search for libraries to the system folder where the system offers
// that (SetDefaultDllDirectories, Windows 8 and updated Windows 7); where it offers
// only SetDllDirectoryA (XP SP1 and later), takes the current folder out of the search.
// Does nothing on older systems. Call it first, before anything can load a library.
void RestrictLibrarySearch();

// Loads NAME (a bare file name such as "riched20.dll") from the system folder by its
// full path; the libraries it needs are looked for beside it, not beside the program.
// The library stays loaded until the process ends. Throws Exception("Cannot load the
// system library <full path>") when it cannot be loaded.
HMODULE LoadSystemLibrary(const char* name);

// The functions used of each library, looked up once, on first use. The accessors
// load the library then and throw Exception("Cannot load the system library <path>")
// or Exception("The system library <path> lacks <function>") when that fails.
struct Comctl32Functions {
    decltype(&::InitCommonControls) InitCommonControls;
    decltype(&::InitCommonControlsEx) InitCommonControlsEx;  // null before version 4.70
    decltype(&::ImageList_Draw) ImageList_Draw;
};
struct Shell32Functions {
    decltype(&::SHGetFileInfoA) SHGetFileInfoA;
    decltype(&::ShellExecuteA) ShellExecuteA;
};
struct Advapi32Functions {
    decltype(&::RegOpenKeyExA) RegOpenKeyExA;
    decltype(&::RegQueryValueExA) RegQueryValueExA;
    decltype(&::RegCloseKey) RegCloseKey;
};
const Comctl32Functions& Comctl32();
const Shell32Functions& Shell32();
const Advapi32Functions& Advapi32();

// The window class of the rich-edit control, its library loaded once (no functions
// are needed: loading it registers the class). "RichEdit20A" of RICHED20 (rich edit
// 2.0: Windows 98, 2000 and later), else "RICHEDIT" of RICHED32 (rich edit 1.0, which
// Windows 95 and NT 4.0 have). Throws as the accessors do when neither loads.
const char* RichEditClass();

// Loads all of the libraries above (the rich-edit one included), so that a program can report a missing one once,
// at start, rather than fail half-way. Throws as the accessors do.
void LoadSystemLibraries();

// Registers the common-control window classes; does nothing when COMCTL32 cannot be
// loaded (creating such a control then fails and is reported where it happens).
void InitCommonControlClasses();

}  // namespace platform
