// The form framework in-process: forms made from tables, the modal loop and its
// results, dialog keys, the message dialogs and the standard error report. Dialogs
// are answered from a timer on the same thread, as a user would answer them.
#include "forms/Dialogs.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

TFormDef Def(const char* caption, int w = 300, int h = 120) {
    TFormDef d;
    d.Caption = caption;
    d.ClientWidth = w;
    d.ClientHeight = h;
    return d;
}

std::vector<TControlDef> Table() {
    return {
        Label("lblInfo", "Information", 8, 8, 0, 0).With(cfAutoSize),
        Edit("edtName", "abc", 8, 30, 120, 21).Tab(3),
        Button("cmdOK", "OK", 140, 80, 75, 25).Tab(1).Result(mrOK).With(cfDefault),
        Button("cmdCancel", "Cancel", 220, 80, 75, 25).Tab(2).Result(mrCancel),
        Button("cmdHidden", "Hidden", 8, 80, 75, 25).Tab(0).Result(mrOK).With(cfHidden | cfDisabled),
        Button("cmdOther", "Other", 8, 55, 75, 20).Tab(4).Result(5),
    };
}

void Post(const TControl& c, UINT msg, WPARAM w = 0, LPARAM l = 0) { PostMessageA(c.Handle(), msg, w, l); }

// Runs fn on the first timer tick of this thread's message loop.
class OnNextTick {
public:
    explicit OnNextTick(std::function<void()> fn) {
        Pending() = std::move(fn);
        id_ = SetTimer(nullptr, 0, 50, Tick);
    }
    ~OnNextTick() { KillTimer(nullptr, id_); }

private:
    static std::function<void()>& Pending() {
        static std::function<void()> fn;
        return fn;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        auto fn = std::move(Pending());
        Pending() = nullptr;
        if (fn) fn();
    }
    UINT_PTR id_;
};

struct Found {
    const char* caption;
    HWND hwnd;
};

BOOL CALLBACK MatchCaption(HWND h, LPARAM p) {
    auto* f = reinterpret_cast<Found*>(p);
    char text[256] = {};
    GetWindowTextA(h, text, sizeof text);
    if (IsWindowVisible(h) && std::string(text) == f->caption) {
        f->hwnd = h;
        return FALSE;
    }
    return TRUE;
}

HWND ThreadWindow(const char* caption) {
    Found f{caption, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchCaption, reinterpret_cast<LPARAM>(&f));
    return f.hwnd;
}

struct Child {
    std::string cls, text;
    HWND hwnd;
    LONG style;
};

std::vector<Child> Children(HWND parent) {
    std::vector<Child> out;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[64] = {}, text[512] = {};
        GetClassNameA(c, cls, sizeof cls);
        GetWindowTextA(c, text, sizeof text);
        out.push_back({cls, text, c, GetWindowLongA(c, GWL_STYLE)});
    }
    return out;
}

HWND ChildWithText(HWND parent, const std::string& text) {
    for (const Child& c : Children(parent))
        if (c.text == text) return c.hwnd;
    return nullptr;
}

void Key(HWND target, UINT vk) {
    PostMessageA(target, WM_KEYDOWN, vk, 1);
    PostMessageA(target, WM_KEYUP, vk, 1 | (3u << 30));
}

TEST(ErrorReport, FullStopAppendedWhenTheLastCharacterSortsAfterIt) {
    EXPECT_EQ(ErrorReportText("Disk full"), "Disk full.");
    EXPECT_EQ(ErrorReportText("Disk full."), "Disk full.");
    EXPECT_EQ(ErrorReportText("Cannot open file C:\\x\\"), "Cannot open file C:\\x\\.");
    EXPECT_EQ(ErrorReportText("Stopped!"), "Stopped!");
    EXPECT_EQ(ErrorReportText("Range 1-"), "Range 1-");
    EXPECT_EQ(ErrorReportText("Range 1/"), "Range 1/.");
    EXPECT_EQ(ErrorReportText("Caf\xe9"), "Caf\xe9.");
    EXPECT_EQ(ErrorReportText(""), "");
}

TEST(DialogText, ParagraphBreaksBecomeLineBreaks) {
    EXPECT_EQ(DialogText("a\r\rb"), "a\r\n\r\nb");
    EXPECT_EQ(DialogText("a\r\nb\r"), "a\r\nb\r\n");
    EXPECT_EQ(DialogText("plain"), "plain");
}

