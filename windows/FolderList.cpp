#include "windows/FolderList.h"

#include <algorithm>

#include "runtime/Exception.h"
#include "windows/DriveList.h"

namespace {
// Splits "C:\A\B" into the root "C:\" and the names A, B; a network path
// "\\srv\share\A" has the root "\\srv\share\".
void SplitPath(const std::string& dir, std::string& root, std::vector<std::string>& names) {
    size_t start;
    if (dir.size() >= 2 && dir[0] == '\\' && dir[1] == '\\') {
        const auto server = dir.find('\\', 2);
        const auto share = server == std::string::npos ? std::string::npos
                                                       : dir.find('\\', server + 1);
        start = share == std::string::npos ? dir.size() : share + 1;
        root = dir.substr(0, start);
        if (root.back() != '\\') root += '\\';
    } else {
        const auto slash = dir.find('\\');
        start = slash == std::string::npos ? dir.size() : slash + 1;
        root = dir.substr(0, start);
        if (root.empty() || root.back() != '\\') root += '\\';
    }
    names.clear();
    while (start < dir.size()) {
        auto end = dir.find('\\', start);
        if (end == std::string::npos) end = dir.size();
        if (end > start) names.push_back(dir.substr(start, end - start));
        start = end + 1;
    }
}
}  // namespace

void TFolderListModel::Load() {
    directory_ = fs_->CurrentDirectory();
    Rebuild();
}

bool TFolderListModel::SetDirectory(const std::string& path) {
    if (const unsigned error = fs_->ChangeDirectory(path))
        throw EInOutError(static_cast<int>(error), FormatMessage("Cannot open folder %s", path));
    const std::string now = fs_->CurrentDirectory();
    if (LowerCase(now) == LowerCase(directory_) && !entries_.empty()) return false;
    directory_ = now;
    Rebuild();
    return true;
}

bool TFolderListModel::SetDrive(char letter) {
    if (!directory_.empty() && UpperChar(directory_[0]) == UpperChar(letter)) return false;
    return SetDirectory(std::string(1, letter) + ":\\");
}

void TFolderListModel::Rebuild() {
    SplitPath(directory_, root_, path_);
    entries_.clear();
    entries_.push_back({root_, 0, TFolderPicture::Root});
    int level = 0;
    for (const auto& name : path_) entries_.push_back({name, ++level, TFolderPicture::Open});
    currentIndex_ = static_cast<int>(entries_.size()) - 1;
    auto subs = fs_->Subfolders(directory_);
    std::sort(subs.begin(), subs.end(), [](const std::string& a, const std::string& b) {
        return LowerCase(a) < LowerCase(b);
    });
    for (auto& name : subs) entries_.push_back({std::move(name), level + 1, TFolderPicture::Closed});
    itemIndex_ = currentIndex_;
}

std::string TFolderListModel::FullPath(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= entries_.size()) return std::string();
    if (index <= currentIndex_) {
        std::string path = root_;
        for (int i = 0; i < index; ++i) {
            if (i > 0) path += '\\';
            path += path_[static_cast<size_t>(i)];
        }
        return path;
    }
    std::string path = directory_;
    if (path.empty() || path.back() != '\\') path += '\\';
    return path + entries_[static_cast<size_t>(index)].Text;
}

void TFolderListModel::SetItemIndex(int index) {
    itemIndex_ = (index >= 0 && static_cast<size_t>(index) < entries_.size()) ? index : -1;
}
