// The LZH method on the codec's byte channel, compressing. Each run allocates its own
// working storage and releases it on every way out.
#include <memory>

#include "codec/LZHEncoder.h"
#include "codec/Methods.h"

void CompressLZH(TCompThreadSafety& s) {
    auto encoder = std::make_unique<lzh::TLZHEncoder<TCompThreadSafety>>(s);
    encoder->Compress();
}
