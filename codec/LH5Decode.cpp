// LH5 decoder: not built yet.
#include "codec/Methods.h"

void ExpandLH5(TCompThreadSafety&, int32_t) {}
