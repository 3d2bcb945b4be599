// uidriver: drives and inspects the windows of another program under the same window
// server, for the user-interface tests. One command per invocation, or a script of
// commands on standard input ("uidriver -"), one per line, with "double quotes" around
// arguments that hold blanks. Output is line-flushed. Exit code 0 = success, 1 = the
// command failed (window or control not found, timeout), 2 = usage error.
//
//   wait CAPTION [ms]               a visible top-level window with that caption appears
//   gone CAPTION [ms]               no visible window with that caption remains
//   window CAPTION                  caption, client size, position and border of the window
//   controls CAPTION                one line per control: name, class, text, bounds, state
//   text CAPTION CONTROL            the control's text (WM_GETTEXT)
//   waittext CAPTION CONTROL TEXT [ms]  the control's text becomes TEXT (read again and
//                                   again, for steps that must come at once)
//   waitchange CAPTION CONTROL TEXT [ms]  the control's text becomes other than TEXT
//                                   (read again and again); prints the new text
//   clickwhen CAPTION CONTROL TEXT BUTTON [ms]  presses BUTTON (posted) the moment
//                                   CONTROL's text becomes TEXT; both are looked up first,
//                                   so no message to the program comes between the two
//   position CAPTION CONTROL        a progress bar's position (PBM_GETPOS)
//   focus CAPTION                   the control that has the keyboard focus
//   click CAPTION CONTROL           presses a button (BM_CLICK, posted)
//   mouse CAPTION CONTROL           a left click in the middle of the control
//   key CAPTION KEY                 enter, escape, tab, shift-tab, space or f4 (with alt-) to the focus
//   close CAPTION                   the close box (WM_SYSCOMMAND SC_CLOSE)
//   type CAPTION CONTROL TEXT       replaces the control's text (WM_SETTEXT)
//   items CAPTION CONTROL           the items of a list or combo box, and the selection
//   pick CAPTION CONTROL INDEX      selects an item as a user would (notifies the parent)
//   open CAPTION CONTROL INDEX      double-clicks a list box item
//   dialog OWNER [ms]               waits for a window owned by OWNER; prints caption,
//                                   texts and buttons
//   answer OWNER BUTTON [ms]        waits for a window owned by OWNER and presses BUTTON
//   answerthen OWNER BUTTON CONTROL TEXT [ms]  the same, then OWNER's CONTROL must show
//                                   TEXT: looked up before the press and read without
//                                   pause after it, for a window that closes soon after
//   unseen EXE [ms]                 prints "watching", waits (up to ms) for a process
//                                   named EXE, then, until every such process has
//                                   ended, fails the moment any top-level window of one
//                                   is visible; prints how many polls it made and how
//                                   many hidden top-level windows it met
//   sleep MS
// CONTROL is a control's name (as the form framework records it), its text (with or
// without '&'), or #N, the N-th control in the order "controls" lists them.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr DWORD kDefaultWaitMs = 10000;

void Out(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

struct Failure {
    std::string message;
};

[[noreturn]] void Fail(const std::string& message) { throw Failure{message}; }

std::string Narrow(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
    return s;
}

std::wstring Wide(const std::string& s) {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return w;
}

// Texts are read with the wide messages: the ANSI ones lose all but the first
// character across processes under Wine.
std::string WindowText(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return {};
    std::wstring w(length + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&w[0]), SMTO_ABORTIFHUNG, 2000,
                        &got);
    w.resize(got);
    return Narrow(w);
}

// The text in one message, for reads that must each take a single turn of the program's
// message loop (up to 1023 characters).
std::string WindowTextOnce(HWND hwnd) {
    std::wstring w(1024, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, w.size(), reinterpret_cast<LPARAM>(&w[0]), SMTO_ABORTIFHUNG,
                             2000, &got))
        return {};
    w.resize(got);
    return Narrow(w);
}

std::string ClassOf(HWND hwnd) {
    char name[256] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

std::string NameOf(HWND hwnd) {
    auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropA(hwnd, "TvxName")));
    if (!atom) return {};
    char name[256] = {};
    GlobalGetAtomNameA(atom, name, sizeof name);
    return name;
}

std::string Quote(const std::string& s) {
    std::string q = "\"";
    for (char c : s) {
        if (c == '\r') q += "\\r";
        else if (c == '\n') q += "\\n";
        else if (c == '"' || c == '\\') q += std::string("\\") + c;
        else q += c;
    }
    return q + "\"";
}

std::string WithoutAmpersands(const std::string& s) {
    std::string r;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '&' && i + 1 < s.size()) ++i;
        r += s[i];
    }
    return r;
}

