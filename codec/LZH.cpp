// LZH method: not built yet.
#include "codec/Methods.h"

void ExpandLZH(TCompThreadSafety&, int32_t) {}
void CompressLZH(TCompThreadSafety&) {}
