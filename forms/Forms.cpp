// TForm: the one window-procedure owner of the framework. Controls report to it
// through WM_COMMAND, WM_DRAWITEM, WM_MEASUREITEM and WM_CTLCOLOR*; it routes each
// to the control that sent it.
#include "runtime/Exception.h"  // before <windows.h>, whose FormatMessage macro it must not see

#include "forms/Forms.h"

#include <commctrl.h>

#include "runtime/SystemLibraries.h"

#include <algorithm>
#include <climits>

namespace {

const char kFormClass[] = "TvxForm";

// Restores the enabled state of the windows a modal form disabled.
struct DisabledWindows {
    std::vector<HWND> windows;
    ~DisabledWindows() {
        for (HWND w : windows)
            if (IsWindow(w)) EnableWindow(w, TRUE);
    }
};

struct DisableContext {
    HWND keep;
    std::vector<HWND>* list;
};

BOOL CALLBACK DisableOne(HWND hwnd, LPARAM param) {
    auto* ctx = reinterpret_cast<DisableContext*>(param);
    if (hwnd != ctx->keep && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
        EnableWindow(hwnd, FALSE);
        ctx->list->push_back(hwnd);
    }
    return TRUE;
}

int TabKey(const TControl& c) {
    return c.Def().TabOrder < 0 ? INT_MAX : c.Def().TabOrder;
}

}  // namespace

HFONT FormFont() {
    struct Font {
        HFONT h = CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                              "MS Sans Serif");
        ~Font() { if (h) DeleteObject(h); }
    };
    static Font font;
    return font.h;
}

SIZE TextExtent(const std::string& text, int maxWidth) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, FormFont());
    RECT r{0, 0, maxWidth > 0 ? maxWidth : 0, 0};
    UINT flags = DT_CALCRECT | (maxWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE);
    if (text.empty()) {
        TEXTMETRICA tm{};
        GetTextMetricsA(dc, &tm);
        r.right = 0;
        r.bottom = tm.tmHeight;
    } else {
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, flags);
    }
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

void TFormDeleter::operator()(TForm* form) const {
    form->BeforeDestruction();
    std::default_delete<TForm>()(form);
}

// ---------------------------------------------------------------- TForm

TForm::TForm(TForm* owner, TFormDef def, std::vector<TControlDef> controls)
    : owner_(owner), def_(std::move(def)) {
    for (auto& d : controls) {
        switch (d.Kind) {
        case TControlKind::Label: Add<TLabel>(std::move(d)); break;
        case TControlKind::Button: Add<TButton>(std::move(d)); break;
        case TControlKind::ProgressBar: Add<TProgressBar>(std::move(d)); break;
        case TControlKind::RichEdit: Add<TRichEdit>(std::move(d)); break;
        case TControlKind::Bevel: Add<TBevel>(std::move(d)); break;
        case TControlKind::Image: Add<TImage>(std::move(d)); break;
        case TControlKind::Edit: Add<TEdit>(std::move(d)); break;
        case TControlKind::Custom: Add<TControl>(std::move(d)); break;
        }
    }
    CreateWindowHandle();
}

TForm::~TForm() { BeforeDestruction(); }

void TForm::BeforeDestruction() {
    if (!handle_) return;
    if (OnDestroy) {
        TNotifyEvent handler = std::move(OnDestroy);
        try {
            handler();
        } catch (const std::exception& e) {
            Application.HandleException(e);
        }
    }
    if (Application.MainForm == this) Application.MainForm = nullptr;
    for (auto& c : controls_) c->DestroyHandle();
    HWND h = handle_;
    handle_ = nullptr;
    SetWindowLongPtrA(h, GWLP_USERDATA, 0);
    DestroyWindow(h);
}

