#include "tools/quillox/Commands.h"

int RunRawCommand(const Args&) {
    PrintUsage();
    return 2;
}
