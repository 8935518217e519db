// The processing operations that work on a curve together with its slot's
// measurement record: %T/Abs conversion of one and of all curves, and the
// arithmetic between curves with its refusals.

#include "acquisition/CurveProcessing.h"

#include <cstring>
#include <functional>
#include <limits>

#include "tests/acquisition/EngineFixture.h"
#include "text/GbkText.h"

namespace {

class CurveProcessingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestGuiApp();
        Canvas.fill(Qt::white);
        Surface = std::make_unique<TSpImage>(nullptr, &Canvas, 0, 0, Canvas.width(), Canvas.height());
        Graph = std::make_unique<TSpGraph735>(nullptr, Surface.get());
        Graph->SetStartRanges();
        Model = std::make_unique<TApparaZQ735>(Sink, *Graph, std::string());
    }
    void TearDown() override
    {
        Model.reset();
        Graph.reset();
    }

    // A curve with `values` in slot `slot` (the lower slots are filled and
    // freed again), measured in `mode`.
    TSpCurveZQ735* AddCurve(int slot, std::vector<float> values, uint8_t mode = 0, uint8_t speed = 2)
    {
        std::vector<int> fillers;
        while (Graph->FreeSlot() < slot)
            fillers.push_back(Graph->NewCurve());
        EXPECT_EQ(Graph->NewCurve(), slot);
        for (int f : fillers)
            Graph->DeleteCurve(f);
        TSpCurveZQ735* c = Graph->CurveAt(slot);
        c->AppendData(values.data(), static_cast<int32_t>(values.size()));
        TMeasureParams* p = Model->ParamsOfSlot(slot);
        p->Mode = mode;
        p->Speed = speed;
        return c;
    }
    static std::vector<float> Values(TSpCurveZQ735* c) { return {c->GetData(), c->GetData() + c->GetCount()}; }
    static std::string YTitle(TSpCurveZQ735* c) { return GbkFieldToUtf8(c->GetInfo().YTitle); }

    TRecordingSink Sink;
    QImage Canvas{800, 500, QImage::Format_RGB32};
    std::unique_ptr<TSpImage> Surface;
    std::unique_ptr<TSpGraph735> Graph;
    std::unique_ptr<TApparaZQ735> Model;
};

TEST_F(CurveProcessingTest, OneSlotFlipsByItsOwnMode)
{
    TSpCurveZQ735* c = AddCurve(0, {100.0f, 10.0f, 0.0f});
    ASSERT_TRUE(ConvertSlotTA(*Model, 0));
    EXPECT_EQ(Values(c), (std::vector<float>{0.0f, 1.0f, 4.0f}));
    EXPECT_EQ(Model->ParamsOfSlot(0)->Mode, 1);
    EXPECT_EQ(YTitle(c), "吸光度");
    ASSERT_TRUE(ConvertSlotTA(*Model, 0));
    EXPECT_EQ(Values(c), (std::vector<float>{100.0f, 10.0f, 0.01f}));
    EXPECT_EQ(Model->ParamsOfSlot(0)->Mode, 0);
    EXPECT_EQ(YTitle(c), "透过率");

    // Refused: empty slot, slot out of range, energy.
    EXPECT_FALSE(ConvertSlotTA(*Model, 1));
    EXPECT_FALSE(ConvertSlotTA(*Model, 20));
    EXPECT_FALSE(ConvertSlotTA(*Model, -1));
    Model->ParamsOfSlot(0)->Mode = 2;
    EXPECT_FALSE(ConvertSlotTA(*Model, 0));
    EXPECT_EQ(Values(c), (std::vector<float>{100.0f, 10.0f, 0.01f}));
}

TEST_F(CurveProcessingTest, AllCurvesConvertAndTheViewFollowsTheCurrentOne)
{
    EXPECT_FALSE(ConvertAllTA(*Model));  // nothing on the graph
    TSpCurveZQ735* t = AddCurve(0, {10.0f});
    TSpCurveZQ735* a = AddCurve(3, {1.0f}, 1);
    ASSERT_EQ(Graph->CurrentIndex(), 0);
    Sink.Messages.clear();
    ASSERT_TRUE(ConvertAllTA(*Model));
    // Each curve by its own mode: both flipped.
    EXPECT_FLOAT_EQ(t->GetData()[0], 1.0f);
    EXPECT_FLOAT_EQ(a->GetData()[0], 10.0f);
    EXPECT_EQ(Graph->YViewFrom, -2.0f);
    EXPECT_EQ(Graph->YViewTo, 2.0f);
    Sink.Pump();
    EXPECT_EQ(Sink.Count(UM_CURVE_LIST, 1, 0), 1);
    ASSERT_TRUE(ConvertAllTA(*Model));
    EXPECT_EQ(Graph->YViewFrom, 0.0f);
    EXPECT_EQ(Graph->YViewTo, 100.0f);
}

