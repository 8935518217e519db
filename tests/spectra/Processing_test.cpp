// The processing operations on values: conversion, expansion, smoothing,
// difference and arithmetic, with the instrument's worked numbers.

#include "spectra/Processing.h"
#include "spectra/SpCurveZQ735.h"
#include "tests/spectra/CurveFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

using namespace curvetest;

namespace {

// A curve without surface whose owner counts repaints.
struct TOwnedCurve {
    explicit TOwnedCurve(const std::vector<float>& v)
    {
        TCurveInfo info = WavenumberInfo();
        info.PointCount = static_cast<int32_t>(v.size());
        Curve = std::make_unique<TSpCurveZQ735>(&Owner, info, v.data());
        Owner.Changed = 0;
    }
    std::vector<float> Values() { return {Curve->GetData(), Curve->GetData() + Curve->GetCount()}; }
    TRecordingOwner Owner;
    std::unique_ptr<TSpCurveZQ735> Curve;
};

TEST(Processing, TransmittanceAndAbsorbanceConvert)
{
    struct {
        float T, A;
    } const cases[] = {{100.0f, 0.0f}, {10.0f, 1.0f}, {1.0f, 2.0f}, {0.0f, 4.0f}, {-3.0f, 4.0f}, {1e-6f, 4.0f}};
    for (const auto& c : cases) {
        float v = c.T;
        TransmittanceToAbsorbance(&v, 1);
        EXPECT_FLOAT_EQ(v, c.A) << "%T " << c.T;
    }
    // A zero transmittance does not come back as zero.
    float a = 4.0f;
    AbsorbanceToTransmittance(&a, 1);
    EXPECT_FLOAT_EQ(a, 0.01f);

    // There and back again within float rounding.
    std::vector<float> t = {93.7f, 50.0f, 12.5f, 3.3f, 0.5f, 99.99f};
    std::vector<float> v = t;
    TransmittanceToAbsorbance(v.data(), static_cast<int32_t>(v.size()));
    AbsorbanceToTransmittance(v.data(), static_cast<int32_t>(v.size()));
    for (size_t i = 0; i < t.size(); ++i)
        EXPECT_NEAR(v[i], t[i], 1e-5 * t[i]);
}

TEST(Processing, AbsorptionExpansionDividesUnlessTheFactorVanishes)
{
    TOwnedCurve c({0.5f, 1.0f, -2.0f});
    ScaleAbsorption(*c.Curve, 0.5f);
    EXPECT_EQ(c.Values(), (std::vector<float>{1.0f, 2.0f, -4.0f}));
    EXPECT_EQ(c.Owner.Changed, 1);
    ScaleAbsorption(*c.Curve, 0.0f);
    ScaleAbsorption(*c.Curve, 1e-6f);
    EXPECT_EQ(c.Values(), (std::vector<float>{1.0f, 2.0f, -4.0f}));
    EXPECT_EQ(c.Owner.Changed, 1);
}

TEST(Processing, SmoothingRunsForwardOverItsOwnResults)
{
    std::vector<float> v(30, 0.0f);
    v[10] = 1.0f;
    SmoothValues(v.data(), 30);
    const float expected[] = {-0.0952f, 0.1156f, 0.3052f, 0.4461f, 0.1600f, 0.0804f};
    for (int i = 0; i < 6; ++i)
        EXPECT_NEAR(v[static_cast<size_t>(7 + i)], expected[i], 5e-5) << "index " << 7 + i;
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(v[static_cast<size_t>(i)], 0.0f);

    // The weights sum to 21: a constant stays, and so does a single point.
    std::vector<float> flat(12, 42.5f);
    SmoothValues(flat.data(), 12);
    for (float f : flat)
        EXPECT_FLOAT_EQ(f, 42.5f);
    float one = 7.0f;
    SmoothValues(&one, 1);
    EXPECT_EQ(one, 7.0f);

    // The last four points take the last raw value for all three right
    // neighbours: index 1 still sees the zeros, index 2 sees 21 three times.
    std::vector<float> tail = {0, 0, 0, 0, 0, 21};
    SmoothValues(tail.data(), 6);
    EXPECT_FLOAT_EQ(tail[1], 0.0f);
    EXPECT_FLOAT_EQ(tail[2], 7.0f);
}

TEST(Processing, DifferenceUsesRawNeighbours)
{
    struct {
        std::vector<float> In, Out;
    } const cases[] = {
        {{0, 1, 4, 9, 16}, {1, 4, 8, 12, 7}},
        {{5, 5, 5, 5}, {0, 0, 0, 0}},
        {{3}, {0}},
        {{1, 4}, {3, 3}},
        // A straight line: constant inside, one-sided (half of it) at the ends.
        {{10, 12, 14, 16, 18}, {2, 4, 4, 4, 2}},
    };
    for (const auto& c : cases) {
        std::vector<float> v = c.In;
        DifferentiateValues(v.data(), static_cast<int32_t>(v.size()));
        EXPECT_EQ(v, c.Out);
    }
}

TEST(Processing, CurveFormsRepaintOnlyWhenThereIsSomething)
{
    TOwnedCurve empty({});
    Smooth(*empty.Curve);
    Differentiate(*empty.Curve);
    EXPECT_EQ(empty.Owner.Changed, 0);

    TOwnedCurve c({0, 1, 4, 9, 16});
    Differentiate(*c.Curve);
    EXPECT_EQ(c.Values(), (std::vector<float>{1, 4, 8, 12, 7}));
    Differentiate(*c.Curve);
    EXPECT_EQ(c.Values(), (std::vector<float>{3, 7, 8, -1, -5}));
    Smooth(*c.Curve);
    EXPECT_EQ(c.Owner.Changed, 3);
}

TEST(Processing, ArithmeticPointByPoint)
{
    struct {
        TArithmeticOp Op;
        std::vector<float> A, B, Out;
    } const cases[] = {
        {ArithAdd, {1, 2, 3}, {10, 20, 30}, {11, 22, 33}},
        {ArithSub, {1, 2, 3}, {1, 2, 3}, {0, 0, 0}},
        {ArithMul, {1, 2, 3}, {2, 2, 0.5f}, {2, 4, 1.5f}},
        // A zero point of the divisor keeps the first curve's value.
        {ArithDiv, {8, 9, 10}, {2, 0, 5e-8f}, {4, 9, 10}},
        // A shorter second curve: the rest of the first stays as it was.
        {ArithAdd, {1, 2, 3, 4}, {1, 1}, {2, 3, 3, 4}},
        {ArithDiv, {1, 2}, {}, {1, 2}},
    };
    for (const auto& c : cases) {
        std::vector<float> a = c.A;
        CombineWithValues(a.data(), static_cast<int32_t>(a.size()), c.B.data(), static_cast<int32_t>(c.B.size()),
                          c.Op);
        EXPECT_EQ(a, c.Out) << "op " << c.Op;
    }
    // A curve combined with itself.
    std::vector<float> self = {3, -4, 0};
    CombineWithValues(self.data(), 3, self.data(), 3, ArithSub);
    EXPECT_EQ(self, (std::vector<float>{0, 0, 0}));

    std::vector<float> k = {1, 2, 3};
    CombineWithConstant(k.data(), 3, ArithMul, 100.0f);
    EXPECT_EQ(k, (std::vector<float>{100, 200, 300}));
    CombineWithConstant(k.data(), 3, ArithDiv, 4.0f);
    EXPECT_EQ(k, (std::vector<float>{25, 50, 75}));
}

}  // namespace
