// Keeps an expansion inside its target folder. An OnCheckFile handler passes each
// file path through TPathGuard::Check, which answers the path to write, or an empty
// path (skip the entry) for a stored path that would land outside the folder.
#pragma once

#include <string>

// True when a stored path, taken relative to a folder, stays inside it: not empty, no
// leading separator, no drive letter or other colon, no control characters, no
// component of dots and spaces only other than "." (Windows trims trailing dots and
// spaces, so ".. " would be ".."), and no Windows device name (NamesWindowsDevice).
bool IsConfinedStoredPath(const std::string& stored);

// Why a writer must not store this path, or nullptr when it may: the rules of
// IsConfinedStoredPath (a Windows device name, a colon, a control character, a
// component of dots and blanks only), and also no empty and no "." component, which
// readers would turn into another path. One or two leading backslashes are allowed
// (a path from a drive's root, a network path): the application names such a path
// on purpose, and a reader expands it only when asked to. The text names the fault
// for a message, such as "a Windows device name".
const char* StoredPathFault(const std::string& stored);

// True when a component of the path ('\' or '/' separated) names a Windows device:
// NUL, CON, AUX, PRN, COM1-COM9, LPT1-LPT9 (also with the superscript digits 1-3 of
// the ANSI code page), CONIN$ or CONOUT$, in any letter case, with or without an
// extension, with trailing dots or blanks. Windows opens the device for such a name in
// every folder, so writing it would discard the data or print it.
bool NamesWindowsDevice(const std::string& path);

class TPathGuard {
public:
    // targetPath: the component's TargetPath (empty, or ending in a backslash).
    // allowAbsolute: pass every path unchanged (the caller trusts the archive).
    TPathGuard(std::string targetPath, bool allowAbsolute)
        : target_(std::move(targetPath)), allowAbsolute_(allowAbsolute) {}

    // F as the component offers it to OnCheckFile (TargetPath + stored path, or an
    // absolute stored path unchanged). Returns F when it is safe, else "". A Windows
    // device name is refused also when absolute paths are allowed.
    std::string Check(const std::string& f) const;

    // The stored path that F was made from.
    std::string StoredPathOf(const std::string& f) const;

private:
    std::string target_;
    bool allowAbsolute_;
};
