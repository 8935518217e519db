// The spectrum curve without a drawing surface: sizing, splitting, appending,
// mappings over both segments, loading, and its lock under two threads.

#include "spectra/SpCurveZQ735.h"

#include "spectra/CurveSplit.h"
#include "tests/spectra/CurveFixtures.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

using namespace curvetest;

namespace {

// A curve on the graph's geometry, sized for a 4000 -> 400 scan.
std::unique_ptr<TSpCurveZQ735> ScanCurve(TSpCurveOwner* owner = nullptr)
{
    auto curve = std::make_unique<TSpCurveZQ735>(owner, WavenumberInfo());
    curve->SetScanRange(4000.0f, 400.0f, 0.0f, 100.0f, 2000.0f, 1001, 1601);
    return curve;
}

void AppendAll(TSpCurveZQ735& curve, const std::vector<float>& v, int32_t chunk)
{
    for (std::size_t i = 0; i < v.size(); i += static_cast<std::size_t>(chunk)) {
        const int32_t n = static_cast<int32_t>(std::min<std::size_t>(static_cast<std::size_t>(chunk), v.size() - i));
        curve.AppendData(v.data() + i, n);
    }
}

TEST(CurveSplit, CountsAndDataRangeOfTheTwoSegments)
{
    EXPECT_EQ(CurveCapacity(1001, 1601), 2601);
    EXPECT_EQ(CurveCapacity(0, 51), 51);
    EXPECT_EQ(CurveCapacity(7, 0), 7);
    EXPECT_EQ(CurveCapacity(-3, 5), 5);
    EXPECT_EQ(CurveSplitIndex(1001), 1000);
    EXPECT_EQ(CurveSplitIndex(0), 0);

    const TDataSplit down = SplitDataRange(4000.0f, 400.0f, 2000.0f);
    EXPECT_EQ(down.Seg1From, 4000.0f);
    EXPECT_EQ(down.Seg1To, 2000.0f);
    EXPECT_EQ(down.Seg2From, 2000.0f);
    EXPECT_EQ(down.Seg2To, 400.0f);
    const TDataSplit up = SplitDataRange(400.0f, 4000.0f, 2000.0f);
    EXPECT_EQ(up.Seg1From, 400.0f);
    EXPECT_EQ(up.Seg1To, 2000.0f);
    EXPECT_EQ(up.Seg2To, 4000.0f);
    // A time drive's split at 0 leaves everything to the second segment.
    const TDataSplit time = SplitDataRange(0.0f, 300.0f, 0.0f);
    EXPECT_EQ(time.Seg1From, time.Seg1To);
    EXPECT_EQ(time.Seg2From, 0.0f);
    EXPECT_EQ(time.Seg2To, 300.0f);
    EXPECT_EQ(SplitInView(2000.0f, 1800.0f, 400.0f), 1800.0f);
}

TEST(SpCurveZQ735, WavenumberScanSharesTheValueAtTheSplit)
{
    auto curve = ScanCurve();
    EXPECT_EQ(curve->Info.Capacity, 2601);
    EXPECT_EQ(curve->SplitIndex, 1000);
    EXPECT_EQ(curve->Seg1->Capacity, 1001);
    EXPECT_EQ(curve->Seg2->Capacity, 1601);
    EXPECT_EQ(curve->Seg2->Data, curve->GetData() + 1000);
    EXPECT_EQ(curve->GetCount(), 0);

    struct Case { int32_t index; float x; };
    const Case cases[] = {{0, 4000.0f}, {1, 3998.0f}, {999, 2002.0f}, {1000, 2000.0f},
                          {1001, 1999.0f}, {2600, 400.0f}};
    for (const Case& c : cases)
        EXPECT_FLOAT_EQ(curve->XAtIndex(c.index), c.x) << "index " << c.index;

    // However the values arrive, both segments see the one at the split.
    for (int32_t chunk : {1, 7, 999, 1000, 1001, 2601}) {
        curve->Clear();
        const std::vector<float> v = Ramp(2601);
        AppendAll(*curve, v, chunk);
        ASSERT_EQ(curve->GetCount(), 2601) << "chunk " << chunk;
        EXPECT_EQ(curve->Seg1->Count, 1001) << "chunk " << chunk;
        EXPECT_EQ(curve->Seg2->Count, 1601) << "chunk " << chunk;
        EXPECT_EQ(curve->Seg1->Data[1000], 1000.0f);
        EXPECT_EQ(curve->Seg2->Data[0], 1000.0f);
        EXPECT_EQ(curve->Seg2->Data[1600], 2600.0f);
        EXPECT_EQ(0, std::memcmp(curve->GetData(), v.data(), v.size() * sizeof(float)));
    }

    // The split point is reached exactly as the first segment fills.
    curve->Clear();
    const std::vector<float> first = Ramp(1001);
    curve->AppendData(first.data(), 1000);
    EXPECT_EQ(curve->Seg2->Count, 0);
    curve->AppendData(first.data() + 1000, 1);
    EXPECT_EQ(curve->Seg1->Count, 1001);
    EXPECT_EQ(curve->Seg2->Count, 1);
}

TEST(SpCurveZQ735, AbscissaAndIndexRoundTripOverTheWholeCurve)
{
    auto curve = ScanCurve();
    AppendAll(*curve, Ramp(2601), 2601);
    for (int32_t i = 0; i < 2601; ++i)
        ASSERT_EQ(curve->IndexOfX(curve->XAtIndex(i)), i) << "index " << i;
    EXPECT_EQ(curve->IndexOfX(5000.0f), 0);
    EXPECT_EQ(curve->IndexOfX(-50.0f), 2600);

    float value = -1.0f;
    EXPECT_EQ(curve->ValueAtX(1999.0f, value), 0);
    EXPECT_EQ(value, 1001.0f);
    EXPECT_EQ(curve->ValueAtX(3998.0f, value), 0);
    EXPECT_EQ(value, 1.0f);
}

TEST(SpCurveZQ735, ValueAtXReportsAbscissasBeyondTheStoredPoints)
{
    auto curve = ScanCurve();
    float value = 42.0f;
    EXPECT_EQ(curve->ValueAtX(3000.0f, value), -1);
    EXPECT_EQ(curve->IndexOfX(3000.0f), 0);

    AppendAll(*curve, Ramp(500), 500);   // 4000 ... 3002 cm-1
    EXPECT_EQ(curve->ValueAtX(1500.0f, value), -1);
    EXPECT_EQ(value, 42.0f);
    EXPECT_EQ(curve->IndexOfX(1500.0f), 499);
    EXPECT_EQ(curve->ValueAtX(3500.0f, value), 0);
    EXPECT_EQ(value, 250.0f);
}

TEST(SpCurveZQ735, AppendingToAFullCurveStartsItAgain)
{
    auto curve = ScanCurve();
    AppendAll(*curve, Ramp(2601), 100);
    const float next = -7.0f;
    curve->AppendData(&next, 1);
    EXPECT_EQ(curve->GetCount(), 1);
    EXPECT_EQ(curve->GetData()[0], -7.0f);
    EXPECT_EQ(curve->Seg1->Count, 1);
    EXPECT_EQ(curve->Seg2->Count, 0);

    // Too many at once: the overflowing number of leading values is kept.
    curve->Clear();
    AppendAll(*curve, Ramp(2600), 2600);
    const std::vector<float> more = Ramp(3, 50.0f);
    curve->AppendData(more.data(), 3);
    EXPECT_EQ(curve->GetCount(), 2);
    EXPECT_EQ(curve->GetData()[1], 51.0f);

    // A curve sized for nothing takes nothing.
    curve->SetScanRange(4000.0f, 400.0f, 0.0f, 100.0f, 2000.0f, 0, 0);
    EXPECT_EQ(curve->Info.Capacity, 0);
    curve->AppendData(&next, 1);
    EXPECT_EQ(curve->GetCount(), 0);
}

TEST(SpCurveZQ735, TimeDriveKeepsEveryPointInTheSecondSegment)
{
    auto curve = ScanCurve();
    curve->SetScanRange(0.0f, 100.0f, 0.0f, 100.0f, 0.0f, 0, 51);
    EXPECT_EQ(curve->Info.Capacity, 51);
    EXPECT_EQ(curve->SplitIndex, 0);
    EXPECT_EQ(curve->Seg1->Capacity, 0);
    AppendAll(*curve, Ramp(51), 1);
    EXPECT_EQ(curve->Seg1->Count, 0);
    EXPECT_EQ(curve->Seg2->Count, 51);
    EXPECT_FLOAT_EQ(curve->XAtIndex(10), 20.0f);
    EXPECT_EQ(curve->IndexOfX(20.0f), 10);
}

TEST(SpCurveZQ735, LimitsAreOrderedAndViewsClampedIntoThem)
{
    auto curve = ScanCurve();
    curve->SetLimits(10.0f, 5.0f, 3.0f, 1.0f, 77);
    EXPECT_EQ(curve->Info.XLimitMin, 5.0f);
    EXPECT_EQ(curve->Info.XLimitMax, 10.0f);
    EXPECT_EQ(curve->Info.YLimitMin, 1.0f);
    EXPECT_EQ(curve->Info.YLimitMax, 3.0f);
    EXPECT_EQ(curve->Info.SplitPixel, 77);

    curve->SetLimits(0.0f, 20000.0f, -4095.0f, 4095.0f, 384);
    struct Case { float xf, xt, yf, yt; float exf, ext, eyf, eyt; };
    const Case cases[] = {
        {4000, 400, 0, 100, 4000, 400, 0, 100},
        {50000, 400, -5000, 100, 20000, 400, -4095, 100},
        {400, -10, 5000, 0, 400, 0, 4095, 0},   // never reordered
    };
    for (const Case& c : cases) {
        curve->SetView(c.xf, c.xt, c.yf, c.yt, 384);
        EXPECT_EQ(curve->Info.XViewFrom, c.exf);
        EXPECT_EQ(curve->Info.XViewTo, c.ext);
        EXPECT_EQ(curve->Info.YViewFrom, c.eyf);
        EXPECT_EQ(curve->Info.YViewTo, c.eyt);
    }

    // Each segment gets its side of the split, and the split column is kept
    // inside the plot.
    curve->SetView(4000.0f, 400.0f, 0.0f, 100.0f, 5000);
    EXPECT_EQ(curve->Info.SplitPixel, 1000);
    curve->SetView(4000.0f, 400.0f, 0.0f, 100.0f, 384);
    EXPECT_EQ(curve->Seg1->XViewFrom, 4000.0f);
    EXPECT_EQ(curve->Seg1->XViewTo, 2000.0f);
    EXPECT_EQ(curve->Seg2->XViewFrom, 2000.0f);
    EXPECT_EQ(curve->Seg1->PlotRight, 384);
    EXPECT_EQ(curve->Seg2->PlotLeft, 384);
    // A view that does not reach the split gives the first segment no width.
    curve->SetView(1800.0f, 400.0f, 0.0f, 100.0f, 0);
    EXPECT_EQ(curve->Seg1->XViewTo, 1800.0f);
    EXPECT_EQ(curve->Seg2->XViewFrom, 1800.0f);

    curve->SetPlotRect(900, 100, 400, 30, 50);
    EXPECT_EQ(curve->Info.PlotLeft, 100);
    EXPECT_EQ(curve->Info.PlotBottom, 400);
    EXPECT_EQ(curve->Info.SplitPixel, 100);
    EXPECT_EQ(curve->Seg1->PlotRight, 100);
}

TEST(SpCurveZQ735, PixelMappingsChooseTheSegmentBySplit)
{
    auto curve = ScanCurve();
    curve->SetView(4000.0f, 400.0f, 0.0f, 100.0f, 384);
    AppendAll(*curve, Ramp(2601), 2601);
    EXPECT_FLOAT_EQ(curve->XAtPixel(0), 4000.0f);
    EXPECT_FLOAT_EQ(curve->XAtPixel(192), 3000.0f);
    EXPECT_FLOAT_EQ(curve->XAtPixel(384), 2000.0f);
    EXPECT_FLOAT_EQ(curve->XAtPixel(1000), 400.0f);
    EXPECT_FLOAT_EQ(curve->XAtPixel(-20), 4000.0f);
    EXPECT_EQ(curve->PixelOfX(3000.0f), 192);
    EXPECT_EQ(curve->PixelOfX(2000.0f), 384);
    EXPECT_EQ(curve->PixelOfX(1200.0f), 384 + 616 / 2);
    EXPECT_EQ(curve->PixelOfY(50.0f), 120);
    EXPECT_FLOAT_EQ(curve->YAtPixel(20), 100.0f);
}

TEST(SpCurveZQ735, LoadKeepsTheCurvesColourAndGeometry)
{
    TRecordingOwner owner;
    auto curve = ScanCurve(&owner);
    curve->SetPlotRect(5, 995, 25, 215, 380);
    const TCurveInfo before = curve->GetInfo();

    TCurveInfo stored = WavenumberInfo();
    std::strcpy(stored.Name, "sample");
    stored.Color = 0x0000FF00u;
    stored.PlotLeft = 50;
    stored.PlotRight = 60;
    stored.FrameBottom = 999;
    stored.SplitPixel = 55;
    stored.SplitX = 1500.0f;
    stored.PointCount = 2601;
    stored.Data = 0xDEADBEEFu;   // an address from another process: ignored
    const std::vector<float> values = Ramp(2601, 0.5f);
    const int changedBefore = owner.Changed;
    curve->Load(stored, values.data());

    const TCurveInfo after = curve->GetInfo();
    EXPECT_EQ(curve->GetColor(), before.Color);
    EXPECT_EQ(after.PlotLeft, 5);
    EXPECT_EQ(after.PlotRight, 995);
    EXPECT_EQ(after.PlotTop, 25);
    EXPECT_EQ(after.FrameBottom, before.FrameBottom);
    EXPECT_EQ(after.SplitPixel, 380);
    EXPECT_EQ(after.SplitX, 2000.0f);
    EXPECT_EQ(after.Data, 0u);
    EXPECT_STREQ(curve->Name, "sample");
    EXPECT_EQ(curve->GetCount(), 2601);
    EXPECT_EQ(curve->GetData()[2600], values[2600]);
    EXPECT_EQ(curve->Seg2->Count, 1601);
    EXPECT_GT(owner.Changed, changedBefore);
}

TEST(SpCurveZQ735, DescriptorsThatDoNotAddUpStayInsideTheArray)
{
    // Counts from a damaged record larger than the array: the segments are
    // cut to it rather than reaching past its end.
    TCurveInfo info = WavenumberInfo();
    info.Capacity = 100;
    info.Seg1Count = 80;
    info.Seg2Count = 1601;
    info.PointCount = 5000;
    const std::vector<float> values = Ramp(5000);
    TSpCurveZQ735 curve(nullptr, info, values.data());
    EXPECT_EQ(curve.SplitIndex, 79);
    EXPECT_EQ(curve.Seg2->Capacity, 21);
    EXPECT_LE(curve.GetCount(), 100);

    info.Seg1Count = 1000000;
    info.PointCount = 0;
    curve.Configure(info);
    EXPECT_EQ(curve.Seg1->Capacity, 100);
    EXPECT_EQ(curve.SplitIndex, 99);
    EXPECT_EQ(curve.Seg2->Capacity, 1);
    const std::vector<float> many = Ramp(300);
    curve.AppendData(many.data(), 300);
    EXPECT_LE(curve.GetCount(), 100);

    // Texts without their NUL are cut, so the read-out cannot run over.
    std::memset(info.XTitle, 'x', sizeof info.XTitle);
    curve.Configure(info);
    EXPECT_EQ(std::strlen(curve.XTitle), 19u);
}

TEST(SpCurveZQ735, TheWorkerAppendsWhileTheWindowReads)
{
    auto curve = ScanCurve();
    std::atomic<bool> reading{false}, done{false};
    std::thread worker([&] {
        while (!reading)
            std::this_thread::yield();
        for (int round = 0; round < 3; ++round) {
            for (int32_t i = 0; i < 2601; ++i) {
                const float v = static_cast<float>(i);
                curve->AppendData(&v, 1);
            }
        }
        done = true;
    });
    int reads = 0;
    reading = true;
    do {
        const int32_t n = curve->GetCount();
        ASSERT_GE(n, 0);
        ASSERT_LE(n, 2601);
        float value;
        if (curve->ValueAtX(curve->XAtIndex(n > 0 ? n - 1 : 0), value) == 0) {
            ASSERT_GE(value, 0.0f);
        }
        curve->DrawNew();
        ++reads;
    } while (!done);
    worker.join();
    EXPECT_EQ(curve->GetCount(), 2601);
    EXPECT_GT(reads, 0);
}

} // namespace