TEST_F(CurveProcessingTest, AnEnergyCurveStopsTheConversionWhereItStands)
{
    TSpCurveZQ735* first = AddCurve(2, {10.0f});
    TSpCurveZQ735* energy = AddCurve(5, {55.0f}, 2);
    const TGraphView before = Graph->GetViewRange();
    Sink.Messages.clear();
    EXPECT_FALSE(ConvertAllTA(*Model));
    EXPECT_FLOAT_EQ(first->GetData()[0], 1.0f);  // converted before the refusal
    EXPECT_EQ(Model->ParamsOfSlot(2)->Mode, 1);
    EXPECT_EQ(energy->GetData()[0], 55.0f);
    EXPECT_EQ(Graph->GetViewRange().YFrom, before.YFrom);
    EXPECT_EQ(Graph->GetViewRange().YTo, before.YTo);
    Sink.Pump();
    EXPECT_EQ(Sink.Count(UM_CURVE_LIST), 0);
}

TEST_F(CurveProcessingTest, ArithmeticRefusesWhatDoesNotMatch)
{
    TSpCurveZQ735* a = AddCurve(0, {10.0f, 20.0f, 30.0f});
    TSpCurveZQ735* b = AddCurve(1, {2.0f, 0.0f, 3.0f});
    const TMeasureParams pa = *Model->ParamsOfSlot(0);
    TMeasureParams pb = *Model->ParamsOfSlot(1);

    EXPECT_EQ(ArithmeticWithCurve(*a, pa, *b, pb, ArithDiv), nullptr);
    EXPECT_EQ(Values(a), (std::vector<float>{5.0f, 20.0f, 10.0f}));
    EXPECT_EQ(Values(b), (std::vector<float>{2.0f, 0.0f, 3.0f}));

    // Another speed, start or end: refused with the three-line text, nothing changed.
    struct {
        const char* What;
        void (*Change)(TMeasureParams&);
    } const differ[] = {
        {"speed", [](TMeasureParams& p) { p.Speed = 3; }},
        {"start", [](TMeasureParams& p) { p.XStart = 3999.0f; }},
        {"end", [](TMeasureParams& p) { p.XEnd = 401.0f; }},
    };
    for (const auto& d : differ) {
        TMeasureParams other = pb;
        d.Change(other);
        EXPECT_STREQ(ArithmeticWithCurve(*a, pa, *b, other, ArithAdd), "波数范围不一样\n或扫描速度不一样\n无法进行运算")
            << d.What;
        EXPECT_EQ(Values(a), (std::vector<float>{5.0f, 20.0f, 10.0f})) << d.What;
    }

    EXPECT_STREQ(ArithmeticWithConstant(*a, ArithDiv, 5e-8f), "除数太小，不能进行运算");
    EXPECT_STREQ(ArithmeticWithConstant(*a, ArithDiv, -1e-7f), "除数太小，不能进行运算");
    EXPECT_EQ(Values(a), (std::vector<float>{5.0f, 20.0f, 10.0f}));
    EXPECT_EQ(ArithmeticWithConstant(*a, ArithMul, 100.0f), nullptr);
    EXPECT_EQ(Values(a), (std::vector<float>{500.0f, 2000.0f, 1000.0f}));
    // A tiny constant is no divisor, but it is a summand.
    EXPECT_EQ(ArithmeticWithConstant(*a, ArithAdd, 5e-8f), nullptr);

    // A curve from itself.
    EXPECT_EQ(ArithmeticWithCurve(*a, pa, *a, pa, ArithSub), nullptr);
    EXPECT_EQ(Values(a), (std::vector<float>{0.0f, 0.0f, 0.0f}));
}

