#include "codec/LZHTree.h"

#include <cstring>

namespace lzh {

void TAdaptiveTree::StartAdaptiveTree() {
    for (int s = 0; s < kSymbolCount; ++s) {
        frequency[s] = 1;
        childSlot[s] = static_cast<uint16_t>(kSlotCount + s);
        parentSlot[kSlotCount + s] = static_cast<uint16_t>(s);
    }
    for (int i = 0, j = kSymbolCount; j < kSlotCount; i += 2, ++j) {
        frequency[j] = static_cast<uint16_t>(frequency[i] + frequency[i + 1]);
        childSlot[j] = static_cast<uint16_t>(i);
        parentSlot[i] = parentSlot[i + 1] = static_cast<uint16_t>(j);
    }
    for (int i = kSlotCount; i < kSlotCount + 4; ++i) frequency[i] = 0xFFFF;
    parentSlot[kRootSlot] = 0;
}

void TAdaptiveTree::RebuildAdaptiveTree() {
    // Leaves first, in slot order, at slots 0..313.
    int j = 0;
    for (int i = 0; i < kSlotCount; ++i) {
        if (childSlot[i] >= kSlotCount) {
            frequency[j] = static_cast<uint16_t>((frequency[i] + 1) / 2);
            childSlot[j] = childSlot[i];
            ++j;
        }
    }
    // Pair neighbours bottom-up, each new inner slot inserted where its count keeps the
    // order (after any equal counts).
    for (int i = 0; j < kSlotCount; i += 2, ++j) {
        const auto f = static_cast<uint16_t>(frequency[i] + frequency[i + 1]);
        int k = j - 1;
        while (frequency[k] > f) --k;
        ++k;
        const size_t moved = static_cast<size_t>(j - k);
        std::memmove(&frequency[k + 1], &frequency[k], moved * sizeof frequency[0]);
        std::memmove(&childSlot[k + 1], &childSlot[k], moved * sizeof childSlot[0]);
        frequency[k] = f;
        childSlot[k] = static_cast<uint16_t>(i);
    }
    for (int i = 0; i < kSlotCount; ++i) {
        const int k = childSlot[i];
        if (k >= kSlotCount) {
            parentSlot[k] = static_cast<uint16_t>(i);
        } else {
            parentSlot[k] = parentSlot[k + 1] = static_cast<uint16_t>(i);
        }
    }
}

}  // namespace lzh