TEST(Form, TableBecomesControlsInTabOrder) {
    auto form = NewForm<TForm>(nullptr, Def("Table"), Table());
    RECT client;
    GetClientRect(form->Handle(), &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 120);
    EXPECT_FALSE(form->Visible());

    std::vector<Child> children = Children(form->Handle());
    ASSERT_EQ(children.size(), 6u);
    const char* order[] = {"Hidden", "OK", "Cancel", "abc", "Other", "Information"};
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(children[i].text, order[i]);
    EXPECT_FALSE(children[0].style & WS_VISIBLE);
    EXPECT_FALSE(IsWindowEnabled(children[0].hwnd));
    EXPECT_EQ(children[1].style & 0x0F, BS_DEFPUSHBUTTON);
    EXPECT_EQ(children[2].style & 0x0F, BS_PUSHBUTTON);
    EXPECT_TRUE(children[3].style & WS_TABSTOP);
    EXPECT_FALSE(children[5].style & WS_TABSTOP);

    TControl& edit = form->Find("edtName");
    RECT r;
    GetWindowRect(edit.Handle(), &r);
    MapWindowPoints(nullptr, form->Handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 8);
    EXPECT_EQ(r.top, 30);
    EXPECT_EQ(r.right - r.left, 120);
    EXPECT_EQ(r.bottom - r.top, 21);

    // An auto-sized label takes its text's size and follows text changes.
    TLabel& label = form->Get<TLabel>("lblInfo");
    GetClientRect(label.Handle(), &r);
    SIZE expected = TextExtent("Information");
    EXPECT_EQ(r.right, expected.cx);
    EXPECT_EQ(r.bottom, expected.cy);
    label.SetText("Information, longer");
    GetClientRect(label.Handle(), &r);
    EXPECT_EQ(r.right, TextExtent("Information, longer").cx);

    EXPECT_THROW(form->Find("nothing"), Exception);
    EXPECT_THROW(form->Get<TButton>("edtName"), Exception);
}

TEST(Form, ButtonSetsTheModalResultBeforeItsClickHandler) {
    auto form = NewForm<TForm>(nullptr, Def("Modal"), Table());
    int seen = -1;
    form->Get<TButton>("cmdOK").OnClick = [&] { seen = form->ModalResult; };
    Post(form->Find("cmdOK"), BM_CLICK);
    EXPECT_EQ(form->ShowModal(), mrOK);
    EXPECT_EQ(seen, mrOK);
    EXPECT_FALSE(form->Visible());
}

TEST(Form, CloseQueryCanRefuseAndResetsTheResult) {
    auto form = NewForm<TForm>(nullptr, Def("Refuse"), Table());
    int asked = 0;
    form->OnCloseQuery = [&](bool& canClose) { canClose = ++asked > 1; };
    Post(form->Find("cmdCancel"), BM_CLICK);
    Post(form->Find("cmdOther"), BM_CLICK);
    EXPECT_EQ(form->ShowModal(), 5);
    EXPECT_EQ(asked, 2);
}