std::string Hex(HWND hwnd) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd)));
    return buf;
}

// ------------------------------------------------------------ finding windows

struct TopList {
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectTop(HWND hwnd, LPARAM param) {
    if (IsWindowVisible(hwnd)) reinterpret_cast<TopList*>(param)->windows.push_back(hwnd);
    return TRUE;
}

std::vector<HWND> TopWindows() {
    TopList list;
    EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&list));
    return list.windows;
}

std::vector<HWND> WindowsCaptioned(const std::string& caption) {
    std::vector<HWND> found;
    for (HWND h : TopWindows())
        if (WindowText(h) == caption) found.push_back(h);
    return found;
}

// A visible top-level window with that caption. When several share it (a message box
// captioned like its owner), the one not owned by another of them.
HWND FindTopWindow(const std::string& caption) {
    std::vector<HWND> found = WindowsCaptioned(caption);
    for (HWND h : found) {
        HWND owner = GetWindow(h, GW_OWNER);
        if (std::find(found.begin(), found.end(), owner) == found.end()) return h;
    }
    return found.empty() ? nullptr : found.front();
}

// A visible window owned by a window with that caption.
HWND FindOwned(const std::string& ownerCaption) {
    std::vector<HWND> owners = WindowsCaptioned(ownerCaption);
    for (HWND h : TopWindows()) {
        HWND owner = GetWindow(h, GW_OWNER);
        if (owner && std::find(owners.begin(), owners.end(), owner) != owners.end()) return h;
    }
    return nullptr;
}

template <class F>
HWND WaitFor(DWORD ms, F find) {
    DWORD start = GetTickCount();
    for (;;) {
        if (HWND h = find()) return h;
        if (GetTickCount() - start >= ms) return nullptr;
        Sleep(50);
    }
}

HWND Window(const std::string& caption) {
    HWND h = FindTopWindow(caption);
    if (!h) Fail("no window " + Quote(caption));
    return h;
}

struct ChildList {
    HWND parent;
    std::vector<HWND> children;
};

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param) {
    auto* list = reinterpret_cast<ChildList*>(param);
    if (GetParent(hwnd) == list->parent) list->children.push_back(hwnd);
    return TRUE;
}

// The direct children in Z-order, the order Tab walks.
std::vector<HWND> Children(HWND parent) {
    ChildList list{parent, {}};
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&list));
    return list.children;
}

HWND Control(HWND window, const std::string& which) {
    std::vector<HWND> children = Children(window);
    if (which.size() > 1 && which[0] == '#') {
        size_t i = std::strtoul(which.c_str() + 1, nullptr, 10);
        if (i < children.size()) return children[i];
        Fail("no control " + which);
    }
    for (HWND c : children)
        if (NameOf(c) == which) return c;
    for (HWND c : children)
        if (WindowText(c) == which) return c;
    for (HWND c : children)
        if (WithoutAmpersands(WindowText(c)) == which) return c;
    Fail("no control " + Quote(which));
}

RECT ClientBounds(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string Describe(HWND c, int tabIndex) {
    RECT r = ClientBounds(c);
    LONG style = GetWindowLongA(c, GWL_STYLE);
    std::string cls = ClassOf(c);
    bool isDefault = _stricmp(cls.c_str(), "Button") == 0 && (style & 0x0F) == BS_DEFPUSHBUTTON;
    char buf[256];
    std::snprintf(buf, sizeof buf, " x=%ld y=%ld w=%ld h=%ld visible=%d enabled=%d default=%d tab=%d", r.left,
                  r.top, r.right - r.left, r.bottom - r.top, IsWindowVisible(c) ? 1 : 0, IsWindowEnabled(c) ? 1 : 0,
                  isDefault ? 1 : 0, tabIndex);
    std::string name = NameOf(c);
    return "name=" + (name.empty() ? std::string("-") : name) + " class=" + cls + " text=" + Quote(WindowText(c)) +
           buf;
}

// ------------------------------------------------------------ processes

// The ids of the running processes whose program file is named exe (without regard to
// case).
std::vector<DWORD> ProcessesNamed(const std::string& exe) {
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        std::string name = entry.szExeFile;
        const auto cut = name.find_last_of("\\/");
        if (cut != std::string::npos) name = name.substr(cut + 1);
        if (_stricmp(name.c_str(), exe.c_str()) == 0) ids.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return ids;
}

struct ProcessWindows {
    const std::vector<DWORD>* ids;
    std::vector<HWND> visible;
    std::vector<HWND> hidden;
};

BOOL CALLBACK CollectOfProcesses(HWND hwnd, LPARAM param) {
    auto* found = reinterpret_cast<ProcessWindows*>(param);
    DWORD id = 0;
    GetWindowThreadProcessId(hwnd, &id);
    if (std::find(found->ids->begin(), found->ids->end(), id) != found->ids->end())
        (IsWindowVisible(hwnd) ? found->visible : found->hidden).push_back(hwnd);
    return TRUE;
}

// ------------------------------------------------------------ input

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus) return info.hwndFocus;
    return window;
}

