#include "installer/uUnpack.h"

#include "forms/Dialogs.h"
#include "installer/InstallLogic.h"
#include "installer/uKillDir.h"
#include "installer/BuildInfo.h"
#include "installer/SetupIni.h"
#include "runtime/Exception.h"
#include "runtime/Stream.h"
#include "windows/TempPath.h"
#include "windows/uSelectDir.h"
#include "windows/uWelcome.h"

bool AbortRequested = false;

namespace {

TFormDef UnpackFormDef() {
    TFormDef def;
    def.Caption = "Quorvane Installer";
    def.ClientWidth = 359;
    def.ClientHeight = 101;
    def.BorderStyle = TBorderStyle::Single;
    def.BorderIcons = 0;
    def.StayOnTop = true;
    def.ScreenCenter = true;
    return def;
}

std::vector<TControlDef> UnpackControls() {
    return {
        Label("lblDest", "Extracting to...", 8, 8, 345, 13),
        Label("Label1", "", 11, 24, 341, 13),
        ProgressBar("ProgressBar1", 8, 40, 345, 17).Tab(0),
        Button("cmdCancel", "Cancel", 280, 64, 73, 25).Tab(1),
    };
}

bool IsBadChecksum(const std::exception& e) {
    return dynamic_cast<const EBadChecksum*>(&e) != nullptr;
}

// Clock seed for the temporary name's number.
uint32_t ClockSeed() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return ((t.wHour * 60u + t.wMinute) * 60u + t.wSecond) * 1000u + t.wMilliseconds;
}

// Forms the temporary folder's name "_ZK<n in hex>.tmp" in the system's temporary-files
// folder and creates it (an existing folder of that name will do). Raises Exception
// ("Cannot create temporary folder ...") when there is no usable temporary-files
// folder, no name can be formed in it or no folder of the name exists afterwards: an
// empty answer must never let the files go to the root of a drive.
std::string MakeTempFolder(uint32_t n) {
    const TTempPath temp = UsableTempPath();
    // GetTempFileNameA's limit on Windows; checked here so that every system stops alike.
    constexpr size_t kMaxFolderForName = MAX_PATH - 14;
    char name[MAX_PATH + 1] = {};
    if (temp.Path.empty() || temp.Path.size() > kMaxFolderForName ||
        GetTempFileNameA(temp.Path.c_str(), "_ZKINST", n, name) == 0 || name[0] == '\0')
        throw Exception(install::TempFolderErrorText(temp.Shown));
    CreateDirectoryA(name, nullptr);
    const DWORD attributes = GetFileAttributesA(name);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw Exception(install::TempFolderErrorText(name));
    return name;
}

}  // namespace

TfrmUnpack::TfrmUnpack(TForm* owner)
    : TForm(owner, UnpackFormDef(), UnpackControls()),
      lblDest(Get<TLabel>("lblDest")),
      Label1(Get<TLabel>("Label1")),
      ProgressBar1(Get<TProgressBar>("ProgressBar1")),
      cmdCancel(Get<TButton>("cmdCancel")),
      Compress1(this) {
    Compress1.MakeDirectories = true;
    Compress1.ExceptionOnFileError = true;
    Compress1.Key = 0;
    Compress1.CheckSpaceBeforeExpand = false;
    Compress1.OnCheckFile = [this](std::string& filepath, TCProcessMode mode) {
        Compress1CheckFile(filepath, mode);
    };
    Compress1.OnShowProgress = [this](int32_t& pct) { Compress1ShowProgress(pct); };
    cmdCancel.OnClick = [this] { cmdCancelClick(); };
    OnCreate = [this] { FormCreate(); };
    OnActivate = [this] { FormActivate(); };
    OnDestroy = [this] { FormDestroy(); };
}

TfrmUnpack::~TfrmUnpack() = default;

void TfrmUnpack::FormCreate() { ExtractedFiles = std::make_unique<TStrings>(); }

void TfrmUnpack::FormDestroy() { ExtractedFiles.reset(); }

void TfrmUnpack::FormActivate() {
    if (sequenceStarted_) return;
    sequenceStarted_ = true;

    Application.ProcessMessages();
    bool succeeded = false;
    try {
        succeeded = Start();
    } catch (const std::exception& e) {
        // An error of the preparation: report it, then clean up and end like a cancel,
        // rather than leave a window without title-bar buttons that offers no way on.
        Application.HandleException(e);
    }
    AbortRequested = !succeeded;
    Application.ProcessMessages();

    if (!AbortRequested) {
        GetLocalInfo();
        WriteSetupIni(TargetDir, Gateway, ProductLevel, EmailDomain);
        WinExec(install::SetupCommandLine(TargetDir).c_str(), SW_SHOWNORMAL);
    }

    for (int i = 0; i < ExtractedFiles->Count(); ++i) DeleteAtRestart(ExtractedFiles->Strings(i));
    DeleteAtRestart(TargetDir);
    Close();
}

