// Stored copy and run-length method.
#include "codec/Methods.h"

namespace {
constexpr uint8_t kRunMarker = 0x94;
}

// Byte by byte in effect: the bytes already in the channel's input buffer pass on as
// one run, which writes them exactly as WriteByte would one at a time; refills (and
// every byte while descrambling) go through ReadByte.
void CopyStored(TCompThreadSafety& s) {
    for (;;) {
        const uint8_t* first = nullptr;
        const uint8_t* last = nullptr;
        s.PeekInput(first, last);
        if (first != last) {
            s.TakeInputTo(last);
            s.WriteBytes(first, static_cast<size_t>(last - first));
            continue;
        }
        const int b = s.ReadByte();
        if (s.EndOfInput) return;
        s.WriteByte(static_cast<uint8_t>(b));
    }
}

void EmitRun(TCompThreadSafety& s, int32_t n, uint8_t c) {
    if (n == 1 || n == 2) {
        for (int32_t i = 1; i < n; ++i) s.WriteByte(c);
    } else {
        s.WriteByte(kRunMarker);
        s.WriteByte(static_cast<uint8_t>(n));
    }
}

// The first byte of a run is written as a literal and the second starts the count;
// the run is settled by a different byte, its 256th byte or the end of input.
void PackRuns(TCompThreadSafety& s) {
    for (;;) {
        const auto b = static_cast<uint8_t>(s.ReadByte());
        if (s.EndOfInput) break;
        if (s.InRun) {
            if (b == s.LastByte && s.RunCount < 255) {
                ++s.RunCount;
            } else {
                EmitRun(s, s.RunCount, s.LastByte);
                s.LastByte = b;
                if (b == kRunMarker)
                    EmitRun(s, 0, kRunMarker);
                else
                    s.WriteByte(b);
                s.InRun = false;
            }
        } else {
            if (b == kRunMarker) {
                EmitRun(s, 0, b);
            } else if (b == s.LastByte && !s.RunStart) {
                s.RunCount = 2;
                s.InRun = true;
            } else {
                s.WriteByte(b);
            }
            s.LastByte = b;
        }
        s.RunStart = false;
    }
    if (s.InRun) EmitRun(s, s.RunCount, s.LastByte);
}

void UnpackRuns(TCompThreadSafety& s) {
    for (;;) {
        const auto a = static_cast<uint8_t>(s.ReadByte());
        if (s.EndOfInput) return;
        if (a == kRunMarker) {
            int n = s.ReadByte();
            if (s.EndOfInput) {  // a marker needs its count byte
                s.ReportInputOverrun();
                n = 0;
            }
            if (n == 0) {
                s.WriteByte(kRunMarker);
            } else {
                s.RunCount = n - 1;
                for (int32_t i = 0; i < s.RunCount; ++i) s.WriteByte(s.LastByte);
            }
        } else {
            s.WriteByte(a);
        }
        s.LastByte = a;
    }
}
