#include "codec/Codec.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "codec/Methods.h"
#include "runtime/Platform.h"
#include "runtime/Stream.h"

namespace {
// Raised by the byte channel when an expanding method would write past the expanded
// size; RunMethod ends the method there.
struct TOutputFull {};

// A machine word at a time: the even and odd bytes of each word add up in 16-bit lanes,
// which cannot overflow within the 128 words summed between folds. The word is the
// machine's own (4 bytes in the 32-bit build), so that no step needs a register pair;
// TVX_CODEC_WORD names another, so that each width is tested on any machine.
uint32_t ByteSum(const uint8_t* from, const uint8_t* to) {
#ifdef TVX_CODEC_WORD
    using TWord = TVX_CODEC_WORD;
#else
    using TWord = uintptr_t;
#endif
    constexpr size_t kWord = sizeof(TWord);
    constexpr TWord kLanes = static_cast<TWord>(0x00FF00FF00FF00FFull);
    constexpr TWord kPairs = static_cast<TWord>(0x0000FFFF0000FFFFull);
    uint32_t sum = 0;
    while (static_cast<size_t>(to - from) >= kWord) {
        TWord lanes = 0;
        for (int k = 0; k < 128 && static_cast<size_t>(to - from) >= kWord; ++k, from += kWord) {
            TWord v;
            std::memcpy(&v, from, kWord);
            lanes += (v & kLanes) + ((v >> 8) & kLanes);
        }
        // Two or four 16-bit lane sums; each 32-bit half holds two of them at most.
        lanes = (lanes & kPairs) + ((lanes >> 16) & kPairs);
        for (size_t half = 0; half < kWord; half += 4)
            sum += static_cast<uint32_t>(lanes >> (8 * half));
    }
    for (; from < to; ++from) sum += *from;
    return sum;
}
}  // namespace

int32_t TCompThreadSafety::RunMethod(TStream& source, TStream& dest, int methodIndex,
                                     TRunDirection direction, bool descramble,
                                     int32_t expandedSize, int32_t sourceSize, int32_t& checksum,
                                     int32_t key, int32_t compressionMargin,
                                     const TShowProgressEvent& onShowProgress) {
    progress_ = onShowProgress ? &onShowProgress : nullptr;
    stopped_ = false;
    inputOverrun_ = false;
    outputOverrun_ = false;
    if (progress_) {
        int32_t pct = 0;
        (*progress_)(pct);
        if (pct == -1) {
            stopped_ = true;
            return 0;
        }
    }

    struct ReleaseOnExit {
        TCompThreadSafety& s;
        ~ReleaseOnExit() { s.Release(); }
    } guard{*this};

    const bool expanding = direction == TRunDirection::Expand;
    expanding_ = expanding;
    source_ = &source;
    dest_ = &dest;
    inBuf_ = std::make_unique<uint8_t[]>(kChannelBufferSize);
    outBuf_ = std::make_unique<uint8_t[]>(kChannelBufferSize);
    inCursor_ = inEnd_ = inSumFrom_ = inBuf_.get();
    outCursor_ = outSyncFrom_ = outBuf_.get();
    outEnd_ = outBuf_.get() + kChannelBufferSize;

    EndOfInput = false;
    RunStart = true;
    LastByte = 0;
    InRun = false;
    RunCount = 0;
    inputRemaining_ = sourceSize;
    readChunk_ = kChannelBufferSize;
    inputSum_ = outputSum_ = 0;
    bytesRead_ = 0;

    outputBudget_ = expanding ? std::max<int32_t>(expandedSize, 0)
                              : static_cast<int32_t>(static_cast<uint32_t>(sourceSize) -
                                                     static_cast<uint32_t>(compressionMargin));
    scrambleOutput_ = !expanding && key != 0;
    descrambleInput_ = expanding && key != 0 && descramble;
    const auto k = static_cast<uint32_t>(key);
    for (int i = 0; i < 4; ++i) keyBytes_[i] = static_cast<uint8_t>(k >> (8 * i));
    keyIndex_ = 0;
    outputCounter_ = 0;
    UpdateFastLimits();

    if (expanding) {
        try {
            switch (methodIndex) {
                case 0: CopyStored(*this); break;
                case 1: UnpackRuns(*this); break;
                case 2: ExpandLZH(*this, expandedSize); break;
                case 4: ExpandLH5(*this, expandedSize); break;
                default: break;
            }
        } catch (const TOutputFull&) {
            outputOverrun_ = true;
        }
    } else {
        switch (methodIndex) {
            case 0: CopyStored(*this); break;
            case 1: PackRuns(*this); break;
            case 2: CompressLZH(*this); break;
            case 4: CompressLH5(*this); break;
            default: break;
        }
    }

    SyncOutput();
    SumInput();
    checksum = static_cast<int32_t>(expanding ? outputSum_ : inputSum_);
    if (outCursor_ > outBuf_.get())
        dest_->WriteBuffer(outBuf_.get(), static_cast<int32_t>(outCursor_ - outBuf_.get()));
    Release();
    if (progress_) {
        int32_t pct = 100;
        (*progress_)(pct);
    }
    return outputCounter_;
}

