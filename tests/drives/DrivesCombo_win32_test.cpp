// The drive combo box and the folder list box as real windows: what the window holds,
// the events and their order, rebuilding on drop-down, item heights and where an entry
// is painted.
#include "runtime/Exception.h"

#include <gtest/gtest.h>

#include "FakeDrives.h"
#include "windows/DVDrives.h"
#include "windows/DirList.h"

namespace {

FakeDriveQuery Machine() {
    FakeDriveQuery q;
    q.Drives['A'] = FakeDrive{dtRemovable, false, 1000, 2000, {}, "FLOPPY", "Floppy (A:)"};
    q.Drives['C'] = FakeDrive{dtFixed, false, 5368709120ull, 10737418240ull, {}, "SYSTEM", "Disk (C:)"};
    q.Drives['D'] = FakeDrive{dtCDROM, false, 0, 700, {}, "DISC", "Disc (D:)"};
    q.Drives['Z'] = FakeDrive{dtRemote, false, 42, 84, {}, "share", "share (Z:)"};
    return q;
}

class ComboForm : public TForm {
public:
    explicit ComboForm(IDriveQuery& query) : TForm(nullptr, TFormDef{"Drives test", 300, 200}) {
        combo = &Add<TDVDrivesCombo>(Custom("DC1", "COMBOBOX", 8, 8, 129, 24).Tab(0), query);
        combo->OnClick = [this] {
            log.push_back("click " + std::to_string(combo->ItemIndex()) + " " + std::string(1, combo->Drive()));
        };
        combo->OnChange = [this] {
            log.push_back("change " + std::to_string(combo->ItemIndex()) + " " + std::string(1, combo->Drive()));
        };
    }
    TDVDrivesCombo* combo;
    std::vector<std::string> log;
};

std::string ItemText(HWND combo, int index) {
    char buffer[64] = {};
    SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

// The user picks an entry: the window's selection moves, then the parent hears of it.
void UserPicks(TForm& form, TControl& combo, int index) {
    combo.Perform(CB_SETCURSEL, static_cast<WPARAM>(index));
    SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(combo.Id(), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo.Handle()));
}

// Paints one entry into a white bitmap and returns the leftmost column holding a
// pixel of another colour at or right of `from` (-1 when none).
int FirstInkColumn(TDVDrivesCombo& combo, int index, int from) {
    const int w = 129, h = combo.ItemHeight();
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_COMBOBOX;
    item.itemID = static_cast<UINT>(index);
    item.itemAction = ODA_DRAWENTIRE;
    item.hwndItem = combo.Handle();
    item.hDC = dc;
    item.rcItem = RECT{0, 0, w, h};
    combo.DrawItem(item);
    const COLORREF back = GetPixel(dc, w - 1, 0);
    int found = -1;
    for (int x = from; x < w && found < 0; ++x)
        for (int y = 0; y < h; ++y)
            if (GetPixel(dc, x, y) != back) {
                found = x;
                break;
            }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return found;
}

}  // namespace

