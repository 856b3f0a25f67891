#include "platform/dostime.h"

#include <algorithm>

namespace dovex {

std::uint32_t packDosDateTime(const DosDateTimeParts& p)
{
    if (p.year < 1980)
        return (1u << 5 | 1u) << 16; // 1980-01-01 00:00:00
    if (p.year > 2107)
        return ((127u << 9) | (12u << 5) | 31u) << 16 | (23u << 11) | (59u << 5) | 29u;
    const std::uint32_t date = std::uint32_t(p.year - 1980) << 9 |
                               std::uint32_t(std::clamp(p.month, 1, 12)) << 5 |
                               std::uint32_t(std::clamp(p.day, 1, 31));
    const std::uint32_t time = std::uint32_t(std::clamp(p.hour, 0, 23)) << 11 |
                               std::uint32_t(std::clamp(p.minute, 0, 59)) << 5 |
                               std::uint32_t(std::clamp(p.second, 0, 59) / 2);
    return date << 16 | time;
}

DosDateTimeParts unpackDosDateTime(std::uint32_t packed)
{
    const std::uint32_t date = packed >> 16;
    const std::uint32_t time = packed & 0xFFFF;
    DosDateTimeParts p;
    p.year = int(date >> 9) + 1980;
    p.month = int(date >> 5 & 0x0F);
    p.day = int(date & 0x1F);
    p.hour = int(time >> 11);
    p.minute = int(time >> 5 & 0x3F);
    p.second = int(time & 0x1F) * 2;
    return p;
}

DosDateTimeParts unpackValidDosDateTime(std::uint32_t packed)
{
    static constexpr int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    DosDateTimeParts p = unpackDosDateTime(packed);
    p.month = std::clamp(p.month, 1, 12);
    const bool leap = p.year % 4 == 0 && (p.year % 100 != 0 || p.year % 400 == 0);
    const int days = p.month == 2 && !leap ? 28 : kDays[p.month - 1];
    p.day = std::clamp(p.day, 1, days);
    p.hour = std::min(p.hour, 23);
    p.minute = std::min(p.minute, 59);
    p.second = std::min(p.second, 58);
    return p;
}

std::uint32_t dosDateTimeFromUnix(std::time_t t)
{
    std::tm tm{};
    if (!localtime_r(&t, &tm))
        return packDosDateTime({});
    return packDosDateTime(
        {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec});
}

std::time_t unixFromDosDateTime(std::uint32_t packed)
{
    const DosDateTimeParts p = unpackDosDateTime(packed);
    std::tm tm{};
    tm.tm_year = p.year - 1900;
    tm.tm_mon = p.month - 1;
    tm.tm_mday = p.day;
    tm.tm_hour = p.hour;
    tm.tm_min = p.minute;
    tm.tm_sec = p.second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

} // namespace dovex
