#include "spectra/CurveInfo.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <random>

namespace {

uint32_t U32At(const TCurveInfoBytes& b, std::size_t off)
{
    return uint32_t(b[off]) | uint32_t(b[off + 1]) << 8 | uint32_t(b[off + 2]) << 16 | uint32_t(b[off + 3]) << 24;
}

TEST(CurveInfo, AnyRecordSurvivesARoundTripByteForByte)
{
    // Whatever a file holds - including NaN patterns and texts without NUL -
    // is written back exactly as read.
    std::mt19937 rng(735);
    for (int round = 0; round < 50; ++round) {
        TCurveInfoBytes in{};
        for (auto& b : in)
            b = static_cast<uint8_t>(rng());
        const TCurveInfo info = DeserializeCurveInfo(in.data());
        EXPECT_EQ(SerializeCurveInfo(info), in) << "round " << round;
    }
}

TEST(CurveInfo, FieldsLandAtTheirOffsetsLittleEndian)
{
    TCurveInfo info = ZeroCurveInfo();
    std::strcpy(info.Name, "\xCE\xB4\xC3\xFC\xC3\xFB");  // GBK
    std::strcpy(info.YUnit, "%");
    info.PointCount = 2601;
    info.Capacity = 0x01020304;
    info.Reserved2 = std::bit_cast<int32_t>(4095.0f);
    info.XLimitMin = -4.0e7f;
    info.XViewFrom = 4000.0f;
    info.YDataTo = 100.0f;
    info.Color = 0x00FF8040u;
    info.PlotLeft = -1;
    info.FrameBottom = 480;
    info.SplitPixel = 384;
    info.SplitX = 2000.0f;
    info.Seg1Count = 1001;
    info.Seg2Count = 1601;

    const TCurveInfoBytes b = SerializeCurveInfo(info);
    EXPECT_EQ(0, std::memcmp(b.data(), "\xCE\xB4\xC3\xFC\xC3\xFB\0", 7));
    EXPECT_EQ(b[80], '%');
    EXPECT_EQ(b[104], 0x04);   // least significant byte first
    EXPECT_EQ(b[107], 0x01);

    struct Case { std::size_t offset; uint32_t bits; };
    const Case cases[] = {
        {100, 2601u},
        {112, std::bit_cast<uint32_t>(4095.0f)},
        {116, std::bit_cast<uint32_t>(-4.0e7f)},
        {132, std::bit_cast<uint32_t>(4000.0f)},
        {160, std::bit_cast<uint32_t>(100.0f)},
        {164, 0x00FF8040u},
        {168, 0u},
        {172, 0xFFFFFFFFu},
        {200, 480u},
        {204, 384u},
        {208, std::bit_cast<uint32_t>(2000.0f)},
        {212, 1001u},
        {216, 1601u},
    };
    for (const Case& c : cases)
        EXPECT_EQ(U32At(b, c.offset), c.bits) << "offset " << c.offset;

    const TCurveInfo back = DeserializeCurveInfo(b.data());
    EXPECT_EQ(0, std::memcmp(&back, &info, sizeof info));
}

TEST(CurveInfo, TerminatingTextsCutsOnlyTheLastByte)
{
    TCurveInfoBytes in{};
    in.fill('A');
    TCurveInfo info = DeserializeCurveInfo(in.data());
    TerminateCurveInfoStrings(info);
    for (const char* s : {info.Name, info.XTitle, info.YTitle, info.XUnit, info.YUnit})
        EXPECT_EQ(std::strlen(s), 19u);
}

} // namespace