TEST(Form, SystemCloseEndsAModalFormWithCancelThroughCloseQuery) {
    auto form = NewForm<TForm>(nullptr, Def("Closing"), Table());
    int resultWhenAsked = -1;
    form->OnCloseQuery = [&](bool&) { resultWhenAsked = form->ModalResult; };
    bool shown = false, activated = false;
    form->OnShow = [&] { shown = true; };
    form->OnActivate = [&] { activated = true; };
    PostMessageA(form->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(form->ShowModal(), mrCancel);
    EXPECT_EQ(resultWhenAsked, mrCancel);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(activated);
}

TEST(Form, HiddenOrDisabledButtonsCannotBePressed) {
    auto form = NewForm<TForm>(nullptr, Def("Hidden"), Table());
    bool clicked = false;
    form->Get<TButton>("cmdHidden").OnClick = [&] { clicked = true; };
    Post(form->Find("cmdHidden"), BM_CLICK);
    Post(form->Find("cmdOther"), BM_CLICK);
    EXPECT_EQ(form->ShowModal(), 5);
    EXPECT_FALSE(clicked);
}

TEST(Form, EnterPressesTheDefaultButtonEscapeOnlyANamedCancelButton) {
    {
        auto form = NewForm<TForm>(nullptr, Def("Keys"), Table());
        Key(form->Find("edtName").Handle(), VK_ESCAPE);  // no cancel button: nothing
        Key(form->Find("edtName").Handle(), VK_RETURN);
        EXPECT_EQ(form->ShowModal(), mrOK);
    }
    {
        std::vector<TControlDef> table = Table();
        table[3].With(cfCancel);
        auto form = NewForm<TForm>(nullptr, Def("Keys2"), table);
        Key(form->Find("edtName").Handle(), VK_ESCAPE);
        EXPECT_EQ(form->ShowModal(), mrCancel);
    }
    {
        // Enter on a focused button presses that button.
        auto form = NewForm<TForm>(nullptr, Def("Keys3"), Table());
        form->ActiveControl = &form->Find("cmdOther");
        OnNextTick tick([&] { Key(GetFocus(), VK_RETURN); });
        EXPECT_EQ(form->ShowModal(), 5);
    }
}

TEST(Form, OtherWindowsAreDisabledWhileAModalFormRuns) {
    auto owner = NewForm<TForm>(nullptr, Def("Owner"), Table());
    owner->Show();
    auto form = NewForm<TForm>(owner.get(), Def("Owned"), Table());
    EXPECT_EQ(GetWindow(form->Handle(), GW_OWNER), owner->Handle());
    bool ownerEnabled = true;
    form->OnShow = [&] { ownerEnabled = IsWindowEnabled(owner->Handle()) != FALSE; };
    Post(form->Find("cmdOK"), BM_CLICK);
    EXPECT_EQ(form->ShowModal(), mrOK);
    EXPECT_FALSE(ownerEnabled);
    EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
    EXPECT_THROW(owner->ShowModal(), Exception);  // already visible
}

TEST(Form, OnCreateAndOnDestroy) {
    struct TCounted : TForm {
        TCounted(int& created, int& destroyed) : TForm(nullptr, Def("Counted"), Table()) {
            OnCreate = [&created] { ++created; };
            OnDestroy = [&destroyed] { ++destroyed; };
        }
    };
    int created = 0, destroyed = 0;
    {
        auto form = NewForm<TCounted>(created, destroyed);
        EXPECT_EQ(created, 1);
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(Application, ProcessMessagesHandlesEverythingPending) {
    struct TCounting : TForm {
        int seen = 0;
        TCounting() : TForm(nullptr, Def("Counting"), {}) {}
        LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override {
            if (msg == WM_APP) {
                ++seen;
                return 0;
            }
            return TForm::HandleMessage(msg, w, l);
        }
    };
    auto form = NewForm<TCounting>();
    for (int i = 0; i < 3; ++i) PostMessageA(form->Handle(), WM_APP, 0, 0);
    Application.ProcessMessages();
    EXPECT_EQ(form->seen, 3);
}

TEST(Dialogs, ConfirmationWithYesNoEscapeNo) {
    std::vector<Child> seen;
    std::string caption;
    OnNextTick tick([&] {
        HWND d = ThreadWindow("Confirm");
        if (!d) return;
        seen = Children(d);
        Key(GetFocus(), VK_ESCAPE);
    });
    int r = MessageDlg("Stop now?\r\rNothing is lost.", TMsgDlgType::Confirmation, mbYes | mbNo, mbYes, mbNo);
    EXPECT_EQ(r, mrNo);
    std::vector<std::string> texts;
    for (const Child& c : seen) texts.push_back(c.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"&Yes", "&No", "Stop now?\r\n\r\nNothing is lost.", ""}));
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[0].style & 0x0F, BS_DEFPUSHBUTTON);
}

TEST(Dialogs, EnterPressesTheNamedDefaultButton) {
    OnNextTick tick([] {
        if (ThreadWindow("Confirm")) Key(GetFocus(), VK_RETURN);
    });
    EXPECT_EQ(MessageDlg("Go on?", TMsgDlgType::Confirmation, mbYes | mbNo, mbNo, mbNo), mrNo);
}

TEST(Dialogs, ErrorKindWithOneOkButton) {
    std::vector<Child> seen;
    OnNextTick tick([&] {
        HWND d = ThreadWindow("Error");
        if (!d) return;
        seen = Children(d);
        PostMessageA(ChildWithText(d, "OK"), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(MessageDlg("Broken", TMsgDlgType::Error, mbOK, mbOK, mbOK), mrOK);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen[0].text, "OK");
}

TEST(Dialogs, InputBoxGivesTheEditedTextOnOkAndTheInitialOnCancel) {
    OnNextTick typeAndOk([] {
        HWND d = ThreadWindow("Destination");
        if (!d) return;
        for (const Child& c : Children(d))
            if (c.cls == "Edit") SetWindowTextA(c.hwnd, "C:\\New");
        PostMessageA(ChildWithText(d, "OK"), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(InputBox("Destination", "Enter new directory", "C:\\Old"), "C:\\New");

    OnNextTick typeAndCancel([] {
        HWND d = ThreadWindow("Destination");
        if (!d) return;
        for (const Child& c : Children(d))
            if (c.cls == "Edit") SetWindowTextA(c.hwnd, "C:\\New");
        PostMessageA(ChildWithText(d, "Cancel"), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(InputBox("Destination", "Enter new directory", "C:\\Old"), "C:\\Old");
}

TEST(Application, ErrorsInHandlersReachTheStandardErrorReport) {
    Application.Title = "Tellivox";
    auto form = NewForm<TForm>(nullptr, Def("Failing"), Table());
    form->Get<TButton>("cmdOther").OnClick = [] { throw Exception("Something failed"); };
    std::string text;
    OnNextTick tick([&] {
        HWND box = ThreadWindow("Tellivox");
        if (!box) return;
        for (const Child& c : Children(box))
            if (c.cls == "Static" && !c.text.empty()) text = c.text;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    Post(form->Find("cmdOther"), BM_CLICK);
    EXPECT_EQ(form->ShowModal(), 5);  // the result was set before the handler failed
    EXPECT_EQ(text, "Something failed.");
}

}  // namespace
