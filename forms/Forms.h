// The installer's small form framework over Win32 (ANSI throughout, one user-interface
// thread). A form is described by data: form properties plus a table of controls
// (kind, name, text, left, top, width, height, tab order, modal result, flags), in
// client pixels, drawn in "MS Sans Serif" 8 point. Events are std::function values;
// anything thrown by an event handler or by the form's own message handling is caught
// at the window-procedure boundary and goes to Application.HandleException.
#pragma once

// Before <windows.h>, whose FormatMessage macro would rename the runtime's function.
#include "runtime/Exception.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Modal results. mrOK and mrCancel are 1 and 2 like IDOK and IDCANCEL.
constexpr int mrNone = 0;
constexpr int mrOK = 1;
constexpr int mrCancel = 2;
constexpr int mrYes = 6;
constexpr int mrNo = 7;

using TNotifyEvent = std::function<void()>;
using TCloseQueryEvent = std::function<void(bool& canClose)>;

enum class TControlKind { Label, Button, ProgressBar, RichEdit, Bevel, Image, Edit, Custom };

// Flags of a control description.
enum : unsigned {
    cfDefault = 1u << 0,     // button pressed by Enter (BS_DEFPUSHBUTTON)
    cfCancel = 1u << 1,      // button pressed by Escape
    cfHidden = 1u << 2,
    cfDisabled = 1u << 3,
    cfAutoSize = 1u << 4,    // label sized to its text (otherwise fixed)
    cfWordWrap = 1u << 5,    // label breaks lines at its width
    cfRightAlign = 1u << 6,  // label text aligned right
    cfUnderline = 1u << 7,   // label drawn with an underlined font
    cfCenter = 1u << 8,      // image centred in its bounds
};

// One row of a form's control table. Build rows with the helpers below and chain the
// optional settings: Button("cmdNext", "Continue", 334, 271, 79, 22).Tab(2).Result(mrOK).
struct TControlDef {
    TControlKind Kind = TControlKind::Custom;
    std::string Name;
    std::string Text;
    int Left = 0, Top = 0, Width = 0, Height = 0;
    int TabOrder = -1;  // -1: not reached by Tab
    int ModalResult = mrNone;
    unsigned Flags = 0;
    COLORREF Color = CLR_INVALID;  // label text colour; CLR_INVALID = window text
    std::string ClassName;         // Custom: the window class to create
    DWORD Style = 0, ExStyle = 0;  // extra styles, added to the kind's own
    std::string Resource;          // Image: name of the BITMAP resource

    TControlDef& Tab(int order) { TabOrder = order; return *this; }
    // Whether Tab and the first focus reach the control: only controls that take
    // keyboard input, with a tab order. Labels, progress bars, bevels and images never
    // do; their tab order still places them among the others.
    bool TabStop() const {
        return TabOrder >= 0 && Kind != TControlKind::Label && Kind != TControlKind::ProgressBar &&
               Kind != TControlKind::Bevel && Kind != TControlKind::Image;
    }
    TControlDef& Result(int modalResult) { ModalResult = modalResult; return *this; }
    TControlDef& With(unsigned flags) { Flags |= flags; return *this; }
    TControlDef& TextColor(COLORREF c) { Color = c; return *this; }
    TControlDef& Styles(DWORD style, DWORD exStyle = 0) { Style |= style; ExStyle |= exStyle; return *this; }
};

TControlDef Label(std::string name, std::string text, int left, int top, int width, int height);
TControlDef Button(std::string name, std::string text, int left, int top, int width, int height);
TControlDef ProgressBar(std::string name, int left, int top, int width, int height);
TControlDef RichEdit(std::string name, std::string text, int left, int top, int width, int height);
TControlDef Bevel(std::string name, int left, int top, int width, int height);
TControlDef Image(std::string name, std::string bitmapResource, int left, int top, int width, int height);
TControlDef Edit(std::string name, std::string text, int left, int top, int width, int height);
// Any window class as a child control (combo boxes, list boxes...); add the class's
// own styles with .Styles(...).
TControlDef Custom(std::string name, std::string className, int left, int top, int width, int height);

