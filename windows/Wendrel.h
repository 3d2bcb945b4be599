// TWendrel: opens a web address in the user's default web browser, which it finds
// through the registry's open command for web pages and starts itself.
#pragma once

#include <string>

enum TBrowserState { wdMaximized = 0, wdNormal = 1 };

// The fixed arguments of the browser command found by the latest successful
// GetBrowserPath; shared by all instances.
extern std::string BrowserArgs;

// The registry's open command for web pages: for ".HTM", ".HTML", ".SHTML", ".SHTM"
// in turn, the document class's shell\open\command, else the extension key's own
// shell\open\command. Empty when none is found. Keys are opened for reading only and
// every key opened is closed before it returns. A value longer than 1024 characters
// is cut there.
std::string ReadOpenCommand();

// The show command for a browser state: SW_SHOWMAXIMIZED, SW_SHOWNORMAL, else SW_HIDE.
int BrowserShowCommand(int state);

class TWendrel {
public:
    TWendrel();

    std::string Url;
    std::string EMail;         // stored only
    std::string EMailSubject;  // stored only
    TBrowserState BrowserState = wdMaximized;

    // Starts the browser with BrowserArgs, one blank and Url (unquoted), owned by the
    // application's main window, in the window state BrowserState names. True when
    // the browser was started; false when none was found or it could not be started.
    bool OpenUrl();
    // The browser's program path, or empty when none is found; also sets BrowserArgs
    // (left as it was when nothing is found).
    std::string GetBrowserPath();
};