void TForm::Adopt(std::unique_ptr<TControl> control) {
    control->id_ = nextId_++;
    controls_.push_back(std::move(control));
    if (!handle_) return;
    // Into a live window: create it, then move it to its place in the Tab walk.
    TControl& added = *controls_.back();
    CreateControl(added);
    HWND after = HWND_TOP;
    int best = INT_MIN;
    for (auto& c : controls_)
        if (c.get() != &added && c->Handle() && TabKey(*c) <= TabKey(added) && TabKey(*c) >= best) {
            best = TabKey(*c);
            after = c->Handle();
        }
    SetWindowPos(added.Handle(), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

TControl& TForm::Find(const std::string& name) const {
    for (auto& c : controls_)
        if (c->Name() == name) return *c;
    NoSuchControl(name);
}

void TForm::NoSuchControl(const std::string& name) const {
    throw Exception("Form " + def_.Caption + " has no control " + name);
}

TControl* TForm::ControlById(int id) const {
    for (auto& c : controls_)
        if (c->Id() == id) return c.get();
    return nullptr;
}

TControl* TForm::ControlByHandle(HWND hwnd) const {
    if (!hwnd) return nullptr;
    for (auto& c : controls_)
        if (c->Handle() == hwnd) return c.get();
    return nullptr;
}

TButton* TForm::ButtonWith(unsigned flag) const {
    for (auto& c : controls_)
        if (c->Def().Flags & flag)
            if (auto* b = dynamic_cast<TButton*>(c.get())) return b;
    return nullptr;
}

std::string TForm::Caption() const {
    if (!handle_) return def_.Caption;
    int n = GetWindowTextLengthA(handle_);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    n = GetWindowTextA(handle_, &s[0], n + 1);
    s.resize(static_cast<size_t>(n < 0 ? 0 : n));
    return s;
}

void TForm::SetCaption(const std::string& caption) {
    def_.Caption = caption;
    if (handle_) SetWindowTextA(handle_, caption.c_str());
}

void TForm::AfterConstruction() {
    if (OnCreate) OnCreate();
}

void TForm::CreateWindowHandle() {
    static ATOM registered = [] {
        platform::InitCommonControlClasses();
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kFormClass;
        return RegisterClassExA(&wc);
    }();
    if (!registered) throw Exception("Cannot register the form window class");

    DWORD style = WS_CAPTION | WS_CLIPCHILDREN;
    DWORD exStyle = WS_EX_CONTROLPARENT;
    if (def_.BorderStyle == TBorderStyle::Dialog) {
        style |= WS_POPUP;
        exStyle |= WS_EX_DLGMODALFRAME;
        if (def_.BorderIcons & biSystemMenu) style |= WS_SYSMENU;
    } else if (def_.BorderIcons & biSystemMenu) {
        style |= WS_SYSMENU;
        if (def_.BorderIcons & biMinimize) style |= WS_MINIMIZEBOX;
        if (def_.BorderIcons & biMaximize) style |= WS_MAXIMIZEBOX;
    }
    if (def_.StayOnTop) exStyle |= WS_EX_TOPMOST;
    RECT r{0, 0, def_.ClientWidth, def_.ClientHeight};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    HWND owner = owner_ ? owner_->Handle() : def_.OwnerWindow;
    HWND h = CreateWindowExA(exStyle, kFormClass, def_.Caption.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                             r.right - r.left, r.bottom - r.top, owner, nullptr, GetModuleHandleA(nullptr),
                             this);
    if (!h) throw Exception("Cannot create the window of form " + def_.Caption);

    // Creation order is the order Tab walks: tab stops by tab order, then the rest.
    std::vector<TControl*> order;
    for (auto& c : controls_) order.push_back(c.get());
    std::stable_sort(order.begin(), order.end(),
                     [](const TControl* a, const TControl* b) { return TabKey(*a) < TabKey(*b); });
    for (TControl* c : order) CreateControl(*c);
}

void TForm::CreateControl(TControl& control) { control.CreateHandle(handle_); }

TForm* TForm::FromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    char name[16] = {};
    if (!GetClassNameA(hwnd, name, sizeof name) || lstrcmpA(name, kFormClass) != 0) return nullptr;
    return reinterpret_cast<TForm*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

LRESULT CALLBACK TForm::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<TForm*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->handle_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TForm*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
    try {
        return self->HandleMessage(msg, wParam, lParam);
    } catch (const std::exception& e) {
        Application.HandleException(e);
    }
    return 0;
}

LRESULT TForm::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND: {
        HWND from = reinterpret_cast<HWND>(lParam);
        TControl* c = from ? ControlByHandle(from) : nullptr;
        if (!c && from) c = ControlById(LOWORD(wParam));
        if (c) {
            if (c->Command(HIWORD(wParam))) return 0;
            break;
        }
        // IDOK / IDCANCEL from the dialog keys (Enter with no default, Escape).
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            TButton* b = ButtonWith(LOWORD(wParam) == IDOK ? cfDefault : cfCancel);
            if (b && IsWindowVisible(b->Handle()) && IsWindowEnabled(b->Handle())) b->Click();
            return 0;
        }
        break;
    }
    case DM_GETDEFID: {
        TButton* b = ButtonWith(cfDefault);
        return b ? MAKELRESULT(b->Id(), DC_HASDEFID) : 0;
    }
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (TControl* c = ControlById(static_cast<int>(item->CtlID)))
            if (c->DrawItem(*item)) return TRUE;
        break;
    }
    case WM_MEASUREITEM: {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (TControl* c = ControlById(static_cast<int>(item->CtlID)))
            if (c->MeasureItem(*item)) return TRUE;
        break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
        if (TControl* c = ControlByHandle(reinterpret_cast<HWND>(lParam)))
            if (HBRUSH brush = c->CtlColor(reinterpret_cast<HDC>(wParam)))
                return reinterpret_cast<LRESULT>(brush);
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND f = GetFocus();
            if (f && IsChild(handle_, f)) lastFocus_ = f;
        } else {
            if (lastFocus_ && IsWindow(lastFocus_) && IsWindowVisible(lastFocus_) && IsWindowEnabled(lastFocus_))
                ::SetFocus(lastFocus_);
            else
                FocusFirst();
            if (OnActivate) OnActivate();
        }
        return 0;
    case WM_SETFOCUS:
        FocusFirst();
        return 0;
    case WM_LBUTTONUP:
        if (OnClick) OnClick();
        return 0;
    case WM_CLOSE:
        Close();
        return 0;
    default:
        break;
    }
    return DefWindowProcA(handle_, msg, wParam, lParam);
}

