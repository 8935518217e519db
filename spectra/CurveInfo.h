#pragma once
// The curve descriptor: kept in every curve and written byte for byte into
// spectrum files and the 100 % baseline file, in front of the curve's values.
//
// The record on disk is 220 little-endian bytes. Its field at offset 168 held
// the address of the value array on the 32-bit system the format comes from;
// here it is only a 4-byte placeholder (`Data`, always 0 in memory, ignored
// when read). A curve keeps its values apart from this record, so a 64-bit
// pointer can never shift or corrupt the layout.

#include <array>
#include <cstddef>
#include <cstdint>

struct TCurveInfo {
    char Name[20];          // GBK, NUL-terminated
    char XTitle[20];
    char YTitle[20];
    char XUnit[20];
    char YUnit[20];
    int32_t PointCount;     // values stored
    int32_t Capacity;       // size of the value array
    int32_t Reserved1;      // carried along, never interpreted
    int32_t Reserved2;
    float XLimitMin, XLimitMax, YLimitMin, YLimitMax;
    float XViewFrom, XViewTo, YViewFrom, YViewTo;
    float XDataFrom, XDataTo, YDataFrom, YDataTo;
    uint32_t Color;         // 0x00BBGGRR
    uint32_t Data;          // placeholder, see above
    int32_t PlotLeft, PlotRight, PlotTop, PlotBottom;
    int32_t FrameLeft, FrameRight, FrameTop, FrameBottom;
    int32_t SplitPixel;     // column where the first segment ends
    float SplitX;           // abscissa of the scale change (0 for time drive)
    int32_t Seg1Count;      // values from XDataFrom down to SplitX, both ends
    int32_t Seg2Count;      // values from SplitX to XDataTo, both ends
};

// On-disk size, and the part of the record a segment is configured from
// (everything up to and including FrameBottom).
inline constexpr std::size_t CurveInfoSize = 220;
inline constexpr std::size_t CurveInfoSegmentSize = 204;

static_assert(sizeof(TCurveInfo) == CurveInfoSize);
static_assert(offsetof(TCurveInfo, Name) == 0);
static_assert(offsetof(TCurveInfo, XTitle) == 20);
static_assert(offsetof(TCurveInfo, YTitle) == 40);
static_assert(offsetof(TCurveInfo, XUnit) == 60);
static_assert(offsetof(TCurveInfo, YUnit) == 80);
static_assert(offsetof(TCurveInfo, PointCount) == 100);
static_assert(offsetof(TCurveInfo, Capacity) == 104);
static_assert(offsetof(TCurveInfo, Reserved1) == 108);
static_assert(offsetof(TCurveInfo, Reserved2) == 112);
static_assert(offsetof(TCurveInfo, XLimitMin) == 116);
static_assert(offsetof(TCurveInfo, YLimitMax) == 128);
static_assert(offsetof(TCurveInfo, XViewFrom) == 132);
static_assert(offsetof(TCurveInfo, YViewTo) == 144);
static_assert(offsetof(TCurveInfo, XDataFrom) == 148);
static_assert(offsetof(TCurveInfo, YDataTo) == 160);
static_assert(offsetof(TCurveInfo, Color) == 164);
static_assert(offsetof(TCurveInfo, Data) == 168);
static_assert(offsetof(TCurveInfo, PlotLeft) == 172);
static_assert(offsetof(TCurveInfo, PlotBottom) == 184);
static_assert(offsetof(TCurveInfo, FrameLeft) == 188);
static_assert(offsetof(TCurveInfo, FrameBottom) == 200);
static_assert(offsetof(TCurveInfo, SplitPixel) == CurveInfoSegmentSize);
static_assert(offsetof(TCurveInfo, SplitX) == 208);
static_assert(offsetof(TCurveInfo, Seg1Count) == 212);
static_assert(offsetof(TCurveInfo, Seg2Count) == 216);

using TCurveInfoBytes = std::array<uint8_t, CurveInfoSize>;

// A record with every byte zero.
TCurveInfo ZeroCurveInfo();

// Byte-exact conversion to and from the on-disk form, independent of the
// host's byte order. The placeholder `Data` is written as stored and read
// back as found, so a round trip reproduces the bytes exactly.
void SerializeCurveInfo(const TCurveInfo& info, uint8_t* out);   // out: 220 bytes
TCurveInfoBytes SerializeCurveInfo(const TCurveInfo& info);
TCurveInfo DeserializeCurveInfo(const uint8_t* in);              // in: 220 bytes

// Sets the last byte of each of the five strings to NUL, so that a record
// read from a damaged file can be used as C strings without running over.
void TerminateCurveInfoStrings(TCurveInfo& info);
