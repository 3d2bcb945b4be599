// The folder list box's model, apart from any window: entry 0 is the current drive's
// root, then come the folders on the path down to the current folder, then the
// current folder's subfolders. Each entry's text is a single folder name (the root's
// is the root path, "C:\"). The current folder is the process's current directory.
#pragma once

#include <string>
#include <vector>

// The file-system services the folder list needs.
class IFolderSystem {
public:
    virtual ~IFolderSystem() = default;
    // SetCurrentDirectoryA: 0 on success, else the system's error code.
    virtual unsigned ChangeDirectory(const std::string& path) = 0;
    // GetCurrentDirectoryA: no trailing backslash except at a root.
    virtual std::string CurrentDirectory() = 0;
    // The names of the folder's visible subfolders, without "." and "..".
    virtual std::vector<std::string> Subfolders(const std::string& folder) = 0;
};

enum class TFolderPicture { Root, Open, Closed };

struct TFolderEntry {
    std::string Text;
    int Level;               // indentation steps: 0 for the root
    TFolderPicture Picture;  // the root, a folder on the open path, or a subfolder
};

class TFolderListModel {
public:
    explicit TFolderListModel(IFolderSystem& fs) : fs_(&fs) {}

    // Takes the process's current directory as the current folder and builds the
    // list.
    void Load();

    const std::string& Directory() const { return directory_; }
    // Enters the folder: the process's current directory is set to it and read
    // back as the current folder. Returns true when the current folder changed
    // (the list is then rebuilt and the current folder's entry highlighted); the
    // control raises OnChange. Raises EInOutError "Cannot open folder <path>" when
    // the folder cannot be entered, leaving everything as it was.
    bool SetDirectory(const std::string& path);
    // Switches to the root of another drive; no-op (false) when the letter,
    // compared without case, is the current one. Raises as SetDirectory.
    bool SetDrive(char letter);

    const std::vector<TFolderEntry>& Entries() const { return entries_; }
    // The entry of the current folder.
    int CurrentIndex() const { return currentIndex_; }
    // The full path of an entry ("C:\" for entry 0); empty for an index out of range.
    std::string FullPath(int index) const;

    int ItemIndex() const { return itemIndex_; }
    // -1 or an index out of range highlights nothing.
    void SetItemIndex(int index);

private:
    void Rebuild();

    IFolderSystem* fs_;
    std::string directory_;
    std::string root_;                  // with its trailing backslash
    std::vector<std::string> path_;     // names from the root down to the current folder
    std::vector<TFolderEntry> entries_;
    int currentIndex_ = -1;
    int itemIndex_ = -1;
};
