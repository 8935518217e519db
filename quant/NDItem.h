#pragma once
// One row of the quantitative table as it lies in memory and in working-curve
// files: 124 little-endian bytes. Like every stored record of the program it
// is written and read field by field, so neither the host's byte order nor
// its padding can reach a file.

#include <array>
#include <cstddef>
#include <cstdint>

// The platform's date-and-time record: eight unsigned 16-bit fields.
struct TNDSystemTime {
    uint16_t Year = 0;
    uint16_t Month = 0;
    uint16_t DayOfWeek = 0;  // 0 Sunday .. 6 Saturday
    uint16_t Day = 0;
    uint16_t Hour = 0;
    uint16_t Minute = 0;
    uint16_t Second = 0;
    uint16_t Milliseconds = 0;
};

struct TNDItem {
    char ItemName[20];    // GBK, NUL-terminated, at most 19 bytes
    char ItemNumber[20];  // GBK, NUL-terminated, at most 19 bytes
    float AbsValue;
    float QuartzMass;     // in the table's unit
    float CorrMass;       // in the table's unit
    int32_t MeasCount;
    TNDSystemTime MeasDate;
    char Remark[50];      // GBK, NUL-terminated, at most 49 bytes
    uint8_t Complete;     // 1 when Abs, quartz mass and corrected mass are numbers
    uint8_t Padding;      // written as 0
};

inline constexpr std::size_t NDItemSize = 124;

static_assert(sizeof(TNDSystemTime) == 16);
static_assert(sizeof(TNDItem) == NDItemSize);
static_assert(offsetof(TNDItem, ItemName) == 0);
static_assert(offsetof(TNDItem, ItemNumber) == 20);
static_assert(offsetof(TNDItem, AbsValue) == 40);
static_assert(offsetof(TNDItem, QuartzMass) == 44);
static_assert(offsetof(TNDItem, CorrMass) == 48);
static_assert(offsetof(TNDItem, MeasCount) == 52);
static_assert(offsetof(TNDItem, MeasDate) == 56);
static_assert(offsetof(TNDItem, Remark) == 72);
static_assert(offsetof(TNDItem, Complete) == 122);
static_assert(offsetof(TNDItem, Padding) == 123);

using TNDItemBytes = std::array<uint8_t, NDItemSize>;

// A record with every byte zero.
TNDItem ZeroNDItem();

// Byte-exact conversion to and from the on-disk form. The padding byte is
// written as 0 and ignored when read.
void SerializeNDItem(const TNDItem& item, uint8_t* out);  // out: 124 bytes
TNDItemBytes SerializeNDItem(const TNDItem& item);
TNDItem DeserializeNDItem(const uint8_t* in);             // in: 124 bytes

// The current local date and time.
TNDSystemTime NDNow();
