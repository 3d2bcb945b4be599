// The destination chooser in this process, against the real drives and folders:
// its layout, SetTargetDir, the status texts and the handlers that need no dialog.
#include "runtime/Exception.h"

#include <gtest/gtest.h>

#include "windows/ChooserText.h"
#include "windows/uSelectDir.h"

namespace {

struct CurrentDirectoryScope {
    char saved[MAX_PATH + 1] = {};
    CurrentDirectoryScope() { GetCurrentDirectoryA(MAX_PATH, saved); }
    ~CurrentDirectoryScope() { SetCurrentDirectoryA(saved); }
};

RECT Bounds(const TControl& c) {
    RECT r;
    GetWindowRect(c.Handle(), &r);
    MapWindowPoints(nullptr, GetParent(c.Handle()), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int EntryOf(const TDVDrivesCombo& combo, char letter) {
    auto& c = const_cast<TDVDrivesCombo&>(combo);
    for (size_t i = 0; i < c.Items().size(); ++i)
        if (c.Items()[i].Text[0] == letter) return static_cast<int>(i);
    return -1;
}

}  // namespace

TEST(SelectDir, FormAndControlsAsDescribed) {
    CurrentDirectoryScope keep;
    auto dialog = NewForm<TfrmSelectDir>(nullptr);
    EXPECT_EQ(dialog->Caption(), "Select Destination");
    RECT client;
    GetClientRect(dialog->Handle(), &client);
    EXPECT_EQ(client.right, 384);
    EXPECT_EQ(client.bottom, 261);
    const LONG_PTR style = GetWindowLongPtrA(dialog->Handle(), GWL_STYLE);
    EXPECT_FALSE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));

    for (const auto& row : SelectDirControls()) {
        SCOPED_TRACE(row.Name);
        const TControl& c = dialog->Find(row.Name);
        const RECT r = Bounds(c);
        EXPECT_EQ(r.left, row.Left);
        EXPECT_EQ(r.top, row.Top);
        if (!(row.Flags & cfAutoSize)) {
            EXPECT_EQ(r.right - r.left, row.Width);
            EXPECT_EQ(r.bottom - r.top, row.Height);
        }
        if (row.Kind == TControlKind::Button) {
            EXPECT_EQ(c.Text(), row.Text);
            EXPECT_EQ(GetWindowLongPtrA(c.Handle(), GWL_STYLE) & 0x0F, BS_PUSHBUTTON);  // none is default
        }
    }
    EXPECT_EQ(dialog->cmdCreate->ModalResult, mrOK);
    EXPECT_EQ(dialog->cmdOK->ModalResult, mrOK);
    EXPECT_EQ(dialog->cmdCancel->ModalResult, mrCancel);
    EXPECT_EQ(dialog->cmdUseTEMP->ModalResult, mrNone);
    EXPECT_EQ(dialog->Label2->Text(), "Folder:");
    EXPECT_EQ(dialog->lblAvail->Text().back(), 'k');  // set by the described drive C
    EXPECT_EQ(dialog->DC1->Drive(), 'C');
    EXPECT_EQ(dialog->DC1->IconsSize(), isSmall);
    EXPECT_EQ(dialog->DL1->Perform(LB_GETITEMHEIGHT, 0), 16);
}

TEST(SelectDir, SetTargetDirSelectsDriveOpensFolderAndHighlightsIt) {
    CurrentDirectoryScope keep;
    CreateDirectoryA("C:\\TEMP", nullptr);
    auto dialog = NewForm<TfrmSelectDir>(nullptr);
    dialog->BytesNeeded = 1048576;
    dialog->SetTargetDir("C:\\TEMP\\");
    const int c = EntryOf(*dialog->DC1, 'C');
    ASSERT_GE(c, 0);
    const int64_t free = dialog->DC1->Items()[static_cast<size_t>(c)].Specs->FreeSpace;
    EXPECT_EQ(dialog->DC1->ItemIndex(), c);
    EXPECT_EQ(dialog->BytesFree, free);
    EXPECT_EQ(dialog->lblStatus->Text(), NeededBytesText(1048576, free));
    EXPECT_EQ(dialog->lblStatus->Text().substr(0, 6), "1024k ");
    EXPECT_EQ(dialog->lblAvail->Text(), std::to_string(free / 1024) + "k");
    EXPECT_EQ(dialog->DL1->Directory(), "C:\\TEMP");
    EXPECT_EQ(dialog->lblFolder->Text(), "C:\\");
    EXPECT_EQ(dialog->DL1->ItemText(dialog->DL1->ItemIndex()), "TEMP");
    EXPECT_EQ(dialog->DL1->ItemIndex(), 1);

    dialog->FormClick();
    EXPECT_EQ(dialog->lblFolder->Text(), "c:\\temp");
    dialog->DL1Click();
    EXPECT_EQ(dialog->lblFolder->Text(), "C:\\TEMP");
}

