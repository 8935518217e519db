#include "acquisition/ScanRecovery.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace {

uint32_t Fnv1a(std::span<const uint8_t> bytes)
{
    uint32_t h = 2166136261u;
    for (uint8_t b : bytes) {
        h ^= b;
        h *= 16777619u;
    }
    return h;
}

void PutU32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t GetU32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void PutI16(uint8_t* p, int16_t v)
{
    const auto u = static_cast<uint16_t>(v);
    p[0] = static_cast<uint8_t>(u);
    p[1] = static_cast<uint8_t>(u >> 8);
}

int16_t GetI16(const uint8_t* p) { return static_cast<int16_t>(uint16_t(p[0]) | uint16_t(p[1]) << 8); }

// The record becomes the current parameters when the scan is restored, so
// it must be one the parameter dialog could have made.
bool UsableParams(const TMeasureParams& p)
{
    if (p.Mode > 2 || p.Speed > 4 || p.Slit < 1 || p.Slit > 5 || p.Response > 3 || p.ScanMode > 2)
        return false;
    for (float v : {p.XStart, p.XEnd, p.YStart, p.YEnd, p.ScanTime, p.CurrentX})
        if (!std::isfinite(v) || std::fabs(v) > 1.0e6f)
            return false;
    return true;
}

}  // namespace

std::vector<uint8_t> SerializeScanRecovery(const TScanRecovery& r)
{
    const size_t n = r.Values.size();
    std::vector<uint8_t> out(RecoveryValuesOffset + 4 * n, 0);
    uint8_t* h = out.data();
    std::memcpy(h + offsetof(TScanRecoveryHeader, Magic), kRecoveryMagic, sizeof kRecoveryMagic);
    PutU32(h + offsetof(TScanRecoveryHeader, Version), static_cast<uint32_t>(kRecoveryVersion));
    PutU32(h + offsetof(TScanRecoveryHeader, PointCount), static_cast<uint32_t>(n));
    for (size_t i = 0; i < 6; ++i)
        PutI16(h + offsetof(TScanRecoveryHeader, Started) + 2 * i, r.Started[i]);

    // The parameter record is stored as its little-endian memory image,
    // exactly as the spectrum files store it (MeasureParams.h asserts it).
    std::memcpy(out.data() + RecoveryParamsOffset, &r.Params, sizeof r.Params);
    TCurveInfo info = r.Info;
    info.PointCount = static_cast<int32_t>(n);
    SerializeCurveInfo(info, out.data() + RecoveryInfoOffset);
    for (size_t i = 0; i < n; ++i)
        PutU32(out.data() + RecoveryValuesOffset + 4 * i, std::bit_cast<uint32_t>(r.Values[i]));

    PutU32(h + offsetof(TScanRecoveryHeader, Checksum),
           Fnv1a(std::span<const uint8_t>(out).subspan(RecoveryHeaderSize)));
    return out;
}

std::optional<TScanRecovery> ParseScanRecovery(std::span<const uint8_t> bytes)
{
    if (bytes.size() < RecoveryValuesOffset)
        return std::nullopt;
    const uint8_t* h = bytes.data();
    if (std::memcmp(h, kRecoveryMagic, sizeof kRecoveryMagic) != 0)
        return std::nullopt;
    if (static_cast<int32_t>(GetU32(h + offsetof(TScanRecoveryHeader, Version))) != kRecoveryVersion)
        return std::nullopt;
    const auto count = static_cast<int32_t>(GetU32(h + offsetof(TScanRecoveryHeader, PointCount)));
    if (count < 0 || count > kMaxCurvePoints || bytes.size() != RecoveryValuesOffset + 4 * size_t(count))
        return std::nullopt;
    if (GetU32(h + offsetof(TScanRecoveryHeader, Checksum)) != Fnv1a(bytes.subspan(RecoveryHeaderSize)))
        return std::nullopt;

    TScanRecovery r;
    for (size_t i = 0; i < 6; ++i)
        r.Started[i] = GetI16(h + offsetof(TScanRecoveryHeader, Started) + 2 * i);
    std::memcpy(&r.Params, bytes.data() + RecoveryParamsOffset, sizeof r.Params);
    r.Params.BatchNo[sizeof r.Params.BatchNo - 1] = 0;
    r.Params.Note[sizeof r.Params.Note - 1] = 0;
    r.Info = DeserializeCurveInfo(bytes.data() + RecoveryInfoOffset);
    TerminateCurveInfoStrings(r.Info);
    if (r.Info.PointCount != count || !StoredCurveInfoUsable(r.Info) || !UsableParams(r.Params))
        return std::nullopt;
    r.Values.resize(static_cast<size_t>(count));
    for (size_t i = 0; i < r.Values.size(); ++i)
        r.Values[i] = std::bit_cast<float>(GetU32(bytes.data() + RecoveryValuesOffset + 4 * i));
    return r;
}
