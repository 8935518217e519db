// The task engine against the simulated instrument: reset, calibration,
// scans with their start rules, stop, repeats and request replacement.

#include "tests/acquisition/EngineFixture.h"

#include <cmath>
#include <functional>

namespace {

TEST_F(EngineTest, IdlePassesShowTheStateAndAReading)
{
    StartEngine();
    ASSERT_TRUE(WaitUntil([&] { return Sink.Count(UM_READING) >= 2; }));
    EXPECT_EQ(Model->InstrumentState(), StatePresent);
    EXPECT_GE(Sink.Count(UM_STATE, 0, StatePresent), 1);
    EXPECT_TRUE(Sink.Errors.empty());
}

TEST_F(EngineTest, ResetBacksOffThePositionSensorThenCalibrates)
{
    StartEngine();
    {
        auto lock = Sim->LockInstrument();
        Sim->Instrument().SetPosition(0, 2);  // parked on the sensor
        ASSERT_TRUE(Sim->Instrument().OnPositionSensor());
    }
    ASSERT_TRUE(RunAndWait([&] { Task->RequestReset(); }));
    EXPECT_EQ(LastResult, 0);
    EXPECT_TRUE(Sink.Errors.empty());
    EXPECT_EQ(Model->InstrumentState(), StateReady);
    // Phases: slit, grating, filter, shutter, then the end of the reset.
    EXPECT_EQ(Sink.Count(UM_RESET_PROGRESS, (3 << 16) | 0, 1200), 1);
    EXPECT_EQ(Sink.Count(UM_RESET_PROGRESS, (1 << 16) | 0, 32600), 1);
    EXPECT_EQ(Sink.Count(UM_RESET_PROGRESS, (1 << 16) | 2, 209), 1);
    EXPECT_EQ(Sink.Count(UM_RESET_PROGRESS, (4 << 16) | 2, 209), 1);
    EXPECT_EQ(Sink.Count(UM_RESET_PROGRESS, 3, 209), 1);
    EXPECT_EQ(Model->GratingPosition(), 0);
    EXPECT_FLOAT_EQ(Model->CurrentWavenumber(), 4000.0f);
    {
        auto lock = Sim->LockInstrument();
        EXPECT_EQ(Sim->Instrument().Position(0), 0);
    }
    // Calibrated: the open beam reads near 100 %T at 4000 cm-1.
    const size_t mark = Sink.Messages.size();
    ASSERT_TRUE(WaitUntil([&] {
        for (size_t i = mark; i < Sink.Messages.size(); ++i)
            if (Sink.Messages[i].Msg == UM_READING)
                return true;
        return false;
    }));
    for (size_t i = mark; i < Sink.Messages.size(); ++i) {
        if (Sink.Messages[i].Msg == UM_READING) {
            EXPECT_NEAR(Sink.Messages[i].L / 10000.0, 100.0, 3.0);
            break;
        }
    }
}

class EngineScanTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        StartEngine();
        ASSERT_TRUE(RunAndWait([&] { Task->RequestReset(); }));
        ASSERT_EQ(LastResult, 0);
    }
    TMeasureParams Slot0() { return *Model->ParamsOfSlot(0); }
};

// A grating left inside the range (by "波数检索" or a stopped scan) goes back
// to the range's start: the scan never leaves the top of the range unmeasured.
TEST_F(EngineScanTest, AGratingInsideTheRangeGoesBackToItsStart)
{
    ASSERT_TRUE(RunAndWait([&] { Task->RequestGoto(3000.0f); }));
    EXPECT_NEAR(Model->CurrentWavenumber(), 3000.0f, 0.3f);
    SetScanParams(3100.0f, 2900.0f);
    ASSERT_TRUE(RunAndWait([&] { Task->RequestScan(20); }));
    EXPECT_EQ(LastResult, 0);
    EXPECT_FLOAT_EQ(Slot0().XStart, 3100.0f);
    EXPECT_FLOAT_EQ(Slot0().XEnd, 2900.0f);
    TSpCurveZQ735* c = Graph->CurveAt(0);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->GetCount(), 101);  // 3100 -> 2900 at 2 cm-1
    EXPECT_NEAR(Model->CurrentWavenumber(), 2900.0f, 0.01f);
}

TEST_F(EngineScanTest, AGratingOutsideTheRangeMovesToItsStartFirst)
{
    ASSERT_TRUE(RunAndWait([&] { Task->RequestGoto(2800.0f); }));
    SetScanParams(3100.0f, 3000.0f);
    ASSERT_TRUE(RunAndWait([&] { Task->RequestScan(20); }));
    EXPECT_EQ(LastResult, 0);
    EXPECT_FLOAT_EQ(Slot0().XStart, 3100.0f);
    TSpCurveZQ735* c = Graph->CurveAt(0);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->GetCount(), 51);
    // Every point is a plausible %T of the film or the empty beam.
    for (int i = 0; i < c->GetCount(); ++i) {
        EXPECT_GT(c->GetData()[i], 1.0f) << i;
        EXPECT_LT(c->GetData()[i], 110.0f) << i;
    }
}

TEST_F(EngineScanTest, ThreeRepeatsRunThreePasses)
{
    SetScanParams(2040.0f, 1980.0f, 2, 0, 3);
    const int before = Sink.Count(UM_GRAPH_REDRAW);
    ASSERT_TRUE(RunAndWait([&] { Task->RequestScan(20); }));
    EXPECT_EQ(LastResult, 0);
    EXPECT_EQ(Sink.Count(UM_GRAPH_REDRAW) - before, 3);
    // 20 points above 2000 (2 cm-1), 20 below (1 cm-1), the split shared.
    EXPECT_EQ(Graph->CurveAt(0)->GetCount(), 41);
}

