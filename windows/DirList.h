// TDirectoryListBox: the folder list of the destination chooser. Entry 0 is the
// drive's root, then the folders down to the current one (open-folder pictures,
// indented by depth), then the current folder's subfolders. The current folder is
// the process's current directory. Highlighting an entry (mouse or keyboard) raises
// OnClick and opens nothing; a double click or Enter opens the highlighted entry.
#pragma once

#include "forms/Forms.h"
#include "windows/FolderList.h"
#include "windows/SystemDrives.h"

class TDirectoryListBox : public TControl {
public:
    // def: a Custom("Name", "LISTBOX", ...) row; the owner-drawn style with a fixed
    // item height is added here. Takes the process's current directory at once.
    TDirectoryListBox(TForm& form, TControlDef def, int itemHeight = 16,
                      IFolderSystem& fs = SystemFolderSystem());

    // The current folder, without a trailing backslash except at a drive root.
    const std::string& Directory() const { return model_.Directory(); }
    // Makes the folder the process's current directory and the list's current
    // folder; when that changed, rebuilds the list and raises OnChange. Raises
    // EInOutError ("Cannot open folder <path>") when it cannot be entered.
    void SetDirectory(const std::string& path);
    // Moves to the root of another drive; nothing when the letter, without case,
    // is the current drive's. Raises as SetDirectory.
    void SetDrive(char letter);
    char Drive() const { return Directory().empty() ? '\0' : Directory()[0]; }

    int Count() const { return static_cast<int>(model_.Entries().size()); }
    std::string ItemText(int index) const;
    std::vector<std::string> ItemTexts() const;
    // The highlighted entry, -1 when none; setting it raises no event.
    int ItemIndex() const { return model_.ItemIndex(); }
    void SetItemIndex(int index);
    // The full path of an entry ("C:\" for entry 0); empty when out of range.
    std::string GetItemPath(int index) const { return model_.FullPath(index); }
    // Opens the highlighted entry as the new current folder.
    void OpenHighlighted();

    TNotifyEvent OnChange;

    bool Command(WORD notifyCode) override;
    bool DrawItem(DRAWITEMSTRUCT& item) override;

protected:
    const char* WindowClass() const override { return "LISTBOX"; }
    DWORD WindowStyle() const override;
    DWORD WindowExStyle() const override { return WS_EX_CLIENTEDGE; }
    void Created() override;
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void FillWindow();

    TFolderListModel model_;
    int itemHeight_;
};
