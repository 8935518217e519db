// A misbehaving instrument in the middle of a scan, through the engine as
// the window drives it: silence, a long pause, garbage in a step stream, a
// wrong echo, the adapter pulled out and plugged in again. Whatever happens,
// the worker comes back to its loop, the points already scanned stay in the
// curve, and nothing but the failed command's own text reaches the operator.

#include "tests/acquisition/EngineFixture.h"

#include "acquisition/ScanRecovery.h"

#include <chrono>

namespace {

class FaultTest : public EngineTest {
protected:
    void Start(TSimOptions options = {})
    {
        StartEngine(options);
        ASSERT_TRUE(RunAndWait([&] { Task->RequestReset(); }));
        ASSERT_EQ(LastResult, 0);
    }

    int CountSince(size_t mark, unsigned msg, intptr_t w, intptr_t l) const
    {
        int n = 0;
        for (size_t i = mark; i < Sink.Messages.size(); ++i)
            n += Sink.Messages[i].Msg == msg && Sink.Messages[i].W == w && Sink.Messages[i].L == l;
        return n;
    }
    int CountSince(size_t mark, unsigned msg) const
    {
        int n = 0;
        for (size_t i = mark; i < Sink.Messages.size(); ++i)
            n += Sink.Messages[i].Msg == msg;
        return n;
    }

    // Starts a scan, lets it measure some points, then turns the fault on
    // (after BeforeFault, when set). Returns the points the curve held at
    // that moment.
    int ScanThenFault(const std::string& fault, size_t& mark)
    {
        SetScanParams(3400.0f, 2800.0f, 2, 1);
        mark = Sink.Messages.size();
        Task->RequestScan(20);
        int before = 0;
        EXPECT_TRUE(WaitUntil([&] {
            TSpCurveZQ735* c = Model->CurrentCurve();
            before = c != nullptr ? c->GetCount() : 0;
            return before > 40;
        }, 60000));
        if (BeforeFault)
            BeforeFault();
        EXPECT_TRUE(Sim->SetFault(fault));
        return before;
    }

    std::function<void()> BeforeFault;

    // The worker is back in its loop: the idle passes show readings again.
    void ExpectIdlePassesAgain()
    {
        const size_t mark = Sink.Messages.size();
        EXPECT_TRUE(WaitUntil([&] { return CountSince(mark, UM_READING) >= 2; }, 20000));
        EXPECT_EQ(Task->CurrentCommand(), CmdNone);
    }
};

struct TScanFault {
    const char* Name;
    const char* Fault;
    int Result;         // 0: the scan goes on to its end
    const char* Error;  // the one text the operator is shown, if any
    bool Waits;         // the waiting dialog opens (and closes)
};

// Test names and failure messages show the case by its name.
void PrintTo(const TScanFault& f, std::ostream* os) { *os << f.Name; }

class ScanFaults : public FaultTest, public ::testing::WithParamInterface<TScanFault> {};

TEST_P(ScanFaults, TheWorkerComesBackAndThePointsStay)
{
    const TScanFault& f = GetParam();
    Start();
    size_t mark = 0;
    const int before = ScanThenFault(f.Fault, mark);
    const auto t0 = std::chrono::steady_clock::now();
    if (f.Waits) {
        // Once: a fault holds for every later stream of the scan.
        ASSERT_TRUE(WaitUntil([&] { return CountSince(mark, UM_WAIT, 0, 10) > 0; }, 30000));
        ASSERT_TRUE(WaitUntil([&] {
            for (size_t i = mark; i < Sink.Messages.size(); ++i)
                if (Sink.Messages[i].Msg == UM_WAIT && Sink.Messages[i].W == 2)
                    return true;
            return false;
        }, 30000));
        ASSERT_TRUE(Sim->SetFault("none"));
    }
    ASSERT_TRUE(WaitUntil([&] { return Ended(mark); }, 90000));
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - t0);
    ASSERT_TRUE(Sim->SetFault("none"));

    EXPECT_EQ(LastResult, f.Result);
    std::string shown;
    for (const std::string& e : Sink.Errors)
        shown += (shown.empty() ? "" : " | ") + e;
    EXPECT_EQ(shown, f.Error);
    if (f.Waits) {
        // Opened with ten seconds, closed again: a silence that outlasts it
        // has counted all ten down.
        EXPECT_EQ(CountSince(mark, UM_WAIT, 0, 10), 1);
        if (f.Result < 0) {
            EXPECT_EQ(CountSince(mark, UM_WAIT, 1, -1), 10);
        }
    }
    // Within the stream's poll budget and the dialog's ten seconds, and then some.
    EXPECT_LT(seconds.count(), Scaled(40));

    TSpCurveZQ735* c = Graph->CurveAt(0);
    ASSERT_NE(c, nullptr);
    EXPECT_GE(c->GetCount(), before);
    if (f.Result == 0) {
        EXPECT_EQ(c->GetCount(), c->GetInfo().Capacity);
    }
    EXPECT_FALSE(std::filesystem::exists(DataDir / kRecoveryFileName));
    ExpectIdlePassesAgain();
}