void TForm::FocusFirst() {
    if (ActiveControl && ActiveControl->Handle() && IsWindowVisible(ActiveControl->Handle()) &&
        IsWindowEnabled(ActiveControl->Handle())) {
        ::SetFocus(ActiveControl->Handle());
        return;
    }
    std::vector<TControl*> order;
    for (auto& c : controls_)
        if (c->Def().TabStop() && c->Handle() && IsWindowVisible(c->Handle()) && IsWindowEnabled(c->Handle()))
            order.push_back(c.get());
    if (order.empty()) return;
    std::stable_sort(order.begin(), order.end(),
                     [](const TControl* a, const TControl* b) { return TabKey(*a) < TabKey(*b); });
    ::SetFocus(order.front()->Handle());
}

bool TForm::IsDialogKey(MSG& msg) {
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
        // Enter presses the focused button, and otherwise the default button.
        if (auto* b = dynamic_cast<TButton*>(ControlByHandle(GetFocus()))) {
            b->Click();
            return true;
        }
    }
    return IsDialogMessageA(handle_, &msg) != FALSE;
}

void TForm::CenterOnScreen() {
    RECT r;
    GetWindowRect(handle_, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    SetWindowPos(handle_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool TForm::Visible() const { return handle_ && IsWindowVisible(handle_); }

void TForm::Show() {
    if (Visible()) {
        SetForegroundWindow(handle_);
        return;
    }
    if (OnShow) OnShow();
    if (def_.ScreenCenter) CenterOnScreen();
    ShowWindow(handle_, SW_SHOW);
    SetForegroundWindow(handle_);
    UpdateWindow(handle_);
}

void TForm::Hide() {
    if (handle_) ShowWindow(handle_, SW_HIDE);
}

bool TForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(canClose);
    return canClose;
}

void TForm::Close() {
    if (modal_) {
        ModalResult = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    if (Application.MainForm == this)
        Application.Terminate();
    else
        Hide();
}

int TForm::ShowModal() {
    if (modal_ || Visible()) throw Exception("Cannot make a visible window modal");
    HWND previous = GetActiveWindow();
    ModalResult = mrNone;
    {
        DisabledWindows disabled;
        DisableContext ctx{handle_, &disabled.windows};
        EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&ctx));
        struct ModalFlag {
            bool& flag;
            ~ModalFlag() { flag = false; }
        } flag{modal_};
        modal_ = true;
        Show();
        for (;;) {
            Application.HandleMessage();
            if (Application.Terminated) {
                ModalResult = mrCancel;
                break;
            }
            if (ModalResult != mrNone) {
                if (CloseQuery()) break;
                ModalResult = mrNone;
            }
        }
    }
    Hide();
    if (previous && IsWindow(previous)) SetActiveWindow(previous);
    return ModalResult;
}
