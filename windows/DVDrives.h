// TDVDrivesCombo: a drop-down list of the machine's drives, drawn by the control
// itself. Each entry shows the drive's system icon and either the shell's display
// name or the letter with its volume label, and carries a TDriveSpecs record with the
// drive's total and free bytes as found when the list was last built. The list is
// rebuilt when the window is created, when it is dropped down (AutoUpdate), when
// ViewDrivesType is set and on UpdateDrives. User-interface thread only.
#pragma once

#include "forms/Forms.h"
#include "windows/DriveList.h"
#include "windows/SystemDrives.h"

#include <commctrl.h>

// One of the shell's system image lists (16 x 16 or 32 x 32 icons). The list is
// shared with the system: releasing it never destroys the system's images. Empty
// (draws nothing) when the shell gives no list. The shell is asked on first use, not
// when the program starts: SHELL32 is loaded only after the program has restricted
// where libraries are looked for.
class TDriveImageList {
public:
    explicit TDriveImageList(TIconSize size) : size_(size) {}
    HIMAGELIST Handle() const;
    // Draws the image of that system index at (x, y), transparently and enabled.
    void Draw(HDC dc, int index, int x, int y) const;

private:
    TIconSize size_;
    mutable bool asked_ = false;
    mutable HIMAGELIST handle_ = nullptr;
};

extern const TDriveImageList SmallDriveImages;
extern const TDriveImageList LargeDriveImages;

// Fills the list with the existing drives of the wanted types (see DriveList.h).
void BuildDriveList(TDriveEntries& list, TViewDrivesType wanted);
// Draws the system icon of a root path ("C:\") from the image list of that size.
void DrawDriveIcon(const std::string& root, HDC dc, int x, int y, TIconSize size);
// The font's line height in pixels: the character height from its text metrics + 1.
int GetFontHeight(HFONT font);

class TDVDrivesCombo : public TControl {
public:
    // def: a Custom("Name", "COMBOBOX", ...) row; the owner-drawn drop-down-list
    // style with a fixed item height is added here. query: the drive services
    // (the system's unless a test passes its own).
    TDVDrivesCombo(TForm& form, TControlDef def, IDriveQuery& query = SystemDriveQuery());

    bool AutoUpdate() const { return autoUpdate_; }
    void SetAutoUpdate(bool value) { autoUpdate_ = value; }
    bool DisplayBrackets() const { return text_.DisplayBrackets; }
    void SetDisplayBrackets(bool value);
    bool DisplayIcons() const { return displayIcons_; }
    void SetDisplayIcons(bool value);
    bool DisplayLabel() const { return text_.DisplayLabel; }
    void SetDisplayLabel(bool value);
    bool DisplaySysName() const { return text_.DisplaySysName; }
    void SetDisplaySysName(bool value);
    // The selected drive's letter as last set ('\0' before any list was built).
    char Drive() const { return model_.Drive(); }
    // Selects the entry of that letter (without case), stores the letter unchanged
    // and raises OnChange, even when it was already selected. An unlisted letter is
    // ignored.
    void SetDrive(char letter);
    TIconSize IconsSize() const { return iconsSize_; }
    // Adjusts the item height to the icons (at least 18 or 34), rebuilds and repaints.
    void SetIconsSize(TIconSize size);
    TTextCase TextCase() const { return text_.TextCase; }
    void SetTextCase(TTextCase value);
    TViewDrivesType ViewDrivesType() const { return viewDrivesType_; }
    // Stores the set and rebuilds the list.
    void SetViewDrivesType(TViewDrivesType types);

    // Rebuilds the list: the selected letter stays selected while it is listed, else
    // the first entry is selected and Drive follows it, without OnChange.
    void UpdateDrives();
    // The completion step after the form's description is applied: selects the
    // described letter through SetDrive.
    void Loaded(char describedDrive);

    // The entries with their records. Reading them builds the list first when it
    // has never been built.
    const TDriveEntries& Items();
    int ItemIndex();
    // Selection from code: no event, Drive unchanged; -1 selects nothing.
    void SetItemIndex(int index);
    int ItemHeight() const { return itemHeight_; }
    // The text an entry is painted with.
    std::string EntryText(int index);

    // On a user's pick OnClick comes first (the selection is already the new one),
    // then Drive takes the entry's letter, then OnChange.
    TNotifyEvent OnChange;
    TNotifyEvent OnDropDown;

    bool Command(WORD notifyCode) override;
    bool DrawItem(DRAWITEMSTRUCT& item) override;

protected:
    const char* WindowClass() const override { return "COMBOBOX"; }
    DWORD WindowStyle() const override;
    void Created() override;
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    static constexpr int kDropDownCount = 8;
    HFONT Font() const;
    void FontChanged();
    void ApplyItemHeight();
    void FillWindow();
    void Repaint();

    TDriveComboModel model_;
    bool built_ = false;
    bool autoUpdate_ = true;
    bool displayIcons_ = true;
    TDriveTextOptions text_;
    TIconSize iconsSize_ = isSmall;
    TViewDrivesType viewDrivesType_{dtFixed, dtRemote, dtRamDisk};
    int itemHeight_ = 18;
    IDriveQuery* query_;
};