INSTANTIATE_TEST_SUITE_P(
    Engine, ScanFaults,
    ::testing::Values(
        TScanFault{"SilenceMidScan", "scan-pause:20000", -5, "Cmd_Scan接收数据过程错误-5", true},
        TScanFault{"LongPause", "scan-pause:8000", 0, "", true},
        // A result byte out of place: the motor's step count can no longer be trusted.
        TScanFault{"GarbageInStepStreams", "garbage", -6, "RecMotorSteps不期望的命令尾-6", false},
        // The echo of the next motor command is wrong: no code is appended on that path.
        TScanFault{"WrongEcho", "wrong-echo", -2, "RunMotor握手错误", false}),
    [](const ::testing::TestParamInfo<TScanFault>& i) { return std::string(i.param.Name); });

TEST_F(FaultTest, TheAdapterPulledMidScanFailsTheScanAndIsFoundAgainWhenItComesBack)
{
    // The program opens the adapter by a name that stays while the device
    // behind it goes and comes back, as a USB-serial adapter's does.
    std::filesystem::path link;
    DeviceFor = [&](const std::string& terminal) {
        link = DataDir / "ttyUSB0";
        std::filesystem::create_symlink(terminal, link);
        return link.string();
    };
    Start();
    // The name goes with the device, as a pulled adapter's does: a name left
    // on the closed terminal would let the worker open whatever terminal
    // another program (another test) gets under that number next.
    BeforeFault = [&] { std::filesystem::remove(link); };
    size_t mark = 0;
    const int before = ScanThenFault("hangup", mark);
    ASSERT_TRUE(WaitUntil([&] { return Ended(mark); }, 60000));
    EXPECT_LT(LastResult, 0);
    ASSERT_EQ(Sink.Errors.size(), 1u);
    EXPECT_NE(Sink.Errors[0].find("错误"), std::string::npos) << Sink.Errors[0];
    TSpCurveZQ735* c = Graph->CurveAt(0);
    ASSERT_NE(c, nullptr);
    EXPECT_GE(c->GetCount(), before);
    const int kept = c->GetCount();

    // Gone: the idle passes report no instrument (the state lamp goes out).
    const size_t lost = Sink.Messages.size();
    ASSERT_TRUE(WaitUntil([&] { return CountSince(lost, UM_STATE, 0, StateNone) >= 2; }));
    EXPECT_EQ(CountSince(lost, UM_READING), 0);

    // Plugged in again: a new instrument behind the same name.
    Sim.reset();
    TSimOptions options;
    options.Speed = SimSpeed;
    Sim = std::make_unique<TSimPtyHost>(options);
    std::string error;
    ASSERT_TRUE(Sim->Start(&error)) << error;
    const auto fresh = DataDir / "ttyUSB0.new";
    std::filesystem::create_symlink(Sim->DevicePath(), fresh);
    std::filesystem::rename(fresh, link);
    const size_t back = Sink.Messages.size();
    ASSERT_TRUE(WaitUntil([&] {
        return CountSince(back, UM_STATE, 0, StatePresent) + CountSince(back, UM_STATE, 0, StateReady) >= 1 &&
               CountSince(back, UM_READING) >= 1;
    }));
    EXPECT_EQ(Sink.Errors.size(), 1u);
    EXPECT_EQ(Graph->CurveAt(0)->GetCount(), kept);
}

// Silent from its very first byte (the adapter is there, the instrument does
// not answer): the idle passes report no instrument and show nothing, a reset
// fails with its one text within the echo wait, and a shutdown is not held up.
TEST_F(FaultTest, AnInstrumentSilentFromTheStartFailsTheResetAndLetsTheWorkerGo)
{
    TSimOptions options;
    options.Fault = "silent";
    StartEngine(options);
    const size_t start = 0;
    ASSERT_TRUE(WaitUntil([&] { return CountSince(start, UM_STATE, 0, StateNone) >= 2; }));
    EXPECT_EQ(CountSince(start, UM_READING), 0);
    EXPECT_TRUE(Sink.Errors.empty());

    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(RunAndWait([&] { Task->RequestReset(); }, 30000));
    const auto resetSeconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_LT(LastResult, 0);
    ASSERT_EQ(Sink.Errors.size(), 1u);
    EXPECT_NE(Sink.Errors[0].find("错误"), std::string::npos) << Sink.Errors[0];
    EXPECT_NE(Model->InstrumentState(), StateReady);
    // The idle pass in progress, then the reset's first command: an echo wait each.
    EXPECT_LT(resetSeconds, Scaled(15));

    // Still looking, quietly.
    const size_t after = Sink.Messages.size();
    EXPECT_TRUE(WaitUntil([&] { return CountSince(after, UM_STATE, 0, StateNone) >= 1; }));
    EXPECT_EQ(Sink.Errors.size(), 1u);

    const auto t1 = std::chrono::steady_clock::now();
    Task->RequestShutdown();
    Task->Stop();
    ASSERT_TRUE(WaitUntil([&] { return Task->IsFinished(); }, 30000));
    const auto shutdownSeconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - t1).count();
    // At most the echo wait the worker is in.
    EXPECT_LT(shutdownSeconds, Scaled(6));
}

}  // namespace
