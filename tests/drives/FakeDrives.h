// A scripted drive table and folder tree standing in for the system in tests.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "windows/DriveList.h"
#include "windows/FolderList.h"

struct FakeDrive {
    unsigned Type = dtFixed;
    bool SpaceFails = false;
    uint64_t Free = 0, Total = 0;
    TDiskGeometry Geometry;
    std::string Label;
    std::string SysName;
};

class FakeDriveQuery : public IDriveQuery {
public:
    std::map<char, FakeDrive> Drives;
    bool HasEx = true;
    std::vector<std::string> SpaceQueries;  // roots asked for space, in order
    std::vector<char> LabelQueries;

    uint32_t LogicalDrives() override {
        uint32_t mask = 0;
        for (const auto& d : Drives) mask |= 1u << (d.first - 'A');
        return mask;
    }
    unsigned DriveType(const std::string& root) override {
        auto it = Drives.find(root[0]);
        return it == Drives.end() ? unsigned{dtNonExisting} : it->second.Type;
    }
    bool HasDiskFreeSpaceEx() override { return HasEx; }
    bool DiskFreeSpaceEx(const std::string& root, uint64_t& free, uint64_t& total) override {
        SpaceQueries.push_back(root);
        const FakeDrive& d = Drives.at(root[0]);
        if (d.SpaceFails) return false;
        free = d.Free;
        total = d.Total;
        return true;
    }
    bool DiskFreeSpace(const std::string& root, TDiskGeometry& out) override {
        SpaceQueries.push_back(root);
        const FakeDrive& d = Drives.at(root[0]);
        if (d.SpaceFails) return false;
        out = d.Geometry;
        return true;
    }
    std::string VolumeLabel(char letter) override {
        LabelQueries.push_back(letter);
        return Drives.at(letter).Label;
    }
    std::string DisplayName(const std::string& root) override {
        return Drives.at(root[0]).SysName;
    }
};

// Folders are full paths spelt as the system gives them back ("C:\TEMP"); lookups
// ignore case and one trailing backslash, as Windows does.
class FakeFolderSystem : public IFolderSystem {
public:
    std::set<std::string> Folders{"C:\\"};
    std::set<std::string> Unreadable;  // exist, but cannot be entered
    std::string Current = "C:\\";

    void Add(const std::string& path) { Folders.insert(path); }

    unsigned ChangeDirectory(const std::string& path) override {
        const std::string* found = Find(path);
        if (!found) return 3;  // path not found
        if (Unreadable.count(*found)) return 5;  // access denied
        Current = *found;
        return 0;
    }
    std::string CurrentDirectory() override { return Current; }
    std::vector<std::string> Subfolders(const std::string& folder) override {
        std::vector<std::string> out;
        std::string prefix = folder;
        if (prefix.back() != '\\') prefix += '\\';
        for (const auto& f : Folders) {
            if (f.size() > prefix.size() && f.compare(0, prefix.size(), prefix) == 0 &&
                f.find('\\', prefix.size()) == std::string::npos)
                out.push_back(f.substr(prefix.size()));
        }
        return out;
    }

private:
    const std::string* Find(std::string path) const {
        if (path.size() > 3 && path.back() == '\\') path.pop_back();
        for (const auto& f : Folders)
            if (LowerCase(f) == LowerCase(path)) return &f;
        return nullptr;
    }
};
