// TUiPacer: how often the extraction's event handlers do their costly window work.
//
// The component reports progress after every 8192 bytes it reads, hundreds of times a
// second. Painting the progress bar and looking into the message queue each cost far
// more than expanding those bytes (a themed bar is repainted at once when its value
// changes; under Wine every look into the queue is a round trip to another process), so
// the handlers ask the pacer first:
// - the bar takes 100 at once, so the end of every entry shows (the welcome page opens
//   over a full bar), and any other new value when it was last set at least intervalMs
//   ago; an unchanged value is never set again. A large entry's own values follow its
//   predecessor's 100 within the interval, so the bar visibly starts again;
// - pending messages are processed at an entry's first report after NewEntry (the
//   check-file handler has just changed the status line) and at its reports of 100,
//   so that the status of every entry can be seen and answered while it is current,
//   and otherwise when they were last processed at least intervalMs ago: a click on
//   Cancel is answered and the window repaints well within a moment.
// Times are in milliseconds from any clock that wraps at 2^32 (GetTickCount).
#pragma once

#include <cstdint>

class TUiPacer {
public:
    explicit TUiPacer(uint32_t intervalMs) : interval_(intervalMs) {}

    // Whether the bar, now showing `shown`, should be set to `value` at nowMs. A true
    // answer counts as setting it.
    bool BarDue(int32_t value, int32_t shown, uint32_t nowMs) {
        if (value == shown) return false;
        if (value != 100 && barSet_ && nowMs - barAt_ < interval_) return false;
        barSet_ = true;
        barAt_ = nowMs;
        return true;
    }

    // Whether pending messages should be processed at a report of `value` at nowMs. A
    // true answer counts as processing them.
    bool MessagesDue(int32_t value, uint32_t nowMs) {
        if (value != 100 && pumped_ && nowMs - pumpAt_ < interval_) return false;
        pumped_ = true;
        pumpAt_ = nowMs;
        return true;
    }

    // A new entry has begun: its first report processes messages.
    void NewEntry() { pumped_ = false; }

private:
    uint32_t interval_;
    uint32_t barAt_ = 0;
    uint32_t pumpAt_ = 0;
    bool barSet_ = false;
    bool pumped_ = false;
};
