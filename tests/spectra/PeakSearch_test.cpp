// Peak and valley search, band width and area, and the data table's columns
// and copied text.

#include "spectra/DataTable.h"
#include "spectra/PeakSearch.h"
#include "spectra/SpCurveZQ735.h"
#include "tests/spectra/CurveFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace curvetest;

namespace {

std::vector<int32_t> Indices(const std::vector<TExtremum>& list)
{
    std::vector<int32_t> out;
    for (const TExtremum& e : list)
        out.push_back(e.Index);
    return out;
}

struct TSearchCase {
    const char* Name;
    std::vector<float> Values;
    float Threshold;
    std::vector<int32_t> Peaks;
    std::vector<int32_t> Valleys;
};

TEST(PeakSearch, ExtremaOfWorkedCases)
{
    const TSearchCase cases[] = {
        // The valley at 1 completes at 2 with min(10, 20) - 5 = 5 < 15.
        {"one peak at 15", {10, 5, 20, 5, 10}, 15.0f, {2}, {}},
        {"peak and valley at 5", {10, 5, 20, 5, 10}, 5.0f, {2}, {1}},
        {"monotonic", {1, 2, 3, 4, 5, 6}, 0.5f, {}, {}},
        {"plateau top: first index", {1, 8, 8, 8, 1, 2}, 5.0f, {1}, {}},
        {"flat valley: first index", {9, 2, 2, 2, 9, 8}, 5.0f, {}, {1}},
        // The last band never turns back inside the range.
        {"open at the end", {0, 10, 0, 10, 20}, 5.0f, {1}, {}},
        {"below threshold", {10, 5, 20, 5, 10}, 15.1f, {}, {}},
    };
    for (const TSearchCase& c : cases) {
        const TExtremaFound f =
            SearchExtrema(c.Values.data(), 0, static_cast<int32_t>(c.Values.size()) - 1, c.Threshold, 200, 200);
        EXPECT_EQ(Indices(f.Peaks), c.Peaks) << c.Name;
        EXPECT_EQ(Indices(f.Valleys), c.Valleys) << c.Name;
    }
}

TEST(PeakSearch, TurningPointsAroundEachBand)
{
    const std::vector<float> v = {10, 5, 20, 5, 10};
    const TExtremaFound f = SearchExtrema(v.data(), 0, 4, 5.0f, 200, 200);
    ASSERT_EQ(f.Peaks.size(), 1u);
    EXPECT_EQ(f.Peaks[0].Left, 1);
    EXPECT_EQ(f.Peaks[0].Right, 3);
    ASSERT_EQ(f.Valleys.size(), 1u);
    EXPECT_EQ(f.Valleys[0].Left, 0);
    EXPECT_EQ(f.Valleys[0].Right, 2);
}

// A wavenumber curve 4000 -> 400 with values from a function of the abscissa.
template <class F>
std::unique_ptr<TSpCurveZQ735> CurveOf(F f)
{
    auto c = std::make_unique<TSpCurveZQ735>(nullptr, WavenumberInfo());
    c->SetScanRange(4000.0f, 400.0f, 0.0f, 100.0f, 2000.0f, 1001, 1601);
    std::vector<float> v(2601);
    for (int32_t i = 0; i < 2601; ++i) {
        // The abscissas of the two segments: 2 cm-1 above 2000, 1 below.
        const double x = i <= 1000 ? 4000.0 - 2.0 * i : 2000.0 - (i - 1000);
        v[static_cast<size_t>(i)] = static_cast<float>(f(x));
    }
    c->AppendData(v.data(), 2601);
    return c;
}

struct TFound {
    std::vector<float> PeakX, PeakY, ValleyX, ValleyY;
    int32_t Peaks = 0, Valleys = 0;
};

TFound Find(TSpCurveZQ735& c, float threshold, int32_t capacity = 200)
{
    TFound r;
    for (auto* out : {&r.PeakX, &r.PeakY, &r.ValleyX, &r.ValleyY})
        out->resize(static_cast<size_t>(capacity));
    c.FindPeaks(threshold, 0, r.PeakX.data(), r.PeakY.data(), r.ValleyX.data(), r.ValleyY.data(), capacity,
                capacity, r.Peaks, r.Valleys);
    return r;
}

TEST(PeakSearch, CurveListsAtMostTheCapacityInsideTheView)
{
    // 202 teeth below 2000 cm-1 (4 cm-1 apart), one broad band above.
    auto c = CurveOf([](double x) {
        if (x > 2500.0 && x < 2600.0)
            return 50.0 + 20.0 * std::sin((x - 2500.0) * std::numbers::pi / 100.0);
        if (x < 1999.0 && x > 1999.0 - 4.0 * 202) {
            // Teeth 50, 55, 60, 55: each rises from the point after the
            // previous one's minimum, which is where the search starts again.
            const double tooth[4] = {50.0, 55.0, 60.0, 55.0};
            return tooth[static_cast<int>(std::fmod(1999.0 - x, 4.0))];
        }
        return 50.0;
    });
    TFound f = Find(*c, 4.0f);
    EXPECT_EQ(f.Peaks, 200);
    EXPECT_EQ(c->PeakList.size(), 200u);
    EXPECT_NEAR(f.PeakX[0], 2550.0f, 2.0f);
    EXPECT_FLOAT_EQ(f.PeakY[1], 60.0f);
    EXPECT_TRUE(c->ShowPeakMarks);
    EXPECT_TRUE(c->ShowValleyMarks);
    EXPECT_EQ(c->PeakLabelMode, 0);

    // A view below 2400 cm-1 leaves the broad band out.
    c->SetView(2400.0f, 400.0f, 0.0f, 100.0f, 384);
    f = Find(*c, 4.0f, 1000);
    EXPECT_EQ(f.Peaks, 201);  // the last tooth never rises again
    EXPECT_LT(f.PeakX[0], 2000.0f);

    // A reversed view: nothing found, the lists are empty, the marks stay.
    c->SetView(400.0f, 4000.0f, 0.0f, 100.0f, 384);
    f = Find(*c, 5.0f);
    EXPECT_EQ(f.Peaks + f.Valleys, 0);
    EXPECT_TRUE(c->PeakList.empty());
    EXPECT_TRUE(c->ShowPeakMarks);

    c->SetPeakMarks(false, false);
    EXPECT_FALSE(c->ShowPeakMarks);
}

TEST(PeakSearch, EmptyCurveFindsNothing)
{
    auto c = std::make_unique<TSpCurveZQ735>(nullptr, WavenumberInfo());
    TFound f = Find(*c, 0.0f);
    EXPECT_EQ(f.Peaks + f.Valleys, 0);
    EXPECT_FALSE(c->ShowPeakMarks);
}

// A Lorentzian band of height a0 and half width g at x0, cut at +/- l and
// measured over the straight line through its ends, has these metrics.
struct TLorentz {
    double A0, G, X0;
    double operator()(double x) const { return A0 * G * G / ((x - X0) * (x - X0) + G * G); }
    double Base(double l) const { return (*this)(X0 + l); }
    double Fwhm(double l) const
    {
        const double b = Base(l), half = b + (A0 - b) / 2.0;
        return 2.0 * std::sqrt(A0 * G * G / half - G * G);
    }
    double Area(double l) const { return 2.0 * A0 * G * std::atan(l / G) - 2.0 * l * Base(l); }
};

TEST(PeakSearch, WidthAndAreaOfALorentzianOnAbsorbanceAndTransmittance)
{
    const TLorentz band{0.8, 6.0, 1600.0};
    const double l = 200.0;
    std::vector<float> x, a, t;
    for (double v = band.X0 + l; v >= band.X0 - l - 1e-9; v -= 1.0) {
        x.push_back(static_cast<float>(v));
        a.push_back(static_cast<float>(band(v)));
        t.push_back(static_cast<float>(100.0 * std::pow(10.0, -band(v))));
    }
    const TExtremum e{200, 0, 400};
    const TBandMetrics onA = BandMetrics(x.data(), a.data(), e, false, false);
    const TBandMetrics onT = BandMetrics(x.data(), t.data(), e, true, true);
    for (const TBandMetrics& m : {onA, onT}) {
        EXPECT_NEAR(m.Fwhm, band.Fwhm(l), 0.05);
        EXPECT_NEAR(m.Fwhm, 12.0, 0.1);
        EXPECT_NEAR(m.Area, band.Area(l), 0.005 * band.Area(l));
    }
    // The peak list of a %T curve measures dips of absorbance the same way.
    const TBandMetrics wrongWay = BandMetrics(x.data(), a.data(), e, true, false);
    EXPECT_EQ(wrongWay.Fwhm, 0.0f);
    EXPECT_EQ(wrongWay.Area, 0.0f);
    // A turning point raised on one side tilts the baseline: only what
    // stands above it counts, never a negative area.
    const TBandMetrics tilted = BandMetrics(x.data(), a.data(), TExtremum{200, 0, 205}, false, false);
    EXPECT_GT(tilted.Area, 0.0f);
    EXPECT_LT(tilted.Area, onA.Area);
    // A band without flanks has no width.
    EXPECT_EQ(BandMetrics(x.data(), a.data(), TExtremum{0, 0, 400}, false, false).Fwhm, 0.0f);
}

TEST(PeakSearch, BandMetricsThroughTheCurveOnATransmittanceSpectrum)
{
    // Two absorption bands on a %T curve; the first is measured between the
    // curve's start and the maximum between the bands.
    const TLorentz band{0.5, 8.0, 1600.0};
    const TLorentz second{0.3, 3.0, 700.0};
    auto c = CurveOf([&](double x) { return 100.0 * std::pow(10.0, -(band(x) + second(x))); });
    TFound f = Find(*c, 5.0f);
    ASSERT_EQ(f.Valleys, 1);  // the second band never turns back up inside the range
    EXPECT_NEAR(f.ValleyX[0], 1600.0f, 0.5f);
    std::vector<TBandMetrics> peaks, valleys;
    c->BandMetricsOf(TAbsorptionBands::TransmittanceValleys, peaks, valleys);
    ASSERT_EQ(valleys.size(), 1u);
    EXPECT_EQ(peaks.size(), static_cast<size_t>(f.Peaks));
    EXPECT_NEAR(valleys[0].Fwhm, 16.0, 0.3);
    EXPECT_NEAR(valleys[0].Area, std::numbers::pi * 0.5 * 8.0, 0.03 * std::numbers::pi * 0.5 * 8.0);
}

TEST(PeakSearch, TurningPointsOfABandAreItsOwnNeighbours)
{
    // The second valley shares its left maximum (index 4) with the first:
    // the search starts again one point past it.
    const std::vector<float> v{10, 5, 2, 5, 10, 5, 1, 5, 10, 4, 10};
    const TExtremaFound f = SearchExtrema(v.data(), 0, 10, 1.0f, 200, 200);
    ASSERT_EQ(Indices(f.Valleys), (std::vector<int32_t>{2, 6}));
    EXPECT_EQ(f.Valleys[1].Left, 5);
    struct {
        int32_t Index;
        bool Valley;
        int32_t Left, Right;
    } const cases[] = {{2, true, 0, 4}, {6, true, 4, 8}, {9, true, 8, 10}, {4, false, 2, 6}, {0, true, 0, 0}};
    for (const auto& c : cases) {
        const TExtremum e = TurningPointsOf(v.data(), static_cast<int32_t>(v.size()), c.Index, c.Valley);
        EXPECT_EQ(e.Index, c.Index);
        EXPECT_EQ(e.Left, c.Left) << c.Index;
        EXPECT_EQ(e.Right, c.Right) << c.Index;
    }
    // Flat tops and a flat bottom are crossed as the search crosses them.
    const std::vector<float> flat{10, 10, 4, 4, 10, 10, 3};
    const TExtremaFound g = SearchExtrema(flat.data(), 0, 6, 1.0f, 200, 200);
    ASSERT_EQ(g.Valleys.size(), 1u);
    const TExtremum e = TurningPointsOf(flat.data(), 7, g.Valleys[0].Index, true);
    EXPECT_EQ(e.Left, g.Valleys[0].Left);
    EXPECT_EQ(e.Right, g.Valleys[0].Right);
}

TEST(PeakSearch, AbsorptionBandsHaveTheSameFiguresInAnyView)
{
    // Three bands of a %T spectrum, the middle one sharing a maximum with
    // each neighbour; a fourth turns the curve down after the third (the
    // last band of a range never completes).
    const TLorentz bands[4] = {{0.5, 8.0, 3100.0}, {0.6, 8.0, 3060.0}, {0.4, 6.0, 3026.0}, {0.3, 6.0, 2960.0}};
    auto absorbance = [&](double x) { return bands[0](x) + bands[1](x) + bands[2](x) + bands[3](x); };
    auto t = CurveOf([&](double x) { return 90.0 * std::pow(10.0, -absorbance(x)); });
    auto a = CurveOf([&](double x) { return absorbance(x); });

    auto measure = [](TSpCurveZQ735& c, float threshold, TAbsorptionBands kind, std::vector<float>& x) {
        const TFound f = Find(c, threshold);
        std::vector<TBandMetrics> peaks, valleys;
        c.BandMetricsOf(kind, peaks, valleys);
        const bool onValleys = kind == TAbsorptionBands::TransmittanceValleys;
        for (const TBandMetrics& m : onValleys ? peaks : valleys)
            EXPECT_FALSE(m.Measured);  // a maximum of %T is the gap between bands
        x.assign(onValleys ? f.ValleyX.begin() : f.PeakX.begin(),
                 (onValleys ? f.ValleyX.begin() : f.PeakX.begin()) + (onValleys ? f.Valleys : f.Peaks));
        return onValleys ? valleys : peaks;
    };
    std::vector<float> fullX, zoomX, absX;
    const std::vector<TBandMetrics> full = measure(*t, 2.0f, TAbsorptionBands::TransmittanceValleys, fullX);
    ASSERT_EQ(fullX.size(), 3u);
    // The view starts on the middle band's left flank.
    t->SetView(3075.0f, 2900.0f, 0.0f, 100.0f, 384);
    const std::vector<TBandMetrics> zoomed = measure(*t, 2.0f, TAbsorptionBands::TransmittanceValleys, zoomX);
    ASSERT_EQ(zoomX, (std::vector<float>{fullX[1], fullX[2]}));
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_TRUE(zoomed[i].Measured);
        EXPECT_EQ(zoomed[i].Fwhm, full[i + 1].Fwhm) << zoomX[i];
        EXPECT_EQ(zoomed[i].Area, full[i + 1].Area) << zoomX[i];
    }
    // The same bands in absorbance are the peaks, with the same figures.
    const std::vector<TBandMetrics> onA = measure(*a, 0.02f, TAbsorptionBands::AbsorbancePeaks, absX);
    ASSERT_EQ(absX, fullX);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(onA[i].Fwhm, full[i].Fwhm, 0.05f) << absX[i];
        EXPECT_NEAR(onA[i].Area, full[i].Area, 1e-3f) << absX[i];
        EXPECT_GT(onA[i].Area, 0.0f);
    }
    // The middle band reaches its own left maximum: wider than the search's
    // turning point one step past it would make it.
    const int32_t middle = t->ValleyList[0];
    const TExtremum own = TurningPointsOf(t->GetData(), t->GetCount(), middle, true);
    std::vector<float> x(static_cast<size_t>(t->GetCount()));
    for (int32_t i = 0; i < t->GetCount(); ++i)
        x[static_cast<size_t>(i)] = t->XAtIndex(i);
    EXPECT_EQ(BandMetrics(x.data(), t->GetData(), own, true, true).Area, zoomed[0].Area);
    EXPECT_NE(
        BandMetrics(x.data(), t->GetData(), TExtremum{middle, own.Left + 1, own.Right}, true, true).Area,
        zoomed[0].Area);
    // No bands in a single-beam spectrum or a time drive.
    EXPECT_EQ(AbsorptionBandsOf(2, false), TAbsorptionBands::None);
    EXPECT_EQ(AbsorptionBandsOf(0, true), TAbsorptionBands::None);
    EXPECT_EQ(AbsorptionBandsOf(1, false), TAbsorptionBands::AbsorbancePeaks);
}

