#include "runtime/Exception.h"

#include "windows/uSelectDir.h"

#include <algorithm>
#include <cstdint>

#include "forms/Dialogs.h"
#include "windows/ChooserText.h"
#include "windows/TempPath.h"

TFormDef SelectDirFormDef() {
    TFormDef def;
    def.Caption = "Select Destination";
    def.ClientWidth = 384;
    def.ClientHeight = 261;
    def.BorderStyle = TBorderStyle::Single;
    def.BorderIcons = 0;
    def.ScreenCenter = true;
    return def;
}

std::vector<TControlDef> SelectDirControls() {
    return {
        Label("Label2", "Folder:", 8, 8, 0, 0).With(cfAutoSize),
        Label("lblFolder", "c:\\program files\\quorvane", 48, 8, 161, 17),
        Label("Label4", "Folders:", 8, 38, 0, 0).With(cfAutoSize),
        Custom("DL1", "LISTBOX", 8, 56, 193, 190).Tab(0),
        Button("cmdCreate", "C&reate New", 295, 72, 81, 25).Tab(1).Result(mrOK),
        Custom("DC1", "COMBOBOX", 248, 232, 129, 24).Tab(2),
        Button("cmdOK", "OK", 296, 8, 81, 25).Tab(3).Result(mrOK),
        Button("cmdCancel", "Cancel", 296, 40, 81, 25).Tab(4).Result(mrCancel),
        Button("cmdUseTEMP", "Use TEMP", 296, 104, 81, 25).Tab(5),
        Label("lblStatus", "1M bytes is required to install this release.", 208, 152, 169, 49)
            .With(cfWordWrap),
        Label("Label1", "Free space:", 208, 208, 0, 0).With(cfAutoSize),
        Label("lblAvail", "0", 296, 208, 81, 13).With(cfRightAlign),
        Label("Label5", "Drives:", 208, 232, 0, 0).With(cfAutoSize),
    };
}

namespace {
// The standard rows, without the two controls of our own classes.
std::vector<TControlDef> StandardRows() {
    std::vector<TControlDef> rows;
    for (auto& row : SelectDirControls())
        if (row.Kind != TControlKind::Custom) rows.push_back(std::move(row));
    return rows;
}

// The full path of a folder named as typed (relative to the current folder, say).
std::string FullPath(const std::string& path) {
    char full[MAX_PATH + 1] = {};
    char* name = nullptr;
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, &name);
    return n > 0 && n < sizeof full ? std::string(full, n) : path;
}

TControlDef Row(const std::string& name) {
    for (auto& row : SelectDirControls())
        if (row.Name == name) return row;
    throw Exception("No control " + name);
}
}  // namespace

