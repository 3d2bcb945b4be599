// Starting the product's setup.exe, and waiting for it when the installer was asked to
// (/WAIT). Windows only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>

// The started setup.exe: its process handle, closed when the object goes.
class TSetupProcess {
public:
    TSetupProcess() = default;
    explicit TSetupProcess(HANDLE process) : process_(process) {}
    TSetupProcess(TSetupProcess&& other) noexcept : process_(other.process_) { other.process_ = nullptr; }
    TSetupProcess& operator=(TSetupProcess&& other) noexcept;
    TSetupProcess(const TSetupProcess&) = delete;
    TSetupProcess& operator=(const TSetupProcess&) = delete;
    ~TSetupProcess();

    // True when a process was started.
    explicit operator bool() const { return process_ != nullptr; }
    // Waits until the process has ended and returns its exit code (GetExitCodeProcess);
    // 3, the installer's own code for a failure, when it cannot be read.
    uint32_t WaitForExit();

private:
    HANDLE process_ = nullptr;
};

// Starts folder + "\setup.exe" with the arguments (install::SetupCommandLine), shown
// normally, with folder as its current folder, and returns once it waits for input (its
// window is up) or after ten seconds, as starting it with WinExec did. An empty object
// when it cannot be started.
TSetupProcess StartSetup(const std::string& folder, const std::vector<std::string>& arguments);
