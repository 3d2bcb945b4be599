// Program start of the installer: the single-instance guard, the application's title,
// the main window and the message loop. The main window's first activation runs the
// install sequence; its final close ends the loop and the program.
#include "installer/uUnpack.h"

#include <exception>

#include "forms/Dialogs.h"
#include "forms/Forms.h"
#include "installer/InstallLogic.h"
#include "runtime/SystemLibraries.h"

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
    try {
        // Every system library the installer uses beyond the system's core, each from
        // the system folder by full path; one that is missing is reported here.
        platform::LoadSystemLibraries();
        Application.CreateForm<TfrmUnpack>();
    } catch (const std::exception& e) {
        MessageDlg(install::FatalErrorText(e.what()), TMsgDlgType::Error, mbOK, mbOK, mbOK);
    }
    Application.Run();
    Application.DestroyForms();
    return 0;
}
