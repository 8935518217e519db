// The command set against a scripted instrument on a pseudo-terminal: exact
// bytes on the wire, stream framing, failure codes and texts.

#include "acquisition/SpCmd735.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include "acquisition/SpTaskBase.h"
#include "link/SpComm.h"
#include "tests/support/ScriptedPeer.h"
#include "tests/support/TestTime.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Pair = std::pair<int, int>;

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Little-endian bytes of `count` samples counting up from `first`.
Bytes SampleBytes(int first, int count)
{
    Bytes out;
    for (int i = 0; i < count; ++i) {
        const auto v = static_cast<uint16_t>(first + i);
        out.push_back(static_cast<uint8_t>(v & 0xFF));
        out.push_back(static_cast<uint8_t>(v >> 8));
    }
    return out;
}

std::vector<int16_t> Samples(int first, int count)
{
    std::vector<int16_t> out;
    for (int i = 0; i < count; ++i)
        out.push_back(static_cast<int16_t>(static_cast<uint16_t>(first + i)));
    return out;
}

const Bytes kEndOk = {0xD0, 0xD0, 0xD1};

// Records every callback of the command set.
class TRecordingTask : public TSpTaskBase {
public:
    void OnMotorSteps(int motor, int steps) override { Steps.push_back({motor, steps}); }
    int OnScanData(const int16_t* samples, int count) override
    {
        Chunks.push_back(count);
        ScanSamples.insert(ScanSamples.end(), samples, samples + count);
        return count;
    }
    void OnWait(int phase, int value) override
    {
        Waits.push_back({phase, value});
        if (phase == 0)
            WaitOpened.store(true);
    }

    std::vector<Pair> Steps;
    std::vector<int> Chunks;
    std::vector<int16_t> ScanSamples;
    std::vector<Pair> Waits;
    std::atomic<bool> WaitOpened{false};
};

class CmdScripted : public ::testing::Test {
protected:
    void SetUp() override
    {
        Comm.SetFixedDevice(Peer.DevicePath());
        ASSERT_EQ(Comm.Open(), 0);
    }

    // Runs the script while `command` runs on this thread, then checks that
    // the program sent exactly what the script expected and nothing more.
    int Play(std::vector<TScriptStep> steps, const std::function<int()>& command)
    {
        Peer.Run(std::move(steps));
        const int r = command();
        EXPECT_TRUE(Peer.Join());
        EXPECT_EQ(Peer.Report(), "");
        EXPECT_EQ(HexBytes(Peer.Extra()), HexBytes({}));
        return r;
    }

    TScriptedPeer Peer;
    TSpComm Comm;
    TRecordingTask Task;
    TSpCmd735 Cmd{&Task, Comm};
};

TEST_F(CmdScripted, GetLbdReturnsStatusWordAndResult)
{
    int16_t status = 0;
    const int r =
        Play({{{0x80}, 0, Cat({{0x80, 0x81, 0x00}, kEndOk})}}, [&] { return Cmd.Cmd_GetLBD(status); });
    EXPECT_EQ(r, 209);
    EXPECT_EQ(status, 0x0081);
}

TEST_F(CmdScripted, GetLbdTailWithoutTwoMarkersFails)
{
    int16_t status = 0;
    const int r =
        Play({{{0x80}, 0, {0x80, 0x81, 0x00, 0xD0, 0xD1, 0xD1}}}, [&] { return Cmd.Cmd_GetLBD(status); });
    EXPECT_EQ(r, -10);
    EXPECT_EQ(Cmd.LastErrorText(), "Cmd_GetLBD接收结果错误-10");
}

