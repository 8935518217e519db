#include "acquisition/MeasureParams.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "text/GbkText.h"

namespace {

std::array<unsigned char, 692> Bytes(const TMeasureParams& p)
{
    std::array<unsigned char, 692> b;
    std::memcpy(b.data(), &p, b.size());
    return b;
}

TEST(MeasureParams, DefaultsInTheirFileLayout)
{
    const auto b = Bytes(TMeasureParams{});
    const unsigned char head[] = {
        0,    2,    3,    2,    0, 0, 0, 0,  // Mode Speed Slit Response ScanMode, padding
        0x00, 0x00, 0x7A, 0x45,              // XStart 4000.0
        0x00, 0x00, 0xC8, 0x43,              // XEnd 400.0
        0x00, 0x00, 0x00, 0x00,              // YStart 0.0
        0x00, 0x00, 0xCC, 0x42,              // YEnd 102.0
        0x01, 0x00, 0x00, 0x00,              // ScanCount 1
        0x00, 0x00, 0x7A, 0x44,              // ScanTime 1000.0
        0x00, 0x00, 0x00, 0x00,              // CurrentX 0.0
        0xFF, 0xFF, 0xFF, 0xFF,              // Reserved -1
    };
    EXPECT_EQ(0, std::memcmp(b.data(), head, sizeof head));
    for (size_t i = sizeof head; i < b.size(); ++i)
        EXPECT_EQ(b[i], 0) << "byte " << i;  // empty texts, zero padding
}

TEST(MeasureParams, DisplayTexts)
{
    TMeasureParams p;
    EXPECT_STREQ(ModeText(p), "透过率(%T)");
    EXPECT_STREQ(SpeedText(p), "正常(1cm-1)");
    EXPECT_STREQ(SlitText(p), "正常");
    EXPECT_STREQ(ResponseText(p), "正常");
    EXPECT_STREQ(ScanModeText(p), "连续扫描");

    p.Slit = 1;
    EXPECT_STREQ(SlitText(p), "很宽");
    p.Slit = 5;
    EXPECT_STREQ(SlitText(p), "很窄");
    p.Mode = 2;
    p.Speed = 4;
    p.Response = 3;
    p.ScanMode = 2;
    EXPECT_STREQ(ModeText(p), "单光束(SB)");
    EXPECT_STREQ(SpeedText(p), "很慢(0.2cm-1)");
    EXPECT_STREQ(ResponseText(p), "慢");
    EXPECT_STREQ(ScanModeText(p), "时间驱动");

    // A record from a damaged file shows nothing rather than reading past a table.
    p.Slit = 0;
    p.Mode = 3;
    p.Speed = 200;
    p.Response = 4;
    p.ScanMode = 255;
    for (const char* t : {SlitText(p), ModeText(p), SpeedText(p), ResponseText(p), ScanModeText(p)})
        EXPECT_STREQ(t, "");
}

TEST(MeasureParams, FileRoundTripIsByteExact)
{
    TMeasureParams p;
    p.Mode = 1;
    p.ScanMode = 2;
    p.XStart = 0.0f;
    p.XEnd = 600.0f;
    p.YStart = -2.0f;
    p.YEnd = 2.0f;
    p.ScanCount = 3;
    p.CurrentX = 1234.5f;
    SetGbkField(p.BatchNo, "批号 2024-07");
    SetGbkField(p.Note, std::string(300, 'n') + "备注");
    p.Pad1[1] = 0x5A;  // padding is carried as found
    p.Pad2[1] = 0xA5;

    const auto path =
        std::filesystem::temp_directory_path() / ("zq735_params_" + std::to_string(::getpid()) + ".bin");
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fwrite(&p, 1, sizeof p, f), sizeof p);
    std::fclose(f);
    TMeasureParams q;
    f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fread(&q, 1, sizeof q, f), sizeof q);
    std::fclose(f);
    std::filesystem::remove(path);

    EXPECT_EQ(Bytes(p), Bytes(q));
    EXPECT_EQ(GbkFieldToUtf8(q.BatchNo), "批号 2024-07");
    EXPECT_EQ(GbkFieldToUtf8(q.Note), std::string(300, 'n') + "备注");
    EXPECT_EQ(q.CurrentX, 1234.5f);
    // The texts sit where the layout puts them.
    const auto b = Bytes(q);
    EXPECT_EQ(0, std::memcmp(b.data() + 40, Utf8ToGbk("批号").data(), 4));
    EXPECT_EQ(b[190], 'n');
    EXPECT_EQ(b[691], 0xA5);
}

}  // namespace
