// Shows the welcome page modally and prints its modal result.
// Usage: welcome_host [WELCOMEFILE]
#include "windows/uWelcome.h"

#include <cstdio>

int main(int argc, char** argv) {
    Application.Initialize();
    Application.Title = "Tellivox";
    auto page = NewForm<TfrmWelcome>(nullptr);
    if (argc > 1) page->WelcomeFile = argv[1];
    int result = page->ShowModal();
    std::printf("ModalResult=%d\n", result);
    std::fflush(stdout);
    return 0;
}
