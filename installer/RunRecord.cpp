#include "installer/RunRecord.h"

#include <algorithm>

namespace install {

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
