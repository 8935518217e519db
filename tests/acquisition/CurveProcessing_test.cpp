// The processing operations that work on a curve together with its slot's
// measurement record: %T/Abs conversion of one and of all curves, and the
// arithmetic between curves with its refusals.

#include "acquisition/CurveProcessing.h"
#include "text/GbkText.h"
#include "tests/acquisition/EngineFixture.h"

#include <cstring>

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

}  // namespace
