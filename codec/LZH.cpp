// The LZH method on the codec's byte channel, expanding (the compressing half is
// LZHCompress.cpp, so that a program that only expands links no encoder). Each run
// allocates its own working storage and releases it on every way out.
#include <memory>

#include "codec/LZHDecoder.h"
#include "codec/Methods.h"

void ExpandLZH(TCompThreadSafety& s, int32_t expandedSize) {
    if (expandedSize <= 0) return;
    auto decoder = std::make_unique<lzh::TLZHDecoder<TCompThreadSafety>>(s);
    if (!decoder->Expand(expandedSize)) s.ReportInputOverrun();
}
