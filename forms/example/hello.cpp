// The smallest use of the form framework: a main form from a table of controls,
// a button that asks a question through a message dialog, and one that closes.
#include "forms/Dialogs.h"

class TfrmHello : public TForm {
public:
    explicit TfrmHello(TForm* owner)
        : TForm(owner, TFormDef{"Hello", 240, 90},
                {
                    Label("lblGreeting", "Hello from the form framework", 8, 8, 0, 0).With(cfAutoSize),
                    ProgressBar("ProgressBar1", 8, 28, 224, 17).Tab(0),
                    Button("cmdAsk", "Ask", 76, 56, 75, 25).Tab(1).With(cfDefault),
                    Button("cmdClose", "Close", 157, 56, 75, 25).Tab(2).With(cfCancel),
                }) {
        Get<TProgressBar>("ProgressBar1").SetPosition(40);
        Get<TButton>("cmdAsk").OnClick = [this] {
            int answer = MessageDlg("Fill the bar?\r\rIt is only an example.", TMsgDlgType::Confirmation,
                                    mbYes | mbNo, mbYes, mbNo);
            if (answer == mrYes) Get<TProgressBar>("ProgressBar1").SetPosition(100);
        };
        Get<TButton>("cmdClose").OnClick = [this] { Close(); };
    }
};

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    Application.Initialize();
    Application.Title = "Tellivox";
    try {
        Application.CreateForm<TfrmHello>(nullptr);
        Application.Run();
    } catch (const std::exception& e) {
        Application.HandleException(e);
    }
    Application.DestroyForms();
    return 0;
}