void TCompThreadSafety::Release() {
    inBuf_.reset();
    outBuf_.reset();
    inCursor_ = inEnd_ = inFastEnd_ = inSumFrom_ = nullptr;
    outCursor_ = outEnd_ = outFastEnd_ = outSyncFrom_ = nullptr;
    source_ = dest_ = nullptr;
}

void TCompThreadSafety::UpdateFastLimits() {
    inFastEnd_ = descrambleInput_ ? inCursor_ : inEnd_;
    SyncOutput();
    if (scrambleOutput_ || outputBudget_ <= 0) {
        outFastEnd_ = outCursor_;
    } else {
        const auto room = static_cast<int32_t>(outEnd_ - outCursor_);
        outFastEnd_ = outCursor_ + std::min(room, outputBudget_);
    }
}

void TCompThreadSafety::SyncOutput() {
    const auto n = static_cast<int32_t>(outCursor_ - outSyncFrom_);
    if (n == 0) return;
    outputSum_ += ByteSum(outSyncFrom_, outCursor_);
    outputCounter_ += n;
    outputBudget_ -= n;
    outSyncFrom_ = outCursor_;
}

int TCompThreadSafety::ReadByteSlow() {
    if (inCursor_ >= inEnd_) {
        const int r = Refill();
        if (r != 1) return 0;
    }
    const uint8_t b = *inCursor_++;
    if (descrambleInput_) {
        inFastEnd_ = inCursor_;
        return Scramble(b);
    }
    return b;
}

// Only compressing reports the sum of what it read; expanding reports the sum of what
// it wrote, so its input is not summed at all.
void TCompThreadSafety::SumInput() {
    if (!expanding_) inputSum_ += ByteSum(inSumFrom_, inCursor_);
    inSumFrom_ = inCursor_;
}

int TCompThreadSafety::Refill() {
    SumInput();
    EndOfInput = true;
    if (inputRemaining_ <= 0) return 0;
    if (inputRemaining_ < readChunk_) readChunk_ = inputRemaining_;
    const int32_t count = source_->Read(inBuf_.get(), readChunk_);
    if (count <= 0) return 0;
    inputRemaining_ -= count;
    inSumFrom_ = inCursor_ = inBuf_.get();
    inEnd_ = inBuf_.get() + count;
    inFastEnd_ = descrambleInput_ ? inCursor_ : inEnd_;
    if (progress_) {
        bytesRead_ += count;
        int32_t pct = ProgressPercent(bytesRead_, bytesRead_ + inputRemaining_);
        (*progress_)(pct);
        if (pct == -1) {
            stopped_ = true;
            return -1;
        }
    }
    platform::YieldTimeSlice();
    EndOfInput = false;
    return 1;
}

void TCompThreadSafety::WriteByteSlow(uint8_t b) {
    SyncOutput();
    if (outputBudget_ <= 0) {
        if (expanding_) throw TOutputFull();
        throw EUnableToCompress();
    }
    if (outCursor_ == outEnd_) Flush();
    if (scrambleOutput_) b = Scramble(b);
    *outCursor_++ = b;
    UpdateFastLimits();
}

void TCompThreadSafety::Flush() {
    platform::YieldTimeSlice();
    dest_->WriteBuffer(outBuf_.get(), kChannelBufferSize);
    outCursor_ = outSyncFrom_ = outBuf_.get();
}

void TCompThreadSafety::WriteBytes(const uint8_t* bytes, size_t n) {
    while (n > 0) {
        const auto room = static_cast<size_t>(outFastEnd_ - outCursor_);
        if (room == 0) {
            WriteByteSlow(*bytes++);
            --n;
            continue;
        }
        const size_t k = std::min(room, n);
        std::memcpy(outCursor_, bytes, k);
        outCursor_ += k;
        bytes += k;
        n -= k;
    }
}