class TForm;

// A child window of a form, made from its TControlDef when the form's window is
// created. Every control is subclassed: HandleMessage sees each of its messages
// first; the default passes them to the class's own procedure (DefaultHandler).
class TControl {
public:
    TControl(TForm& form, TControlDef def);
    virtual ~TControl();
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    const std::string& Name() const { return def_.Name; }
    const TControlDef& Def() const { return def_; }
    TForm& Form() const { return form_; }
    int Id() const { return id_; }
    // The control's window; null until the form's window exists.
    HWND Handle() const { return handle_; }

    std::string Text() const;
    void SetText(const std::string& text);
    bool Visible() const;
    void SetVisible(bool visible);
    bool Enabled() const;
    void SetEnabled(bool enabled);
    void SetBounds(int left, int top, int width, int height);
    void SetFocus();
    void Invalidate();
    LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const;

    int ModalResult = mrNone;
    TNotifyEvent OnClick;

    // Notifications the parent form receives for this control (WM_COMMAND code,
    // WM_DRAWITEM, WM_MEASUREITEM, WM_CTLCOLOR*). Return true when handled.
    virtual bool Command(WORD notifyCode);
    virtual bool DrawItem(DRAWITEMSTRUCT& item);
    // For owner-drawn items: fills the item's rectangle in the selected or normal
    // background colour and returns that colour and the text colour that goes with it.
    struct TItemColours {
        COLORREF Back;
        COLORREF Text;
    };
    static TItemColours FillItemBackground(const DRAWITEMSTRUCT& item);
    virtual bool MeasureItem(MEASUREITEMSTRUCT& item);
    // WM_CTLCOLOR* for this control: return a brush to take over the colours.
    virtual HBRUSH CtlColor(HDC dc);

protected:
    // Creates the window (called by the form). Override to adjust, then call the base.
    virtual void CreateHandle(HWND parent);
    // After creation: set up what the window needs (font, range, bitmap...).
    virtual void Created() {}
    virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam);
    // Window class and style for CreateWindowExA; the def's extra styles are added.
    virtual const char* WindowClass() const;
    virtual DWORD WindowStyle() const;
    virtual DWORD WindowExStyle() const { return 0; }

    // Unhooks the window (the form destroys it); for destructors of subclasses that
    // release what the window uses.
    void DestroyHandle();

    TControlDef def_;

private:
    friend class TForm;
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM);
    TForm& form_;
    HWND handle_ = nullptr;
    WNDPROC classProc_ = nullptr;  // the window class's own procedure
    int id_ = 0;
};

class TLabel : public TControl {
public:
    using TControl::TControl;
    ~TLabel() override;
    bool Command(WORD notifyCode) override;
    HBRUSH CtlColor(HDC dc) override;

protected:
    DWORD WindowStyle() const override;
    void Created() override;
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void AutoSize();
    HFONT underlined_ = nullptr;
};

// A push button. A click sets the form's ModalResult to the button's ModalResult
// (even mrNone) before OnClick runs.
class TButton : public TControl {
public:
    using TControl::TControl;
    bool Command(WORD notifyCode) override;
    void Click();

protected:
    DWORD WindowStyle() const override;
};

// Range 0 to 100.
class TProgressBar : public TControl {
public:
    using TControl::TControl;
    int Position() const;
    void SetPosition(int position);

protected:
    const char* WindowClass() const override;
    DWORD WindowStyle() const override;
    void Created() override;
};