TEST_F(CurveProcessingTest, ArithmeticRefusesPointsOnAnotherGrid)
{
    // The same records (range and speed), two spacings: a scan at 2 and
    // 1 cm-1 against a spectrum imported at 4 and 2 cm-1.
    auto onGrid = [&](int slot, int32_t upper, int32_t lower, int32_t points) {
        TSpCurveZQ735* c = AddCurve(slot, {});
        c->SetScanRange(4000.0f, 400.0f, 0.0f, 100.0f, 2000.0f, upper, lower);
        const std::vector<float> v(static_cast<size_t>(points), 50.0f);
        c->AppendData(v.data(), points);
        return c;
    };
    TSpCurveZQ735* scan = onGrid(0, 1001, 1601, 2601);
    TSpCurveZQ735* imported = onGrid(1, 501, 801, 1301);
    TSpCurveZQ735* stopped = onGrid(2, 1001, 1601, 700);
    ASSERT_NE(scan->XAtIndex(1), imported->XAtIndex(1));
    const TMeasureParams p = *Model->ParamsOfSlot(0);
    for (TArithmeticOp op : {ArithAdd, ArithSub, ArithMul, ArithDiv}) {
        EXPECT_STREQ(ArithmeticWithCurve(*scan, p, *imported, p, op), kGridsDifferText);
        EXPECT_STREQ(ArithmeticWithCurve(*imported, p, *scan, p, op), kGridsDifferText);
    }
    EXPECT_EQ(Values(scan), std::vector<float>(2601, 50.0f));
    EXPECT_EQ(Values(imported), std::vector<float>(1301, 50.0f));
    // A scan stopped early lies on the same grid as far as it goes.
    EXPECT_EQ(ArithmeticWithCurve(*scan, p, *stopped, p, ArithDiv), nullptr);
    EXPECT_EQ(scan->GetData()[0], 1.0f);
    EXPECT_EQ(scan->GetData()[2600], 50.0f);
}

TEST_F(CurveProcessingTest, ResultsOutOfTheStoredRangeAreRefusedAndChangeNothing)
{
    const std::vector<float> large{1e33f, -2e33f, 0.0f, 5.0f};
    const std::vector<float> small{1e-30f, -2e-30f, 0.0f, 1e-35f};
    const float inf = std::numeric_limits<float>::infinity();
    using TRun = std::function<const char*(TSpCurveZQ735&, TSpCurveZQ735&)>;
    auto withCurve = [this](TArithmeticOp op) {
        return TRun([this, op](TSpCurveZQ735& a, TSpCurveZQ735& b) {
            return ArithmeticWithCurve(a, *Model->ParamsOfSlot(0), b, *Model->ParamsOfSlot(1), op);
        });
    };
    struct {
        const char* What;
        std::vector<float> Start;
        std::vector<float> Second;
        TRun Run;
    } const cases[] = {
        {"mul 1e10 overflows",
         large,
         {},
         [](auto& a, auto&) { return ArithmeticWithConstant(a, ArithMul, 1e10f); }},
        {"div 1e-7 overflows",
         large,
         {},
         [](auto& a, auto&) { return ArithmeticWithConstant(a, ArithDiv, 2e-7f); }},
        {"add inf", small, {}, [inf](auto& a, auto&) { return ArithmeticWithConstant(a, ArithAdd, inf); }},
        {"mul 1e-20 vanishes",
         small,
         {},
         [](auto& a, auto&) { return ArithmeticWithConstant(a, ArithMul, 1e-20f); }},
        {"div inf vanishes",
         large,
         {},
         [inf](auto& a, auto&) { return ArithmeticWithConstant(a, ArithDiv, inf); }},
        {"expand overflows", large, {}, [](auto& a, auto&) { return ExpandAbsorption(a, 2e-6f); }},
        {"expand vanishes", small, {}, [](auto& a, auto&) { return ExpandAbsorption(a, 1e20f); }},
        {"curve times curve overflows", large, {1e10f, 1.0f, 1.0f, 1.0f}, withCurve(ArithMul)},
        {"curve over curve vanishes", small, {1e20f, 1e20f, 1e20f, 1e20f}, withCurve(ArithDiv)},
    };
    for (const auto& c : cases) {
        TSpCurveZQ735* a = AddCurve(0, c.Start);
        TSpCurveZQ735* b = AddCurve(1, c.Second.empty() ? c.Start : c.Second);
        EXPECT_STREQ(c.Run(*a, *b), kOutOfRangeText) << c.What;
        EXPECT_EQ(Values(a), c.Start) << c.What;
        Graph->DeleteCurve(0);
        Graph->DeleteCurve(1);
    }
    // Zeros asked for are no underflow: a factor of zero, a curve minus itself.
    TSpCurveZQ735* a = AddCurve(0, small);
    EXPECT_EQ(ArithmeticWithConstant(*a, ArithMul, 0.0f), nullptr);
    EXPECT_EQ(Values(a), std::vector<float>(4, 0.0f));
    EXPECT_EQ(ArithmeticWithCurve(*a, *Model->ParamsOfSlot(0), *a, *Model->ParamsOfSlot(0), ArithSub),
              nullptr);
}

}  // namespace