TEST_F(CmdScripted, SettingsSendCodeThenLittleEndianValue)
{
    struct Case {
        std::function<int(TSpCmd735&)> Call;
        Bytes Code, Value;
    };
    const Case cases[] = {
        {[](TSpCmd735& c) { return c.Seting(0x61, 10); }, {0x61}, {0x0A, 0x00}},
        {[](TSpCmd735& c) { return c.SetSpeedCode(0x1234); }, {0x61}, {0x34, 0x12}},
        {[](TSpCmd735& c) { return c.SetResponseCode(4); }, {0x63}, {0x04, 0x00}},
        {[](TSpCmd735& c) { return c.SetSlitCode(-2); }, {0x66}, {0xFE, 0xFF}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(HexBytes(Cat({c.Code, c.Value})));
        const int r =
            Play({{c.Code, 0, c.Code}, {c.Value, 0, Cat({c.Value, kEndOk})}}, [&] { return c.Call(Cmd); });
        EXPECT_EQ(r, 209);
    }
}

TEST_F(CmdScripted, SetingWithWrongEchoNamesItself)
{
    const int r =
        Play({{{0x61}, 0, {0x61}}, {{0x0A, 0x00}, 0, {0x0B, 0x00}}}, [&] { return Cmd.Seting(0x61, 10); });
    EXPECT_EQ(r, -5);
    EXPECT_EQ(Cmd.LastErrorText(), "Seting接收反馈不相等-5");
}

TEST_F(CmdScripted, MotorCommandsPickCodeMotorAndSign)
{
    struct Case {
        const char* Name;
        std::function<int(TSpCmd735&)> Call;
        uint8_t Code;
        Bytes Count;
        int Motor, Sign;
    };
    const Case cases[] = {
        {"grating back 800",
         [](TSpCmd735& c) { return c.RunGrating(-800); },
         0x41,
         {0x20, 0x03, 0x00, 0x00},
         0,
         -1},
        {"grating fwd",
         [](TSpCmd735& c) { return c.RunGrating(0x01020304); },
         0x40,
         {0x04, 0x03, 0x02, 0x01},
         0,
         1},
        {"filter fwd", [](TSpCmd735& c) { return c.RunFilter(3); }, 0x44, {0x03, 0, 0, 0}, 2, 1},
        {"filter back",
         [](TSpCmd735& c) { return c.RunFilterDir(-1, 1200); },
         0x45,
         {0xB0, 0x04, 0, 0},
         2,
         -1},
        {"slit back", [](TSpCmd735& c) { return c.RunSlit(-7); }, 0x47, {0x07, 0, 0, 0}, 1, -1},
        {"slit fwd", [](TSpCmd735& c) { return c.RunSlitDir(1, 9); }, 0x46, {0x09, 0, 0, 0}, 1, 1},
        {"zero out", [](TSpCmd735& c) { return c.RunZeroDir(1, 200); }, 0x48, {0xC8, 0, 0, 0}, 4, 1},
        {"zero in", [](TSpCmd735& c) { return c.RunZeroDir(-1, 200); }, 0x49, {0xC8, 0, 0, 0}, 4, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Task.Steps.clear();
        const int r = Play({{{c.Code}, 0, {c.Code}}, {c.Count, 0, Cat({c.Count, {0x10, 0x20}, kEndOk})}},
                           [&] { return c.Call(Cmd); });
        EXPECT_EQ(r, 209);
        EXPECT_EQ(Task.Steps, (std::vector<Pair>{{c.Motor, c.Sign * 0x30}}));
    }
}

TEST_F(CmdScripted, ZeroStepsSendNothing)
{
    EXPECT_EQ(Play({}, [&] { return Cmd.RunGrating(0); }), 209);
    EXPECT_EQ(Play({}, [&] { return Cmd.RunZeroDir(1, 0); }), 209);
    EXPECT_TRUE(Task.Steps.empty());
}

TEST_F(CmdScripted, GratingResetReportsPositiveSteps)
{
    const int r = Play({{{0x20}, 0, Cat({{0x20, 0x05}, kEndOk})}}, [&] { return Cmd.Cmd_CReset(); });
    EXPECT_EQ(r, 209);
    EXPECT_EQ(Task.Steps, (std::vector<Pair>{{0, 5}}));
}

// The step stream as it comes off the wire: each inner vector is sent by
// itself, 200 ms after the previous one, so the program reads it as a chunk.
TEST_F(CmdScripted, StepStreamFraming)
{
    struct Case {
        const char* Name;
        std::vector<Bytes> Chunks;
        std::vector<int> Steps;  // reported per chunk (multiplier -1)
        int Result;
        const char* Text;
    };
    const Case cases[] = {
        {"one read", {{0x05, 0x07, 0xD0, 0xD0, 0xD1}}, {-12}, 209, ""},
        {"markers split", {{0x05, 0xD0}, {0xD0, 0xD1}}, {-5, 0}, 209, ""},
        {"single marker cleared", {{0x05, 0xD0, 0x03, 0xD0, 0xD0, 0xD1}}, {-8}, 209, ""},
        {"every byte apart", {{0xD0}, {0xD0}, {0xD2}}, {0, 0, 0}, 210, ""},
        {"stopped", {{0xFF, 0xD0, 0xD0, 0xD3}}, {-255}, 211, ""},
        {"result without markers", {{0x05, 0xD1}}, {-5}, -6, "RecMotorSteps不期望的命令尾-6"},
        {"marker, step, marker", {{0xD0, 0x01, 0xD0, 0xD1}}, {-1}, -6, "RecMotorSteps不期望的命令尾-6"},
        {"pair cleared by a step",
         {{0xD0, 0xD0, 0x05, 0xD0, 0xD1}},
         {-5},
         -6,
         "RecMotorSteps不期望的命令尾-6"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Task.Steps.clear();
        const Bytes count = {0x64, 0, 0, 0};
        std::vector<TScriptStep> script = {{{0x41}, 0, {0x41}}, {count, 0, Cat({count, c.Chunks[0]})}};
        for (size_t i = 1; i < c.Chunks.size(); ++i)
            script.push_back({{}, 200, c.Chunks[i]});
        const int r = Play(script, [&] { return Cmd.RunGrating(-100); });
        EXPECT_EQ(r, c.Result);
        std::vector<Pair> expected;
        for (int s : c.Steps)
            expected.push_back({0, s});
        EXPECT_EQ(Task.Steps, expected);
        if (*c.Text) {
            EXPECT_EQ(Cmd.LastErrorText(), c.Text);
        }
    }
}

// The window thread's stop byte never waits for the worker's command. The
// script's thread plays the window: it presses stop at a moment the worker
// holds a lock through a long wait (the script holds back its reply until
// the stop has been pressed), and the stop byte must still come, in its
// place: after the command's argument, and while the worker keeps polling.
TEST_F(CmdScripted, StopNeverWaitsForTheRunningCommand)
{
    const Bytes count = {0x2C, 0x01, 0x00, 0x00};  // 300 steps
    const Bytes stopped = {0x05, 0xD0, 0xD0, 0xD3};
    std::atomic<double> pressMs{-1.0};
    auto press = [&] {
        // Past the worker's fixed 15 ms delay, into its wait.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const auto t0 = std::chrono::steady_clock::now();
        EXPECT_EQ(Cmd.SendStop(), 209);
        pressMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    };
    struct Case {
        const char* Name;
        std::vector<TScriptStep> Script;
    };
    const Case cases[] = {
        // The command lock: held from the command byte through the echo
        // wait; the stop byte follows the argument.
        {"in the echo wait",
         {{{0x40}, 0, {0x40}, press}, {Cat({count, {0x01}}), 0, Cat({count, stopped})}}},
        // The channel lock: held by the read of the argument's echo; the
        // stop byte comes before that echo.
        {"in the argument's echo wait", {{{0x40}, 0, {0x40}}, {count, 0, {}, press}, {{0x01}, 0, Cat({count, stopped})}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        pressMs = -1.0;
        Task.Steps.clear();
        const int r = Play(c.Script, [&] { return Cmd.RunGrating(300); });
        EXPECT_EQ(r, 211) << Cmd.LastErrorText();
        EXPECT_EQ(Task.Steps, (std::vector<Pair>{{0, 5}}));
        // Without waiting it takes microseconds; a wait would take the rest
        // of a two-second budget. The bound only keeps a loaded machine from
        // failing the test.
        EXPECT_GE(pressMs.load(), 0.0);
        EXPECT_LT(pressMs.load(), Scaled(500.0));
    }
}

TEST_F(CmdScripted, StepCountEchoMismatchFails)
{
    const int r = Play({{{0x40}, 0, {0x40}}, {{0x0A, 0, 0, 0}, 0, {0x0B, 0, 0, 0}}},
                       [&] { return Cmd.RunGrating(10); });
    EXPECT_EQ(r, -4);
    EXPECT_EQ(Cmd.LastErrorText(), "RunMotor接收steps不相等-4");
}

// Two samples, the end marker and the result byte arrive in one burst of 7
// bytes: the even-sized read takes 6, the result byte is read by itself.
TEST_F(CmdScripted, ScanLeavesResultByteForItsOwnRead)
{
    const Bytes points = {0x04, 0x03, 0x02, 0x01};
    std::vector<int16_t> buffer(512);
    const int r = Play({{{0x90}, 0, {0x90}},
                        {points, 0, Cat({points, SampleBytes(100, 50)})},
                        {{}, 200, Cat({SampleBytes(150, 2), kEndOk})}},
                       [&] { return Cmd.Cmd_Scan(buffer.data(), 512, 0x01020304); });
    EXPECT_EQ(r, 209);
    EXPECT_EQ(Task.Chunks, (std::vector<int>{50, 2}));
    EXPECT_EQ(Task.ScanSamples, Samples(100, 52));
}

TEST_F(CmdScripted, ScanReadsAtMost1024BytesAndKeepsWithinSmallBuffer)
{
    // 1300 samples waiting at once with a full-size buffer: chunks of 512 words.
    std::vector<int16_t> big(TSpCmd735::kMaxChunkWords);
    const Bytes one = {0x01, 0, 0, 0};
    int r = Play({{{0x90}, 0, {0x90}}, {one, 0, Cat({one, SampleBytes(7, 1300), kEndOk})}},
                 [&] { return Cmd.Cmd_Scan(big.data(), static_cast<int>(big.size()), 1); });
    EXPECT_EQ(r, 209);
    EXPECT_EQ(Task.Chunks.at(0), 512);
    EXPECT_EQ(Task.ScanSamples, Samples(7, 1300));

    // A buffer of 5 words (exactly sized, so a sanitizer sees any overrun):
    // the time drive delivers everything, five words at most per chunk.
    Task.Chunks.clear();
    Task.ScanSamples.clear();
    std::vector<int16_t> small(5);
    const Bytes secs = {0x1E, 0, 0, 0};
    r = Play({{{0x95}, 0, {0x95}}, {secs, 0, Cat({secs, SampleBytes(-3, 23), {0xD0, 0xD0, 0xD3}})}},
             [&] { return Cmd.Cmd_ScanT(small.data(), 5, 30); });
    EXPECT_EQ(r, 211);
    EXPECT_EQ(Task.ScanSamples, Samples(-3, 23));
    for (int n : Task.Chunks)
        EXPECT_LE(n, 5);
}

TEST_F(CmdScripted, ScanPointCountEchoMismatchFails)
{
    std::vector<int16_t> buffer(512);
    const int r = Play({{{0x90}, 0, {0x90}}, {{0x02, 0, 0, 0}, 0, {0x03, 0, 0, 0}}},
                       [&] { return Cmd.Cmd_Scan(buffer.data(), 512, 2); });
    EXPECT_EQ(r, -5);
    EXPECT_TRUE(Task.Chunks.empty());
}

TEST_F(CmdScripted, AcqWaveTakesExactlyPTimes60Samples)
{
    std::vector<int16_t> buffer(480);  // exactly P x 60
    const Bytes data = SampleBytes(1000, 480);
    const Bytes first(data.begin(), data.begin() + 501);  // odd split: a word across two reads
    const Bytes rest(data.begin() + 501, data.end());
    const int r = Play(
        {{{0x94}, 0, {0x94}}, {{0x08, 0x00}, 0, Cat({{0x08, 0x00}, first})}, {{}, 200, Cat({rest, kEndOk})}},
        [&] { return Cmd.Cmd_AcqWave(buffer.data(), 480, 8); });
    EXPECT_EQ(r, 209);
    EXPECT_EQ(buffer, Samples(1000, 480));
}

TEST_F(CmdScripted, AcqWaveRefusesTooSmallBufferBeforeSending)
{
    std::vector<int16_t> buffer(479);
    const int r = Play({}, [&] { return Cmd.Cmd_AcqWave(buffer.data(), 479, 8); });
    EXPECT_EQ(r, TSpCmd735::kErrBuffer);
    EXPECT_EQ(Cmd.LastErrorText(), "Cmd_AcqWave缓冲区错误-9998");
}

// The instrument pauses a scan: the stream first waits its 5500 polls, then
// the waiting dialog counts down. The data comes back 3.5 of the dialog's
// seconds (each stretched by the run's time scale) after it opened: three
// seconds counted, then the dialog closes and the scan goes on.
TEST_F(CmdScripted, PausedScanOpensAndClosesWaitingDialog)
{
    std::vector<int16_t> buffer(512);
    const Bytes pts = {0x02, 0, 0, 0};
    auto dialogOpen = [this] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(WaitLimitMs(20000));
        while (!Task.WaitOpened.load() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    const int r = Play({{{0x90}, 0, {0x90}},
                        {pts, 0, Cat({pts, SampleBytes(0, 240)})},
                        {{}, ScaledMs(3500), Cat({SampleBytes(240, 240), kEndOk}), dialogOpen}},
                       [&] { return Cmd.Cmd_Scan(buffer.data(), 512, 2); });
    EXPECT_EQ(r, 209);
    EXPECT_EQ(Task.Waits, (std::vector<Pair>{{0, 10}, {1, -1}, {1, -1}, {1, -1}, {2, 7000}}));
    EXPECT_EQ(Task.ScanSamples, Samples(0, 480));
}

TEST(CmdNotConnected, EveryCommandFailsAtItsHandshake)
{
    TSpComm comm;  // never opened
    TSpCmd735 cmd(nullptr, comm);
    int16_t buffer[512];
    int status = -1;
    int16_t word = 0;
    struct Case {
        const char* Name;
        std::function<int()> Call;
        int Code;
        const char* Text;
    };
    const Case cases[] = {
        {"connect", [&] { return cmd.Cmd_Connect(status); }, -104, "Cmd_Connect 握手错误-104"},
        {"lbd", [&] { return cmd.Cmd_GetLBD(word); }, -10, "Cmd_GetLBD 握手错误-10"},
        {"seting", [&] { return cmd.SetSlitCode(5); }, -7, "Seting握手错误-7"},
        {"motor", [&] { return cmd.RunFilter(-3); }, -7, "RunMotor握手错误"},
        {"reset", [&] { return cmd.Cmd_CReset(); }, -7, "Cmd_CReset握手错误-7"},
        {"scan", [&] { return cmd.Cmd_Scan(buffer, 512, 10); }, -7, "Cmd_Scan握手错误-7"},
        {"time drive", [&] { return cmd.Cmd_ScanT(buffer, 512, 10); }, -7, "Cmd_ScanT握手错误-7"},
        {"acquire", [&] { return cmd.Cmd_AcqWave(buffer, 512, 8); }, -7, "Cmd_AcqWave握手错误-7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(c.Call(), c.Code);
        EXPECT_EQ(cmd.LastErrorText(), c.Text);
    }
    EXPECT_EQ(status, 0);
}

TEST(DemodulatedSums, HandMadePeriods)
{
    auto ramp = [](int periods) {
        std::vector<int16_t> s;
        for (int p = 0; p < periods; ++p)
            for (int i = 0; i < 60; ++i)
                s.push_back(static_cast<int16_t>(i));
        return s;
    };
    auto spike = [](int at, int16_t value, int periods) {
        std::vector<int16_t> s(static_cast<size_t>(periods) * 60, 0);
        s[static_cast<size_t>(at)] = value;
        return s;
    };
    struct Case {
        const char* Name;
        std::vector<int16_t> Samples;
        int P;
        int32_t A, B;
    };
    const Case cases[] = {
        // Both patterns add as many places as they subtract.
        {"flat", std::vector<int16_t>(60, 1000), 1, 0, 0},
        // A: (0..5) + (36..59) - (6..35) = 15 + 1140 - 615
        // B: (0..3) + (19..33) + (49..59) - (4..18) - (34..48) = 6 + 390 + 594 - 165 - 615
        {"ramp", ramp(1), 1, 540, 210},
        {"ramp, two periods", ramp(2), 2, 540, 210},
        {"unsigned sample added", spike(0, -1, 1), 1, 65535, 65535},
        {"unsigned sample subtracted", spike(10, -1, 1), 1, -65535, -65535},
        {"A subtracts, B adds", spike(20, 7, 1), 1, -7, 7},
        {"A adds, B subtracts", spike(40, 7, 1), 1, 7, -7},
        {"truncates toward zero", spike(60, 3, 2), 2, 1, 1},
        {"truncates toward zero, negative", spike(70, 3, 2), 2, -1, -1},
        {"samples beyond P periods ignored", spike(60, 9, 2), 1, 0, 0},
        {"no periods", ramp(1), 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(SumA(c.Samples, c.P), c.A);
        EXPECT_EQ(SumB(c.Samples, c.P), c.B);
    }
}

TEST(TaskBase, ShutdownWaitsForTheLoopToFinish)
{
    class TLoop : public TSpTaskBase {
    public:
        void Run() override
        {
            while (!IsStopRequested())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            SetFinished(true);
        }
    } task;
    std::thread worker([&] { task.Run(); });
    EXPECT_FALSE(task.IsFinished());
    task.Shutdown();
    EXPECT_TRUE(task.IsFinished());
    worker.join();
}

}  // namespace