// --- data table ---------------------------------------------------------------------------

TEST(DataTable, ColumnsOfAWavenumberCurveAndOfATimeDrive)
{
    auto c = CurveOf([](double x) { return x / 100.0; });
    TDataTableColumns t = DataTableColumns(*c, false, 0, 0, 0);
    ASSERT_EQ(t.X.size(), 2601u);
    EXPECT_EQ(t.X[0], 4000.0f);
    EXPECT_EQ(t.X[1000], 2000.0f);
    EXPECT_EQ(t.X[1001], 1999.0f);
    EXPECT_FLOAT_EQ(t.Y[1001], 19.99f);

    t = DataTableColumns(*c, true, 0.0f, 1000.0f, 1000);
    EXPECT_TRUE(t.TimeDrive);
    EXPECT_EQ(t.X[0], 0.0f);
    EXPECT_NEAR(t.X[1], 1.001f, 1e-5);
    EXPECT_NEAR(t.X[2], 2.002f, 1e-5);
    EXPECT_EQ(t.X[999], 1000.0f);
    // Beyond the drive's length the stored abscissas stay.
    EXPECT_EQ(t.X[1000], 2000.0f);

    // A drive of one point starts at 0 all the same.
    t = DataTableColumns(*c, true, 0.0f, 60.0f, 1);
    EXPECT_EQ(t.X[0], 0.0f);
}

TEST(DataTable, RowsAndCopiedText)
{
    TDataTableColumns t;
    t.X = {4000.0f, 3998.0f, 3996.5f};
    t.Y = {91.234f, 5.0f, -0.006f};
    EXPECT_EQ(DataTableText(t, 0, 3),
              "序号\t波数\t测量值\r\n1\t4000.00\t91.23\r\n2\t3998.00\t5.00\r\n3\t3996.50\t-0.01");
    EXPECT_EQ(DataTableText(t, 2, 2), "2\t3998.00\t5.00");
    EXPECT_TRUE(DataTableRow(t, 4).empty());
    t.TimeDrive = true;
    EXPECT_EQ(DataTableRow(t, 0)[1], "时间");
    EXPECT_EQ(DataTableText(TDataTableColumns{}, 0, 0), "序号\t波数\t测量值");
}

}  // namespace
