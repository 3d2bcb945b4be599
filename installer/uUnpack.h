// TfrmUnpack: the installer's main window. A small progress window that hosts the
// archive component Compress1 and, on its first activation, runs the whole install
// sequence: the check of its payload, preparation (temporary folder, welcome page,
// destination), the product expansion with progress, Cancel and a retry prompt on disk
// errors, then setup.ini and the start of setup.exe. A run that started setup.exe
// leaves its files for deletion at restart; any other run takes them away at once.
// Switches change who answers (/S: nobody; the window is never shown, the program start
// runs the sequence itself) and where the product goes (/D=); the decisions are the same.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "archive/Quillox.h"
#include "installer/CommandLine.h"
#include "installer/InstallLog.h"
#include "installer/RunRecord.h"
#include "installer/SetupProcess.h"
#include "forms/Forms.h"
#include "installer/UiPacer.h"
#include "runtime/StringList.h"

class TStream;
class TfrmWelcome;
class TfrmSelectDir;

// Set when the user confirms the abort question during an expansion; cleared by Reset.
// Once set, no later click takes it back, and a product expansion that still returns
// (the Yes came at its last progress report) counts as aborted.
// After the extraction run the install sequence sets it to the negation of the run's
// result and tests it.
extern bool AbortRequested;

class TfrmUnpack : public TForm {
public:
    // The switches the program was started with; the log, which must outlive the form.
    TfrmUnpack(TForm* owner, install::TSwitches switches, install::TInstallLog& log);
    ~TfrmUnpack() override;

    TLabel& lblDest;
    TLabel& Label1;
    TProgressBar& ProgressBar1;
    TButton& cmdCancel;
    TQuillox Compress1;

    // Folder the archives are expanded into: the temporary folder, then the destination.
    std::string TargetDir;
    // The archive resource in use: the welcome archive, then the product archive.
    std::unique_ptr<TStream> ArchiveStream;
    std::string Gateway, ProductLevel, EmailDomain;
    // Every file announced for expansion, full paths, in order, duplicates kept.
    std::unique_ptr<TStrings> ExtractedFiles;
    // How the run ended (the program's exit code) and the folders it created.
    install::TRunRecord RunRecord;
    // How the program was started.
    const install::TSwitches Switches;
    // setup.exe once started (for /WAIT); empty until then.
    TSetupProcess SetupProcess;

    void FormCreate();
    // Runs the install sequence, once, on the first activation (under /S, called by the
    // program start while the window stays hidden).
    void FormActivate();
    void FormDestroy();

    // Preparation: the payload check, temporary folder, welcome archive and page,
    // destination. True when the installation may go on into TargetDir; false when the
    // user cancelled. Raises install::EInstallerDamaged for a damaged payload; errors of
    // the archive component and of the chooser propagate. Under /S the welcome page is
    // passed as with "Continue", and a temporary folder's drive without room raises
    // Exception (the chooser cannot be asked); /D= settles the destination instead of
    // the chooser.
    bool SetTarget();
    // Preparation and the product expansion; true when the product archive was expanded
    // completely, false when the user cancelled. Raises as SetTarget, and
    // install::EInstallerDamaged when the product archive turns out damaged.
    bool Start();
    void Reset();
    void Compress1CheckFile(std::string& filepath, TCProcessMode mode);
    void Compress1ShowProgress(int32_t& PercentageDone);
    void cmdCancelClick();
    // Reads the three build values of the executable's version information; true when
    // none is empty.
    bool GetLocalInfo();

private:
    // Compares the payload with its check record; false when the user cancelled.
    bool CheckPayload();
    // The text of a damaged installer's report for an error met while expanding.
    std::string DescribeDamage(const std::exception& e) const;
    // Sets the status line (Label1) and repaints it at once.
    void ShowStatus(const std::string& text);
    // Takes away what the run made, or leaves it for deletion at restart when setup.exe
    // runs from it.
    void CleanUp(bool setupStarted);
    // The destination /D= names: the folder, made with its parents when missing, when
    // this run made it or it is empty; otherwise a fresh folder made inside it (n as for
    // the temporary folder). Raises Exception when a folder cannot be made.
    std::string DestinationFolder(uint32_t n);
    // Expands ArchiveStream from its position, logging each file once it is written.
    void ExpandArchiveStream();
    // Logs the file being written (writing_) as written with its size, or as the file
    // at which the expansion ended in an error, then forgets it.
    void LogWriting(bool finished);

    TFormPtr<TfrmWelcome> frmWelcome_;
    TFormPtr<TfrmSelectDir> frmSelectDir_;
    bool sequenceStarted_ = false;
    // The stored path of the entry being expanded; empty before the first.
    std::string currentEntry_;
    // How often the extraction's handlers repaint the bar and process messages.
    TUiPacer uiPacer_{25};
    // The file the component is writing, for the log; empty when none.
    std::string writing_;
    install::TInstallLog& log_;
};
