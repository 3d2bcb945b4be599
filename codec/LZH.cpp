// The LZH method on the codec's byte channel. Each run allocates its own working
// storage and releases it on every way out.
#include <memory>

#include "codec/LZHDecoder.h"
#include "codec/LZHEncoder.h"
#include "codec/Methods.h"

void ExpandLZH(TCompThreadSafety& s, int32_t expandedSize) {
    if (expandedSize <= 0) return;
    auto decoder = std::make_unique<lzh::TLZHDecoder<TCompThreadSafety>>(s);
    if (!decoder->Expand(expandedSize)) s.ReportInputOverrun();
}

void CompressLZH(TCompThreadSafety& s) {
    auto encoder = std::make_unique<lzh::TLZHEncoder<TCompThreadSafety>>(s);
    encoder->Compress();
}
