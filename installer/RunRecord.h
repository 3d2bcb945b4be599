// How an installer run ended, and what it made on disk so that it can be taken away
// again. Kept apart from the windows, so that every way of running the installer ends
// and cleans up by the same rules.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace install {

// How a run ended; the value is the installer's exit code.
enum class TOutcome : int {
    SetupStarted = 0,  // setup.exe was started
    Cancelled = 1,     // the user cancelled: welcome page, chooser, extraction, disk error
    Damaged = 2,       // the installer is damaged
    Failed = 3,        // any other failure: temporary folder, disk error, error report
    AnotherCopy = 4,   // another copy is running, and /S or /WAIT asked for an answer
};

// What an exit code of the installer means, for its log: "setup.exe was started",
// "cancelled by the user", "the installer is damaged", "failed", "another copy is
// running".
std::string OutcomeText(TOutcome outcome);

// How a run ended, and the folders it created, in order of creation (so a parent comes
// before the folders made inside it). The files it announced for writing are the main
// window's ExtractedFiles.
class TRunRecord {
public:
    // Failed until the run says otherwise.
    TOutcome Outcome = TOutcome::Failed;

    void FolderMade(const std::string& path) { folders_.push_back(path); }
    const std::vector<std::string>& Folders() const { return folders_; }
    // True when path names a folder this run made: letters A-Z compared without regard
    // to case, one trailing backslash ignored.
    bool MadeFolder(const std::string& path) const;

private:
    std::vector<std::string> folders_;
};

// The system services cleaning up uses.
struct TCleanupServices {
    // Each is true when the path is gone afterwards (a path that is not there counts).
    std::function<bool(const std::string&)> DeleteFile;
    std::function<bool(const std::string&)> RemoveFolder;
    // Records the path for deletion at the next restart; true when recorded.
    std::function<bool(const std::string&)> DeleteAtRestart;
};

// For a run that started setup.exe, which runs from these files: records every file of
// files for deletion at the next restart, in order, duplicates kept, then every folder of
// folders, innermost first (the reverse of their order of creation).
void ScheduleAtRestart(const std::vector<std::string>& files,
                       const std::vector<std::string>& folders, const TCleanupServices& services);

// For a run that started nothing: deletes every file of files (each once, in order),
// then removes every folder of folders, innermost first (the reverse of their order of
// creation), at once. What cannot be removed is recorded for deletion at the next
// restart, files before folders. Returns the paths so recorded.
std::vector<std::string> RemoveNow(const std::vector<std::string>& files,
                                   const std::vector<std::string>& folders,
                                   const TCleanupServices& services);

}  // namespace install
