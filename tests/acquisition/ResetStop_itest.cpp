// The operator presses 停止 while a system reset runs, at each of its phases
// in turn: the slit, the grating backing off the position sensor, the
// grating's reference run, the filter wheel, the zero shutter, the
// parameters and the calibration. Whatever the phase, the reset ends as
// stopped (not as a ready instrument), the worker comes back to its idle
// passes, no message box opens, and the next reset goes through.

#include "tests/acquisition/EngineFixture.h"

#include <chrono>
#include <optional>

namespace {

constexpr intptr_t Any = -1;

// A message, with Any for a parameter that does not matter.
struct TMessageMatch {
    unsigned Msg;
    intptr_t W;
    intptr_t L;

    bool operator()(const TRecordedMessage& m) const
    {
        return m.Msg == Msg && (W == Any || m.W == W) && (L == Any || m.L == L);
    }
};

// UM_RESET_PROGRESS's wParam: the kind (1 grating, 2 filter, 3 slit,
// 4 zero shutter; the motor number for a step report) over the type
// (0 phase begins, 1 steps made, 2 phase ends, 3 reset ends).
constexpr intptr_t ResetW(int kind, int type) { return (static_cast<intptr_t>(kind) << 16) | type; }

struct TResetPhase {
    const char* Name;
    TMessageMatch Begins;  // the phase has begun...
    TMessageMatch Moving;  // ...and this came after it: its motor is running
    int GratingAt;         // the simulated grating's position before the reset
};

void PrintTo(const TResetPhase& p, std::ostream* os) { *os << p.Name; }

class ResetStop : public EngineTest, public ::testing::WithParamInterface<TResetPhase> {
protected:
    // Slow enough that each motor runs for a while after its first step
    // report, fast enough that a whole reset takes seconds.
    static constexpr double Speed = 4.0;

    bool Reached(size_t mark, const TResetPhase& p) const
    {
        size_t i = mark;
        while (i < Sink.Messages.size() && !p.Begins(Sink.Messages[i]))
            ++i;
        for (; i < Sink.Messages.size(); ++i)
            if (p.Moving(Sink.Messages[i]))
                return true;
        return false;
    }

    // The result the reset announced at its end, if it has ended since `mark`.
    std::optional<intptr_t> ResetResult(size_t mark) const
    {
        std::optional<intptr_t> r;
        for (size_t i = mark; i < Sink.Messages.size(); ++i)
            if (Sink.Messages[i].Msg == UM_RESET_PROGRESS && Sink.Messages[i].W == ResetW(0, 3))
                r = Sink.Messages[i].L;
        return r;
    }

    int ReadingsSince(size_t mark) const
    {
        int n = 0;
        for (size_t i = mark; i < Sink.Messages.size(); ++i)
            n += Sink.Messages[i].Msg == UM_READING;
        return n;
    }

    std::string Shown() const
    {
        std::string shown;
        for (const std::string& e : Sink.Errors)
            shown += (shown.empty() ? "" : " | ") + e;
        return shown;
    }
};

TEST_P(ResetStop, TheResetEndsAsStoppedAndTheNextOneGoesThrough)
{
    const TResetPhase& p = GetParam();
    TSimOptions options;
    options.Speed = Speed;
    StartEngine(options);
    {
        auto lock = Sim->LockInstrument();
        Sim->Instrument().SetPosition(TSimInstrument::Grating, p.GratingAt);
    }

    const size_t mark = Sink.Messages.size();
    Task->RequestReset();
    ASSERT_TRUE(WaitUntil([&] { return Reached(mark, p); }, 60000)) << "the reset never reached " << p.Name;
    const auto t0 = std::chrono::steady_clock::now();
    Task->Stop();  // as the tool button does
    ASSERT_TRUE(WaitUntil([&] { return Ended(mark); }, 60000)) << "the worker never ended the reset";
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - t0).count();

    // Quietly over: no failure, no message box...
    EXPECT_EQ(LastResult, 0);
    EXPECT_EQ(Shown(), "");
    // ...but not a ready instrument: the motors are not all at their references.
    ASSERT_TRUE(ResetResult(mark).has_value());
    EXPECT_EQ(*ResetResult(mark), TSpCmd735::kResultStopped);
    EXPECT_EQ(Model->InstrumentState(), StatePresent);
    // The stopped motor ends at once; what is left is one command's round trip.
    EXPECT_LT(seconds, Scaled(15));

    // Back in the loop: the idle passes show readings again.
    const size_t idle = Sink.Messages.size();
    EXPECT_TRUE(WaitUntil([&] { return ReadingsSince(idle) >= 2; }, 30000));
    EXPECT_EQ(Task->CurrentCommand(), CmdNone);

    // And the instrument is not left in a state a reset cannot mend.
    const size_t again = Sink.Messages.size();
    ASSERT_TRUE(RunAndWait([&] { Task->RequestReset(); }, 120000));
    EXPECT_EQ(LastResult, 0);
    ASSERT_TRUE(ResetResult(again).has_value());
    EXPECT_GE(*ResetResult(again), 0);
    EXPECT_NE(*ResetResult(again), TSpCmd735::kResultFailed);
    EXPECT_NE(*ResetResult(again), TSpCmd735::kResultStopped);
    EXPECT_EQ(Model->InstrumentState(), StateReady);
    EXPECT_EQ(Shown(), "");
}

// Far from the sensor, the grating's reference run is long; on it, the
// reset first backs the grating off.
constexpr int GratingFar = 30000;
constexpr int GratingOnSensor = 0;

INSTANTIATE_TEST_SUITE_P(
    Engine, ResetStop,
    ::testing::Values(
        TResetPhase{"Slit", {UM_RESET_PROGRESS, ResetW(3, 0), Any}, {UM_RESET_PROGRESS, ResetW(1, 1), Any},
                    GratingFar},
        TResetPhase{"GratingBackOff", {UM_RESET_PROGRESS, ResetW(1, 0), Any}, {UM_RESET_PROGRESS, ResetW(0, 1), Any},
                    GratingOnSensor},
        TResetPhase{"GratingReference", {UM_RESET_PROGRESS, ResetW(1, 0), Any},
                    {UM_RESET_PROGRESS, ResetW(0, 1), Any}, GratingFar},
        TResetPhase{"FilterWheel", {UM_RESET_PROGRESS, ResetW(2, 0), Any}, {UM_RESET_PROGRESS, ResetW(2, 1), Any},
                    GratingFar},
        TResetPhase{"ZeroShutter", {UM_RESET_PROGRESS, ResetW(4, 0), Any}, {UM_RESET_PROGRESS, ResetW(4, 1), Any},
                    GratingFar},
        TResetPhase{"Parameters", {UM_PARAMS, Any, 0}, {UM_PARAMS, Any, 0}, GratingFar},
        // The shutter goes into the beam for the zero reference.
        TResetPhase{"Calibration", {UM_PARAMS, Any, 1}, {UM_RESET_PROGRESS, ResetW(4, 1), Any}, GratingFar}),
    [](const ::testing::TestParamInfo<TResetPhase>& i) { return std::string(i.param.Name); });

}  // namespace
