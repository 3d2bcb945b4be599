#include "installer/SetupProcess.h"

#include "installer/InstallLogic.h"

TSetupProcess& TSetupProcess::operator=(TSetupProcess&& other) noexcept {
    if (this != &other) {
        if (process_) CloseHandle(process_);
        process_ = other.process_;
        other.process_ = nullptr;
    }
    return *this;
}

TSetupProcess::~TSetupProcess() {
    if (process_) CloseHandle(process_);
}

uint32_t TSetupProcess::WaitForExit() {
    DWORD code = 3;
    if (process_ == nullptr || WaitForSingleObject(process_, INFINITE) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process_, &code))
        return 3;
    return code;
}

TSetupProcess StartSetup(const std::string& folder, const std::vector<std::string>& arguments) {
    const std::string program = folder + "\\setup.exe";
    std::string commandLine = install::SetupCommandLine(folder, arguments);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info = {};
    // The program is named by its full path, so that no other program is looked for.
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &info))
        return TSetupProcess();
    CloseHandle(info.hThread);
    WaitForInputIdle(info.hProcess, 10000);
    return TSetupProcess(info.hProcess);
}
