// Program start of the installer: the single-instance guard, the application's title,
// the main window and the message loop. The main window's first activation runs the
// install sequence; its final close ends the loop and the program. The exit code says
// how the run ended (install::TOutcome): 0 setup.exe started, 1 cancelled, 2 damaged,
// 3 any other failure; a second copy ends silently with 0.
#include "installer/uUnpack.h"

#include <exception>

#include "forms/Dialogs.h"
#include "forms/Forms.h"
#include "installer/InstallLogic.h"
#include "runtime/SystemLibraries.h"

#ifndef _WIN64
// The image's load configuration, in the 64-byte form every Windows accepts for a
// 32-bit image. Its only setting is DependentLoadFlags (the field older headers call
// Reserved1) = LOAD_LIBRARY_SEARCH_SYSTEM32: Windows 10 from version 1607 then looks
// for the libraries the installer imports only in the system folder, before any of
// our code runs; older Windows ignore it. The linker does not point the image's
// load-configuration entry at it; cmake/load_config.py does, after linking.
extern "C" __attribute__((section(".tvxlcfg"), used))
const IMAGE_LOAD_CONFIG_DIRECTORY32 tvx_load_config = {
    64,      // Size
    0,       // TimeDateStamp
    0, 0,    // MajorVersion, MinorVersion
    0, 0,    // GlobalFlagsClear, GlobalFlagsSet
    0,       // CriticalSectionDefaultTimeout
    0, 0,    // DeCommitFreeBlockThreshold, DeCommitTotalFreeThreshold
    0,       // LockPrefixTable
    0, 0,    // MaximumAllocationSize, VirtualMemoryThreshold
    0, 0,    // ProcessHeapFlags, ProcessAffinityMask
    0,       // CSDVersion
    0x0800,  // DependentLoadFlags: LOAD_LIBRARY_SEARCH_SYSTEM32
    0, 0,    // EditList, SecurityCookie (beyond the 64 bytes: none)
    0, 0,    // SEHandlerTable, SEHandlerCount
};
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // First of all, so that no library is ever looked for beside the installer (often
    // in a downloads folder anyone can drop files into) or in the current folder.
    platform::RestrictLibrarySearch();

    // Held open (never read or written) until the process ends: while it exists, a
    // second copy finds the name taken and leaves without a word.
    HANDLE singleInstance = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                               1024, "zekinstall_single_instance");
    if (GetLastError() == ERROR_ALREADY_EXISTS) return 0;
    (void)singleInstance;

    Application.Initialize();
    Application.Title = "Tellivox";
    Application.HelpFile = "Tellivox.HLP";
    const TfrmUnpack* unpack = nullptr;
    try {
        // Every system library the installer uses beyond the system's core, each from
        // the system folder by full path; one that is missing is reported here.
        platform::LoadSystemLibraries();
        unpack = &Application.CreateForm<TfrmUnpack>();
    } catch (const std::exception& e) {
        MessageDlg(install::FatalErrorText(e.what()), TMsgDlgType::Error, mbOK, mbOK, mbOK);
    }
    Application.Run();
    const install::TOutcome outcome = unpack ? unpack->RunRecord.Outcome : install::TOutcome::Failed;
    Application.DestroyForms();
    return static_cast<int>(outcome);
}
