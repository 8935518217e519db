// The undo stack of the processing commands, with a model and a graph and no
// window: every kind of command taken back bit for bit, its depth, deleted
// curves coming back, and never a curve touched that the command did not change.

#include "ui/ProcessingUndo.h"

#include <QImage>
#include <cstring>
#include <functional>
#include <iterator>

#include "acquisition/ApparaZQ735.h"
#include "acquisition/CurveProcessing.h"
#include "plot/SpGraph735.h"
#include "spectra/SpCurveZQ735.h"
#include "surface/SpImage.h"
#include "tests/support/GuiApp.h"
#include "text/GbkText.h"

namespace {

constexpr auto Done = TProcessingUndo::TResult::Done;

class TQuietSink : public TMessageSink {
public:
    void Post(unsigned, intptr_t, intptr_t) override {}
    void ShowError(const std::string&) override {}
};

class ProcessingUndoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Canvas.fill(Qt::white);
        Surface = std::make_unique<TSpImage>(nullptr, &Canvas, 0, 0, Canvas.width(), Canvas.height());
        Graph = std::make_unique<TSpGraph735>(nullptr, Surface.get());
        Graph->SetStartRanges();
        uint32_t colors[TSpGraph735::SlotCount];
        for (uint32_t i = 0; i < TSpGraph735::SlotCount; ++i)
            colors[i] = 0x00100000u * i + 0x30u;
        Graph->SetCurveColors(colors, TSpGraph735::SlotCount);
        Model = std::make_unique<TApparaZQ735>(Sink, *Graph, std::string());
        Undo = std::make_unique<TProcessingUndo>(*Model);
    }
    void TearDown() override
    {
        Undo.reset();
        Model.reset();
        Graph.reset();
    }

    // A %T curve with an irregular band, so that float rounding shows.
    int AddCurve(float depth)
    {
        const int slot = Graph->NewCurve();
        TSpCurveZQ735* c = Graph->CurveAt(slot);
        std::vector<float> v(301);
        for (size_t i = 0; i < v.size(); ++i)
            v[i] = 95.0f - depth / (1.0f + 0.013f * static_cast<float>((i - 140) * (i - 140))) +
                   0.37f * static_cast<float>(i % 7);
        c->AppendData(v.data(), static_cast<int32_t>(v.size()));
        SetGbkField(c->Info.Name, "样品");
        return slot;
    }

    // Everything undo must bring back: values, texts and the slot's record.
    std::vector<uint8_t> State(int slot)
    {
        std::vector<uint8_t> b;
        TSpCurveZQ735* c = Graph->CurveAt(slot);
        if (c == nullptr)
            return b;
        const TCurveInfo info = c->GetInfo();
        b.insert(b.end(), reinterpret_cast<const uint8_t*>(&info),
                 reinterpret_cast<const uint8_t*>(&info) + 100);
        b.insert(b.end(), reinterpret_cast<const uint8_t*>(c->GetData()),
                 reinterpret_cast<const uint8_t*>(c->GetData() + c->GetCount()));
        const TMeasureParams* p = Model->ParamsOfSlot(slot);
        b.insert(b.end(), reinterpret_cast<const uint8_t*>(p),
                 reinterpret_cast<const uint8_t*>(p) + sizeof *p);
        b.push_back(static_cast<uint8_t>(c->GetColor() & 0xFF));
        return b;
    }

    TQuietSink Sink;
    QImage Canvas{800, 500, QImage::Format_RGB32};
    std::unique_ptr<TSpImage> Surface;
    std::unique_ptr<TSpGraph735> Graph;
    std::unique_ptr<TApparaZQ735> Model;
    std::unique_ptr<TProcessingUndo> Undo;
};

