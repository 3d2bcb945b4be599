#include "installer/RunRecord.h"

#include <algorithm>

namespace install {

namespace {
std::string Comparable(std::string path) {
    if (path.size() > 1 && path.back() == '\\') path.pop_back();
    for (char& c : path)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return path;
}
}  // namespace

std::string OutcomeText(TOutcome outcome) {
    switch (outcome) {
    case TOutcome::SetupStarted: return "setup.exe was started";
    case TOutcome::Cancelled: return "cancelled by the user";
    case TOutcome::Damaged: return "the installer is damaged";
    case TOutcome::Failed: return "failed";
    case TOutcome::AnotherCopy: return "another copy is running";
    }
    return "failed";
}

bool TRunRecord::MadeFolder(const std::string& path) const {
    const std::string wanted = Comparable(path);
    return std::any_of(folders_.begin(), folders_.end(),
                       [&](const std::string& f) { return Comparable(f) == wanted; });
}

void ScheduleAtRestart(const std::vector<std::string>& files,
                       const std::vector<std::string>& folders, const TCleanupServices& services) {
    for (const auto& f : files) services.DeleteAtRestart(f);
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) services.DeleteAtRestart(*it);
}

std::vector<std::string> RemoveNow(const std::vector<std::string>& files,
                                   const std::vector<std::string>& folders,
                                   const TCleanupServices& services) {
    std::vector<std::string> tried, left;
    for (const auto& f : files) {
        if (std::find(tried.begin(), tried.end(), f) != tried.end()) continue;
        tried.push_back(f);
        if (!services.DeleteFile(f)) left.push_back(f);
    }
    for (auto it = folders.rbegin(); it != folders.rend(); ++it)
        if (!services.RemoveFolder(*it)) left.push_back(*it);
    for (const auto& path : left) services.DeleteAtRestart(path);
    return left;
}

}  // namespace install
