#include "installer/SetupIni.h"

// The Windows file system matches names without regard to case by itself.
std::string SetupIniPath(const std::string& TargetDir) { return TargetDir + "\\setup.ini"; }
