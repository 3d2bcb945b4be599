#include "tools/quillox/SystemPath.h"

std::string SystemPath(const std::string& utf8) { return utf8; }
