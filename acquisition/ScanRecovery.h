#pragma once
// The recovery file of a running scan. While a scan runs, the points it has
// measured so far are written through to this file (at most once a second,
// replaced in one step), so that a crash, a killed program or a power cut in
// the middle of a long scan costs at most the last second of it: at the next
// start the program offers the points back. A scan that ends, however it
// ends, and a saved spectrum file remove it.
//
// Layout (little-endian, no padding between records):
//   0    40   header (TScanRecoveryHeader below)
//   40   692  the scan's TMeasureParams, as spectrum files store it
//   732  220  the curve's TCurveInfo (SerializeCurveInfo)
//   952  4 x PointCount values (f32)
// The checksum covers everything after the header; a file that does not add
// up is not offered.

#include "acquisition/MeasureParams.h"
#include "spectra/CurveInfo.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

inline constexpr char kRecoveryFileName[] = "ZQ735.rcv";
inline constexpr char kRecoveryMagic[] = "ZQ735RECOVERY";
inline constexpr int32_t kRecoveryVersion = 1;

struct TScanRecoveryHeader {
    char Magic[16];          // kRecoveryMagic, NUL-padded
    int32_t Version;         // kRecoveryVersion
    int32_t PointCount;      // the values that follow; equals the descriptor's
    int16_t Started[6];      // local time the scan began: year, month, day, hour, minute, second
    uint32_t Checksum;       // FNV-1a over every byte after the header
};

inline constexpr std::size_t RecoveryHeaderSize = 40;
inline constexpr std::size_t RecoveryParamsOffset = RecoveryHeaderSize;
inline constexpr std::size_t RecoveryInfoOffset = RecoveryParamsOffset + sizeof(TMeasureParams);
inline constexpr std::size_t RecoveryValuesOffset = RecoveryInfoOffset + CurveInfoSize;

static_assert(sizeof(TScanRecoveryHeader) == RecoveryHeaderSize);
static_assert(offsetof(TScanRecoveryHeader, Magic) == 0);
static_assert(offsetof(TScanRecoveryHeader, Version) == 16);
static_assert(offsetof(TScanRecoveryHeader, PointCount) == 20);
static_assert(offsetof(TScanRecoveryHeader, Started) == 24);
static_assert(offsetof(TScanRecoveryHeader, Checksum) == 36);
static_assert(RecoveryInfoOffset == 732);
static_assert(RecoveryValuesOffset == 952);

// What a recovery file holds: the scan's parameters, its curve's descriptor
// and the values measured so far.
struct TScanRecovery {
    std::array<int16_t, 6> Started = {-1, -1, -1, -1, -1, -1};
    TMeasureParams Params;
    TCurveInfo Info = ZeroCurveInfo();
    std::vector<float> Values;
};

// The file's bytes; Info.PointCount is taken from Values.
std::vector<uint8_t> SerializeScanRecovery(const TScanRecovery& r);
// The record, or nothing when the bytes are not a whole, consistent recovery
// file (wrong magic or version, a size that does not match, a bad checksum, a
// descriptor that does not describe a storable curve of those values).
std::optional<TScanRecovery> ParseScanRecovery(std::span<const uint8_t> bytes);

// The same checks of a stored descriptor the spectrum files apply: counts
// that fit the curve's capacity rules and finite limits.
bool StoredCurveInfoUsable(const TCurveInfo& info);