TEST(DrivesCombo, WindowHoldsTheListedLettersWithTheFirstSelected) {
    FakeDriveQuery q = Machine();
    auto form = NewForm<ComboForm>(q);
    HWND h = form->combo->Handle();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(SendMessageA(h, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(ItemText(h, 0), "C");
    EXPECT_EQ(ItemText(h, 1), "Z");
    EXPECT_EQ(SendMessageA(h, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(form->combo->Drive(), 'C');
    EXPECT_EQ(form->combo->Items()[1].Specs->FreeSpace, 42);
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(h, GWL_STYLE));
    EXPECT_EQ(style & 3u, static_cast<DWORD>(CBS_DROPDOWNLIST));
    EXPECT_TRUE(style & CBS_OWNERDRAWFIXED);
    EXPECT_TRUE(form->log.empty());
}

TEST(DrivesCombo, ItemHeightFollowsTheIconSize) {
    FakeDriveQuery q = Machine();
    auto form = NewForm<ComboForm>(q);
    TDVDrivesCombo& c = *form->combo;
    const int font = GetFontHeight(FormFont());
    ASSERT_LT(font, 18);
    EXPECT_EQ(c.ItemHeight(), 18);
    EXPECT_EQ(c.Perform(CB_GETITEMHEIGHT, 0), 18);
    RECT r;
    GetWindowRect(c.Handle(), &r);
    EXPECT_EQ(r.bottom - r.top, 24);  // the closed box
    c.SetIconsSize(isLarge);
    EXPECT_EQ(c.ItemHeight(), 34);
    EXPECT_EQ(c.Perform(CB_GETITEMHEIGHT, 0), 34);
    GetWindowRect(c.Handle(), &r);
    EXPECT_EQ(r.bottom - r.top, 40);  // the closed box follows the item height
    c.SetIconsSize(isSmall);
    EXPECT_EQ(c.ItemHeight(), 18);
    EXPECT_EQ(c.Perform(CB_GETCOUNT), 2);  // rebuilt, as a new window would be
}

TEST(DrivesCombo, DriveSetterRaisesOnChangeEvenForTheSameEntry) {
    FakeDriveQuery q = Machine();
    auto form = NewForm<ComboForm>(q);
    TDVDrivesCombo& c = *form->combo;
    c.SetDrive('z');
    c.SetDrive('z');
    c.SetDrive('Q');
    EXPECT_EQ(form->log, (std::vector<std::string>{"change 1 z", "change 1 z"}));
    EXPECT_EQ(c.Perform(CB_GETCURSEL), 1);
    c.SetItemIndex(0);  // from code: no event, Drive unchanged
    EXPECT_EQ(c.Perform(CB_GETCURSEL), 0);
    EXPECT_EQ(c.Drive(), 'z');
    EXPECT_EQ(form->log.size(), 2u);
}

TEST(DrivesCombo, UserPickRaisesOnClickThenSetsDriveThenOnChange) {
    FakeDriveQuery q = Machine();
    auto form = NewForm<ComboForm>(q);
    UserPicks(*form, *form->combo, 1);
    EXPECT_EQ(form->log, (std::vector<std::string>{"click 1 C", "change 1 Z"}));
}

TEST(DrivesCombo, DroppingDownRebuildsWhenAutoUpdateIsOn) {
    FakeDriveQuery q = Machine();
    auto form = NewForm<ComboForm>(q);
    TDVDrivesCombo& c = *form->combo;
    UserPicks(*form, c, 1);
    form->log.clear();
    q.Drives.erase('Z');
    c.SetAutoUpdate(false);
    SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(c.Id(), CBN_DROPDOWN),
                 reinterpret_cast<LPARAM>(c.Handle()));
    EXPECT_EQ(c.Perform(CB_GETCOUNT), 2);
    c.SetAutoUpdate(true);
    int dropped = 0;
    c.OnDropDown = [&] { ++dropped; };
    SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(c.Id(), CBN_DROPDOWN),
                 reinterpret_cast<LPARAM>(c.Handle()));
    EXPECT_EQ(dropped, 1);
    EXPECT_EQ(c.Perform(CB_GETCOUNT), 1);
    EXPECT_EQ(c.Perform(CB_GETCURSEL), 0);
    EXPECT_EQ(c.Drive(), 'C');
    EXPECT_TRUE(form->log.empty());  // no OnChange from a rebuild
}

TEST(DrivesCombo, ViewDrivesTypeRebuilds) {
    FakeDriveQuery q = Machine();
    auto form = NewForm<ComboForm>(q);
    TDVDrivesCombo& c = *form->combo;
    c.SetViewDrivesType(TViewDrivesType{dtRemovable, dtCDROM});
    EXPECT_EQ(c.Perform(CB_GETCOUNT), 2);
    EXPECT_EQ(ItemText(c.Handle(), 0), "A");
    EXPECT_EQ(ItemText(c.Handle(), 1), "D");
    c.SetDisplaySysName(false);
    EXPECT_EQ(c.EntryText(0), "a: ");
    EXPECT_EQ(c.EntryText(1), "d: [disc]");
    EXPECT_EQ(q.LabelQueries, std::vector<char>{'D'});
    c.SetViewDrivesType(TViewDrivesType{});
    EXPECT_EQ(c.Perform(CB_GETCOUNT), 0);
    EXPECT_EQ(c.ItemIndex(), -1);
    EXPECT_EQ(c.Drive(), 'A');  // the first entry of the previous build
}

TEST(DrivesCombo, TextStartsRightOfTheIcon) {
    FakeDriveQuery q = Machine();
    auto form = NewForm<ComboForm>(q);
    TDVDrivesCombo& c = *form->combo;
    c.SetDisplaySysName(false);
    const int withIcon = FirstInkColumn(c, 0, 20);
    EXPECT_GE(withIcon, 22);
    EXPECT_LE(withIcon, 24);
    c.SetDisplayIcons(false);
    EXPECT_EQ(FirstInkColumn(c, 0, 0), FirstInkColumn(c, 0, 4));
    const int bare = FirstInkColumn(c, 0, 0);
    EXPECT_GE(bare, 4);
    EXPECT_LE(bare, 6);
}

TEST(DrivesCombo, VolumeLabelRestoresTheErrorMode) {
    const UINT mine = SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX;
    const UINT before = SetErrorMode(mine);
    GetVolumeLabel('C');
    GetVolumeLabel('Q');  // no such drive
    EXPECT_EQ(SetErrorMode(before), mine);
    EXPECT_EQ(GetVolumeLabel('Q'), "");
}

namespace {
class ListForm : public TForm {
public:
    ListForm() : TForm(nullptr, TFormDef{"Folders test", 300, 300}) {
        list = &Add<TDirectoryListBox>(Custom("DL1", "LISTBOX", 8, 8, 193, 190).Tab(0), 16);
        list->OnChange = [this] { log.push_back("change " + list->Directory()); };
        list->OnClick = [this] { log.push_back("click " + std::to_string(list->ItemIndex())); };
    }
    TDirectoryListBox* list;
    std::vector<std::string> log;
};

std::string TempBase() {
    char buffer[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, buffer);
    std::string base = std::string(buffer) + "tvxdl";
    CreateDirectoryA(base.c_str(), nullptr);
    for (const char* sub : {"\\Alpha", "\\beta", "\\sub"})
        CreateDirectoryA((base + sub).c_str(), nullptr);
    // Read back as the system spells it.
    SetCurrentDirectoryA(base.c_str());
    GetCurrentDirectoryA(MAX_PATH, buffer);
    return buffer;
}

// Restores the process's current directory after a test moved it.
struct CurrentDirectoryScope {
    char saved[MAX_PATH + 1] = {};
    CurrentDirectoryScope() { GetCurrentDirectoryA(MAX_PATH, saved); }
    ~CurrentDirectoryScope() { SetCurrentDirectoryA(saved); }
};
}  // namespace

TEST(DirectoryListBox, ShowsThePathAndSubfoldersAndOpensOnlyOnEnterOrDoubleClick) {
    CurrentDirectoryScope keep;
    const std::string base = TempBase();
    auto form = NewForm<ListForm>();
    TDirectoryListBox& l = *form->list;
    EXPECT_EQ(l.Directory(), base);
    const int n = l.Count();
    ASSERT_GE(n, 5);
    EXPECT_EQ(l.Perform(LB_GETCOUNT), n);
    EXPECT_EQ(l.ItemText(0), base.substr(0, 3));
    EXPECT_EQ(l.ItemText(n - 3), "Alpha");
    EXPECT_EQ(l.ItemText(n - 1), "sub");
    EXPECT_EQ(l.Perform(LB_GETITEMHEIGHT, 0), 16);
    EXPECT_EQ(l.GetItemPath(0), base.substr(0, 3));
    EXPECT_EQ(l.GetItemPath(n - 2), base + "\\beta");

    // Highlighting by the user raises OnClick and opens nothing.
    l.Perform(LB_SETCURSEL, static_cast<WPARAM>(n - 2));
    SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(l.Id(), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(l.Handle()));
    EXPECT_EQ(l.Directory(), base);
    EXPECT_EQ(form->log, (std::vector<std::string>{"click " + std::to_string(n - 2)}));

    // Enter opens it.
    form->log.clear();
    l.Perform(WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ(l.Directory(), base + "\\beta");
    EXPECT_EQ(form->log, (std::vector<std::string>{"change " + base + "\\beta"}));
    char cwd[MAX_PATH + 1] = {};
    GetCurrentDirectoryA(MAX_PATH, cwd);
    EXPECT_EQ(std::string(cwd), base + "\\beta");

    // A double click on the parent's entry goes back up.
    l.SetItemIndex(l.Count() - 2);
    EXPECT_EQ(l.ItemText(l.ItemIndex()), "tvxdl");
    SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(l.Id(), LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(l.Handle()));
    EXPECT_EQ(l.Directory(), base);
}

TEST(DirectoryListBox, FolderThatCannotBeEnteredRaises) {
    CurrentDirectoryScope keep;
    const std::string base = TempBase();
    auto form = NewForm<ListForm>();
    TDirectoryListBox& l = *form->list;
    EXPECT_THROW(l.SetDirectory(base + "\\missing\\"), EInOutError);
    EXPECT_EQ(l.Directory(), base);
    EXPECT_THROW(l.SetDrive('Q'), EInOutError);
    l.SetDrive(static_cast<char>(tolower(base[0])));  // same drive: nothing
    EXPECT_EQ(l.Directory(), base);
    EXPECT_TRUE(form->log.empty());
    l.SetDirectory(base + "\\sub\\");
    EXPECT_EQ(l.Directory(), base + "\\sub");
    l.SetDirectory(base + "\\SUB");  // the same folder: no change
    EXPECT_EQ(form->log, (std::vector<std::string>{"change " + base + "\\sub"}));
}
