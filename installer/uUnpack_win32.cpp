#include "installer/uUnpack.h"

#include "forms/Dialogs.h"
#include "installer/InstallLogic.h"
#include "installer/Integrity.h"
#include "installer/uKillDir.h"
#include "installer/BuildInfo.h"
#include "installer/SetupIni.h"
#include "runtime/Exception.h"
#include "runtime/Platform.h"
#include "runtime/Stream.h"
#include "windows/ChooserText.h"
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

// A payload check still running after this long says so in the status line, so that a
// check of a second or more is announced for most of its time.
constexpr DWORD kSayCheckingAfterMs = 500;

// Clock seed for the temporary name's number.
uint32_t ClockSeed() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return ((t.wHour * 60u + t.wMinute) * 60u + t.wSecond) * 1000u + t.wMilliseconds;
}

// Creates a folder of a new name "_ZK<k in hex>.tmp" (the temporary-name service's form
// for the prefix "_ZKINST") inside parent, with k from n on, passing over every name
// that is taken (install::MakeFreshFolder). So the folder is always one this run made
// and found empty, never one left by an earlier run. Returns its path; empty when no
// name can be formed in parent, every name is taken, or creation fails.
std::string MakeFreshFolder(const std::string& parent, uint32_t n) {
    // GetTempFileNameA's limit on Windows; checked here so that every system stops alike.
    constexpr size_t kMaxFolderForName = MAX_PATH - 14;
    if (parent.empty() || parent.size() > kMaxFolderForName) return {};
    std::string made;
    install::MakeFreshFolder(n, [&](uint32_t k) {
        char name[MAX_PATH + 1] = {};
        if (GetTempFileNameA(parent.c_str(), "_ZKINST", k, name) == 0 || name[0] == '\0')
            return install::TCreateResult::Failed;
        if (CreateDirectoryA(name, nullptr)) {
            made = name;
            return install::TCreateResult::Created;
        }
        const DWORD error = GetLastError();
        return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS
                   ? install::TCreateResult::Taken
                   : install::TCreateResult::Failed;
    });
    return made;
}

// The temporary folder: a fresh folder in the system's temporary-files folder. Raises
// Exception ("Cannot create temporary folder <temporary-files folder>") when there is
// none that can be used or no fresh folder can be made in it: an empty answer must
// never let the files go to the root of a drive.
std::string MakeTempFolder(uint32_t n) {
    const TTempPath temp = UsableTempPath();
    const std::string made = MakeFreshFolder(temp.Path, n);
    if (made.empty()) throw Exception(install::TempFolderErrorText(temp.Shown));
    return made;
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// True when the folder holds nothing at all.
bool IsEmptyFolder(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + (folder.back() == '\\' ? "*" : "\\*")).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    bool empty = true;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") empty = false;
    } while (empty && FindNextFileA(search, &found));
    FindClose(search);
    return empty;
}

// The size of a file in bytes, or -1 when it cannot be found.
int64_t FileSize(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return -1;
    FindClose(search);
    return static_cast<int64_t>(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
}

// The full path of a folder named on the command line (relative to the current folder,
// say), without a trailing backslash unless it is a drive's root. Raises Exception
// ("Cannot use the folder <folder>") when it has none.
std::string FullFolderPath(const std::string& folder) {
    char full[MAX_PATH + 1] = {};
    char* name = nullptr;
    const DWORD n = GetFullPathNameA(folder.c_str(), sizeof full, full, &name);
    if (n == 0 || n >= sizeof full) throw Exception("Cannot use the folder " + folder);
    std::string path(full, n);
    while (path.size() > 3 && path.back() == '\\') path.pop_back();
    return path;
}

}  // namespace

TfrmUnpack::TfrmUnpack(TForm* owner, install::TSwitches switches, install::TInstallLog& log)
    : TForm(owner, UnpackFormDef(), UnpackControls()),
      lblDest(Get<TLabel>("lblDest")),
      Label1(Get<TLabel>("Label1")),
      ProgressBar1(Get<TProgressBar>("ProgressBar1")),
      cmdCancel(Get<TButton>("cmdCancel")),
      Compress1(this),
      Switches(std::move(switches)),
      log_(log) {
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

    using install::TOutcome;
    Application.ProcessMessages();
    bool succeeded = false;
    try {
        succeeded = Start();
        if (!succeeded) RunRecord.Outcome = TOutcome::Cancelled;
    } catch (const install::EInstallerDamaged& e) {
        RunRecord.Outcome = TOutcome::Damaged;
        MessageDlg(install::DamagedText(e.Message()), TMsgDlgType::Error, mbOK, mbOK, mbOK);
    } catch (const std::exception& e) {
        // An error of the preparation: report it, then clean up and end, rather than
        // leave a window without title-bar buttons that offers no way on.
        RunRecord.Outcome = TOutcome::Failed;
        Application.HandleException(e);
    }
    AbortRequested = !succeeded;
    Application.ProcessMessages();

    bool started = false;
    if (!AbortRequested) {
        GetLocalInfo();
        if (WriteSetupIni(TargetDir, Gateway, ProductLevel, EmailDomain))
            log_.Line("Wrote the build values into " + SetupIniPath(TargetDir));
        // setup.exe runs in the folder it was expanded into.
        SetCurrentDirectoryA(TargetDir.c_str());
        SetupProcess = StartSetup(TargetDir, Switches.SetupArguments);
        started = static_cast<bool>(SetupProcess);
        RunRecord.Outcome = started ? TOutcome::SetupStarted : TOutcome::Failed;
        if (started)
            log_.Line("Started " + install::SetupCommandLine(TargetDir, Switches.SetupArguments));
        else
            Application.HandleException(Exception("Cannot start " + TargetDir + "\\setup.exe"));
    } else if (succeeded) {
        // Cancel confirmed while the messages above were processed, after the expansion.
        RunRecord.Outcome = TOutcome::Cancelled;
    }
    CleanUp(started);
    Close();
}

