// Late binding of the system libraries (see SystemLibraries.h).
#include "runtime/Exception.h"  // before <windows.h>, whose FormatMessage macro it must not see

#include "runtime/SystemLibraries.h"

#include <string>

namespace platform {

namespace {

// Not declared for the oldest Windows we build for; the values are the system's.
constexpr DWORD kLoadLibrarySearchSystem32 = 0x00000800;

// The address of an exported function, as the caller's function-pointer type.
template <typename F>
F Lookup(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::string SystemFolderPath(const char* name) {
    char folder[MAX_PATH + 1];
    const UINT n = GetSystemDirectoryA(folder, sizeof folder);
    if (n == 0 || n >= sizeof folder)
        throw Exception(std::string("Cannot load the system library ") + name);
    std::string path(folder, n);
    if (path.back() != '\\') path += '\\';
    return path + name;
}

// A library loaded by LoadSystemLibrary, and the lookups of its functions.
class Library {
public:
    explicit Library(const char* name) : path_(SystemFolderPath(name)) {
        module_ = LoadLibraryExA(path_.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (!module_) throw Exception("Cannot load the system library " + path_);
    }
    HMODULE Module() const { return module_; }
    template <typename F>
    void Need(F& f, const char* name) const {
        f = Lookup<F>(module_, name);
        if (!f) throw Exception("The system library " + path_ + " lacks " + name);
    }
    template <typename F>
    void Optional(F& f, const char* name) const {
        f = Lookup<F>(module_, name);
    }

private:
    std::string path_;
    HMODULE module_;
};

}  // namespace

void RestrictLibrarySearch() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel) return;
    if (auto setDefault = Lookup<BOOL(WINAPI*)(DWORD)>(kernel, "SetDefaultDllDirectories"))
        if (setDefault(kLoadLibrarySearchSystem32)) return;
    if (auto setDirectory = Lookup<BOOL(WINAPI*)(LPCSTR)>(kernel, "SetDllDirectoryA"))
        setDirectory("");
}

HMODULE LoadSystemLibrary(const char* name) { return Library(name).Module(); }

const Comctl32Functions& Comctl32() {
    static const Comctl32Functions functions = [] {
        const Library lib("comctl32.dll");
        Comctl32Functions f{};
        lib.Need(f.InitCommonControls, "InitCommonControls");
        lib.Optional(f.InitCommonControlsEx, "InitCommonControlsEx");
        lib.Need(f.ImageList_Draw, "ImageList_Draw");
        return f;
    }();
    return functions;
}

const Shell32Functions& Shell32() {
    static const Shell32Functions functions = [] {
        const Library lib("shell32.dll");
        Shell32Functions f{};
        lib.Need(f.SHGetFileInfoA, "SHGetFileInfoA");
        lib.Need(f.ShellExecuteA, "ShellExecuteA");
        return f;
    }();
    return functions;
}

const Advapi32Functions& Advapi32() {
    static const Advapi32Functions functions = [] {
        const Library lib("advapi32.dll");
        Advapi32Functions f{};
        lib.Need(f.RegOpenKeyExA, "RegOpenKeyExA");
        lib.Need(f.RegQueryValueExA, "RegQueryValueExA");
        lib.Need(f.RegCloseKey, "RegCloseKey");
        return f;
    }();
    return functions;
}

const char* RichEditClass() {
    static const char* const name = [] {
        try {
            LoadSystemLibrary("riched20.dll");
            return "RichEdit20A";
        } catch (const Exception&) {
            LoadSystemLibrary("riched32.dll");
            return "RICHEDIT";
        }
    }();
    return name;
}

void LoadSystemLibraries() {
    Comctl32();
    Shell32();
    Advapi32();
    RichEditClass();
}

void InitCommonControlClasses() {
    const Comctl32Functions* f = nullptr;
    try {
        f = &Comctl32();
    } catch (const Exception&) {
        return;
    }
    if (f->InitCommonControlsEx) {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
        if (f->InitCommonControlsEx(&icc)) return;
    }
    f->InitCommonControls();
}

}  // namespace platform
