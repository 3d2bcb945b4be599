#include "windows/DirList.h"

#include <shellapi.h>

#include "runtime/SystemLibraries.h"

#include "windows/DVDrives.h"

namespace {
constexpr int kIndent = 10;  // pixels per level of depth

// The system image index of a folder picture, open or closed.
int FolderIcon(bool open) {
    SHFILEINFOA info{};
    UINT flags = SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES;
    if (open) flags |= SHGFI_OPENICON;
    if (!platform::Shell32().SHGetFileInfoA("folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, flags)) return -1;
    return info.iIcon;
}

int RootIcon(const std::string& root) {
    SHFILEINFOA info{};
    if (!platform::Shell32().SHGetFileInfoA(root.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
        return FolderIcon(true);
    return info.iIcon;
}
}  // namespace

TDirectoryListBox::TDirectoryListBox(TForm& form, TControlDef def, int itemHeight, IFolderSystem& fs)
    : TControl(form, std::move(def)), model_(fs), itemHeight_(itemHeight) {
    model_.Load();
}

DWORD TDirectoryListBox::WindowStyle() const {
    return LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
}

void TDirectoryListBox::Created() {
    Perform(LB_SETITEMHEIGHT, 0, itemHeight_);
    FillWindow();
}

void TDirectoryListBox::FillWindow() {
    if (!Handle()) return;
    SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
    Perform(LB_RESETCONTENT);
    for (const auto& e : model_.Entries())
        Perform(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e.Text.c_str()));
    Perform(LB_SETCURSEL, static_cast<WPARAM>(model_.ItemIndex()));
    SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(Handle(), nullptr, TRUE);
}

std::string TDirectoryListBox::ItemText(int index) const {
    if (index < 0 || index >= Count()) return std::string();
    return model_.Entries()[static_cast<size_t>(index)].Text;
}

std::vector<std::string> TDirectoryListBox::ItemTexts() const {
    std::vector<std::string> out;
    for (const auto& e : model_.Entries()) out.push_back(e.Text);
    return out;
}

void TDirectoryListBox::SetItemIndex(int index) {
    model_.SetItemIndex(index);
    if (Handle()) Perform(LB_SETCURSEL, static_cast<WPARAM>(model_.ItemIndex()));
}

void TDirectoryListBox::SetDirectory(const std::string& path) {
    if (!model_.SetDirectory(path)) return;
    FillWindow();
    if (OnChange) OnChange();
}

void TDirectoryListBox::SetDrive(char letter) {
    if (!model_.SetDrive(letter)) return;
    FillWindow();
    if (OnChange) OnChange();
}

void TDirectoryListBox::OpenHighlighted() {
    const int index = ItemIndex();
    if (index >= 0) SetDirectory(GetItemPath(index));
}

bool TDirectoryListBox::Command(WORD notifyCode) {
    switch (notifyCode) {
    case LBN_SELCHANGE:
        model_.SetItemIndex(static_cast<int>(Perform(LB_GETCURSEL)));
        if (OnClick) OnClick();
        return true;
    case LBN_DBLCLK:
        OpenHighlighted();
        return true;
    default:
        return false;
    }
}

LRESULT TDirectoryListBox::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_GETDLGCODE: {
        // Enter belongs to the list (it opens the entry), not to the dialog.
        const auto* m = reinterpret_cast<const MSG*>(lParam);
        LRESULT code = DefaultHandler(msg, wParam, lParam);
        if (m && m->message == WM_KEYDOWN && m->wParam == VK_RETURN) code |= DLGC_WANTMESSAGE;
        return code;
    }
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            OpenHighlighted();
            return 0;
        }
        break;
    default:
        break;
    }
    return TControl::HandleMessage(msg, wParam, lParam);
}

bool TDirectoryListBox::DrawItem(DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    const TItemColours colours = FillItemBackground(item);
    const COLORREF back = colours.Back;
    const COLORREF fore = colours.Text;
    RECT rect = item.rcItem;

    const int index = static_cast<int>(item.itemID);
    if (index >= 0 && index < Count()) {
        const TFolderEntry& e = model_.Entries()[static_cast<size_t>(index)];
        const int x = rect.left + 2 + e.Level * kIndent;
        const int h = rect.bottom - rect.top;
        const int icon = e.Picture == TFolderPicture::Root ? RootIcon(e.Text)
                                                           : FolderIcon(e.Picture == TFolderPicture::Open);
        SmallDriveImages.Draw(dc, icon, x, rect.top + (h - 16) / 2);
        RECT textRect{x + 20, rect.top, rect.right, rect.bottom};
        HFONT font = reinterpret_cast<HFONT>(Perform(WM_GETFONT));
        HGDIOBJ oldFont = SelectObject(dc, font ? font : FormFont());
        const COLORREF oldText = SetTextColor(dc, fore);
        const COLORREF oldBack = SetBkColor(dc, back);
        DrawTextA(dc, e.Text.c_str(), static_cast<int>(e.Text.size()), &textRect,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        SetBkColor(dc, oldBack);
        SetTextColor(dc, oldText);
        SelectObject(dc, oldFont);
    }
    if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &rect);
    return true;
}