TEST_F(ProcessingUndoTest, EveryKindOfCommandComesBackBitForBit)
{
    const int a = AddCurve(60.0f);
    const int b = AddCurve(30.0f);
    Graph->SetCurrent(a);
    TSpCurveZQ735* ca = Graph->CurveAt(a);
    TSpCurveZQ735* cb = Graph->CurveAt(b);

    struct {
        const char* Name;
        std::function<void()> Run;
        std::vector<int> Slots;
        bool All;
    } const commands[] = {
        {"convert", [&] { ConvertAllTA(*Model); }, {}, true},
        {"expand", [&] { ScaleAbsorption(*ca, 0.37f); }, {a}, false},
        {"smooth", [&] { Smooth(*ca); }, {a}, false},
        {"derive 3",
         [&] {
             for (int i = 0; i < 3; ++i)
                 Differentiate(*ca);
         },
         {a},
         false},
        {"divide",
         [&] { ArithmeticWithCurve(*ca, *Model->ParamsOfSlot(a), *cb, *Model->ParamsOfSlot(b), ArithDiv); },
         {a},
         false},
        {"attributes",
         [&] {
             SetGbkField(ca->Info.Name, "改名");
             SetGbkField(Model->ParamsOfSlot(a)->Note, "注释\r\n");
             SetGbkField(Model->ParamsOfSlot(a)->BatchNo, "B-7");
         },
         {a},
         false},
    };
    // Applied one after the other, then taken back in reverse order: each
    // undo must give exactly the state before its command.
    const float yView[2] = {Graph->YViewFrom, Graph->YViewTo};
    std::vector<std::pair<std::vector<uint8_t>, std::vector<uint8_t>>> before;
    for (const auto& c : commands) {
        before.emplace_back(State(a), State(b));
        const float yFrom = Graph->YViewFrom;
        ASSERT_TRUE(Undo->Commit([&] {
            auto e = c.All ? Undo->SnapshotAll(true) : Undo->Snapshot(c.Slots);
            c.Run();
            return e;
        }()))
            << c.Name;
        EXPECT_NE(before.back(), std::make_pair(State(a), State(b))) << c.Name;
        if (c.All) {
            EXPECT_NE(Graph->YViewFrom, yFrom);
        }
    }
    EXPECT_EQ(Undo->Count(), 6);
    for (size_t i = std::size(commands); i-- > 0;) {
        ASSERT_EQ(Undo->Undo(), Done) << commands[i].Name;
        EXPECT_EQ(State(a), before[i].first) << commands[i].Name;
        EXPECT_EQ(State(b), before[i].second) << commands[i].Name;
    }
    // The conversion took the view with it.
    EXPECT_EQ(Graph->YViewFrom, yView[0]);
    EXPECT_EQ(Graph->YViewTo, yView[1]);
    EXPECT_FALSE(Undo->CanUndo());
    EXPECT_EQ(Undo->Undo(), TProcessingUndo::TResult::Nothing);
}

TEST_F(ProcessingUndoTest, ACommandThatChangedNothingLeavesNothingToUndo)
{
    const int a = AddCurve(40.0f);
    TSpCurveZQ735* c = Graph->CurveAt(a);
    auto e = Undo->Snapshot({a});
    ScaleAbsorption(*c, 0.0f);  // does nothing
    EXPECT_FALSE(Undo->Commit(std::move(e)));
    // A refused conversion after a partial one is still undone.
    Model->ParamsOfSlot(AddCurve(10.0f))->Mode = 2;
    const std::vector<uint8_t> s = State(a);
    e = Undo->SnapshotAll(true);
    EXPECT_FALSE(ConvertAllTA(*Model));
    EXPECT_TRUE(Undo->Commit(std::move(e)));
    ASSERT_EQ(Undo->Undo(), Done);
    EXPECT_EQ(State(a), s);
}

TEST_F(ProcessingUndoTest, KeepsTheLastTwentyCommands)
{
    const int a = AddCurve(40.0f);
    std::vector<std::vector<uint8_t>> states;
    for (int i = 0; i < 25; ++i) {
        states.push_back(State(a));
        auto e = Undo->Snapshot({a});
        ScaleAbsorption(*Graph->CurveAt(a), 1.5f);
        Undo->Commit(std::move(e));
    }
    EXPECT_EQ(Undo->Count(), TProcessingUndo::Depth);
    int undone = 0;
    while (Undo->Undo() == Done)
        ++undone;
    EXPECT_EQ(undone, 20);
    EXPECT_EQ(State(a), states[5]);
}

