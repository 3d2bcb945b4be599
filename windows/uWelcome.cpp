#include "windows/uWelcome.h"

#include "forms/Dialogs.h"

const char kProductName[] = "Quorvane";
const char kProductHost[] = "quorvane.example";
const char kProductUrl[] = "http://quorvane.example/welcome";

namespace {

// Shown until the welcome file replaces it.
const char kBuiltInDescription[] =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss MS Sans Serif;}}\\f0\\fs16"
    "{\\b\\fs20 Welcome to Quorvane}\\par\\par "
    "Quorvane keeps your conversations in one place: messages, group talks and shared "
    "files, on your desktop and always at hand.\\par\\par "
    "This program unpacks the Quorvane setup files into a temporary folder and then starts "
    "the setup. Choose Continue to go on, or Cancel to leave without installing anything.\\par}";

TFormDef WelcomeForm() {
    TFormDef def;
    def.Caption = kProductName;
    def.ClientWidth = 504;
    def.ClientHeight = 298;
    def.BorderStyle = TBorderStyle::Single;
    def.BorderIcons = biSystemMenu | biMinimize | biMaximize;
    def.ScreenCenter = true;
    return def;
}

std::vector<TControlDef> WelcomeControls() {
    return {
        Image("Image1", "WELCOMEIMAGE", 7, 7, 132, 253).With(cfCenter),
        RichEdit("RichEdit1", kBuiltInDescription, 152, 8, 345, 252).Tab(0),
        Bevel("Bevel1", 8, 264, 489, 2),
        Label("Label2", "For more info, visit us at", 8, 272, 111, 13),
        Label("Label1", kProductHost, 128, 272, 110, 13).With(cfUnderline).TextColor(RGB(0, 0, 255)),
        Button("cmdBack", "< Back", 250, 272, 80, 21).Tab(1).With(cfHidden | cfDisabled),
        Button("cmdNext", "Continue", 334, 271, 79, 22).Tab(2).Result(mrOK).With(cfDefault),
        Button("cmdCancel", "Cancel", 418, 271, 80, 22).Tab(3).Result(mrCancel),
    };
}

}  // namespace

TfrmWelcome::TfrmWelcome(TForm* owner)
    : TForm(owner, WelcomeForm(), WelcomeControls()),
      Image1(Get<TImage>("Image1")),
      RichEdit1(Get<TRichEdit>("RichEdit1")),
      Bevel1(Get<TBevel>("Bevel1")),
      Label2(Get<TLabel>("Label2")),
      Label1(Get<TLabel>("Label1")),
      cmdBack(Get<TButton>("cmdBack")),
      cmdNext(Get<TButton>("cmdNext")),
      cmdCancel(Get<TButton>("cmdCancel")) {
    UserURL.Url = kProductUrl;
    UserURL.BrowserState = wdMaximized;
    OnCreate = [this] { FormCreate(); };
    OnShow = [this] { FormShow(); };
    OnCloseQuery = [this](bool& canClose) { FormCloseQuery(canClose); };
    Label1.OnClick = [this] { Label1Click(); };
}

void TfrmWelcome::FormCreate() {}

void TfrmWelcome::FormShow() {
    try {
        RichEdit1.LoadFromFile(WelcomeFile);
    } catch (const std::exception&) {
        // The built-in description stays; a missing welcome text is no reason to stop.
    }
}

void TfrmWelcome::Label1Click() { UserURL.OpenUrl(); }

void TfrmWelcome::FormCloseQuery(bool& canClose) {
    if (ModalResult == mrOK) {
        canClose = true;
        return;
    }
    canClose = ShowMessageBox("Abort the installation of Quorvane?", kProductName, MB_YESNO | MB_ICONQUESTION) == IDYES;
    ModalResult = canClose ? mrCancel : mrNone;
}