void PostKey(HWND target, UINT vk, bool alt) {
    LPARAM down = 1 | (static_cast<LPARAM>(MapVirtualKeyA(vk, 0)) << 16);
    if (alt) {
        PostMessageA(target, WM_SYSKEYDOWN, vk, down | (1 << 29));
        PostMessageA(target, WM_SYSKEYUP, vk, down | (1 << 29) | (3u << 30));
    } else {
        PostMessageA(target, WM_KEYDOWN, vk, down);
        PostMessageA(target, WM_KEYUP, vk, down | (3u << 30));
    }
}

bool IsCombo(HWND c) { return _stricmp(ClassOf(c).c_str(), "ComboBox") == 0; }

// ------------------------------------------------------------ commands

DWORD Millis(const std::vector<std::string>& a, size_t i) {
    return a.size() > i ? static_cast<DWORD>(std::strtoul(a[i].c_str(), nullptr, 10)) : kDefaultWaitMs;
}

void Need(const std::vector<std::string>& a, size_t n) {
    if (a.size() < n) throw std::invalid_argument("missing arguments for " + a[0]);
}

void Run(const std::vector<std::string>& a) {
    const std::string& cmd = a[0];
    if (cmd == "wait") {
        Need(a, 2);
        HWND h = WaitFor(Millis(a, 2), [&] { return FindTopWindow(a[1]); });
        if (!h) Fail("timeout waiting for " + Quote(a[1]));
        Out("found " + Hex(h));
    } else if (cmd == "gone") {
        Need(a, 2);
        DWORD start = GetTickCount();
        while (FindTopWindow(a[1])) {
            if (GetTickCount() - start >= Millis(a, 2)) Fail("still there: " + Quote(a[1]));
            Sleep(50);
        }
        Out("gone");
    } else if (cmd == "window") {
        Need(a, 2);
        HWND h = Window(a[1]);
        RECT client, outer;
        GetClientRect(h, &client);
        GetWindowRect(h, &outer);
        LONG style = GetWindowLongA(h, GWL_STYLE), ex = GetWindowLongA(h, GWL_EXSTYLE);
        char buf[256];
        std::snprintf(buf, sizeof buf,
                      " client=%ldx%ld left=%ld top=%ld width=%ld height=%ld sysmenu=%d minimize=%d maximize=%d "
                      "sizable=%d topmost=%d enabled=%d screen=%dx%d",
                      client.right, client.bottom, outer.left, outer.top, outer.right - outer.left,
                      outer.bottom - outer.top, (style & WS_SYSMENU) ? 1 : 0, (style & WS_MINIMIZEBOX) ? 1 : 0,
                      (style & WS_MAXIMIZEBOX) ? 1 : 0, (style & WS_THICKFRAME) ? 1 : 0, (ex & WS_EX_TOPMOST) ? 1 : 0,
                      IsWindowEnabled(h) ? 1 : 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        Out("caption=" + Quote(WindowText(h)) + " class=" + ClassOf(h) + buf);
    } else if (cmd == "controls") {
        Need(a, 2);
        int tab = 0;
        for (HWND c : Children(Window(a[1]))) {
            bool stop = (GetWindowLongA(c, GWL_STYLE) & WS_TABSTOP) != 0;
            Out(Describe(c, stop ? tab++ : -1));
        }
    } else if (cmd == "text") {
        Need(a, 3);
        Out(WindowText(Control(Window(a[1]), a[2])));
    } else if (cmd == "focus") {
        Need(a, 2);
        HWND w = Window(a[1]);
        HWND f = FocusOf(w);
        Out(f == w ? std::string("form") : "name=" + NameOf(f) + " class=" + ClassOf(f) + " text=" + Quote(WindowText(f)));
    } else if (cmd == "waittext") {
        Need(a, 4);
        HWND c = Control(Window(a[1]), a[2]);
        const DWORD limit = Millis(a, 4), start = GetTickCount();
        // No pause between reads: each read waits until the program handles messages,
        // so one is always pending and the first moment the text holds is seen.
        while (WindowTextOnce(c) != a[3]) {
            if (GetTickCount() - start >= limit) Fail("text never became " + Quote(a[3]));
        }
        Out("text " + Quote(a[3]));
    } else if (cmd == "waitchange") {
        Need(a, 4);
        HWND c = Control(Window(a[1]), a[2]);
        const DWORD limit = Millis(a, 4), start = GetTickCount();
        std::string now;
        while ((now = WindowTextOnce(c)) == a[3]) {
            if (GetTickCount() - start >= limit) Fail("text stayed " + Quote(a[3]));
        }
        Out("text " + Quote(now));
    } else if (cmd == "clickwhen") {
        Need(a, 5);
        HWND w = Window(a[1]);
        HWND c = Control(w, a[2]), button = Control(w, a[4]);
        const DWORD limit = Millis(a, 5), start = GetTickCount();
        while (WindowTextOnce(c) != a[3]) {
            if (GetTickCount() - start >= limit) Fail("text never became " + Quote(a[3]));
        }
        PostMessageA(button, BM_CLICK, 0, 0);
        Out("clicked at " + Quote(a[3]));
    } else if (cmd == "position") {
        Need(a, 3);
        DWORD_PTR pos = 0;
        SendMessageTimeoutA(Control(Window(a[1]), a[2]), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 2000, &pos);
        Out(std::to_string(pos));
    } else if (cmd == "click") {
        Need(a, 3);
        PostMessageA(Control(Window(a[1]), a[2]), BM_CLICK, 0, 0);
        Out("clicked");
    } else if (cmd == "mouse") {
        Need(a, 3);
        HWND c = Control(Window(a[1]), a[2]);
        RECT r;
        GetClientRect(c, &r);
        LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
        PostMessageA(c, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA(c, WM_LBUTTONUP, 0, at);
        Out("clicked");
    } else if (cmd == "key") {
        Need(a, 3);
        HWND target = FocusOf(Window(a[1]));
        std::string k = a[2];
        bool alt = k.rfind("alt-", 0) == 0;
        if (alt) k = k.substr(4);
        if (k == "enter") PostKey(target, VK_RETURN, alt);
        else if (k == "escape") PostKey(target, VK_ESCAPE, alt);
        else if (k == "tab") PostKey(target, VK_TAB, alt);
        else if (k == "space") PostKey(target, VK_SPACE, alt);
        else if (k == "f4") PostKey(target, VK_F4, alt);
        else if (k == "shift-tab") {
            // Shift's state is read from the keyboard, so it cannot be posted; press it.
            keybd_event(VK_SHIFT, 0, 0, 0);
            PostKey(target, VK_TAB, false);
            Sleep(200);
            keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
        } else throw std::invalid_argument("unknown key " + k);
        Out("key " + a[2]);
    } else if (cmd == "close") {
        Need(a, 2);
        PostMessageA(Window(a[1]), WM_SYSCOMMAND, SC_CLOSE, 0);
        Out("close");
    } else if (cmd == "type") {
        Need(a, 4);
        std::wstring w = Wide(a[3]);
        DWORD_PTR r = 0;
        SendMessageTimeoutW(Control(Window(a[1]), a[2]), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(w.c_str()),
                            SMTO_ABORTIFHUNG, 2000, &r);
        Out("typed");
    } else if (cmd == "items") {
        Need(a, 3);
        HWND c = Control(Window(a[1]), a[2]);
        bool combo = IsCombo(c);
        LRESULT count = SendMessageW(c, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            LRESULT len = SendMessageW(c, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, i, 0);
            std::wstring w(static_cast<size_t>(len < 0 ? 0 : len) + 1, L'\0');
            LRESULT got = SendMessageW(c, combo ? CB_GETLBTEXT : LB_GETTEXT, i, reinterpret_cast<LPARAM>(&w[0]));
            w.resize(static_cast<size_t>(got < 0 ? 0 : got));
            Out("item " + std::to_string(i) + " " + Quote(Narrow(w)));
        }
        Out("selected " + std::to_string(SendMessageW(c, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0)));
    } else if (cmd == "pick" || cmd == "open") {
        Need(a, 4);
        HWND c = Control(Window(a[1]), a[2]);
        WPARAM index = std::strtoul(a[3].c_str(), nullptr, 10);
        WORD id = static_cast<WORD>(GetDlgCtrlID(c));
        HWND parent = GetParent(c);
        if (IsCombo(c)) {
            SendMessageW(c, CB_SETCURSEL, index, 0);
            PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(c));
        } else {
            SendMessageW(c, LB_SETCURSEL, index, 0);
            PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(c));
            if (cmd == "open")
                PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, LBN_DBLCLK), reinterpret_cast<LPARAM>(c));
        }
        Out(cmd == "pick" ? "picked" : "opened");
    } else if (cmd == "dialog" || cmd == "answer") {
        Need(a, cmd == "dialog" ? 2 : 3);
        HWND d = WaitFor(Millis(a, cmd == "dialog" ? 2 : 3), [&] { return FindOwned(a[1]); });
        if (!d) Fail("no dialog owned by " + Quote(a[1]));
        if (cmd == "dialog") {
            Out("caption=" + Quote(WindowText(d)) + " class=" + ClassOf(d));
            for (HWND c : Children(d)) {
                std::string t = WindowText(c);
                if (!IsWindowVisible(c) || t.empty()) continue;
                bool button = _stricmp(ClassOf(c).c_str(), "Button") == 0;
                Out(std::string(button ? "button " : "text ") + Quote(t));
            }
        } else {
            PostMessageA(Control(d, a[2]), BM_CLICK, 0, 0);
            Out("answered " + Quote(a[2]));
        }
    } else if (cmd == "answerthen") {
        Need(a, 5);
        HWND c = Control(Window(a[1]), a[3]);
        const DWORD limit = Millis(a, 5);
        HWND d = WaitFor(limit, [&] { return FindOwned(a[1]); });
        if (!d) Fail("no dialog owned by " + Quote(a[1]));
        PostMessageA(Control(d, a[2]), BM_CLICK, 0, 0);
        const DWORD start = GetTickCount();
        while (WindowTextOnce(c) != a[4]) {
            if (GetTickCount() - start >= limit) Fail("text never became " + Quote(a[4]));
        }
        Out("answered " + Quote(a[2]) + ", then text " + Quote(a[4]));
    } else if (cmd == "unseen") {
        Need(a, 2);
        Out("watching");
        const DWORD limit = Millis(a, 2), start = GetTickCount();
        std::vector<DWORD> ids;
        while ((ids = ProcessesNamed(a[1])).empty()) {
            if (GetTickCount() - start >= limit) Fail("no process " + Quote(a[1]) + " started");
            Sleep(5);
        }
        std::vector<HWND> hidden;
        unsigned polls = 0;
        for (; !ids.empty(); ids = ProcessesNamed(a[1])) {
            ProcessWindows found{&ids, {}, {}};
            EnumWindows(CollectOfProcesses, reinterpret_cast<LPARAM>(&found));
            ++polls;
            if (!found.visible.empty()) {
                HWND w = found.visible.front();
                Fail("a window of " + a[1] + " is shown: " + Quote(WindowText(w)) + " class " + ClassOf(w));
            }
            for (HWND h : found.hidden)
                if (std::find(hidden.begin(), hidden.end(), h) == hidden.end()) hidden.push_back(h);
            if (GetTickCount() - start >= limit) Fail(a[1] + " still runs");
            Sleep(5);
        }
        Out("no window shown in " + std::to_string(polls) + " polls; hidden top-level windows: " +
            std::to_string(hidden.size()));
    } else if (cmd == "sleep") {
        Need(a, 2);
        Sleep(Millis(a, 1));
    } else {
        throw std::invalid_argument("unknown command " + cmd);
    }
}

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> words;
    std::string w;
    bool quoted = false, any = false;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (quoted) {
            if (c == '\\' && i + 1 < line.size()) w += line[++i];
            else if (c == '"') quoted = false;
            else w += c;
        } else if (c == '"') {
            quoted = any = true;
        } else if (c == ' ' || c == '\t' || c == '\r') {
            if (any) words.push_back(w);
            w.clear();
            any = false;
        } else {
            w += c;
            any = true;
        }
    }
    if (any) words.push_back(w);
    return words;
}

int Execute(const std::vector<std::string>& args) {
    try {
        Run(args);
        return 0;
    } catch (const Failure& f) {
        Out("FAIL " + f.message);
        return 1;
    } catch (const std::exception& e) {
        Out("USAGE " + std::string(e.what()));
        return 2;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        Out("usage: uidriver COMMAND ARGS... | uidriver - (commands on standard input)");
        return 2;
    }
    if (std::string(argv[1]) == "-") {
        std::string line;
        while (std::getline(std::cin, line)) {
            std::vector<std::string> words = Split(line);
            if (words.empty() || words[0][0] == '#') continue;
            Out("> " + line);
            if (int rc = Execute(words)) return rc;
        }
        return 0;
    }
    return Execute(std::vector<std::string>(argv + 1, argv + argc));
}
