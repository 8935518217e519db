// The command set against the simulated instrument, through the production
// serial code on a pseudo-terminal.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/SpCmd735.h"
#include "acquisition/SpTaskBase.h"
#include "link/SpComm.h"
#include "sim/SimPtyHost.h"
#include "tests/support/TestTime.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point t0)
{
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

class TCountingTask : public TSpTaskBase {
public:
    void OnMotorSteps(int motor, int steps) override { MotorSteps[motor] += steps; }
    int OnScanData(const int16_t*, int count) override
    {
        Samples.fetch_add(count);
        return count;
    }

    long MotorSteps[5] = {0, 0, 0, 0, 0};
    std::atomic<long> Samples{0};  // read by the thread that sends the stop byte
};

class CmdSim : public ::testing::Test {
protected:
    void Start(double speed, const std::string& fault = "")
    {
        TSimOptions options;
        options.Speed = speed;
        options.Fault = fault;
        Sim = std::make_unique<TSimPtyHost>(options);
        std::string error;
        ASSERT_TRUE(Sim->Start(&error)) << error;
        Comm.SetFixedDevice(Sim->DevicePath());
        ASSERT_EQ(Comm.Open(), 0);
    }

    void TearDown() override
    {
        Comm.Close();
        if (Sim)
            Sim->Stop();
    }

    std::unique_ptr<TSimPtyHost> Sim;
    TSpComm Comm;
    TCountingTask Task;
    TSpCmd735 Cmd{&Task, Comm};
    std::vector<int16_t> Buffer = std::vector<int16_t>(TSpCmd735::kMaxChunkWords);
};

TEST_F(CmdSim, ConnectReportsInstrumentPresent)
{
    ASSERT_NO_FATAL_FAILURE(Start(20));
    int status = 0;
    EXPECT_EQ(Cmd.Cmd_Connect(status), 209);
    EXPECT_EQ(status, 0xE0);
}

TEST_F(CmdSim, SilentInstrumentFailsConnectAfterEchoBudget)
{
    ASSERT_NO_FATAL_FAILURE(Start(20, "silent"));
    int status = -1;
    const auto t0 = Clock::now();
    EXPECT_EQ(Cmd.Cmd_Connect(status), -104);
    const double s = SecondsSince(t0);
    EXPECT_GT(s, Scaled(1.9));
    EXPECT_LT(s, Scaled(4.0));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Cmd.LastErrorText(), "Cmd_Connect 握手错误-104");
}

TEST_F(CmdSim, EchoWithoutStatusFailsConnect)
{
    ASSERT_NO_FATAL_FAILURE(Start(20, "echo-only"));
    int status = -1;
    EXPECT_EQ(Cmd.Cmd_Connect(status), -5);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Cmd.LastErrorText(), "Cmd_Connect 接收数据错误-5");
}

TEST_F(CmdSim, ScanDeliversEveryPointsSamples)
{
    ASSERT_NO_FATAL_FAILURE(Start(20));
    ASSERT_EQ(Cmd.SetResponseCode(4), 209) << Cmd.LastErrorText();
    EXPECT_EQ(Cmd.Cmd_Scan(Buffer.data(), static_cast<int>(Buffer.size()), 50), 209) << Cmd.LastErrorText();
    EXPECT_EQ(Task.Samples.load(), 50 * 4 * 60);

    // A fixed-length acquisition right behind it finds the link clean.
    std::vector<int16_t> wave(4 * 60);
    EXPECT_EQ(Cmd.Cmd_AcqWave(wave.data(), static_cast<int>(wave.size()), 4), 209) << Cmd.LastErrorText();
}

TEST_F(CmdSim, StopByteFromAnotherThreadEndsScan)
{
    ASSERT_NO_FATAL_FAILURE(Start(1));
    ASSERT_EQ(Cmd.SetResponseCode(1), 209) << Cmd.LastErrorText();
    std::atomic<double> stoppedAt{0};
    std::thread window([&] {
        // Stop once the stream runs, as the operator would.
        const auto until = Clock::now() + std::chrono::milliseconds(WaitLimitMs(10000));
        while (Task.Samples.load() == 0 && Clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        stoppedAt = std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
        EXPECT_EQ(Cmd.SendStop(), 209);
    });
    const int r = Cmd.Cmd_Scan(Buffer.data(), static_cast<int>(Buffer.size()), 1000);
    const double endedAt = std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
    window.join();
    EXPECT_EQ(r, 211) << Cmd.LastErrorText();
    EXPECT_GT(Task.Samples.load(), 0);
    EXPECT_LT(endedAt - stoppedAt.load(), Scaled(0.5));

    // The instrument is ready for the next command.
    int status = 0;
    EXPECT_EQ(Cmd.Cmd_Connect(status), 209);
}

// A sequence like the system reset's: every move's step callbacks add up to
// the steps asked for, and the grating's reset brings back exactly what the
// moves took away from the reference position.
TEST_F(CmdSim, MotorStepsAddUpToTheMoves)
{
    ASSERT_NO_FATAL_FAILURE(Start(20));
    int16_t lbd = 0;
    ASSERT_GE(Cmd.Cmd_GetLBD(lbd), 0) << Cmd.LastErrorText();
    ASSERT_EQ(Cmd.Cmd_CReset(), 209) << Cmd.LastErrorText();

    struct Move {
        const char* Name;
        int (TSpCmd735::*Run)(int);
        int Steps, Motor;
    };
    const Move moves[] = {
        {"grating forward", &TSpCmd735::RunGrating, 1000, 0},
        {"grating back", &TSpCmd735::RunGrating, -400, 0},
        {"filter forward", &TSpCmd735::RunFilter, 300, 2},
        {"filter back", &TSpCmd735::RunFilter, -120, 2},
        {"slit forward", &TSpCmd735::RunSlit, 250, 1},
        {"slit back", &TSpCmd735::RunSlit, -50, 1},
    };
    for (const auto& m : moves) {
        SCOPED_TRACE(m.Name);
        Task.MotorSteps[m.Motor] = 0;
        EXPECT_EQ((Cmd.*m.Run)(m.Steps), 209) << Cmd.LastErrorText();
        EXPECT_EQ(Task.MotorSteps[m.Motor], m.Steps);
    }
    Task.MotorSteps[4] = 0;
    EXPECT_EQ(Cmd.RunZeroDir(1, 200), 209) << Cmd.LastErrorText();
    EXPECT_EQ(Cmd.RunZeroDir(-1, 200), 209) << Cmd.LastErrorText();
    EXPECT_EQ(Task.MotorSteps[4], 0);

    Task.MotorSteps[0] = 0;
    EXPECT_EQ(Cmd.Cmd_CReset(), 209) << Cmd.LastErrorText();
    EXPECT_EQ(Task.MotorSteps[0], 600);
}

}  // namespace