bool TfrmUnpack::SetTarget() {
    bool result = false;

    const uint32_t n = install::DrawTempNameNumber(ClockSeed());
    TargetDir = MakeTempFolder(n);

    ArchiveStream = Compress1.OpenArchiveResource("WELCOME", "");
    if (!install::ExpandUnlessAborted(
            [this] { Compress1.ExpandArchive(*ArchiveStream, nullptr); }, IsBadChecksum,
            AbortRequested))
        return false;

    if (!frmWelcome_) frmWelcome_ = NewForm<TfrmWelcome>(this);
    frmWelcome_->WelcomeFile = TargetDir + "\\welcome.rtf";
    if (frmWelcome_->ShowModal() != mrOK) return false;

    ArchiveStream.reset();
    ArchiveStream = Compress1.OpenArchiveResource("QUORV", "");

    int32_t Needed = 0;
    {
        TStrings entries;
        Compress1.ListArchive(*ArchiveStream, entries);
        for (int i = 0; i < entries.Count(); ++i) {
            const auto* info = static_cast<const TArchiveFileInfo*>(entries.Objects(i));
            // 32-bit signed sum, wrapping as the stored sizes would.
            Needed = static_cast<int32_t>(static_cast<uint32_t>(Needed) +
                                          static_cast<uint32_t>(info->ExpandedSize));
        }
        TQuillox::FreeArchiveList(&entries);
    }

    if (!frmSelectDir_) frmSelectDir_ = NewForm<TfrmSelectDir>(this);
    frmSelectDir_->BytesNeeded = Needed;
    frmSelectDir_->SetTargetDir(TargetDir);
    if (static_cast<int64_t>(Needed) < frmSelectDir_->BytesFree)
        result = true;
    else
        result = frmSelectDir_->ShowModal() == mrOK;

    if (result) TargetDir = frmSelectDir_->DL1->Directory();
    return result;
}

bool TfrmUnpack::Start() {
    Reset();
    if (!SetTarget()) return false;

    lblDest.SetText("Extracting to " + TargetDir);
    Compress1.SetTargetPath(TargetDir);

    const bool result = install::RunAttempts(
        [this] {
            ArchiveStream->SetPosition(0);
            Compress1.ExpandArchive(*ArchiveStream, nullptr);
        },
        IsBadChecksum,
        [](const std::string& text) {
            return MessageDlg(text, TMsgDlgType::Error, mbOK | mbCancel, mbOK, mbCancel) == mrOK;
        },
        AbortRequested);

    Label1.SetText("Done.");
    ArchiveStream.reset();
    return result;
}

void TfrmUnpack::Reset() {
    ProgressBar1.SetPosition(0);
    AbortRequested = false;
}

void TfrmUnpack::Compress1CheckFile(std::string& filepath, TCProcessMode mode) {
    Application.ProcessMessages();
    if (mode != TCProcessMode::cpmExpand) return;
    const std::string name = install::FileNamePart(filepath);
    filepath = install::FlatTargetPath(TargetDir, filepath);
    ExtractedFiles->Add(filepath);
    Label1.SetText("Unpacking " + name);
    if (Label1.Handle()) {
        InvalidateRect(Label1.Handle(), nullptr, TRUE);
        UpdateWindow(Label1.Handle());
    }
    // The entry's first progress report then processes messages again, so that the new
    // status line can be read at once.
    uiPacer_.NewEntry();
}

// Called after every 8192 bytes read: the bar and the message queue only as often as the
// pacer allows (see UiPacer.h), so that a large entry is not slowed by its own display.
void TfrmUnpack::Compress1ShowProgress(int32_t& PercentageDone) {
    const DWORD now = GetTickCount();
    if (AbortRequested) {
        PercentageDone = -1;
        Label1.SetText("Aborting....");
    } else if (uiPacer_.BarDue(PercentageDone, ProgressBar1.Position(), now)) {
        ProgressBar1.SetPosition(PercentageDone);
    }
    if (uiPacer_.MessagesDue(PercentageDone, now)) Application.ProcessMessages();
}

bool TfrmUnpack::GetLocalInfo() { return ::GetLocalInfo(Gateway, ProductLevel, EmailDomain); }

void TfrmUnpack::cmdCancelClick() {
    // A confirmed abort stands: asking again could only take it back.
    if (AbortRequested) return;
    if (MessageDlg("Are you sure you want to abort the installation of Quorvane?",
                   TMsgDlgType::Confirmation, mbYes | mbNo, mbYes, mbNo) == mrYes)
        AbortRequested = true;
}