// The two controls of our own classes join the window after the table's; Tab walks
// the window order, so the tab stops are put back in their described order.
void TfrmSelectDir::ArrangeTabOrder() {
    std::vector<TControl*> stops;
    for (auto& c : Controls())
        if (c->Def().TabOrder >= 0) stops.push_back(c.get());
    std::stable_sort(stops.begin(), stops.end(), [](const TControl* a, const TControl* b) {
        return a->Def().TabOrder < b->Def().TabOrder;
    });
    HWND after = HWND_TOP;
    for (TControl* c : stops) {
        SetWindowPos(c->Handle(), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = c->Handle();
    }
}

TfrmSelectDir::TfrmSelectDir(TForm* owner) : TForm(owner, SelectDirFormDef(), StandardRows()) {
    DL1 = &Add<TDirectoryListBox>(Row("DL1"), 16);
    DC1 = &Add<TDVDrivesCombo>(Row("DC1"));
    ArrangeTabOrder();
    Label2 = &Get<TLabel>("Label2");
    lblFolder = &Get<TLabel>("lblFolder");
    Label4 = &Get<TLabel>("Label4");
    cmdCreate = &Get<TButton>("cmdCreate");
    cmdOK = &Get<TButton>("cmdOK");
    cmdCancel = &Get<TButton>("cmdCancel");
    cmdUseTEMP = &Get<TButton>("cmdUseTEMP");
    lblStatus = &Get<TLabel>("lblStatus");
    Label1 = &Get<TLabel>("Label1");
    lblAvail = &Get<TLabel>("lblAvail");
    Label5 = &Get<TLabel>("Label5");

    DC1->SetIconsSize(isSmall);
    OnClick = [this] { FormClick(); };
    OnCloseQuery = [this](bool& canClose) { FormCloseQuery(canClose); };
    // The combo box completes its description (Drive "C") once the windows exist,
    // as loading does before OnCreate.
    OnCreate = [this] {
        DC1->Loaded('C');
        FormCreate();
    };
    DL1->OnChange = [this] { DL1Change(); };
    DL1->OnClick = [this] { DL1Click(); };
    cmdCreate->OnClick = [this] { cmdCreateClick(); };
    DC1->OnChange = [this] { DC1Change(); };
    DC1->OnClick = [this] { DC1Click(); };
    cmdOK->OnClick = [this] { cmdOKClick(); };
    cmdUseTEMP->OnClick = [this] { cmdUseTEMPClick(); };
}

void TfrmSelectDir::SetTargetDir(const std::string& folder) {
    const int at = FindDriveEntry(DC1->Items(), PathDrivePart(folder));
    if (at >= 0) {
        DC1->SetItemIndex(at);
        DC1Click();
        BytesFree = DC1->Items()[static_cast<size_t>(at)].Specs->FreeSpace;
        DL1->SetDirectory(folder);
    } else if (DC1->ItemIndex() >= 0) {
        DC1Click();
    } else {
        lblStatus->SetText(NeededBytesText(BytesNeeded, INT64_MAX));
    }
    const int hit = FindHighlightEntry(DL1->ItemTexts(), HighlightName(folder));
    if (hit >= 0) DL1->SetItemIndex(hit);
}

void TfrmSelectDir::DC1Click() {
    const int at = DC1->ItemIndex();
    if (at < 0) return;
    const int64_t free = DC1->Items()[static_cast<size_t>(at)].Specs->FreeSpace;
    lblStatus->SetText(NeededBytesText(BytesNeeded, free));
    lblAvail->SetText(FreeSpaceText(free));
}

void TfrmSelectDir::DC1Change() {
    DL1->SetDrive(DC1->Drive());
    DC1Click();
}

void TfrmSelectDir::DL1Change() {
    try {
        DL1->SetItemIndex(0);
        DL1Click();
    } catch (const std::exception&) {
        // Highlighting the root is a courtesy; a failure changes nothing that matters.
    }
}

void TfrmSelectDir::DL1Click() {
    const int at = DL1->ItemIndex();
    if (at >= 0) lblFolder->SetText(DL1->GetItemPath(at));
}

void TfrmSelectDir::FormClick() { lblFolder->SetText(LowerCase(DL1->Directory())); }

void TfrmSelectDir::cmdCreateClick() {
    const std::string proposal = DL1->GetItemPath(DL1->ItemIndex());
    const std::string folder = InputBox("Destination", "Enter new directory", proposal);
    if (!CreateDirectoryA(folder.c_str(), nullptr)) {
        MessageDlg("Unable to create directory", TMsgDlgType::Error, mbOK, mbOK, mbOK);
        // Nothing new to install into (Cancel in the input box proposes a folder that
        // exists): the chooser stays open instead of closing with OK.
        ModalResult = mrNone;
    } else {
        if (OnFolderCreated) OnFolderCreated(FullPath(folder));
        DL1->SetDirectory(folder);
    }
    DL1Click();
}

void TfrmSelectDir::cmdUseTEMPClick() {
    // The folder as the ANSI functions can reach it (its short form where its name has
    // characters outside the code page); empty when there is none, which changes nothing.
    SetTargetDir(UsableTempPath().Path);
}
