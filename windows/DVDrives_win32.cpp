#include "windows/DVDrives.h"

#include <shellapi.h>

#include "runtime/SystemLibraries.h"

HIMAGELIST TDriveImageList::Handle() const {
    if (!asked_) {
        SHFILEINFOA info{};
        const UINT flags = SHGFI_SYSICONINDEX | (size_ == isSmall ? SHGFI_SMALLICON : SHGFI_LARGEICON);
        handle_ = reinterpret_cast<HIMAGELIST>(platform::Shell32().SHGetFileInfoA("", 0, &info, sizeof info, flags));
        asked_ = true;
    }
    return handle_;
}

void TDriveImageList::Draw(HDC dc, int index, int x, int y) const {
    if (index >= 0 && Handle()) platform::Comctl32().ImageList_Draw(handle_, index, dc, x, y, ILD_TRANSPARENT);
}

const TDriveImageList SmallDriveImages(isSmall);
const TDriveImageList LargeDriveImages(isLarge);

void BuildDriveList(TDriveEntries& list, TViewDrivesType wanted) {
    BuildDriveList(list, wanted, SystemDriveQuery());
}

void DrawDriveIcon(const std::string& root, HDC dc, int x, int y, TIconSize size) {
    SHFILEINFOA info{};
    const UINT flags = SHGFI_SYSICONINDEX | (size == isSmall ? SHGFI_SMALLICON : SHGFI_LARGEICON);
    if (!platform::Shell32().SHGetFileInfoA(root.c_str(), 0, &info, sizeof info, flags)) return;
    (size == isSmall ? SmallDriveImages : LargeDriveImages).Draw(dc, info.iIcon, x, y);
}

int GetFontHeight(HFONT font) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    return metrics.tmHeight + 1;
}

TDVDrivesCombo::TDVDrivesCombo(TForm& form, TControlDef def, IDriveQuery& query)
    : TControl(form, std::move(def)), model_(query), query_(&query) {}

DWORD TDVDrivesCombo::WindowStyle() const {
    return CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL;
}

HFONT TDVDrivesCombo::Font() const {
    HFONT font = Handle() ? reinterpret_cast<HFONT>(Perform(WM_GETFONT)) : nullptr;
    return font ? font : FormFont();
}

void TDVDrivesCombo::Created() {
    FontChanged();
    UpdateDrives();
}

LRESULT TDVDrivesCombo::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SETFONT) {
        const LRESULT result = DefaultHandler(msg, wParam, lParam);
        FontChanged();
        return result;
    }
    return TControl::HandleMessage(msg, wParam, lParam);
}

void TDVDrivesCombo::FontChanged() {
    itemHeight_ = GetFontHeight(Font());
    SetIconsSize(iconsSize_);
}

void TDVDrivesCombo::SetIconsSize(TIconSize size) {
    iconsSize_ = size;
    itemHeight_ = ItemHeightForIcons(size, GetFontHeight(Font()), itemHeight_);
    if (!Handle()) return;
    ApplyItemHeight();
    // A new window would build its list again; this one is kept and rebuilt.
    if (built_) UpdateDrives();
    Repaint();
}

