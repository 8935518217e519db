#pragma once
// The measurement parameter record: how a spectrum is (to be) measured.
// It is a plain value, copied whole and written to spectrum files as its 692
// raw bytes, so the in-memory layout below is the file layout. Every member,
// padding included, is spelled out; with 4-byte floats and ints at 4-byte
// offsets the natural alignment already gives the exact layout.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>

struct TMeasureParams {
    std::uint8_t Mode = 0;      // 0 %T, 1 Abs, 2 single beam
    std::uint8_t Speed = 2;     // 0..4
    std::uint8_t Slit = 3;      // 1..5, 1 is the widest
    std::uint8_t Response = 2;  // 0..3
    std::uint8_t ScanMode = 0;  // 0 continuous, 1 overlay, 2 time drive
    std::uint8_t Pad1[3] = {0, 0, 0};
    float XStart = 4000.0f;  // cm-1; 0 for time drive
    float XEnd = 400.0f;     // cm-1; seconds for time drive
    float YStart = 0.0f;
    float YEnd = 102.0f;
    std::int32_t ScanCount = 1;
    float ScanTime = 1000.0f;  // time-drive duration, seconds
    float CurrentX = 0.0f;     // wavenumber the grating last reached
    std::int32_t Reserved = -1;
    char BatchNo[150] = {};  // GBK, NUL-terminated
    char Note[500] = {};     // GBK, NUL-terminated
    std::uint8_t Pad2[2] = {0, 0};
};

static_assert(std::endian::native == std::endian::little, "records are stored as little-endian memory dumps");
static_assert(std::is_standard_layout_v<TMeasureParams>);
static_assert(std::is_trivially_copyable_v<TMeasureParams>);
static_assert(sizeof(TMeasureParams) == 692);
static_assert(offsetof(TMeasureParams, Mode) == 0);
static_assert(offsetof(TMeasureParams, Speed) == 1);
static_assert(offsetof(TMeasureParams, Slit) == 2);
static_assert(offsetof(TMeasureParams, Response) == 3);
static_assert(offsetof(TMeasureParams, ScanMode) == 4);
static_assert(offsetof(TMeasureParams, XStart) == 8);
static_assert(offsetof(TMeasureParams, XEnd) == 12);
static_assert(offsetof(TMeasureParams, YStart) == 16);
static_assert(offsetof(TMeasureParams, YEnd) == 20);
static_assert(offsetof(TMeasureParams, ScanCount) == 24);
static_assert(offsetof(TMeasureParams, ScanTime) == 28);
static_assert(offsetof(TMeasureParams, CurrentX) == 32);
static_assert(offsetof(TMeasureParams, Reserved) == 36);
static_assert(offsetof(TMeasureParams, BatchNo) == 40);
static_assert(offsetof(TMeasureParams, Note) == 190);
static_assert(offsetof(TMeasureParams, Pad2) == 690);

// The most points a stored curve may hold, and so the longest time drive in
// seconds (one point a second): the spectrum file reader refuses anything
// larger, so the parameter checks and the writer keep to it as well.
inline constexpr std::int32_t kMaxCurvePoints = 100000;

// Display texts of the settings (UTF-8), in index order. The slit table is
// indexed by Slit - 1.
inline constexpr std::array<const char*, 3> kModeTexts = {"透过率(%T)", "吸光度(Abs)", "单光束(SB)"};
inline constexpr std::array<const char*, 5> kSpeedTexts = {"很快(4cm-1)", "快(2cm-1)", "正常(1cm-1)",
                                                           "慢(0.5cm-1)", "很慢(0.2cm-1)"};
inline constexpr std::array<const char*, 5> kSlitTexts = {"很宽", "宽", "正常", "窄", "很窄"};
inline constexpr std::array<const char*, 4> kResponseTexts = {"很快", "快", "正常", "慢"};
inline constexpr std::array<const char*, 3> kScanModeTexts = {"连续扫描", "重叠扫描", "时间驱动"};

// The text shown for each setting of a record. A record read from a damaged
// file may hold any byte; an index outside its table shows an empty text.
const char* ModeText(const TMeasureParams& p);
const char* SpeedText(const TMeasureParams& p);
const char* SlitText(const TMeasureParams& p);
const char* ResponseText(const TMeasureParams& p);
const char* ScanModeText(const TMeasureParams& p);
