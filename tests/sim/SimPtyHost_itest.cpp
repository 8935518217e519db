// The simulated instrument over a real pseudo-terminal, reached with plain
// open/termios/read/write as any serial program would.

#include "sim/SimPtyHost.h"
#include "tests/sim/SimDriver.h"
#include "tests/support/TestTime.h"

#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace simtest;
using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

namespace {

int OpenLine(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return fd;
    termios tio{};
    ::tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    ::tcsetattr(fd, TCSANOW, &tio);
    return fd;
}

void Write(int fd, const Bytes& b) { ASSERT_EQ(::write(fd, b.data(), b.size()), static_cast<ssize_t>(b.size())); }

// Reads until `done` says the bytes so far are complete, or the time is up.
template <class F>
Bytes ReadUntil(int fd, F done, int timeoutMs)
{
    Bytes got;
    const auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done(got)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        if (left <= 0)
            break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0 || !(p.revents & POLLIN))
            break;
        uint8_t buf[512];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0)
            break;
        got.insert(got.end(), buf, buf + n);
    }
    return got;
}

// n bytes that are due: the time-out is a safety limit (WaitLimitMs).
Bytes ReadCount(int fd, size_t n, int timeoutMs = 2000)
{
    return ReadUntil(fd, [n](const Bytes& b) { return b.size() >= n; }, WaitLimitMs(timeoutMs));
}

bool EndsWithTail(const Bytes& b)
{
    return b.size() >= 3 && b[b.size() - 3] == 0xD0 && b[b.size() - 2] == 0xD0 && b.back() >= 0xD1 &&
           b.back() <= 0xD3;
}

class SimPty : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(host.Start(&error)) << error;
        fd = OpenLine(host.DevicePath());
        ASSERT_GE(fd, 0);
    }
    void TearDown() override
    {
        if (fd >= 0)
            ::close(fd);
    }

    TSimPtyHost host{AtSpeed(20)};
    int fd = -1;
};

}  // namespace

TEST_F(SimPty, AnswersAndSurvivesTheProgramReopeningThePort)
{
    EXPECT_FALSE(host.DevicePath().empty());
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        Write(fd, {0x02});
        EXPECT_EQ(ReadCount(fd, 2), (Bytes{0x02, 0xE0}));
        Write(fd, {0x80});
        const Bytes lbd = ReadCount(fd, 6);
        ASSERT_EQ(lbd.size(), 6u);
        EXPECT_TRUE(EndsWithTail(lbd));
        // The port code asks for exclusive use; left set, it would lock an
        // unprivileged program out of reopening, since the host keeps a
        // descriptor of its own open.
        ASSERT_EQ(::ioctl(fd, TIOCEXCL), 0);
        ::close(fd);
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        fd = OpenLine(host.DevicePath());
        ASSERT_GE(fd, 0);
        int exclusive = -1;
        ASSERT_EQ(::ioctl(fd, TIOCGEXCL, &exclusive), 0);
        EXPECT_EQ(exclusive, 0);
    }
    EXPECT_TRUE(host.Serving());
}

TEST_F(SimPty, MotorStreamReportsTheCommandedStepsAndTheHostSeesTheMove)
{
    {
        auto lock = host.LockInstrument();
        host.Instrument().SetPosition(TSimInstrument::Slit, 1000);
    }
    Write(fd, {0x47});
    ASSERT_EQ(ReadCount(fd, 1), (Bytes{0x47}));
    Write(fd, {0xB0, 0x04, 0x00, 0x00});  // 1200 steps back, against the stop
    const Bytes reply = ReadUntil(fd, EndsWithTail, WaitLimitMs(10000));
    ASSERT_GE(reply.size(), 7u);
    const TStepStream s = ReadSteps(reply, 4);
    EXPECT_EQ(s.Steps, 1200);
    EXPECT_EQ(s.Result, 0xD1);
    auto lock = host.LockInstrument();
    EXPECT_EQ(host.Instrument().Position(TSimInstrument::Slit), 0);
}