// Read-only rich text with an always-shown vertical scroll bar; keeps the Tab key.
class TRichEdit : public TControl {
public:
    using TControl::TControl;
    // Replaces the whole content with the file's rich text (EM_STREAMIN, SF_RTF), once
    // the whole file has been read. Throws EFOpenError when the file cannot be opened and
    // EReadError when it cannot be read to its end; the content is then untouched.
    void LoadFromFile(const std::string& path);
    // Replaces the whole content with the given rich text.
    void SetRichText(const std::string& rtf);

protected:
    const char* WindowClass() const override;
    DWORD WindowStyle() const override;
    DWORD WindowExStyle() const override { return WS_EX_CLIENTEDGE; }
    void Created() override;
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

// A horizontal etched line along the top of its bounds.
class TBevel : public TControl {
public:
    using TControl::TControl;
    bool DrawItem(DRAWITEMSTRUCT& item) override;

protected:
    DWORD WindowStyle() const override;
};

// A bitmap from the program's resources (def.Resource).
class TImage : public TControl {
public:
    using TControl::TControl;
    ~TImage() override;

protected:
    DWORD WindowStyle() const override;
    void Created() override;

private:
    HBITMAP bitmap_ = nullptr;
};

// A single-line edit box.
class TEdit : public TControl {
public:
    using TControl::TControl;
    void SelectAll();

protected:
    const char* WindowClass() const override;
    DWORD WindowStyle() const override;
    DWORD WindowExStyle() const override { return WS_EX_CLIENTEDGE; }
};

enum class TBorderStyle { Single, Dialog };
// Title-bar buttons of a single border; none at all means no system menu either.
enum : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4 };

// Form properties, as a form description gives them.
struct TFormDef {
    std::string Caption;
    int ClientWidth = 0, ClientHeight = 0;
    TBorderStyle BorderStyle = TBorderStyle::Single;
    unsigned BorderIcons = biSystemMenu | biMinimize | biMaximize;
    bool StayOnTop = false;
    bool ScreenCenter = true;
    // Owner window when the form has no owner form (dialogs owned by the active window).
    HWND OwnerWindow = nullptr;
};

// A top-level window with a table of controls. The constructor creates the (hidden)
// window and every control of the table, so a derived constructor can use them at
// once. Make forms with NewForm<T>(...) or Application.CreateForm, which then raise
// OnCreate.
class TForm {
public:
    TForm(TForm* owner, TFormDef def, std::vector<TControlDef> controls = {});
    virtual ~TForm();
    TForm(const TForm&) = delete;
    TForm& operator=(const TForm&) = delete;

    HWND Handle() const { return handle_; }
    TForm* Owner() const { return owner_; }
    std::string Caption() const;
    void SetCaption(const std::string& caption);
    int ClientWidth() const { return def_.ClientWidth; }
    int ClientHeight() const { return def_.ClientHeight; }

    // Adds a control of class C made from def; before the window exists, or at once
    // into a live window. The form owns it.
    template <class C, class... Args>
    C& Add(TControlDef def, Args&&... args) {
        auto control = std::make_unique<C>(*this, std::move(def), std::forward<Args>(args)...);
        C& ref = *control;
        Adopt(std::move(control));
        return ref;
    }
    // The control of that name; throws Exception when there is none or it is not a C.
    template <class C = TControl>
    C& Get(const std::string& name) const {
        auto* c = dynamic_cast<C*>(&Find(name));
        if (!c) NoSuchControl(name);
        return *c;
    }
    TControl& Find(const std::string& name) const;
    const std::vector<std::unique_ptr<TControl>>& Controls() const { return controls_; }

    // Shows the form modally: other windows of the program are disabled, a nested
    // message loop runs until ModalResult is set and OnCloseQuery lets it close.
    // Returns the modal result.
    int ShowModal();
    void Show();
    void Hide();
    bool Visible() const;
    // Asks to close: a modal form gets ModalResult = mrCancel; otherwise OnCloseQuery
    // decides, and closing the application's main form ends the application.
    void Close();
    bool Modal() const { return modal_; }
    // Runs OnCloseQuery; true when the form may close.
    bool CloseQuery();

    int ModalResult = mrNone;
    // The control focused when the form is first activated (else the first tab stop).
    TControl* ActiveControl = nullptr;
    TNotifyEvent OnCreate, OnShow, OnActivate, OnDestroy, OnClick;
    TCloseQueryEvent OnCloseQuery;

    // Called by NewForm after construction: raises OnCreate.
    void AfterConstruction();
    // Called by TFormDeleter: raises OnDestroy and destroys the window.
    void BeforeDestruction();