void TfrmUnpack::CleanUp(bool setupStarted) {
    using TService = std::function<bool(const std::string&)>;
    const auto logged = [this](const char* done, const char* failed, TService service) -> TService {
        return [this, done, failed, service](const std::string& path) {
            const bool ok = service(path);
            log_.Line(std::string(ok ? done : failed) + " " + path);
            return ok;
        };
    };
    const install::TCleanupServices services{
        logged("Deleted", "Could not delete", DeleteFileNow),
        logged("Removed the folder", "Could not remove the folder", RemoveFolderNow),
        logged("Scheduled for deletion at restart:", "Could not schedule for deletion at restart:",
               DeleteAtRestart)};
    std::vector<std::string> files;
    for (int i = 0; i < ExtractedFiles->Count(); ++i) files.push_back(ExtractedFiles->Strings(i));
    if (setupStarted)
        install::ScheduleAtRestart(files, RunRecord.Folders(), services);
    else
        install::RemoveNow(files, RunRecord.Folders(), services);
}

bool TfrmUnpack::CheckPayload() {
    const DWORD began = GetTickCount();
    bool said = false;
    const auto keepGoing = [&] {
        if (!said && GetTickCount() - began >= kSayCheckingAfterMs) {
            ShowStatus("Checking the installer...");
            said = true;
        }
        Application.ProcessMessages();
        return !AbortRequested;
    };
    const auto find = [](const std::string& type, const std::string& name, const uint8_t*& data,
                         int64_t& size) {
        return platform::FindResourceBytes(platform::ModuleHandle(), type, name, data, size);
    };
    if (!install::CheckPayload(find, keepGoing)) return false;
    std::string sizes;
    for (const char* name : install::kPayloadArchives) {
        const auto archive = Compress1.OpenArchiveResource(name, "");
        install::CheckArchiveComplete(Compress1, *archive, name);
        sizes += std::string(sizes.empty() ? "" : ", ") + name + " " +
                 std::to_string(archive->Size()) + " bytes";
    }
    log_.Line("Payload check passed: " + sizes +
              ", each as its check record says (size and CRC-32), entry headers complete");
    if (said) ShowStatus("");
    return true;
}

std::string TfrmUnpack::DescribeDamage(const std::exception& e) const {
    return install::DamageDetail(currentEntry_, e.what());
}

void TfrmUnpack::ShowStatus(const std::string& text) {
    Label1.SetText(text);
    if (Label1.Handle()) {
        InvalidateRect(Label1.Handle(), nullptr, TRUE);
        UpdateWindow(Label1.Handle());
    }
}

bool TfrmUnpack::SetTarget() {
    bool result = false;

    if (!CheckPayload()) return false;

    const uint32_t n = install::DrawTempNameNumber(ClockSeed());
    TargetDir = MakeTempFolder(n);
    RunRecord.FolderMade(TargetDir);
    const std::string tempFolder = TargetDir;
    log_.Line("Temporary folder: " + TargetDir);

    ArchiveStream = Compress1.OpenArchiveResource("WELCOME", "");
    if (!install::ExpandUnlessAborted(
            [this] { ExpandArchiveStream(); }, AbortRequested,
            [this](const std::exception& e) { return DescribeDamage(e); }))
        return false;

    // Under /S the run goes on as after "Continue".
    if (!Switches.Silent) {
        if (!frmWelcome_) frmWelcome_ = NewForm<TfrmWelcome>(this);
        frmWelcome_->WelcomeFile = TargetDir + "\\welcome.rtf";
        if (frmWelcome_->ShowModal() != mrOK) return false;
    }

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
    log_.Line("The product needs " + std::to_string(Needed) + " bytes");

    if (Switches.HasDestination) {
        TargetDir = DestinationFolder(n);
        return true;
    }

    if (!frmSelectDir_) {
        frmSelectDir_ = NewForm<TfrmSelectDir>(this);
        frmSelectDir_->OnFolderCreated = [this](const std::string& folder) {
            RunRecord.FolderMade(folder);
        };
    }
    frmSelectDir_->BytesNeeded = Needed;
    frmSelectDir_->SetTargetDir(TargetDir);
    if (static_cast<int64_t>(Needed) < frmSelectDir_->BytesFree)
        result = true;
    else if (Switches.Silent)
        throw Exception(install::NoRoomText(TargetDir, NeededBytesText(Needed, frmSelectDir_->BytesFree)));
    else
        result = frmSelectDir_->ShowModal() == mrOK;

    if (result) {
        // The folder settled on, when this run made it (the temporary folder, or one made
        // with "Create New"); otherwise a fresh folder inside it, so that nothing that
        // was there before is overwritten or scheduled for deletion.
        const std::string chosen = frmSelectDir_->DL1->Directory();
        if (RunRecord.MadeFolder(chosen)) {
            TargetDir = chosen;
            log_.Line("Destination: " + TargetDir +
                      (chosen == tempFolder ? " (the temporary folder)" : " (made by this run)"));
        } else {
            TargetDir = MakeFreshFolder(chosen, n);
            if (TargetDir.empty()) throw Exception(install::FreshFolderErrorText(chosen));
            RunRecord.FolderMade(TargetDir);
            log_.Line("Destination: " + TargetDir + " (a new folder in " + chosen + ")");
        }
    }
    return result;
}