TEST_F(SimPty, StopByteEndsAScanAfterTheEndWord)
{
    Write(fd, Dword(0x90, 100000));
    Bytes reply = ReadCount(fd, 400);
    ASSERT_GE(reply.size(), 400u);
    Write(fd, {TSimInstrument::StopByte});
    const Bytes rest = ReadUntil(
        fd, [](const Bytes& b) { return b.size() >= 3 && b[b.size() - 3] == 0xD0 && b.back() == 0xD3; },
        WaitLimitMs(3000));
    reply.insert(reply.end(), rest.begin(), rest.end());
    const TSampleStream s = ReadSamples(reply, 5);
    EXPECT_TRUE(s.Ended);
    EXPECT_EQ(s.Result, 0xD3);
    EXPECT_EQ(s.Trailing, 0u);
    EXPECT_TRUE(ReadUntil(fd, [](const Bytes& b) { return !b.empty(); }, ScaledMs(200)).empty())
        << "nothing after the result";
}

TEST_F(SimPty, BytesArriveNoFasterThanTheLinePace)
{
    // 966 bytes at 20 x 960 bytes/s take at least 50 ms.
    const auto t0 = Clock::now();
    Write(fd, Word(0x94, 8));
    const Bytes reply = ReadCount(fd, 966, 5000);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    EXPECT_EQ(reply.size(), 966u);
    EXPECT_GE(ms, 45);
}

TEST_F(SimPty, FaultSetFromAnotherThreadSpoilsTheNextCommand)
{
    ASSERT_FALSE(host.SetFault("no-such-fault"));
    ASSERT_TRUE(host.SetFault("wrong-echo"));
    Write(fd, {0x02});
    EXPECT_EQ(ReadCount(fd, 1), (Bytes{0xFD}));
    ASSERT_TRUE(host.SetFault(""));
    Write(fd, {0x02});
    EXPECT_EQ(ReadCount(fd, 2), (Bytes{0x02, 0xE0}));
}

TEST_F(SimPty, HangupClosesTheLine)
{
    ASSERT_TRUE(host.SetFault("hangup"));
    Write(fd, {0x02});
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 2000), 1);
    EXPECT_TRUE(p.revents & (POLLHUP | POLLERR));
    uint8_t b;
    EXPECT_LE(::read(fd, &b, 1), 0);
    for (int i = 0; i < 100 && host.Serving(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(host.Serving());
    host.Stop();  // after the hangup, still clean
}

TEST_F(SimPty, AnIdleHostSleeps)
{
    // Not a speed goal: a serving thread that spins would burn a core for
    // as long as the program runs.
    auto cpu = [] {
        timespec t{};
        ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return t.tv_sec + t.tv_nsec * 1e-9;
    };
    const double before = cpu();
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    EXPECT_LT(cpu() - before, 0.15);
}

TEST(SimPtyStart, RefusesBadOptionsAndASecondStart)
{
    const struct {
        const char* Name;
        TSimOptions Options;
    } cases[] = {
        {"speed 0", AtSpeed(0)},
        {"bad fault", [] { TSimOptions o; o.Fault = "sometimes"; return o; }()},
        {"missing sample", [] { TSimOptions o; o.SampleFile = "/nonexistent/sample.txt"; return o; }()},
        {"negative noise", [] { TSimOptions o; o.Noise = -1; return o; }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TSimPtyHost host(c.Options);
        std::string error;
        EXPECT_FALSE(host.Start(&error));
        EXPECT_FALSE(error.empty());
        EXPECT_FALSE(host.Serving());
    }
    TSimPtyHost host;
    ASSERT_TRUE(host.Start());
    std::string error;
    EXPECT_FALSE(host.Start(&error));
    EXPECT_FALSE(error.empty());
}
