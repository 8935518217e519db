// The recovery record: a byte-exact round trip, and files that are not a
// whole, consistent record (cut short, bit rot, a foreign or newer file, a
// descriptor that does not fit its values) are not offered, but kept aside.

#include "acquisition/ScanRecovery.h"
#include "tests/acquisition/EngineFixture.h"
#include "text/GbkText.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>

namespace {

TScanRecovery Sample(int points)
{
    TScanRecovery r;
    r.Started = {2026, 12, 10, 14, 5, 59};
    r.Params.Mode = 1;
    r.Params.Speed = 3;
    r.Params.XStart = 3100.0f;
    r.Params.XEnd = 2900.0f;
    SetGbkField(r.Params.BatchNo, "批号-7");
    r.Info.Capacity = 401;
    r.Info.Seg1Count = 401;
    r.Info.XDataFrom = 3100.0f;
    r.Info.XDataTo = 2900.0f;
    SetGbkField(r.Info.YTitle, "吸光度");
    for (int i = 0; i < points; ++i)
        r.Values.push_back(0.5f + 0.001f * static_cast<float>(i));
    return r;
}

TEST(ScanRecovery, RoundTripIsByteExact)
{
    const TScanRecovery r = Sample(123);
    const std::vector<uint8_t> bytes = SerializeScanRecovery(r);
    ASSERT_EQ(bytes.size(), RecoveryValuesOffset + 4 * 123);
    EXPECT_EQ(std::memcmp(bytes.data(), "ZQ735RECOVERY\0\0\0", 16), 0);
    EXPECT_EQ(bytes[24], 2026 & 0xFF);  // year, little-endian
    EXPECT_EQ(bytes[25], 2026 >> 8);

    const auto back = ParseScanRecovery(bytes);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->Started, r.Started);
    EXPECT_EQ(back->Values, r.Values);
    EXPECT_EQ(back->Info.PointCount, 123);
    EXPECT_EQ(back->Params.Mode, 1);
    EXPECT_STREQ(back->Params.BatchNo, r.Params.BatchNo);
    EXPECT_EQ(SerializeScanRecovery(*back), bytes);
}

TEST(ScanRecovery, DamagedFilesAreNotOffered)
{
    const std::vector<uint8_t> good = SerializeScanRecovery(Sample(20));
    // Rewrites the checksum, so that only the named defect is left.
    auto resealed = [](std::vector<uint8_t> b) {
        uint32_t h = 2166136261u;
        for (size_t i = RecoveryHeaderSize; i < b.size(); ++i)
            h = (h ^ b[i]) * 16777619u;
        std::memcpy(b.data() + 36, &h, 4);
        return b;
    };
    struct Case {
        const char* What;
        std::function<std::vector<uint8_t>(std::vector<uint8_t>)> Damage;
    };
    const Case cases[] = {
        {"empty", [](auto) { return std::vector<uint8_t>{}; }},
        {"cut in the header", [](auto b) { b.resize(30); return b; }},
        {"cut in the values", [](auto b) { b.pop_back(); return b; }},
        {"a byte too many", [](auto b) { b.push_back(0); return b; }},
        {"a value flipped", [](auto b) { b[RecoveryValuesOffset + 5] ^= 0x40; return b; }},
        {"foreign magic", [&](auto b) { b[0] = 'X'; return resealed(b); }},
        {"newer version", [&](auto b) { b[16] = 2; return resealed(b); }},
        {"count beyond the file", [&](auto b) { b[20] = 21; return resealed(b); }},
        {"descriptor disagrees on the count",
         [&](auto b) { b[RecoveryInfoOffset + 100] = 19; return resealed(b); }},
        {"more points than the capacity",
         [&](auto b) {
             b[RecoveryInfoOffset + 104] = 10;  // Capacity 10
             b[RecoveryInfoOffset + 105] = 0;
             b[RecoveryInfoOffset + 212] = 10;  // Seg1Count 10
             b[RecoveryInfoOffset + 213] = 0;
             return resealed(b);
         }},
        {"segments that do not add up", [&](auto b) { b[RecoveryInfoOffset + 212] = 7; return resealed(b); }},
        {"a mode no dialog makes", [&](auto b) { b[RecoveryParamsOffset + 0] = 9; return resealed(b); }},
        {"a range that is no number",
         [&](auto b) {
             const float nan = std::nanf("");
             std::memcpy(b.data() + RecoveryParamsOffset + 8, &nan, 4);
             return resealed(b);
         }},
    };
    ASSERT_TRUE(ParseScanRecovery(good).has_value());
    for (const Case& c : cases)
        EXPECT_FALSE(ParseScanRecovery(c.Damage(good)).has_value()) << c.What;
}

// A file that is no recovery record may still hold a long scan someone can
// get back by hand: it is renamed, not deleted, and the caller learns the name.
TEST(ScanRecovery, ADamagedFileIsKeptAsideUnderANewName)
{
    TestGuiApp();
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("zq735-rcv-aside-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    QImage canvas(400, 300, QImage::Format_RGB32);
    TSpImage surface(nullptr, &canvas, 0, 0, canvas.width(), canvas.height());
    TSpGraph735 graph(nullptr, &surface);
    graph.SetStartRanges();
    TRecordingSink sink;
    TApparaZQ735 model(sink, graph, dir.string());
    const std::filesystem::path rcv = dir / kRecoveryFileName;
    auto entries = [&] {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };

    std::string aside = "stale";
    EXPECT_FALSE(model.PendingRecovery(&aside).has_value());
    EXPECT_EQ(aside, "");

    std::vector<uint8_t> bytes = SerializeScanRecovery(Sample(20));
    {
        std::ofstream f(rcv, std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    ASSERT_TRUE(model.PendingRecovery(&aside).has_value());
    EXPECT_EQ(aside, "");
    EXPECT_TRUE(std::filesystem::exists(rcv));

    // Cut short, twice within a second: two names, nothing overwritten.
    bytes.resize(bytes.size() - 3);
    for (int round = 0; round < 2; ++round) {
        {
            std::ofstream f(rcv, std::ios::binary | std::ios::trunc);
            f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        }
        EXPECT_FALSE(model.PendingRecovery(&aside).has_value());
        EXPECT_FALSE(std::filesystem::exists(rcv));
        ASSERT_EQ(std::filesystem::path(aside).parent_path(), dir);
        EXPECT_EQ(std::filesystem::path(aside).filename().string().rfind("ZQ735.rcv.damaged-", 0), 0u)
            << aside;
        std::ifstream f(aside, std::ios::binary);
        EXPECT_EQ(std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()),
                  bytes);
    }
    EXPECT_EQ(entries().size(), 2u);

    // A FIFO in its place is set aside too, without waiting for a writer.
    ASSERT_EQ(::mkfifo(rcv.c_str(), 0600), 0);
    EXPECT_FALSE(model.PendingRecovery(&aside).has_value());
    EXPECT_FALSE(std::filesystem::exists(rcv));
    EXPECT_EQ(entries().size(), 3u);
    std::filesystem::remove_all(dir);
}

}  // namespace