std::string TfrmUnpack::DestinationFolder(uint32_t n) {
    const std::string folder = FullFolderPath(Switches.Destination);
    for (const auto& missing : install::MissingFolders(folder, IsFolder)) {
        if (CreateDirectoryA(missing.c_str(), nullptr)) {
            RunRecord.FolderMade(missing);
            log_.Line("Made the folder " + missing);
        } else if (!IsFolder(missing)) {
            throw Exception("Cannot create the folder " + missing);
        }
    }
    if (RunRecord.MadeFolder(folder)) {
        log_.Line("Destination: " + folder + " (/D=, made by this run)");
        return folder;
    }
    if (IsEmptyFolder(folder)) {
        log_.Line("Destination: " + folder + " (/D=, an empty folder that was there)");
        return folder;
    }
    const std::string fresh = MakeFreshFolder(folder, n);
    if (fresh.empty()) throw Exception(install::FreshFolderErrorText(folder));
    RunRecord.FolderMade(fresh);
    log_.Line("Destination: " + fresh + " (a new folder in " + folder +
              " of /D=, which was not empty)");
    return fresh;
}

void TfrmUnpack::ExpandArchiveStream() {
    currentEntry_.clear();
    try {
        Compress1.ExpandArchive(*ArchiveStream, nullptr);
    } catch (...) {
        LogWriting(false);
        throw;
    }
    LogWriting(true);
}

void TfrmUnpack::LogWriting(bool finished) {
    if (writing_.empty() || !log_.Enabled()) return;
    if (finished)
        log_.Line("Wrote " + writing_ + " (" + std::to_string(FileSize(writing_)) + " bytes)");
    else
        log_.Line("The expansion ended in an error while or right after writing " + writing_);
    writing_.clear();
}

bool TfrmUnpack::Start() {
    Reset();
    if (!SetTarget()) return false;

    lblDest.SetText("Extracting to " + TargetDir);
    Compress1.SetTargetPath(TargetDir);

    const auto finish = [this] {
        Label1.SetText("Done.");
        ArchiveStream.reset();
    };
    bool result = false;
    try {
        result = install::RunAttempts(
            [this] {
                ArchiveStream->SetPosition(0);
                ExpandArchiveStream();
            },
            [this](const std::string& text) {
                if (MessageDlg(text, TMsgDlgType::Error, mbOK | mbCancel, mbOK, mbCancel) == mrOK)
                    return true;
                // Under /S nobody saw the prompt: the error is not retried, and the run
                // fails rather than counting as cancelled.
                if (Switches.Silent) throw Exception("A disk error is not retried under /S");
                return false;
            },
            AbortRequested, [this](const std::exception& e) { return DescribeDamage(e); });
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return result;
}

void TfrmUnpack::Reset() {
    ProgressBar1.SetPosition(0);
    AbortRequested = false;
}

void TfrmUnpack::Compress1CheckFile(std::string& filepath, TCProcessMode mode) {
    Application.ProcessMessages();
    if (mode != TCProcessMode::cpmExpand) return;
    // The path as the archive stores it, for a damage report: the component put
    // TargetPath in front of a relative one.
    const std::string& base = Compress1.TargetPath();
    currentEntry_ = !base.empty() && filepath.compare(0, base.size(), base) == 0
                        ? filepath.substr(base.size())
                        : filepath;
    LogWriting(true);  // the component has finished and verified the file before
    const std::string name = install::FileNamePart(filepath);
    filepath = install::FlatTargetPath(TargetDir, filepath);
    ExtractedFiles->Add(filepath);
    writing_ = filepath;
    ShowStatus("Unpacking " + name);
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
