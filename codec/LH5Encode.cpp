// LH5 encoder: not built yet.
#include "codec/Methods.h"

void CompressLH5(TCompThreadSafety&) {}
