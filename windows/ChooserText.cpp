#include "windows/ChooserText.h"

std::string NeededBytesText(int32_t bytesNeeded, int64_t freeSpace) {
    std::string text =
        std::to_string(bytesNeeded / 1024) + "k bytes are needed to install this release.";
    if (static_cast<int64_t>(bytesNeeded) > freeSpace)
        text += " There is not enough space on this drive.";
    return text;
}

std::string FreeSpaceText(int64_t freeSpace) { return std::to_string(freeSpace / 1024) + "k"; }

std::string PathDrivePart(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        // Up to, not including, the backslash after the share name.
        const auto server = path.find('\\', 2);
        if (server == std::string::npos) return path;
        const auto share = path.find('\\', server + 1);
        return share == std::string::npos ? path : path.substr(0, share);
    }
    return std::string();
}

int FindDriveEntry(const TDriveEntries& entries, const std::string& drivePart) {
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].Specs && entries[i].Specs->DriveName == drivePart)
            return static_cast<int>(i);
    return -1;
}

std::string HighlightName(const std::string& folder) {
    std::string f = folder;
    if (!f.empty() && f.back() == '\\') f.pop_back();
    const auto slash = f.rfind('\\');
    return LowerCase(slash == std::string::npos ? f : f.substr(slash + 1));
}

int FindHighlightEntry(const std::vector<std::string>& texts, const std::string& name) {
    if (name.empty()) return -1;
    for (size_t i = 0; i < texts.size(); ++i)
        if (LowerCase(texts[i]) == name) return static_cast<int>(i);
    return -1;
}
