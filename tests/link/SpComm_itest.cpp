// The channel over a real pseudo-terminal, through the same termios code as a
// USB adapter. The peer side is scripted by the test.

#include "link/SpComm.h"
#include "tests/support/PtyPeer.h"
#include "tests/support/TestTime.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// Waits until the program side sees n bytes (the pty hands them over asynchronously).
void SettleIn(TSpComm& comm, int n)
{
    for (int i = 0; i < 500 && comm.Port().BytesWaiting() < n; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

class Channel : public ::testing::Test {
protected:
    void SetUp() override
    {
        comm.SetFixedDevice(peer.DevicePath());
        ASSERT_EQ(comm.Open(), 0);
        ASSERT_EQ(comm.IsConnected(), 1);
    }
    TPtyPeer peer;
    TSpComm comm{std::make_unique<TListPortEnumerator>(std::vector<std::string>{})};
};

TEST_F(Channel, WordsAndDoubleWordsAreLittleEndianBothWays)
{
    EXPECT_EQ(comm.WriteWord(0x1234), 0);
    EXPECT_EQ(comm.WriteDword(-1), 0);
    EXPECT_EQ(comm.WriteDword(0x12345678), 0);
    EXPECT_EQ(peer.Receive(10, 1000),
              (std::vector<uint8_t>{0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xFF, 0x78, 0x56, 0x34, 0x12}));

    peer.Send({0x34, 0x12, 0xFF, 0xFF, 0x78, 0x56, 0x34, 0x12, 0xAB});
    int16_t w = 0;
    int32_t d = 0;
    uint8_t b = 0;
    EXPECT_EQ(comm.ReadWord(w), 0);
    EXPECT_EQ(w, 0x1234);
    EXPECT_EQ(comm.ReadWord(w), 0);
    EXPECT_EQ(w, -1);
    EXPECT_EQ(comm.ReadDword(d), 0);
    EXPECT_EQ(d, 0x12345678);
    EXPECT_EQ(comm.ReadByte(b), 0);
    EXPECT_EQ(b, 0xAB);
}

TEST_F(Channel, ReadOfTenWithNineArrivingTimesOutAndLeavesThemWaiting)
{
    peer.Send(std::vector<uint8_t>(9, 0x55));
    uint8_t buf[16] = {};
    const auto t0 = Clock::now();
    EXPECT_EQ(comm.Read(buf, 10), -2);
    const double ms = MsSince(t0);
    // The read's budget, stretched by the test run's time scale.
    EXPECT_GE(ms, Scaled(1900));
    EXPECT_LT(ms, Scaled(3500));
    EXPECT_EQ(comm.Port().BytesWaiting(), 9);
    peer.Send({0x66});
    EXPECT_EQ(comm.Read(buf, 10), 0);
    EXPECT_EQ(buf[8], 0x55);
    EXPECT_EQ(buf[9], 0x66);
}

TEST_F(Channel, WaitForCountsWhatIsWaiting)
{
    peer.Send({1, 2, 3, 4, 5});
    SettleIn(comm, 5);
    const auto t0 = Clock::now();
    EXPECT_EQ(comm.WaitFor(1000, 3), 5);
    EXPECT_EQ(comm.WaitAny(1000), 5);
    EXPECT_LT(MsSince(t0), Scaled(100));

    uint8_t buf[5];
    ASSERT_EQ(comm.Read(buf, 5), 0);
    peer.Send({1, 2});
    SettleIn(comm, 2);
    const auto t1 = Clock::now();
    EXPECT_EQ(comm.WaitFor(300, 3), 0);
    const double ms = MsSince(t1);
    EXPECT_GE(ms, Scaled(290));
    EXPECT_LT(ms, Scaled(1000));
}

TEST_F(Channel, WaitWakesAsSoonAsTheByteComes)
{
    std::thread late([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        peer.Send({0x42});
    });
    const auto t0 = Clock::now();
    uint8_t b = 0;
    EXPECT_EQ(comm.ReadByte(b), 0);
    EXPECT_EQ(b, 0x42);
    EXPECT_LT(MsSince(t0), Scaled(1000));
    late.join();
}

TEST_F(Channel, OpenOnAnOpenPortKeepsItsInput)
{
    peer.Send({7, 8});
    SettleIn(comm, 2);
    EXPECT_EQ(comm.Open(), 0);
    EXPECT_EQ(comm.Port().BytesWaiting(), 2);

    // Re-opened after a close, the input is purged and the port works again.
    EXPECT_EQ(comm.Close(), 0);
    EXPECT_EQ(comm.IsConnected(), 0);
    EXPECT_EQ(comm.Open(), 0);
    EXPECT_EQ(comm.Port().BytesWaiting(), 0);
    EXPECT_EQ(comm.WriteByte(0x02), 0);
    EXPECT_EQ(peer.Receive(1, 1000), std::vector<uint8_t>{0x02});
}

TEST(ChannelClosed, EveryOperationReportsNotOpenAtOnce)
{
    TSpComm comm(std::make_unique<TListPortEnumerator>(std::vector<std::string>{}));
    EXPECT_EQ(comm.Open(), -1);  // no adapter present
    EXPECT_EQ(comm.IsConnected(), 0);
    uint8_t b = 0;
    int16_t w = 0;
    int32_t d = 0;
    uint8_t buf[4];
    const auto t0 = Clock::now();
    EXPECT_EQ(comm.WriteByte(1), -1);
    EXPECT_EQ(comm.WriteWord(1), -1);
    EXPECT_EQ(comm.WriteDword(1), -1);
    EXPECT_EQ(comm.ReadByte(b), -1);
    EXPECT_EQ(comm.ReadWord(w), -1);
    EXPECT_EQ(comm.ReadDword(d), -1);
    EXPECT_EQ(comm.Read(buf, 4), -1);
    EXPECT_EQ(comm.WaitAny(2000), 0);
    EXPECT_EQ(comm.WaitFor(2000, 1), 0);
    EXPECT_LT(MsSince(t0), Scaled(50));
}

TEST(ChannelHangup, APeerThatGoesAwayDoesNotTurnWaitsIntoABusyLoop)
{
    auto peer = std::make_unique<TPtyPeer>();
    TSpComm comm(std::make_unique<TListPortEnumerator>(std::vector<std::string>{}));
    comm.SetFixedDevice(peer->DevicePath());
    ASSERT_EQ(comm.Open(), 0);
    peer.reset();  // master closed: the slave now reports a hang-up forever

    const auto t0 = Clock::now();
    const std::clock_t c0 = std::clock();
    EXPECT_EQ(comm.WaitAny(300), 0);
    const double wall = MsSince(t0);
    const double cpu = 1000.0 * static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
    EXPECT_GE(wall, Scaled(290));
    // Generous: a spinning loop would use all of the 300 ms.
    EXPECT_LT(cpu, 0.5 * wall);
}

}  // namespace
