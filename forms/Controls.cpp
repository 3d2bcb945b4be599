// The standard controls of the form framework.
#include "runtime/Exception.h"  // before <windows.h>, whose FormatMessage macro it must not see

#include "forms/Forms.h"

#include <commctrl.h>
#include <richedit.h>

#include "runtime/SystemLibraries.h"

#include <algorithm>

namespace {

// Window property under which a control's name is kept (as a global atom), so that
// a test driver in another process can tell the controls apart.
const char kNameProp[] = "TvxName";

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

}  // namespace

TControlDef Label(std::string name, std::string text, int left, int top, int width, int height) {
    TControlDef d;
    d.Kind = TControlKind::Label;
    d.Name = std::move(name);
    d.Text = std::move(text);
    d.Left = left, d.Top = top, d.Width = width, d.Height = height;
    return d;
}

TControlDef Button(std::string name, std::string text, int left, int top, int width, int height) {
    TControlDef d = Label(std::move(name), std::move(text), left, top, width, height);
    d.Kind = TControlKind::Button;
    return d;
}

TControlDef ProgressBar(std::string name, int left, int top, int width, int height) {
    TControlDef d = Label(std::move(name), "", left, top, width, height);
    d.Kind = TControlKind::ProgressBar;
    return d;
}

TControlDef RichEdit(std::string name, std::string text, int left, int top, int width, int height) {
    TControlDef d = Label(std::move(name), std::move(text), left, top, width, height);
    d.Kind = TControlKind::RichEdit;
    return d;
}

TControlDef Bevel(std::string name, int left, int top, int width, int height) {
    TControlDef d = Label(std::move(name), "", left, top, width, height);
    d.Kind = TControlKind::Bevel;
    return d;
}

TControlDef Image(std::string name, std::string bitmapResource, int left, int top, int width, int height) {
    TControlDef d = Label(std::move(name), "", left, top, width, height);
    d.Kind = TControlKind::Image;
    d.Resource = std::move(bitmapResource);
    return d;
}

TControlDef Edit(std::string name, std::string text, int left, int top, int width, int height) {
    TControlDef d = Label(std::move(name), std::move(text), left, top, width, height);
    d.Kind = TControlKind::Edit;
    return d;
}

TControlDef Custom(std::string name, std::string className, int left, int top, int width, int height) {
    TControlDef d = Label(std::move(name), "", left, top, width, height);
    d.Kind = TControlKind::Custom;
    d.ClassName = std::move(className);
    return d;
}

// ---------------------------------------------------------------- TControl

TControl::TControl(TForm& form, TControlDef def)
    : ModalResult(def.ModalResult), def_(std::move(def)), form_(form) {}

TControl::~TControl() { DestroyHandle(); }

const char* TControl::WindowClass() const {
    if (!def_.ClassName.empty()) return def_.ClassName.c_str();
    switch (def_.Kind) {
    case TControlKind::Button: return "BUTTON";
    case TControlKind::Edit: return "EDIT";
    case TControlKind::ProgressBar: return PROGRESS_CLASSA;
    case TControlKind::RichEdit: return "RichEdit20A";
    default: return "STATIC";
    }
}

DWORD TControl::WindowStyle() const { return 0; }

void TControl::CreateHandle(HWND parent) {
    DWORD style = WS_CHILD | WindowStyle() | def_.Style;
    if (!(def_.Flags & cfHidden)) style |= WS_VISIBLE;
    if (def_.Flags & cfDisabled) style |= WS_DISABLED;
    if (def_.TabStop()) style |= WS_TABSTOP;
    handle_ = CreateWindowExA(WindowExStyle() | def_.ExStyle, WindowClass(), def_.Text.c_str(), style,
                              def_.Left, def_.Top, def_.Width, def_.Height, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)), Instance(), nullptr);
    if (!handle_)
        throw Exception("Cannot create the window of control " + def_.Name);
    // Subclassed by swapping the window procedure, which every Windows offers (the
    // COMCTL32 subclass functions need common controls 5.8). The procedure finds its
    // TControl in the window's user data, which the system classes leave to the
    // program: unlike a window property it is read without asking the window manager,
    // which matters for a procedure that every message of the control passes through.
    SetWindowLongPtrA(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    classProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc)));
    if (ATOM atom = GlobalAddAtomA(def_.Name.empty() ? "?" : def_.Name.c_str()))
        SetPropA(handle_, kNameProp, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(atom)));
    SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(FormFont()), FALSE);
    Created();
}

void TControl::DestroyHandle() {
    if (!handle_) return;
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrA(handle_, GWLP_WNDPROC)) == &SubclassProc)
        SetWindowLongPtrA(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(classProc_));
    SetWindowLongPtrA(handle_, GWLP_USERDATA, 0);
    if (HANDLE atom = RemovePropA(handle_, kNameProp))
        GlobalDeleteAtom(static_cast<ATOM>(reinterpret_cast<UINT_PTR>(atom)));
    handle_ = nullptr;
}

