#include "tools/quillox/Commands.h"

int RunArchiveCommand(const std::string&, const Args&) {
    PrintUsage();
    return 2;
}
