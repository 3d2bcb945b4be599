// Program start of the installer: the switches, the log, the single-instance guard, the
// application's title, the main window and the message loop. The main window's first
// activation runs the install sequence; its final close ends the loop and the program.
// Under /S the window is never shown and the sequence runs here, with every message
// going to the log instead of the screen. The exit code says how the run ended
// (install::TOutcome): 0 setup.exe started, 1 cancelled, 2 damaged, 3 any other failure
// (an unknown switch included), 4 another copy is running and /S or /WAIT was given (a
// second copy without them ends silently with 0); with /WAIT, setup.exe's own code
// replaces 0.
#include "installer/uUnpack.h"

#include <exception>

#include "forms/Dialogs.h"
#include "forms/Forms.h"
#include "installer/BuildInfo.h"
#include "installer/CommandLine.h"
#include "installer/InstallLog.h"
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

namespace {

// Appends bytes at the end of the file, created when missing, sharing it with whoever
// else reads or writes it (another copy of the installer logging there, say).
bool AppendToFile(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LONG high = 0;
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(bytes.size());
    const bool ok = (SetFilePointer(file, 0, &high, FILE_END) != INVALID_SET_FILE_POINTER ||
                     GetLastError() == NO_ERROR) &&
                    WriteFile(file, bytes.data(), size, &written, nullptr) && written == size;
    CloseHandle(file);
    return ok;
}

// The log file's full path, taken at start: the run changes its current folder later.
std::string FullLogPath(const std::string& file) {
    if (file.empty()) return file;
    char full[MAX_PATH + 1] = {};
    char* name = nullptr;
    const DWORD n = GetFullPathNameA(file.c_str(), sizeof full, full, &name);
    return n > 0 && n < sizeof full ? std::string(full, n) : file;
}

void LogStart(install::TInstallLog& log, const std::string& commandLine) {
    if (!log.Enabled()) return;
    SYSTEMTIME t;
    GetLocalTime(&t);
    log.Begin(install::LogTimeText(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond));
    std::string gateway, level, domain;
    GetLocalInfo(gateway, level, domain);
    log.Line("Installer version " + InstallerVersion() + "; build values Gateway=[" + gateway +
             "], ProductLevel=[" + level + "], EmailDomain=[" + domain + "]");
    log.Line("Command line: " + commandLine);
}

std::string AnswerText(int answer) {
    switch (answer) {
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    case IDYES: return "Yes";
    case IDNO: return "No";
    case IDABORT: return "Abort";
    default: return std::to_string(answer);
    }
}

// Every message goes to the log; under /S none is shown, and the answer is the one a
// message takes when nobody answers it.
void RouteMessages(install::TInstallLog& log, bool silent) {
    Application.OnDialog = [&log, silent](const TDialogMessage& m, const std::function<int()>& show) {
        if (silent) {
            log.Line("Message not shown (/S; taken as " + AnswerText(m.Unshown) + "), \"" +
                     m.Caption + "\": " + m.Text);
            return m.Unshown;
        }
        log.Line("Message shown, \"" + m.Caption + "\": " + m.Text);
        const int answer = show();
        log.Line("Answered: " + AnswerText(answer));
        return answer;
    };
}

int Finish(install::TInstallLog& log, int code, const std::string& meaning) {
    log.Line("Exit code " + std::to_string(code) + ": " + meaning);
    return code;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // First of all, so that no library is ever looked for beside the installer (often
    // in a downloads folder anyone can drop files into) or in the current folder.
    platform::RestrictLibrarySearch();

    using install::TOutcome;
    const std::string commandLine = GetCommandLineA();
    const install::TSwitches switches = install::ParseSwitches(commandLine);
    install::TInstallLog log(FullLogPath(switches.LogFile), AppendToFile);
    LogStart(log, commandLine);
    // No box of the system's either (a drive without a disk, say).
    if (switches.Silent) SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    RouteMessages(log, switches.Silent);

    if (switches.Help || !switches.Errors.empty()) {
        Application.Initialize();
        Application.Title = "Tellivox";
        if (switches.Help) {
            ShowMessageBox(install::HelpText(switches.ProgramName), "Quorvane Installer",
                           MB_OK | MB_ICONINFORMATION);
            return Finish(log, 0, "the list of switches (/?)");
        }
        MessageDlg(install::SwitchErrorText(switches.Errors), TMsgDlgType::Error, mbOK, mbOK, mbOK);
        return Finish(log, static_cast<int>(TOutcome::Failed), "the command line is wrong");
    }

    // Held open (never read or written) until the process ends: while it exists, a
    // second copy finds the name taken and leaves without a word.
    HANDLE singleInstance = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                               1024, "zekinstall_single_instance");
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        const bool answer = switches.Silent || switches.Wait;
        return Finish(log, static_cast<int>(answer ? TOutcome::AnotherCopy : TOutcome::SetupStarted),
                      "another copy of the installer is running");
    }
    (void)singleInstance;

    Application.Initialize();
    Application.Title = "Tellivox";
    Application.HelpFile = "Tellivox.HLP";
    TfrmUnpack* unpack = nullptr;
    try {
        // Every system library the installer uses beyond the system's core, each from
        // the system folder by full path; one that is missing is reported here.
        platform::LoadSystemLibraries();
        unpack = &Application.CreateForm<TfrmUnpack>(nullptr, switches, log);
    } catch (const std::exception& e) {
        MessageDlg(install::FatalErrorText(e.what()), TMsgDlgType::Error, mbOK, mbOK, mbOK);
    }
    if (unpack && switches.Silent)
        unpack->FormActivate();
    else
        Application.Run();
    const TOutcome outcome = unpack ? unpack->RunRecord.Outcome : TOutcome::Failed;
    TSetupProcess setup = unpack ? std::move(unpack->SetupProcess) : TSetupProcess();
    Application.DestroyForms();

    if (switches.Wait && setup) {
        log.Line("Waiting for setup.exe to end (/WAIT)");
        const int code = static_cast<int>(setup.WaitForExit());
        return Finish(log, code, "setup.exe's own exit code (/WAIT)");
    }
    return Finish(log, static_cast<int>(outcome), install::OutcomeText(outcome));
}
