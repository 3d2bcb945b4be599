// The application object: the message loops and the standard error report.
#include "forms/Forms.h"

#include "runtime/SystemLibraries.h"

TApplication Application;

namespace {

// The top-level window that HWND belongs to (itself when it is one, or a child of the
// desktop such as a combo box's list): the walk up the parents that
// GetAncestor(GA_ROOT) does, which Windows 95 and NT 4.0 lack.
HWND RootWindow(HWND hwnd) {
    const HWND desktop = GetDesktopWindow();
    while (hwnd && (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD)) {
        HWND parent = GetParent(hwnd);
        if (!parent || parent == desktop) break;
        hwnd = parent;
    }
    return hwnd;
}

}  // namespace

std::string ErrorReportText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.'))
        return message + ".";
    return message;
}

void TApplication::Initialize() {
    platform::InitCommonControlClasses();
}

bool TApplication::Dispatch(MSG& msg) {
    if (msg.message == WM_QUIT) {
        Terminated = true;
        return false;
    }
    HWND root = msg.hwnd ? RootWindow(msg.hwnd) : nullptr;
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

int TApplication::Present(const TDialogMessage& message, const std::function<int()>& show) {
    return OnDialog ? OnDialog(message, show) : show();
}

void TApplication::HandleException(const std::exception& error) {
    const TDialogMessage message{Title, ErrorReportText(error.what()), IDOK};
    Present(message, [&] {
        return MessageBoxA(ActiveWindow(), message.Text.c_str(), Title.c_str(), MB_OK | MB_ICONERROR);
    });
}

void TApplication::DestroyForms() {
    while (!forms_.empty()) forms_.pop_back();
    MainForm = nullptr;
}