LRESULT CALLBACK TControl::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TControl*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
    try {
        return self->HandleMessage(msg, wParam, lParam);
    } catch (const std::exception& e) {
        Application.HandleException(e);
    }
    return CallWindowProcA(self->classProc_, hwnd, msg, wParam, lParam);
}

LRESULT TControl::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefaultHandler(msg, wParam, lParam);
}

LRESULT TControl::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(classProc_, handle_, msg, wParam, lParam);
}

std::string TControl::Text() const {
    if (!handle_) return def_.Text;
    int n = GetWindowTextLengthA(handle_);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    n = GetWindowTextA(handle_, &s[0], n + 1);
    s.resize(static_cast<size_t>(n < 0 ? 0 : n));
    return s;
}

void TControl::SetText(const std::string& text) {
    def_.Text = text;
    if (handle_) SetWindowTextA(handle_, text.c_str());
}

bool TControl::Visible() const {
    return handle_ ? (GetWindowLongA(handle_, GWL_STYLE) & WS_VISIBLE) != 0 : !(def_.Flags & cfHidden);
}

void TControl::SetVisible(bool visible) {
    if (visible) def_.Flags &= ~cfHidden; else def_.Flags |= cfHidden;
    if (handle_) ShowWindow(handle_, visible ? SW_SHOWNA : SW_HIDE);
}

bool TControl::Enabled() const {
    return handle_ ? IsWindowEnabled(handle_) != FALSE : !(def_.Flags & cfDisabled);
}

void TControl::SetEnabled(bool enabled) {
    if (enabled) def_.Flags &= ~cfDisabled; else def_.Flags |= cfDisabled;
    if (handle_) EnableWindow(handle_, enabled);
}

