// Message dialogs and the input box, built as forms of our own so that the Enter and
// Escape buttons are exactly the ones each caller names.
#include "forms/Dialogs.h"

#include <algorithm>

namespace {

// A system icon (IDI_*) in a STATIC control.
class TIconControl : public TControl {
public:
    TIconControl(TForm& form, TControlDef def, LPCSTR icon) : TControl(form, std::move(def)), icon_(icon) {}

protected:
    const char* WindowClass() const override { return "STATIC"; }
    DWORD WindowStyle() const override { return SS_ICON; }
    void Created() override {
        Perform(STM_SETICON, reinterpret_cast<WPARAM>(LoadIconA(nullptr, icon_)));
        SetBounds(def_.Left, def_.Top, def_.Width, def_.Height);
    }

private:
    LPCSTR icon_;
};

struct ButtonKind {
    unsigned flag;
    const char* name;
    const char* text;
    int result;
};

const ButtonKind kButtons[] = {
    {mbYes, "Yes", "&Yes", mrYes},
    {mbNo, "No", "&No", mrNo},
    {mbOK, "OK", "OK", mrOK},
    {mbCancel, "Cancel", "Cancel", mrCancel},
};

constexpr int kMargin = 12;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 6;
constexpr int kIconSize = 32;
constexpr int kMaxTextWidth = 360;

}  // namespace

std::string DialogText(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) out += '\n';
    }
    return out;
}

namespace {
int ShowMessageDlg(const std::string& text, TMsgDlgType type, unsigned buttons,
                   unsigned defaultButton, unsigned escapeButton) {
    const std::string shown = DialogText(text);
    SIZE textSize = TextExtent(shown, kMaxTextWidth);
    textSize.cy = std::max<LONG>(textSize.cy, kIconSize);

    std::vector<const ButtonKind*> chosen;
    for (const auto& b : kButtons)
        if (buttons & b.flag) chosen.push_back(&b);
    if (chosen.empty()) chosen.push_back(&kButtons[2]);
    const int buttonsWidth = static_cast<int>(chosen.size()) * (kButtonWidth + kButtonGap) - kButtonGap;

    const int textLeft = kMargin + kIconSize + kMargin;
    const int clientWidth = std::max<int>(textLeft + textSize.cx + kMargin, buttonsWidth + 2 * kMargin);
    const int buttonTop = kMargin + textSize.cy + 2 * kMargin;

    TFormDef def;
    def.Caption = type == TMsgDlgType::Error ? "Error" : "Confirm";
    def.ClientWidth = clientWidth;
    def.ClientHeight = buttonTop + kButtonHeight + kMargin;
    def.BorderStyle = TBorderStyle::Dialog;
    def.BorderIcons = biSystemMenu;
    def.OwnerWindow = Application.ActiveWindow();

    std::vector<TControlDef> controls;
    controls.push_back(
        Label("Message", shown, textLeft, kMargin, textSize.cx, textSize.cy).With(cfWordWrap).Styles(SS_NOPREFIX));
    int left = (clientWidth - buttonsWidth) / 2;
    int tab = 0;
    for (const ButtonKind* b : chosen) {
        TControlDef d = Button(b->name, b->text, left, buttonTop, kButtonWidth, kButtonHeight).Tab(tab++).Result(b->result);
        if (b->flag == defaultButton) d.With(cfDefault);
        if (b->flag == escapeButton) d.With(cfCancel);
        controls.push_back(std::move(d));
        left += kButtonWidth + kButtonGap;
    }

    struct TMessageForm : TForm {
        TMessageForm(TFormDef d, std::vector<TControlDef> c, LPCSTR icon) : TForm(nullptr, std::move(d), std::move(c)) {
            Add<TIconControl>(Custom("Image", "STATIC", kMargin, kMargin, kIconSize, kIconSize), icon);
        }
    };
    LPCSTR icon = type == TMsgDlgType::Error ? IDI_HAND : IDI_QUESTION;
    auto form = NewForm<TMessageForm>(std::move(def), std::move(controls), icon);
    for (const ButtonKind* b : chosen)
        if (b->flag == defaultButton) form->ActiveControl = &form->Find(b->name);

    int result = form->ShowModal();
    // Closing without a button (close box) counts as the escape button, or Cancel.
    if (result == mrCancel && escapeButton && !(buttons & mbCancel))
        for (const ButtonKind* b : chosen)
            if (b->flag == escapeButton) result = b->result;
    return result;
}
}  // namespace

int MessageDlg(const std::string& text, TMsgDlgType type, unsigned buttons, unsigned defaultButton,
               unsigned escapeButton) {
    // Unshown, the answer is the escape button's, else Cancel when offered, else the
    // default button's (a lone OK).
    int unshown = mrOK;
    for (const auto& b : kButtons)
        if ((buttons & b.flag) && b.flag == defaultButton) unshown = b.result;
    if (buttons & mbCancel) unshown = mrCancel;
    for (const auto& b : kButtons)
        if ((buttons & b.flag) && b.flag == escapeButton) unshown = b.result;
    const TDialogMessage message{type == TMsgDlgType::Error ? "Error" : "Confirm", text, unshown};
    return Application.Present(message, [&] {
        return ShowMessageDlg(text, type, buttons, defaultButton, escapeButton);
    });
}

int ShowMessageBox(const std::string& text, const std::string& caption, UINT flags) {
    int unshown = IDOK;
    switch (flags & MB_TYPEMASK) {
    case MB_YESNO: unshown = IDNO; break;
    case MB_ABORTRETRYIGNORE: unshown = IDABORT; break;
    case MB_OK: break;
    default: unshown = IDCANCEL; break;
    }
    return Application.Present(TDialogMessage{caption, text, unshown}, [&] {
        return MessageBoxA(Application.ActiveWindow(), DialogText(text).c_str(), caption.c_str(), flags);
    });
}

std::string InputBox(const std::string& caption, const std::string& prompt, const std::string& initial) {
    TFormDef def;
    def.Caption = caption;
    def.ClientWidth = 242;
    def.ClientHeight = 94;
    def.BorderStyle = TBorderStyle::Dialog;
    def.BorderIcons = biSystemMenu;
    def.OwnerWindow = Application.ActiveWindow();
    auto form = NewForm<TForm>(nullptr, std::move(def),
                               std::vector<TControlDef>{
                                   Label("Prompt", prompt, 8, 8, 226, 13).With(cfAutoSize),
                                   Edit("Edit", initial, 8, 26, 226, 21).Tab(0),
                                   Button("OK", "OK", 82, 60, 75, 25).Tab(1).Result(mrOK).With(cfDefault),
                                   Button("Cancel", "Cancel", 163, 60, 75, 25).Tab(2).Result(mrCancel).With(cfCancel),
                               });
    auto& edit = form->Get<TEdit>("Edit");
    edit.SelectAll();
    form->ActiveControl = &edit;
    if (form->ShowModal() == mrOK) return edit.Text();
    return initial;
}
