#include "windows/DriveList.h"

std::string LowerCase(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string UpperCase(std::string s) {
    for (char& c : s) c = UpperChar(c);
    return s;
}

char UpperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

void QueryDriveSpace(IDriveQuery& query, const std::string& root, int64_t& total,
                     int64_t& free) {
    total = -1;
    free = -1;
    if (query.HasDiskFreeSpaceEx()) {
        uint64_t avail = 0, all = 0;
        if (query.DiskFreeSpaceEx(root, avail, all)) {
            total = static_cast<int64_t>(all);
            free = static_cast<int64_t>(avail);
        }
        return;
    }
    TDiskGeometry g;
    if (query.DiskFreeSpace(root, g)) {
        const int64_t cluster = int64_t{g.SectorsPerCluster} * g.BytesPerSector;
        total = cluster * g.TotalClusters;
        free = cluster * g.FreeClusters;
    }
}

void BuildDriveList(TDriveEntries& list, TViewDrivesType wanted, IDriveQuery& query) {
    list.clear();
    const uint32_t mask = query.LogicalDrives();
    for (int n = 0; n < 26; ++n) {
        if (((mask >> n) & 1u) == 0) continue;
        const char letter = static_cast<char>('A' + n);
        const std::string root = std::string(1, letter) + ":\\";
        if (!wanted.Contains(query.DriveType(root))) continue;
        auto specs = std::make_unique<TDriveSpecs>();
        QueryDriveSpace(query, root, specs->TotalSpace, specs->FreeSpace);
        specs->DriveName = std::string(1, letter) + ":";
        list.push_back(TDriveEntry{std::string(1, letter), std::move(specs)});
    }
}

int FindDriveLetter(const TDriveEntries& list, char letter) {
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].Text.size() == 1 && UpperChar(list[i].Text[0]) == UpperChar(letter))
            return static_cast<int>(i);
    return -1;
}

void TDriveComboModel::UpdateDrives(TViewDrivesType wanted) {
    const std::string remembered =
        itemIndex_ >= 0 ? entries_[static_cast<size_t>(itemIndex_)].Text : std::string();
    itemIndex_ = -1;
    BuildDriveList(entries_, wanted, *query_);
    if (entries_.empty()) return;
    itemIndex_ = 0;
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (LowerCase(entries_[i].Text) == LowerCase(remembered)) {
            itemIndex_ = static_cast<int>(i);
            break;
        }
    }
    drive_ = entries_[static_cast<size_t>(itemIndex_)].Text[0];
}

bool TDriveComboModel::SetDrive(char c) {
    const int at = FindDriveLetter(entries_, c);
    if (at < 0) return false;
    itemIndex_ = at;
    drive_ = c;
    return true;
}

void TDriveComboModel::SetItemIndex(int index) {
    itemIndex_ = (index >= 0 && static_cast<size_t>(index) < entries_.size()) ? index : -1;
}

void TDriveComboModel::UserSelected(int index) {
    SetItemIndex(index);
    if (itemIndex_ >= 0) drive_ = entries_[static_cast<size_t>(itemIndex_)].Text[0];
}

std::string DriveEntryText(char letter, const TDriveTextOptions& options,
                           IDriveQuery& query) {
    const std::string root = std::string(1, letter) + ":\\";
    if (options.DisplaySysName) return query.DisplayName(root);
    std::string text = std::string(1, letter) + ": ";
    if (options.DisplayLabel && query.DriveType(root) != dtRemovable) {
        if (options.DisplayBrackets) text += '[';
        text += query.VolumeLabel(letter);
        if (options.DisplayBrackets) text += ']';
    }
    return options.TextCase == tcLowerCase ? LowerCase(text) : UpperCase(text);
}

TDriveEntryLayout LayoutDriveEntry(int left, int top, int right, int bottom,
                                   bool displayIcons, TIconSize iconSize) {
    TDriveEntryLayout out{left + 2, top + 1, right, bottom - 1, displayIcons, 0, 0};
    const int height = out.Bottom - out.Top;
    int offset = 2;
    if (displayIcons) {
        const int icon = iconSize == isSmall ? 16 : 32;
        offset = iconSize == isSmall ? 20 : 36;
        out.IconX = out.Left;
        out.IconY = out.Top + (height - icon) / 2;
    }
    out.Left += offset;
    return out;
}

int ItemHeightForIcons(TIconSize size, int fontHeight, int currentItemHeight) {
    const int least = size == isSmall ? 18 : 34;
    return fontHeight < least ? least : currentItemHeight;
}
