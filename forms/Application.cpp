// The application object: the message loops and the standard error report.
#include "forms/Forms.h"

#include <commctrl.h>

TApplication Application;

std::string ErrorReportText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.'))
        return message + ".";
    return message;
}

void TApplication::Initialize() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
}

bool TApplication::Dispatch(MSG& msg) {
    if (msg.message == WM_QUIT) {
        Terminated = true;
        return false;
    }
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (TForm* form = TForm::FromHandle(root))
        if (form->IsDialogKey(msg)) return true;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return true;
}

void TApplication::HandleMessage() {
    MSG msg;
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
        Terminated = true;
        return;
    }
    if (got > 0) Dispatch(msg);
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        if (!Dispatch(msg)) break;
}

void TApplication::Run() {
    if (!MainForm) return;
    MainForm->Show();
    while (!Terminated) HandleMessage();
}

void TApplication::Terminate() { PostQuitMessage(0); }

HWND TApplication::ActiveWindow() const {
    HWND active = GetActiveWindow();
    if (active && IsWindowVisible(active)) return active;
    return MainForm && MainForm->Visible() ? MainForm->Handle() : nullptr;
}

void TApplication::HandleException(const std::exception& error) {
    MessageBoxA(ActiveWindow(), ErrorReportText(error.what()).c_str(), Title.c_str(), MB_OK | MB_ICONERROR);
}

void TApplication::DestroyForms() {
    while (!forms_.empty()) forms_.pop_back();
    MainForm = nullptr;
}
