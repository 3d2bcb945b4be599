// TfrmSelectDir: the modal "Select Destination" dialog in which the user picks the
// folder the product is expanded into. It shows the kilobytes the installation needs
// and those free on the chosen drive, and lets the user browse folders and drives,
// create a folder, or go to the system's temporary folder. After OK the chosen
// destination is DL1->Directory(). User-interface thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "forms/Forms.h"
#include "windows/DVDrives.h"
#include "windows/DirList.h"

class TfrmSelectDir : public TForm {
public:
    explicit TfrmSelectDir(TForm* owner);

    // Bytes the installation needs; written before SetTargetDir.
    int32_t BytesNeeded = 0;
    // Free bytes of the drive the last SetTargetDir found listed, as recorded when
    // the drive list was last built; -1 when that query failed; 0 until a listed
    // drive is found.
    int64_t BytesFree = 0;

    // Selects the folder's drive (when listed, matched case-sensitively by "C:"),
    // updates the status texts and BytesFree, opens the folder, then highlights the
    // entry named as the folder's last part. Raises EInOutError when the folder
    // cannot be entered; nothing after that step is done then. For a drive that is not
    // listed only the status texts are updated (for the drive shown), so that they
    // name BytesNeeded, and the highlighting is tried.
    void SetTargetDir(const std::string& folder);

    // Raised when "Create New" has made a folder, with its full path.
    std::function<void(const std::string& folder)> OnFolderCreated;

    TLabel* Label2;
    TLabel* lblFolder;
    TLabel* Label4;
    TDirectoryListBox* DL1;
    TButton* cmdCreate;
    TDVDrivesCombo* DC1;
    TButton* cmdOK;
    TButton* cmdCancel;
    TButton* cmdUseTEMP;
    TLabel* lblStatus;
    TLabel* Label1;
    TLabel* lblAvail;
    TLabel* Label5;

    void DC1Click();
    void DC1Change();
    void DL1Change();
    void DL1Click();
    void cmdCreateClick();
    void cmdUseTEMPClick();
    void cmdOKClick() {}
    void FormClick();
    void FormCreate() {}
    void FormCloseQuery(bool& canClose) { (void)canClose; }

private:
    void ArrangeTabOrder();
};

// The dialog's form properties and control table (DL1 and DC1 are added by the
// form itself); exposed so tests can compare what is shown with it.
TFormDef SelectDirFormDef();
std::vector<TControlDef> SelectDirControls();