TEST(SelectDir, LowerCaseDriveMatchesNothingButTheStatusAndNameAreUpdated) {
    CurrentDirectoryScope keep;
    CreateDirectoryA("C:\\TEMP", nullptr);
    auto dialog = NewForm<TfrmSelectDir>(nullptr);
    dialog->SetTargetDir("C:\\TEMP\\");
    dialog->DL1->SetItemIndex(0);
    dialog->BytesFree = 12345;
    dialog->BytesNeeded = 99 * 1024;
    dialog->SetTargetDir("c:\\temp");
    EXPECT_EQ(dialog->BytesFree, 12345);
    // The status names the bytes needed all the same, for the drive shown (C:).
    EXPECT_EQ(dialog->lblStatus->Text().rfind("99k bytes are needed to install this release.", 0), 0u)
        << dialog->lblStatus->Text();
    EXPECT_EQ(dialog->DL1->Directory(), "C:\\TEMP");
    EXPECT_EQ(dialog->DL1->ItemIndex(), 1);  // "TEMP", matched without case
}

TEST(SelectDir, FolderThatCannotBeEnteredRaisesOutOfSetTargetDir) {
    CurrentDirectoryScope keep;
    auto dialog = NewForm<TfrmSelectDir>(nullptr);
    dialog->SetTargetDir("C:\\");
    dialog->DL1->SetItemIndex(-1);
    EXPECT_THROW(dialog->SetTargetDir("C:\\no such folder\\here\\"), EInOutError);
    EXPECT_EQ(dialog->DL1->Directory(), "C:\\");
    EXPECT_EQ(dialog->DL1->ItemIndex(), -1);  // the highlighting step did not run
}

TEST(SelectDir, UseTempOpensTheSystemTemporaryFolder) {
    CurrentDirectoryScope keep;
    auto dialog = NewForm<TfrmSelectDir>(nullptr);
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string expected = temp;
    expected.pop_back();
    dialog->cmdUseTEMPClick();
    EXPECT_EQ(LowerCase(dialog->DL1->Directory()), LowerCase(expected));
    const std::string name = HighlightName(temp);
    EXPECT_EQ(LowerCase(dialog->DL1->ItemText(dialog->DL1->ItemIndex())), name);
    EXPECT_EQ(dialog->DC1->Items()[static_cast<size_t>(dialog->DC1->ItemIndex())].Specs->DriveName,
              expected.substr(0, 2));
}

TEST(SelectDir, UserPickingAnotherDriveMovesTheFolderListToItsRoot) {
    CurrentDirectoryScope keep;
    auto dialog = NewForm<TfrmSelectDir>(nullptr);
    TDVDrivesCombo& dc = *dialog->DC1;
    if (dc.Items().size() < 2) GTEST_SKIP() << "only one drive listed";
    dialog->SetTargetDir("C:\\");
    const int other = dc.ItemIndex() == 0 ? 1 : 0;
    const char letter = dc.Items()[static_cast<size_t>(other)].Text[0];
    dc.Perform(CB_SETCURSEL, static_cast<WPARAM>(other));
    SendMessageA(dialog->Handle(), WM_COMMAND, MAKEWPARAM(dc.Id(), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(dc.Handle()));
    EXPECT_EQ(dc.Drive(), letter);
    EXPECT_EQ(dialog->DL1->Directory(), std::string(1, letter) + ":\\");
    EXPECT_EQ(dialog->lblFolder->Text(), std::string(1, letter) + ":\\");
    const int64_t free = dc.Items()[static_cast<size_t>(other)].Specs->FreeSpace;
    EXPECT_EQ(dialog->lblAvail->Text(), FreeSpaceText(free));
}
