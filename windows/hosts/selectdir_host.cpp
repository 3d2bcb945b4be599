// Test host for the destination chooser: shows it the way the install driver does and
// prints what the driver would read. Usage:
//   selectdir_host FOLDER BYTES_NEEDED [--always]
//   selectdir_host --drives        prints the drive combo box's letters and ends
//   selectdir_host --map X: PATH   adds drive X: for PATH to the session's drive list
//   selectdir_host --unmap X:      takes it away again
// (Wine finds a drive's files through the link in the prefix's dosdevices folder but
// lists only the drives its running services know; --map tells them of a new one.)
// Prints "BytesFree=<n>" after SetTargetDir, then (when the chooser is shown, which
// --always forces) "result=<modal result>" and "folder=<current folder>". An error
// out of SetTargetDir is shown by the application's error report and printed as
// "error=<message>". Each line is flushed at once for a driving script.
#include "runtime/Exception.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "windows/uSelectDir.h"

namespace {
void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--drives") == 0) {
        Application.Initialize();
        auto dialog = NewForm<TfrmSelectDir>(nullptr);
        std::string letters;
        for (const auto& entry : dialog->DC1->Items()) letters += entry.Text;
        Say("drives=" + letters);
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "--map") == 0) {
        const std::string target = std::string("\\??\\") + argv[3];
        const bool ok = DefineDosDeviceA(DDD_RAW_TARGET_PATH, argv[2], target.c_str()) != FALSE;
        Say(ok ? "mapped" : "map failed");
        return ok ? 0 : 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "--unmap") == 0) {
        const bool ok = DefineDosDeviceA(DDD_REMOVE_DEFINITION, argv[2], nullptr) != FALSE;
        Say(ok ? "unmapped" : "unmap failed");
        return ok ? 0 : 1;
    }
    if (argc < 3) {
        Say("usage: selectdir_host FOLDER BYTES_NEEDED [--always]");
        return 2;
    }
    const bool always = argc > 3 && std::strcmp(argv[3], "--always") == 0;
    Application.Initialize();
    Application.Title = "Tellivox";
    int code = 0;
    try {
        auto& dialog = Application.CreateForm<TfrmSelectDir>(nullptr);
        dialog.BytesNeeded = static_cast<int32_t>(std::strtol(argv[2], nullptr, 10));
        dialog.OnFolderCreated = [](const std::string& folder) { Say("created=" + folder); };
        try {
            dialog.SetTargetDir(argv[1]);
        } catch (const std::exception& e) {
            Say(std::string("error=") + e.what());
            Application.HandleException(e);
            code = 1;
        }
        Say("BytesFree=" + std::to_string(dialog.BytesFree));
        if (always || !(int64_t{dialog.BytesNeeded} < dialog.BytesFree)) {
            const int result = dialog.ShowModal();
            Say("result=" + std::to_string(result));
            Say("folder=" + dialog.DL1->Directory());
        }
    } catch (const std::exception& e) {
        Say(std::string("error=") + e.what());
        code = 1;
    }
    Application.DestroyForms();
    return code;
}