void TControl::SetBounds(int left, int top, int width, int height) {
    def_.Left = left, def_.Top = top, def_.Width = width, def_.Height = height;
    if (handle_) SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TControl::SetFocus() {
    if (handle_) ::SetFocus(handle_);
}

void TControl::Invalidate() {
    if (handle_) InvalidateRect(handle_, nullptr, TRUE);
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) const {
    return handle_ ? SendMessageA(handle_, msg, wParam, lParam) : 0;
}

bool TControl::Command(WORD) { return false; }
bool TControl::DrawItem(DRAWITEMSTRUCT&) { return false; }
bool TControl::MeasureItem(MEASUREITEMSTRUCT&) { return false; }
HBRUSH TControl::CtlColor(HDC) { return nullptr; }

// ---------------------------------------------------------------- TLabel

TLabel::~TLabel() {
    DestroyHandle();
    if (underlined_) DeleteObject(underlined_);
}

DWORD TLabel::WindowStyle() const {
    DWORD style = SS_NOTIFY;
    if (def_.Flags & cfRightAlign) style |= SS_RIGHT;
    else if (def_.Flags & cfWordWrap) style |= SS_LEFT;
    else style |= SS_LEFTNOWORDWRAP;
    return style;
}

void TLabel::Created() {
    if (def_.Flags & cfUnderline) {
        LOGFONTA lf{};
        GetObjectA(FormFont(), sizeof lf, &lf);
        lf.lfUnderline = TRUE;
        underlined_ = CreateFontIndirectA(&lf);
        if (underlined_) Perform(WM_SETFONT, reinterpret_cast<WPARAM>(underlined_), FALSE);
    }
    AutoSize();
}

void TLabel::AutoSize() {
    if (!(def_.Flags & cfAutoSize) || !Handle()) return;
    SIZE size = TextExtent(Text());
    def_.Width = size.cx;
    def_.Height = size.cy;
    SetWindowPos(Handle(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT TLabel::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = DefaultHandler(msg, wParam, lParam);
    if (msg == WM_SETTEXT) AutoSize();
    return result;
}

bool TLabel::Command(WORD notifyCode) {
    if (notifyCode != STN_CLICKED) return false;
    if (OnClick) OnClick();
    return true;
}

HBRUSH TLabel::CtlColor(HDC dc) {
    SetTextColor(dc, def_.Color != CLR_INVALID ? def_.Color : GetSysColor(COLOR_BTNTEXT));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return GetSysColorBrush(COLOR_BTNFACE);
}

// ---------------------------------------------------------------- TButton

DWORD TButton::WindowStyle() const {
    return (def_.Flags & cfDefault) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

bool TButton::Command(WORD notifyCode) {
    if (notifyCode != BN_CLICKED) return false;
    // A person cannot press a hidden or disabled button; neither can a stray message.
    if (IsWindowVisible(Handle()) && IsWindowEnabled(Handle())) Click();
    return true;
}

void TButton::Click() {
    Form().ModalResult = ModalResult;
    if (OnClick) OnClick();
}

// ---------------------------------------------------------------- TProgressBar

const char* TProgressBar::WindowClass() const { return PROGRESS_CLASSA; }
DWORD TProgressBar::WindowStyle() const { return 0; }

void TProgressBar::Created() { Perform(PBM_SETRANGE32, 0, 100); }

int TProgressBar::Position() const { return static_cast<int>(Perform(PBM_GETPOS)); }

void TProgressBar::SetPosition(int position) { Perform(PBM_SETPOS, static_cast<WPARAM>(position)); }

// ---------------------------------------------------------------- TRichEdit

namespace {

struct MemoryReader {
    const std::string* text;
    size_t offset;
};

DWORD CALLBACK ReadMemoryCallback(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* done) {
    auto* reader = reinterpret_cast<MemoryReader*>(cookie);
    size_t n = std::min(static_cast<size_t>(count), reader->text->size() - reader->offset);
    std::copy_n(reader->text->data() + reader->offset, n, buffer);
    reader->offset += n;
    *done = static_cast<LONG>(n);
    return 0;
}

struct FileHandle {
    HANDLE h;
    ~FileHandle() { if (h != INVALID_HANDLE_VALUE) CloseHandle(h); }
};

}  // namespace

// Rich edit 2.0 where the system has it, else 1.0; the library stays loaded for the
// life of the process. When neither loads, creating the control fails and says so.
const char* TRichEdit::WindowClass() const { return platform::RichEditClass(); }

DWORD TRichEdit::WindowStyle() const {
    return ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_DISABLENOSCROLL | WS_VSCROLL;
}

void TRichEdit::Created() {
    // The scroll bar is always there; lay the text out for the width that leaves.
    ShowScrollBar(Handle(), SB_VERT, TRUE);
    RECT rc;
    GetClientRect(Handle(), &rc);
    rc.left += 2;
    Perform(EM_SETRECT, 0, reinterpret_cast<LPARAM>(&rc));
    // Window creation takes the text as plain text; rich text must be streamed in.
    if (def_.Text.compare(0, 5, "{\\rtf") == 0) SetRichText(def_.Text);
}

void TRichEdit::SetRichText(const std::string& rtf) {
    MemoryReader reader{&rtf, 0};
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&reader);
    stream.pfnCallback = ReadMemoryCallback;
    Perform(EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
}

LRESULT TRichEdit::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_GETDLGCODE) {
        // Keep Tab; and never pass the key message on, which would switch the control
        // into a dialog mode where Escape posts WM_CLOSE to the form.
        return DefaultHandler(msg, wParam, 0) | DLGC_WANTTAB;
    }
    return DefaultHandler(msg, wParam, lParam);
}

void TRichEdit::LoadFromFile(const std::string& path) {
    // The whole file first: a read that fails half-way must not leave the control with
    // the part read before the error.
    std::string rtf;
    {
        FileHandle file{CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr)};
        if (file.h == INVALID_HANDLE_VALUE) throw EFOpenError(path);
        char buffer[4096];
        for (;;) {
            DWORD got = 0;
            if (!ReadFile(file.h, buffer, sizeof buffer, &got, nullptr)) throw EReadError();
            if (got == 0) break;
            rtf.append(buffer, got);
        }
    }
    SetRichText(rtf);
}

// ---------------------------------------------------------------- TBevel, TImage, TEdit

DWORD TBevel::WindowStyle() const { return SS_OWNERDRAW; }

bool TBevel::DrawItem(DRAWITEMSTRUCT& item) {
    DrawEdge(item.hDC, &item.rcItem, EDGE_ETCHED, BF_TOP);
    return true;
}

TImage::~TImage() {
    DestroyHandle();
    if (bitmap_) DeleteObject(bitmap_);
}

DWORD TImage::WindowStyle() const {
    return SS_BITMAP | ((def_.Flags & cfCenter) ? SS_CENTERIMAGE : 0);
}

void TImage::Created() {
    bitmap_ = static_cast<HBITMAP>(
        LoadImageA(Instance(), def_.Resource.c_str(), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    if (bitmap_) Perform(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap_));
    // Setting a bitmap resizes the control to it; the description's bounds stand.
    SetWindowPos(Handle(), nullptr, def_.Left, def_.Top, def_.Width, def_.Height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

const char* TEdit::WindowClass() const { return "EDIT"; }
DWORD TEdit::WindowStyle() const { return ES_AUTOHSCROLL; }
void TEdit::SelectAll() { Perform(EM_SETSEL, 0, -1); }

TControl::TItemColours TControl::FillItemBackground(const DRAWITEMSTRUCT& item) {
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const TItemColours colours{GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW),
                               GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT)};
    HBRUSH brush = CreateSolidBrush(colours.Back);
    FillRect(item.hDC, &item.rcItem, brush);
    DeleteObject(brush);
    return colours;
}