    // For the message loops: handles dialog keys (Tab, Enter, Escape) of this form.
    bool IsDialogKey(MSG& msg);
    static TForm* FromHandle(HWND hwnd);

protected:
    // Every message of the form window goes here first; call the base for the rest.
    virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
    void Adopt(std::unique_ptr<TControl> control);
    [[noreturn]] void NoSuchControl(const std::string& name) const;
    void CreateWindowHandle();
    void CreateControl(TControl& control);
    TControl* ControlById(int id) const;
    TControl* ControlByHandle(HWND hwnd) const;
    TButton* ButtonWith(unsigned flag) const;
    void FocusFirst();
    void CenterOnScreen();

    TForm* owner_;
    TFormDef def_;
    std::vector<std::unique_ptr<TControl>> controls_;
    HWND handle_ = nullptr;
    HWND lastFocus_ = nullptr;
    bool modal_ = false;
    int nextId_ = 100;
};

// Owns a form: raises its OnDestroy and destroys its window while the whole form
// object still exists, then deletes it.
struct TFormDeleter {
    void operator()(TForm* form) const;
};
template <class F>
using TFormPtr = std::unique_ptr<F, TFormDeleter>;

// Constructs a form, creates its window and controls (hidden) and raises OnCreate.
template <class F, class... Args>
TFormPtr<F> NewForm(Args&&... args) {
    TFormPtr<F> form(std::make_unique<F>(std::forward<Args>(args)...).release());
    form->AfterConstruction();
    return form;
}

// The shared "MS Sans Serif" 8-point font (height -11) of all forms.
HFONT FormFont();
// Size of a text in the form font (one line, or wrapped at maxWidth when > 0).
SIZE TextExtent(const std::string& text, int maxWidth = 0);

// A message that a dialog of the framework is about to show (Application.OnDialog).
struct TDialogMessage {
    std::string Caption;
    std::string Text;
    // The answer when the message is not shown: the escape button's result, or the
    // only button's.
    int Unshown = mrOK;
};

class TApplication {
public:
    std::string Title;
    std::string HelpFile;
    TForm* MainForm = nullptr;
    bool Terminated = false;
    // When set, every message of MessageDlg, ShowMessageBox and the standard error
    // report passes through it: show() shows the message and returns the answer, and
    // what the hook returns is taken as the answer. A hook that does not call show()
    // keeps the message from being shown (a program that must show nothing, one that
    // logs what it shows).
    std::function<int(const TDialogMessage& message, const std::function<int()>& show)> OnDialog;
    // Shows message through OnDialog when it is set, else at once.
    int Present(const TDialogMessage& message, const std::function<int()>& show);

    // Registers the window classes and the common controls.
    void Initialize();
    // Constructs a form through NewForm, keeps it for the application's life and
    // makes the first form created the main form. Errors from the form's
    // construction propagate to the caller.
    template <class F, class... Args>
    F& CreateForm(Args&&... args) {
        auto form = NewForm<F>(std::forward<Args>(args)...);
        F& ref = *form;
        forms_.push_back(std::move(form));
        if (!MainForm) MainForm = &ref;
        return ref;
    }
    // Shows the main form and processes messages until the main form closes or
    // Terminate is called. Returns at once when there is no main form.
    void Run();
    // Processes every pending message, then returns.
    void ProcessMessages();
    // Waits for one message and processes it.
    void HandleMessage();
    void Terminate();
    // The standard error report: a message box titled Title, error icon, OK, showing
    // the message with "." appended when its last character sorts after '.'. Passes
    // through OnDialog.
    void HandleException(const std::exception& error);
    // The window that dialogs should be owned by: the active form, or the main form.
    HWND ActiveWindow() const;
    // Releases the forms created through CreateForm (last first).
    void DestroyForms();

private:
    bool Dispatch(MSG& msg);
    std::vector<TFormPtr<TForm>> forms_;
};

extern TApplication Application;

// The text of the standard error report for a message (the full-stop rule).
std::string ErrorReportText(const std::string& message);