TEST_F(ProcessingUndoTest, ADeletedCurveComesBackIntoAFreeSlotNeverOverAnother)
{
    const int a = AddCurve(10.0f);
    const int b = AddCurve(20.0f);
    const int c = AddCurve(30.0f);
    Model->ParamsOfSlot(b)->Speed = 4;
    SetGbkField(Model->ParamsOfSlot(b)->BatchNo, "批号");
    Graph->SetCurrent(b);
    const std::vector<uint8_t> kept = State(b);
    const uint32_t color = Graph->CurveAt(b)->GetColor();
    ASSERT_NE(color, Graph->CurveAt(a)->GetColor());

    Undo->RecordDeletion(b);
    Graph->DeleteCurve(b);
    *Model->ParamsOfSlot(b) = TMeasureParams{};  // whatever happens to the record meanwhile
    ASSERT_EQ(Graph->CurrentIndex(), a);
    ASSERT_EQ(Undo->Undo(), Done);
    ASSERT_NE(Graph->CurveAt(b), nullptr);
    EXPECT_EQ(State(b), kept);
    EXPECT_EQ(Graph->CurveAt(b)->GetColor(), color);
    EXPECT_EQ(Graph->CurrentIndex(), b);
    EXPECT_EQ(Graph->CurveCount, 3);

    // Its slot holds another curve by then: it comes back into the first free
    // one, and the other curve stays as it is.
    const std::vector<uint8_t> deleted = State(c);
    Undo->RecordDeletion(c);
    Graph->DeleteCurve(c);
    ASSERT_EQ(AddCurve(70.0f), c);
    const std::vector<uint8_t> other = State(c);
    ASSERT_EQ(Undo->Undo(), Done);
    EXPECT_EQ(State(c), other);
    const int moved = c + 1;
    ASSERT_NE(Graph->CurveAt(moved), nullptr);
    std::vector<uint8_t> back = State(moved);
    // The colour is the new slot's; everything else is the curve's own.
    EXPECT_EQ(Graph->CurveAt(moved)->GetColor(), Graph->SlotColors[static_cast<size_t>(moved)]);
    back.back() = deleted.back();
    EXPECT_EQ(back, deleted);
    EXPECT_EQ(Graph->CurveCount, 4);

    // With every slot taken it has nowhere to go: refused, dropped, nothing touched.
    Undo->RecordDeletion(a);
    Graph->DeleteCurve(a);
    while (Graph->FreeSlot() >= 0)
        AddCurve(5.0f);
    const std::vector<uint8_t> first = State(a);
    EXPECT_EQ(Undo->Undo(), TProcessingUndo::TResult::NoFreeSlot);
    EXPECT_FALSE(Undo->CanUndo());
    EXPECT_EQ(State(a), first);
}

// Smooth a curve, delete it, import another into the freed slot, undo twice:
// the imported spectrum must come out bit for bit, the deleted one comes back
// elsewhere as it was before smoothing.
TEST_F(ProcessingUndoTest, UndoNeverTouchesACurveThatTookAFreedSlot)
{
    const int a = AddCurve(60.0f);
    const std::vector<uint8_t> original = State(a);
    auto e = Undo->Snapshot({a});
    Smooth(*Graph->CurveAt(a));
    ASSERT_TRUE(Undo->Commit(std::move(e)));
    Undo->RecordDeletion(a);
    Graph->DeleteCurve(a);

    // The same number of points, another spectrum, name and record.
    ASSERT_EQ(AddCurve(25.0f), a);
    SetGbkField(Graph->CurveAt(a)->Info.Name, "导入");
    Model->ParamsOfSlot(a)->Mode = 1;
    SetGbkField(Model->ParamsOfSlot(a)->Note, "JCAMP");
    const std::vector<uint8_t> imported = State(a);

    ASSERT_EQ(Undo->Undo(), Done);
    ASSERT_EQ(Undo->Undo(), Done);
    EXPECT_EQ(State(a), imported);
    std::vector<uint8_t> back = State(a + 1);
    ASSERT_FALSE(back.empty());
    back.back() = original.back();  // the colour of its new slot
    EXPECT_EQ(back, original);
}

TEST_F(ProcessingUndoTest, ACurveRefilledByAScanIsNotUndoneButTheScanIs)
{
    const int a = AddCurve(40.0f);
    TSpCurveZQ735* c = Graph->CurveAt(a);
    const std::vector<uint8_t> original = State(a);
    auto e = Undo->Snapshot({a});
    ScaleAbsorption(*c, 2.0f);
    ASSERT_TRUE(Undo->Commit(std::move(e)));
    const std::vector<uint8_t> expanded = State(a);

    // A scan clears the curve and fills it again, the same length.
    auto replaced = Undo->Snapshot({a});
    c->Clear();
    std::vector<float> v(301, 55.5f);
    c->AppendData(v.data(), static_cast<int32_t>(v.size()));
    EXPECT_FALSE(Undo->RecordReplacement(Undo->Snapshot({a})));  // the same curve: no replacement
    ASSERT_TRUE(Undo->RecordReplacement(std::move(replaced)));
    const std::vector<uint8_t> scanned = State(a);

    // The scan is taken back, then the expansion before it.
    ASSERT_EQ(Undo->Undo(), Done);
    EXPECT_EQ(State(a), expanded);
    ASSERT_EQ(Undo->Undo(), Done);
    EXPECT_EQ(State(a), original);

    // Without the scan's entry, the expansion's entry finds another spectrum.
    e = Undo->Snapshot({a});
    ScaleAbsorption(*Graph->CurveAt(a), 2.0f);
    ASSERT_TRUE(Undo->Commit(std::move(e)));
    Graph->CurveAt(a)->Clear();
    Graph->CurveAt(a)->AppendData(v.data(), static_cast<int32_t>(v.size()));
    EXPECT_EQ(Undo->Undo(), TProcessingUndo::TResult::CurveGone);
    EXPECT_EQ(State(a), scanned);
    EXPECT_FALSE(Undo->CanUndo());
}

}  // namespace