TEST_F(EngineScanTest, StopEndsTheScanQuietly)
{
    SetScanParams(4000.0f, 400.0f, 2, 1, 3);
    const size_t mark = Sink.Messages.size();
    Task->RequestScan(20);
    ASSERT_TRUE(WaitUntil([&] {
        TSpCurveZQ735* c = Graph->CurveAt(0);
        return c != nullptr && c->GetCount() > 20;
    }));
    Task->Stop();
    bool idle = false;
    ASSERT_TRUE(WaitUntil([&] {
        for (size_t i = mark; i < Sink.Messages.size(); ++i)
            idle = idle || (Sink.Messages[i].Msg == UM_BUSY && Sink.Messages[i].L == 1);
        return idle;
    }, 5000));
    EXPECT_TRUE(Sink.Errors.empty());
    EXPECT_EQ(Sink.Count(UM_TASK_FAILED), 0);
    // Stopped after the first pass: one curve, far from full.
    const int count = Graph->CurveAt(0)->GetCount();
    EXPECT_GT(count, 20);
    EXPECT_LT(count, 2601);
    EXPECT_EQ(Graph->CurveAt(1), nullptr);
}

// Stop ends a scan wherever it comes, also where the instrument has nothing
// to stop (a setting being sent, the first point being measured) and the
// scan's own steps would go on. Each phase is stretched by a fault so that
// the stop lands inside it.
TEST_F(EngineScanTest, StopEndsTheScanInItsParameterPhaseAndAtItsFirstPoint)
{
    struct Case {
        const char* Name;
        const char* Fault;
        std::function<bool(size_t mark)> Reached;
        int Points;  // of the curve when the scan has ended; -1: no curve
    };
    // Message `msg` (with lParam `l`, or any when l is -1) since `mark`.
    auto seen = [this](size_t mark, unsigned msg, intptr_t l) {
        for (size_t i = mark; i < Sink.Messages.size(); ++i)
            if (Sink.Messages[i].Msg == msg && (l == -1 || Sink.Messages[i].L == l))
                return true;
        return false;
    };
    const Case cases[] = {
        // Every reply comes late: the settings take seconds.
        {"parameters", "pause:400", [&](size_t mark) { return seen(mark, UM_PARAMS, 0); }, -1},
        // The one-point acquisition pauses: the curve is begun, its first
        // point not yet in. The scan ends with that one point.
        {"first point", "stream-pause:1500",
         [this](size_t) { return Graph->CurveAt(0) != nullptr && Graph->CurveAt(0)->GetCount() == 0; }, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ASSERT_EQ(Graph->CurveAt(0), nullptr);  // the parameter case begins none
        SetScanParams(3100.0f, 2900.0f);
        ASSERT_TRUE(Sim->SetFault(c.Fault));
        const size_t mark = Sink.Messages.size();
        Task->RequestScan(20);
        ASSERT_TRUE(WaitUntil([&] { return c.Reached(mark); }));
        Task->Stop();
        // A scan that went on would take far longer than this.
        ASSERT_TRUE(WaitUntil([&] { return seen(mark, UM_BUSY, 1) || seen(mark, UM_TASK_FAILED, -1); }, 8000));
        EXPECT_FALSE(seen(mark, UM_TASK_FAILED, -1));
        EXPECT_TRUE(Sink.Errors.empty());
        TSpCurveZQ735* curve = Graph->CurveAt(0);
        if (c.Points < 0) {
            EXPECT_EQ(curve, nullptr);
        } else {
            ASSERT_NE(curve, nullptr);
            EXPECT_EQ(curve->GetCount(), c.Points);
        }
        ASSERT_TRUE(Sim->SetFault(""));
    }
}

TEST_F(EngineScanTest, OnlyTheLaterOfTwoQuickRequestsRuns)
{
    SetScanParams(3100.0f, 3000.0f);
    ASSERT_TRUE(RunAndWait([&] { Task->RequestScan(20); }));
    const size_t mark = Sink.Messages.size();
    Task->RequestGoto(3500.0f);
    Task->RequestGoto(2500.0f);
    ASSERT_TRUE(WaitUntil([&] { return Task->PendingCommand() == CmdNone && Task->CurrentCommand() == CmdNone &&
                                       std::fabs(Model->CurrentWavenumber() - 2500.0f) < 0.5f; }));
    int gotos = 0;
    for (size_t i = mark; i < Sink.Messages.size(); ++i)
        gotos += Sink.Messages[i].Msg == UM_STATUS_TEXT && Sink.Messages[i].L == 3;
    EXPECT_EQ(gotos, 1);
}

TEST_F(EngineScanTest, ABrokenStreamFailsWithItsTextAndTheWindowIsTold)
{
    SetScanParams(3100.0f, 2900.0f);
    // Longer than the stream budget (5500 polls and the 10 s waiting dialog).
    ASSERT_TRUE(Sim->SetFault("scan-pause:20000"));
    ASSERT_TRUE(RunAndWait([&] { Task->RequestScan(20); }, 60000));
    EXPECT_EQ(LastResult, -5);
    ASSERT_EQ(Sink.Errors.size(), 1u);
    EXPECT_EQ(Sink.Errors[0], "Cmd_Scan接收数据过程错误-5");
    // The waiting dialog was opened and closed.
    EXPECT_GE(Sink.Count(UM_WAIT, 0, 10), 1);
    EXPECT_GE(Sink.Count(UM_WAIT, 2, 0), 1);
}

}  // namespace
