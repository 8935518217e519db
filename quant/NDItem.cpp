#include "quant/NDItem.h"

#include <bit>
#include <cstring>
#include <ctime>

namespace {

void PutU16(uint8_t*& p, uint16_t v)
{
    *p++ = static_cast<uint8_t>(v);
    *p++ = static_cast<uint8_t>(v >> 8);
}

void PutU32(uint8_t*& p, uint32_t v)
{
    PutU16(p, static_cast<uint16_t>(v));
    PutU16(p, static_cast<uint16_t>(v >> 16));
}

uint16_t GetU16(const uint8_t*& p)
{
    const uint16_t v = static_cast<uint16_t>(p[0] | (p[1] << 8));
    p += 2;
    return v;
}

uint32_t GetU32(const uint8_t*& p)
{
    const uint32_t lo = GetU16(p);
    return lo | (uint32_t(GetU16(p)) << 16);
}

}  // namespace

TNDItem ZeroNDItem()
{
    TNDItem item{};
    return item;
}

void SerializeNDItem(const TNDItem& item, uint8_t* out)
{
    uint8_t* p = out;
    std::memcpy(p, item.ItemName, sizeof item.ItemName);
    p += sizeof item.ItemName;
    std::memcpy(p, item.ItemNumber, sizeof item.ItemNumber);
    p += sizeof item.ItemNumber;
    PutU32(p, std::bit_cast<uint32_t>(item.AbsValue));
    PutU32(p, std::bit_cast<uint32_t>(item.QuartzMass));
    PutU32(p, std::bit_cast<uint32_t>(item.CorrMass));
    PutU32(p, static_cast<uint32_t>(item.MeasCount));
    const TNDSystemTime& d = item.MeasDate;
    for (uint16_t v : {d.Year, d.Month, d.DayOfWeek, d.Day, d.Hour, d.Minute, d.Second, d.Milliseconds})
        PutU16(p, v);
    std::memcpy(p, item.Remark, sizeof item.Remark);
    p += sizeof item.Remark;
    *p++ = item.Complete;
    *p++ = 0;
}

TNDItemBytes SerializeNDItem(const TNDItem& item)
{
    TNDItemBytes bytes{};
    SerializeNDItem(item, bytes.data());
    return bytes;
}

TNDItem DeserializeNDItem(const uint8_t* in)
{
    TNDItem item = ZeroNDItem();
    const uint8_t* p = in;
    std::memcpy(item.ItemName, p, sizeof item.ItemName);
    p += sizeof item.ItemName;
    std::memcpy(item.ItemNumber, p, sizeof item.ItemNumber);
    p += sizeof item.ItemNumber;
    item.AbsValue = std::bit_cast<float>(GetU32(p));
    item.QuartzMass = std::bit_cast<float>(GetU32(p));
    item.CorrMass = std::bit_cast<float>(GetU32(p));
    item.MeasCount = static_cast<int32_t>(GetU32(p));
    TNDSystemTime& d = item.MeasDate;
    for (uint16_t* f : {&d.Year, &d.Month, &d.DayOfWeek, &d.Day, &d.Hour, &d.Minute, &d.Second, &d.Milliseconds})
        *f = GetU16(p);
    std::memcpy(item.Remark, p, sizeof item.Remark);
    p += sizeof item.Remark;
    item.Complete = *p;
    // A record from a damaged file must still be usable as C strings.
    item.ItemName[sizeof item.ItemName - 1] = '\0';
    item.ItemNumber[sizeof item.ItemNumber - 1] = '\0';
    item.Remark[sizeof item.Remark - 1] = '\0';
    return item;
}

TNDSystemTime NDNow()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    localtime_r(&ts.tv_sec, &tm);
    TNDSystemTime t;
    t.Year = static_cast<uint16_t>(tm.tm_year + 1900);
    t.Month = static_cast<uint16_t>(tm.tm_mon + 1);
    t.DayOfWeek = static_cast<uint16_t>(tm.tm_wday);
    t.Day = static_cast<uint16_t>(tm.tm_mday);
    t.Hour = static_cast<uint16_t>(tm.tm_hour);
    t.Minute = static_cast<uint16_t>(tm.tm_min);
    t.Second = static_cast<uint16_t>(tm.tm_sec);
    t.Milliseconds = static_cast<uint16_t>(ts.tv_nsec / 1000000);
    return t;
}