void TDVDrivesCombo::ApplyItemHeight() {
    Perform(CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), itemHeight_);
    Perform(CB_SETITEMHEIGHT, 0, itemHeight_);
    // The window's own height sets how far the list drops; the closed box follows
    // the item height.
    RECT r;
    GetWindowRect(Handle(), &r);
    SetWindowPos(Handle(), nullptr, 0, 0, r.right - r.left,
                 itemHeight_ + 6 + kDropDownCount * itemHeight_ + 2,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TDVDrivesCombo::Repaint() {
    if (Handle()) InvalidateRect(Handle(), nullptr, TRUE);
}

void TDVDrivesCombo::SetDisplayBrackets(bool value) {
    text_.DisplayBrackets = value;
    Repaint();
}

void TDVDrivesCombo::SetDisplayIcons(bool value) {
    displayIcons_ = value;
    Repaint();
}

void TDVDrivesCombo::SetDisplayLabel(bool value) {
    text_.DisplayLabel = value;
    Repaint();
}

void TDVDrivesCombo::SetDisplaySysName(bool value) {
    text_.DisplaySysName = value;
    Repaint();
}

void TDVDrivesCombo::SetTextCase(TTextCase value) {
    text_.TextCase = value;
    Repaint();
}

void TDVDrivesCombo::SetViewDrivesType(TViewDrivesType types) {
    viewDrivesType_ = types;
    UpdateDrives();
}

void TDVDrivesCombo::UpdateDrives() {
    model_.UpdateDrives(viewDrivesType_);
    built_ = true;
    FillWindow();
}

void TDVDrivesCombo::FillWindow() {
    if (!Handle()) return;
    Perform(CB_RESETCONTENT);
    for (const auto& e : model_.Entries())
        Perform(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e.Text.c_str()));
    Perform(CB_SETCURSEL, static_cast<WPARAM>(model_.ItemIndex()));
}

void TDVDrivesCombo::Loaded(char describedDrive) { SetDrive(describedDrive); }

const TDriveEntries& TDVDrivesCombo::Items() {
    if (!built_) UpdateDrives();
    return model_.Entries();
}

int TDVDrivesCombo::ItemIndex() {
    Items();
    return model_.ItemIndex();
}

void TDVDrivesCombo::SetItemIndex(int index) {
    Items();
    model_.SetItemIndex(index);
    if (Handle()) Perform(CB_SETCURSEL, static_cast<WPARAM>(model_.ItemIndex()));
}

void TDVDrivesCombo::SetDrive(char letter) {
    Items();
    if (!model_.SetDrive(letter)) return;
    if (Handle()) Perform(CB_SETCURSEL, static_cast<WPARAM>(model_.ItemIndex()));
    if (OnChange) OnChange();
}

std::string TDVDrivesCombo::EntryText(int index) {
    const auto& items = Items();
    if (index < 0 || static_cast<size_t>(index) >= items.size()) return std::string();
    return DriveEntryText(items[static_cast<size_t>(index)].Text[0], text_, *query_);
}

bool TDVDrivesCombo::Command(WORD notifyCode) {
    switch (notifyCode) {
    case CBN_SELCHANGE: {
        const int picked = static_cast<int>(Perform(CB_GETCURSEL));
        model_.SetItemIndex(picked);
        if (OnClick) OnClick();
        model_.UserSelected(picked);
        if (OnChange) OnChange();
        return true;
    }
    case CBN_DROPDOWN:
        if (autoUpdate_) UpdateDrives();
        if (OnDropDown) OnDropDown();
        return true;
    default:
        return false;
    }
}

bool TDVDrivesCombo::DrawItem(DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    const TItemColours colours = FillItemBackground(item);
    const COLORREF back = colours.Back;
    const COLORREF fore = colours.Text;
    RECT rect = item.rcItem;

    const auto& entries = model_.Entries();
    const int index = static_cast<int>(item.itemID);
    if (index >= 0 && static_cast<size_t>(index) < entries.size()) {
        const char letter = entries[static_cast<size_t>(index)].Text[0];
        const std::string text = DriveEntryText(letter, text_, *query_);
        const auto layout = LayoutDriveEntry(rect.left, rect.top, rect.right, rect.bottom,
                                             displayIcons_, iconsSize_);
        if (layout.DrawIcon)
            DrawDriveIcon(std::string(1, letter) + ":\\", dc, layout.IconX, layout.IconY, iconsSize_);
        RECT textRect{layout.Left, layout.Top, layout.Right, layout.Bottom};
        HGDIOBJ oldFont = SelectObject(dc, Font());
        const COLORREF oldText = SetTextColor(dc, fore);
        const COLORREF oldBack = SetBkColor(dc, back);
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &textRect,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        SetBkColor(dc, oldBack);
        SetTextColor(dc, oldText);
        SelectObject(dc, oldFont);
    }
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) DrawFocusRect(dc, &rect);
    return true;
}
