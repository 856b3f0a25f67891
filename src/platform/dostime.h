#pragma once

#include <cstdint>
#include <ctime>

namespace dovex {

// DOS packed date/time: date in the high 16 bits (year-1980 in 9..15, month in
// 5..8, day in 0..4), time in the low 16 bits (hour 11..15, minute 5..10,
// seconds/2 in 0..4).
struct DosDateTimeParts {
    int year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

// Packs a local time; years outside 1980..2107 are clamped to the range.
std::uint32_t packDosDateTime(const DosDateTimeParts& parts);
// The fields as stored, impossible ones (month 0, day 31 in April, hour 25)
// included.
DosDateTimeParts unpackDosDateTime(std::uint32_t packed);
// The nearest real date and time: each field is brought into its range (a
// zero value reads as 1980-01-01 00:00:00), for texts that must name one.
DosDateTimeParts unpackValidDosDateTime(std::uint32_t packed);

// The DOS date/time of a Unix time, taken in the local time zone.
std::uint32_t dosDateTimeFromUnix(std::time_t t);
// The Unix time of a DOS date/time read as local time.
std::time_t unixFromDosDateTime(std::uint32_t packed);

} // namespace dovex
