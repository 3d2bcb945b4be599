// MS-DOS date/time values (high 16 bits the date, low 16 bits the time) as archives keep
// them: the range the form can hold and which values name a real moment.
#pragma once

#include <cstdint>

namespace dosdate {

// 1 January 1980, 00:00:00 and 31 December 2107, 23:59:58: the first and the last
// moment the form can hold.
constexpr int32_t kEarliest = static_cast<int32_t>(uint32_t{(1u << 5) | 1u} << 16);
constexpr int32_t kLatest = static_cast<int32_t>(
    uint32_t{(127u << 9) | (12u << 5) | 31u} << 16 | ((23u << 11) | (59u << 5) | 29u));

// True when the value names a moment that exists: month 1-12, a day that the month has
// in that year, hours 0-23, minutes 0-59, seconds 0-58.
inline bool IsReal(int32_t dosDateTime) {
    const auto v = static_cast<uint32_t>(dosDateTime);
    const uint32_t time = v & 0xFFFF, date = v >> 16;
    const uint32_t sec = (time & 0x1F) * 2, min = (time >> 5) & 0x3F, hour = time >> 11;
    const uint32_t day = date & 0x1F, month = (date >> 5) & 0x0F, year = (date >> 9) + 1980;
    if (sec > 59 || min > 59 || hour > 23 || month < 1 || month > 12 || day < 1) return false;
    static constexpr uint8_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + ((month == 2 && leap) ? 1u : 0u);
}

}  // namespace dosdate
